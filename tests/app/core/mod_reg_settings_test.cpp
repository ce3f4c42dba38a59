#include "app/core/mod_reg_settings.h"

#include "platform/runtime/runtime_error.h"
#include "platform/settings/file_registry.h"
#include "platform/settings/ini_file.h"
#include "tests/support/fake_registry.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

struct RegCase {
    const char* name;
    QString app, section, key;
    long createResult, setResult;
    std::int32_t error; // 0: none
    const char* description;
};

class SaveRegSettingCases : public ::testing::TestWithParam<RegCase> {};

TEST_P(SaveRegSettingCases, RaisesTheNumberedError) {
    const auto& c = GetParam();
    test::FakeRegistry registry;
    registry.createResult = c.createResult;
    registry.setResult = c.setResult;
    if (!c.error) {
        EXPECT_NO_THROW(SaveRegSetting(registry, c.app, c.section, c.key, "32666"));
        return;
    }
    try {
        SaveRegSetting(registry, c.app, c.section, c.key, "32666");
        ADD_FAILURE() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), c.error);
        EXPECT_EQ(e.description(), QString::fromUtf8(c.description));
        EXPECT_EQ(e.source(), "modRegSettings");
    }
    if (c.error >= err::object(1000) && c.error <= err::object(1002)) {
        EXPECT_TRUE(registry.opened.isEmpty()); // no key touched
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SaveRegSettingCases,
    ::testing::Values(
        RegCase{"written", "Vellumo", "Server", "Port", 0, 0, 0, ""},
        RegCase{"blank_app", "   ", "Server", "Port", 0, 0, err::object(1000), "AppName doit être renseigné"},
        RegCase{"blank_section", "Vellumo", " ", "Port", 0, 0, err::object(1001), "Section doit être renseigné"},
        RegCase{"blank_key", "Vellumo", "Server", "", 0, 0, err::object(1002), "Key doit être renseigné"},
        RegCase{"key_refused", "Vellumo", "Server", "Port", 5, 0, static_cast<std::int32_t>(0x800407D5u),
                "Could not open/create registry section"},
        RegCase{"value_refused", "Vellumo", "Server", "Port", 0, 112, err::object(2000 + 112),
                "Impossible d'écrire la clef de registre"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveRegSetting, TrimsTheKeyPathButNotTheValueName) {
    test::FakeRegistry registry;
    SaveRegSetting(registry, "  Vellumo ", " Server ", "Port", "");
    ASSERT_EQ(registry.opened.size(), 1);
    EXPECT_EQ(registry.opened[0], "SOFTWARE\\Vellumo\\Server");
    EXPECT_EQ(registry.values.value("SOFTWARE\\Vellumo\\Server|Port", "<none>"), ""); // empty value written
}

TEST(SaveRegSetting, SecondCallOverwritesInTheFileRegistry) {
    QTemporaryDir dir;
    FileRegistry registry(dir.path());
    SaveRegSetting(registry, "Vellumo", "Server", "Port", "32666");
    SaveRegSetting(registry, "Vellumo", "Server", "Port", "8080");
    EXPECT_EQ(IniFile::read(registry.hiveFile(), "SOFTWARE\\Vellumo\\Server", "Port", ""), "8080");
}

} // namespace
