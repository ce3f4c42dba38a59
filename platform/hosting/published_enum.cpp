#include "platform/hosting/published_enum.h"

#include <cstring>

namespace vellumo {

QString publishedEnumName(const EnumTable* tables, int count, const char* enumName, std::int32_t value) {
    for (int t = 0; t < count; ++t) {
        const EnumTable& table = tables[t];
        if (std::strcmp(table.name, enumName) != 0)
            continue;
        for (int i = 0; i < table.count; ++i) {
            if (table.members[i].value == value)
                return QString::fromLatin1(table.members[i].name);
        }
    }
    return QString();
}

} // namespace vellumo
