// Parses any bytes as an INI file, reads the names it holds and a few it lacks, and writes a value:
// no crash, a read never longer than the buffer allows, and a written value always reads back.
#include "platform/settings/ini_file.h"

#include "platform/runtime/windows1252.h"

#include <cstdint>
#include <cstdlib>

using namespace vellumo;

namespace {

[[noreturn]] void fail() {
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const IniFile image(bytes);

    // Names taken from the input itself: the first line's text and pieces of the second.
    const QString text = cp1252::decode(bytes.first(std::min<qsizetype>(bytes.size(), 512)));
    const QStringList lines = text.split(u'\n');
    const QString section = lines.value(0).mid(1).section(u']', 0, 0);
    const QString key = lines.value(1).section(u'=', 0, 0);
    for (int buffer : {0, 1, 16, IniFile::ReadBufferSize}) {
        const QString v = image.read(section, key, QStringLiteral("default"), buffer);
        if (v.size() > std::max(0, buffer - 1))
            fail();
    }
    (void)image.read(QStringLiteral("Strings"), QStringLiteral("String1"), QString());

    // A value of plain characters written under those names reads back exactly.
    QString value;
    for (QChar c : lines.value(2).left(40)) {
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            value += c;
    }
    if (const auto out = image.withValue(section, key, value)) {
        const IniFile after(*out);
        if (after.rawValue(section, key) != value)
            fail();
        // Writing the same value again changes nothing.
        const auto again = after.withValue(section, key, value);
        if (!again || *again != *out)
            fail();
    }
    return 0;
}
