// The texts of the LAN list's errors, silent, or with a beep and in their box.
#include "app/messaging/lan_server_source.h"

#include "tests/support/scripted_ui_hooks.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

struct Case {
    const char* name;
    std::int32_t code;
    const char* text;
};

const Case kCases[] = {
    {"AccessDenied", 5, "Access Denied!"},
    {"LogonFailure", 1326, "You do not have the permissions for it"},
    {"ServerUnavailable", 1722, "Server not accessible!"},
    {"AnyOther", 2184, "Error Nr. (2184) !"},
    {"Negative", -1, "Error Nr. (-1) !"},
};

class NetErrorTextTest : public ::testing::TestWithParam<Case> {};

TEST_P(NetErrorTextTest, SilentReturnsTheTextElseShowsItAndReturnsNothing) {
    test::ScriptedUiHooks hooks;
    ScopedUiHooks scope(hooks);
    EXPECT_EQ(MODnETwORK::NetErrorText(GetParam().code, true).toStdString(), GetParam().text);
    EXPECT_TRUE(hooks.boxes.empty());
    EXPECT_EQ(hooks.beeps, 0);
    EXPECT_TRUE(MODnETwORK::NetErrorText(GetParam().code).isEmpty());
    EXPECT_EQ(hooks.beeps, 1);
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].prompt.toStdString(), GetParam().text);
    EXPECT_EQ(hooks.boxes[0].style, 16);
    EXPECT_EQ(hooks.boxes[0].title, "Net Error");
}

INSTANTIATE_TEST_SUITE_P(Codes, NetErrorTextTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
