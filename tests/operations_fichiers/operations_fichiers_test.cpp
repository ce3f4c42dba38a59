#include "operations_fichiers/operations_fichiers.h"

#include "platform/runtime/runtime_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vellumo;
using namespace vellumo::OperationsFichiers;

namespace {

struct SlashCase {
    const char* name;
    QString path;
    QString expected;
};

class AddBackslashCases : public ::testing::TestWithParam<SlashCase> {};

TEST_P(AddBackslashCases, TrimsAndEndsWithOneSlash) {
    EXPECT_EQ(AddBackslash(GetParam().path), GetParam().expected);
    EXPECT_EQ(PathWithSlash(GetParam().path), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, AddBackslashCases,
                         ::testing::Values(SlashCase{"blanks_around", "  /opt/Vellumo  ", "/opt/Vellumo/"},
                                           SlashCase{"already_ends_with_slash", "/opt/Vellumo/", "/opt/Vellumo/"},
                                           SlashCase{"empty", "", "/"}, SlashCase{"blanks_only", "   ", "/"}),
                         [](const auto& info) { return std::string(info.param.name); });

class FileHelpers : public ::testing::Test {
protected:
    QString touch(const QString& name) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(FileHelpers, IniReadGivesDefaultExactlyAndAtMost254Characters) {
    const QString ini = dir.filePath("Vellumo.ini");
    EXPECT_EQ(IniRead("Server", "Port", " 32666 ", ini), " 32666 ");
    IniWrite("Server", "Key", QString(300, u'A'), ini);
    EXPECT_EQ(IniRead("Server", "Key", "", ini), QString(254, u'A'));
    EXPECT_EQ(IniRead("Server", "Missing", "dflt", ini), "dflt");
    IniWrite("Server", "Bad", "a\nb", dir.filePath("no/such/folder/x.ini")); // dropped, not reported
}

TEST_F(FileHelpers, FileExists) {
    EXPECT_TRUE(FileExists(touch("Users.dbo")));
    EXPECT_FALSE(FileExists(dir.filePath("missing")));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(""));
}

TEST_F(FileHelpers, DeleteFileCode) {
    EXPECT_EQ(DeleteFileCode(touch("Users.dbo")), 0);
    EXPECT_FALSE(FileExists(dir.filePath("Users.dbo")));
    EXPECT_EQ(DeleteFileCode(dir.filePath("Users.dbo")), 53);
    EXPECT_EQ(DeleteFileCode(dir.filePath("no/Users.dbo")), 76);
    QDir(dir.path()).mkdir("folder");
    EXPECT_EQ(DeleteFileCode(dir.filePath("folder")), 53);
}

TEST_F(FileHelpers, DeleteFileCodeWithWildcards) {
    touch("a1.tmp");
    touch("a22.tmp");
    touch("b1.tmp");
    touch("a1.tmpx");
    EXPECT_EQ(DeleteFileCode(dir.filePath("a?.tmp")), 0);
    EXPECT_FALSE(FileExists(dir.filePath("a1.tmp")));
    EXPECT_TRUE(FileExists(dir.filePath("a22.tmp")));
    EXPECT_EQ(DeleteFileCode(dir.filePath("*.tmp")), 0);
    EXPECT_FALSE(FileExists(dir.filePath("a22.tmp")));
    EXPECT_FALSE(FileExists(dir.filePath("b1.tmp")));
    EXPECT_TRUE(FileExists(dir.filePath("a1.tmpx")));
    EXPECT_EQ(DeleteFileCode(dir.filePath("*.tmp")), 53);
}

TEST_F(FileHelpers, MakePathCreatesEveryFolderOfAPathEndingWithSlash) {
    QDir(dir.path()).mkdir("a");
    EXPECT_NO_THROW(MakePath(dir.filePath("a/b/c/")));
    EXPECT_TRUE(QDir(dir.filePath("a/b/c")).exists());
    EXPECT_NO_THROW(MakePath(dir.filePath("a/b/c/"))); // all exist now
}

TEST_F(FileHelpers, MakePathOfAFileNameCreatesOnlyTheFoldersAboveIt) {
    MakePath(dir.filePath("x/y/file.txt"));
    EXPECT_TRUE(QDir(dir.filePath("x/y")).exists());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("x/y/file.txt")));
}

TEST_F(FileHelpers, MakePathOfOneNameRaisesWhenTheFolderExists) {
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    EXPECT_NO_THROW(MakePath("Temp"));
    EXPECT_TRUE(QDir(dir.filePath("Temp")).exists());
    try {
        MakePath("Temp");
        ADD_FAILURE() << "no error raised";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 75);
    }
    QDir::setCurrent(previous);
}

} // namespace
