#pragma once
// EnumMember and EnumTable: the enumerations a control's type library publishes, each member with its
// published name ("Windows 32-bit", "rPanel Raised"). A control library keeps them as constant tables;
// publishedEnumName looks a name up.

#include <QString>

#include <cstddef>
#include <cstdint>

namespace vellumo {

struct EnumMember {
    std::int32_t value;
    const char* name;
};

struct EnumTable {
    const char* name;
    const EnumMember* members;
    int count;
};

// The table of the enumeration name with members.
template <std::size_t N> constexpr EnumTable enumTable(const char* name, const EnumMember (&members)[N]) {
    return {name, members, static_cast<int>(N)};
}

// The published name of value in the enumeration called enumName among the count tables, or an empty
// text when there is no such enumeration or member. Hidden: a library uses it and does not export it.
__attribute__((visibility("hidden"))) QString publishedEnumName(const EnumTable* tables, int count,
                                                                const char* enumName, std::int32_t value);

} // namespace vellumo
