// Feeds arbitrary text to the Jet SQL reader: it must either return a statement or raise a
// RuntimeError, never crash, hang or read out of bounds.
#include "platform/runtime/runtime_error.h"
#include "platform/store/jet_sql.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    for (int source = 0; source < 2; ++source) {
        try {
            const vellumo::JetStatement s =
                source ? vellumo::JetSql::parseSource(text) : vellumo::JetSql::parseStatement(text);
            if (s.table.isEmpty())
                std::abort(); // every accepted statement names its table
        } catch (const vellumo::RuntimeError&) {
        }
    }
    return 0;
}
