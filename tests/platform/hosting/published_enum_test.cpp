#include "platform/hosting/published_enum.h"

#include <gtest/gtest.h>

#include <iterator>

namespace vellumo {
namespace {

constexpr EnumMember kShapes[] = {{0, "Square Corner"}, {1, "Round Corner"}, {7, "Oval"}};
constexpr EnumMember kSides[] = {{0, "Left"}, {1, "Right"}};
constexpr EnumTable kTables[] = {enumTable("enuShapes", kShapes), enumTable("enuSides", kSides)};

TEST(PublishedEnum, NamesAMemberOfTheEnumerationAskedFor) {
    const int count = static_cast<int>(std::size(kTables));
    EXPECT_EQ(kTables[0].count, 3);
    EXPECT_EQ(publishedEnumName(kTables, count, "enuShapes", 7), QStringLiteral("Oval"));
    EXPECT_EQ(publishedEnumName(kTables, count, "enuSides", 1), QStringLiteral("Right"));
    EXPECT_EQ(publishedEnumName(kTables, count, "enuShapes", 2), QString());  // no such member
    EXPECT_EQ(publishedEnumName(kTables, count, "enuColours", 0), QString()); // no such enumeration
    EXPECT_EQ(publishedEnumName(kTables, count, "enushapes", 0), QString());  // names compare exactly
}

} // namespace
} // namespace vellumo
