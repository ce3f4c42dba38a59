#include "platform/settings/ini_file.h"

#include "platform/runtime/windows1252.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

using namespace vellumo;

namespace {

struct ReadCase {
    const char* name;
    const char* file; // Windows-1252 bytes
    QString section;
    QString key;
    QString defaultValue;
    QString expected;
};

class IniRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniRead, FindsTheValueOrTheDefault) {
    const auto& c = GetParam();
    EXPECT_EQ(IniFile(QByteArray(c.file)).read(c.section, c.key, c.defaultValue), c.expected);
}

const QString s300(300, u'x');
const QByteArray file300 = "[a]\r\nk=" + QByteArray(300, 'x') + "\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, IniRead,
    ::testing::Values(ReadCase{"plain", "[Server]\r\nPort=80\r\n", "Server", "Port", "1", "80"},
                      ReadCase{"section_and_key_without_case", "[sErVeR]\r\npORT=80\r\n", "SERVER", "port", "1", "80"},
                      ReadCase{"blanks_trimmed", "  [ Server ]  \r\n  Port  =  80  \r\n", " Server ", "Port ", "1",
                               "80"},
                      ReadCase{"tabs_trimmed", "[S]\nk=\t v \t\n", "S", "k", "d", "v"},
                      ReadCase{"double_quotes_removed", "[S]\nk=\" v \"\n", "S", "k", "d", " v "},
                      ReadCase{"single_quotes_removed", "[S]\nk='v'\n", "S", "k", "d", "v"},
                      ReadCase{"only_one_pair_removed", "[S]\nk=\"\"v\"\"\n", "S", "k", "d", "\"v\""},
                      ReadCase{"unmatched_quotes_kept", "[S]\nk=\"v'\n", "S", "k", "d", "\"v'"},
                      ReadCase{"lone_quote_kept", "[S]\nk=\"\n", "S", "k", "d", "\""},
                      ReadCase{"empty_quotes_give_empty", "[S]\nk=\"\"\n", "S", "k", "d", ""},
                      ReadCase{"no_inline_comment", "[S]\nk=1 ; not a comment\n", "S", "k", "d", "1 ; not a comment"},
                      ReadCase{"comment_line_is_no_key", "[S]\n;k=1\n", "S", ";k", "d", "d"},
                      ReadCase{"first_equals_splits", "[S]\nk=a=b\n", "S", "k", "d", "a=b"},
                      ReadCase{"empty_value_is_not_missing", "[S]\nk=\n", "S", "k", "d", ""},
                      ReadCase{"line_without_equals_is_missing", "[S]\nk\n", "S", "k", "d", "d"},
                      ReadCase{"missing_key", "[S]\nk=1\n", "S", "other", "dflt", "dflt"},
                      ReadCase{"missing_section", "[S]\nk=1\n", "T", "k", "dflt", "dflt"},
                      ReadCase{"key_of_another_section", "[S]\nk=1\n[T]\nj=2\n", "S", "j", "d", "d"},
                      ReadCase{"first_key_wins", "[S]\nk=1\nK=2\n", "S", "k", "d", "1"},
                      ReadCase{"first_section_wins", "[S]\nk=1\n[s]\nj=2\n", "S", "j", "d", "d"},
                      ReadCase{"text_after_header_ignored", "[S] junk\nk=1\n", "S", "k", "d", "1"},
                      ReadCase{"last_bracket_ends_name", "[a]b]\nk=1\n", "a]b", "k", "d", "1"},
                      ReadCase{"keys_before_any_section", "k=1\n[S]\n", "", "k", "d", "1"},
                      ReadCase{"no_final_line_end", "[S]\nk=1", "S", "k", "d", "1"},
                      ReadCase{"windows_1252_bytes", "[\xC9t\xE9]\nk=d\xE9j\xE0 \x80\n", QStringLiteral("ÉTÉ"), "K",
                               "d", QStringLiteral("déjà €")},
                      ReadCase{"value_cut_to_254", file300.constData(), "a", "k", "d", s300.left(254)},
                      ReadCase{"default_cut_to_254", "", "a", "k", s300, s300.left(254)},
                      ReadCase{"empty_file", "", "S", "k", "dflt", "dflt"}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    const char* before;
    QString section;
    QString key;
    QString value;
    const char* after; // nullptr: refused
};

class IniWrite : public ::testing::TestWithParam<WriteCase> {};

TEST_P(IniWrite, ChangesOnlyWhatItMust) {
    const auto& c = GetParam();
    const auto out = IniFile(QByteArray(c.before)).withValue(c.section, c.key, c.value);
    if (!c.after) {
        EXPECT_FALSE(out.has_value());
        return;
    }
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(*out, QByteArray(c.after));
    EXPECT_EQ(IniFile(*out).rawValue(c.section, c.key).value_or("<missing>"), c.value.trimmed());
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniWrite,
    ::testing::Values(
        WriteCase{"new_file", "", "Server", "Port", "80", "[Server]\r\nPort=80\r\n"},
        WriteCase{"replaced_in_place", "; top\r\n[s]\r\n; c\r\nKEY = old ; x\r\nother=1\r\n\r\n[t]\r\nkey=9\r\n", "S",
                  "key", "new", "; top\r\n[s]\r\n; c\r\nKEY=new\r\nother=1\r\n\r\n[t]\r\nkey=9\r\n"},
        WriteCase{"new_key_after_last_line_of_section", "[a]\r\nx=1\r\n\r\n[b]\r\ny=2\r\n", "A", "z", "3",
                  "[a]\r\nx=1\r\nz=3\r\n\r\n[b]\r\ny=2\r\n"},
        WriteCase{"new_key_in_empty_section", "[a]\r\n[b]\r\n", "a", "z", "3", "[a]\r\nz=3\r\n[b]\r\n"},
        WriteCase{"new_section_without_final_line_end", "[a]\r\nx=1", "b", "y", "2", "[a]\r\nx=1\r\n[b]\r\ny=2\r\n"},
        WriteCase{"new_key_at_end_without_final_line_end", "[a]\nx=1", "a", "y", "2", "[a]\nx=1\ny=2\n"},
        WriteCase{"line_feed_file_keeps_line_feeds", "[a]\nx=1\n", "b", "y", "2", "[a]\nx=1\n[b]\ny=2\n"},
        WriteCase{"empty_value", "[a]\nx=1\n", "a", "x", "", "[a]\nx=\n"},
        WriteCase{"windows_1252_value", "", "a", "x", QStringLiteral("été €"), "[a]\r\nx=\xE9t\xE9 \x80\r\n"},
        WriteCase{"line_break_in_value_refused", "[a]\n", "a", "x", "1\n[Server]", nullptr},
        WriteCase{"equals_in_key_refused", "", "a", "x=y", "1", nullptr},
        WriteCase{"bracket_key_refused", "", "a", "[x", "1", nullptr},
        WriteCase{"empty_key_refused", "", "a", "  ", "1", nullptr},
        WriteCase{"line_break_in_section_refused", "", "a\r\nb", "x", "1", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

class IniFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("Vellumo.ini");
    }
    void put(const QByteArray& bytes, int secondsLater = 0) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        if (secondsLater) {
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            f.setFileTime(QDateTime::currentDateTime().addSecs(secondsLater), QFileDevice::FileModificationTime);
        }
    }
    QByteArray bytes() {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
    }
    QTemporaryDir dir;
    QString path;
};

TEST_F(IniFileOnDisk, MissingFileGivesDefaultAndFirstWriteCreatesIt) {
    EXPECT_EQ(IniFile::read(path, "Server", "Port", "32666"), "32666");
    EXPECT_EQ(IniFile::write(path, "Server", "Port", "80"), 0);
    EXPECT_EQ(bytes(), QByteArray("[Server]\r\nPort=80\r\n"));
    EXPECT_EQ(IniFile::read(path, "server", "port", "32666"), "80");
}

TEST_F(IniFileOnDisk, ReadSeesEveryChangeOfTheFile) {
    put("[a]\nk=1\n");
    EXPECT_EQ(IniFile::read(path, "a", "k", "d"), "1");
    put("[a]\nk=2\n", 5); // same size: only the modification time tells
    EXPECT_EQ(IniFile::read(path, "a", "k", "d"), "2");
    EXPECT_EQ(IniFile::write(path, "a", "k", "3"), 0);
    EXPECT_EQ(IniFile::read(path, "a", "k", "d"), "3");
    QFile::remove(path);
    EXPECT_EQ(IniFile::read(path, "a", "k", "d"), "d");
}

TEST_F(IniFileOnDisk, RefusedWriteLeavesTheFileAlone) {
    put("[a]\nk=1\n");
    EXPECT_EQ(IniFile::write(path, "a", "k", "2\n[b]\nj=3"), EINVAL);
    EXPECT_EQ(bytes(), QByteArray("[a]\nk=1\n"));
}

TEST_F(IniFileOnDisk, WriteIntoMissingFolderFails) {
    EXPECT_NE(IniFile::write(dir.filePath("no/such/Vellumo.ini"), "a", "k", "1"), 0);
}

TEST(IniFileRoundTrip, EveryWritableCharacterComesBack) {
    IniFile image{QByteArrayView()};
    for (int b = 1; b < 256; ++b) {
        if (b == '\r' || b == '\n')
            continue;
        const QString value = QStringLiteral("<") + cp1252::decode(QByteArray(1, static_cast<char>(b))) + u'>';
        const auto out = image.withValue("s", "k", value);
        ASSERT_TRUE(out.has_value()) << b;
        EXPECT_EQ(IniFile(*out).read("s", "k", "d"), value) << b;
    }
}

} // namespace
