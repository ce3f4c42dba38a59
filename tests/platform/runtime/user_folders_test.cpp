// Where a copy keeps its user's files: the program folder of a build, the XDG folders once installed.
#include "platform/runtime/user_folders.h"

#include "tests/support/scoped_environment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>

namespace vellumo {
namespace {

enum class Marker { None, File, Folder };

struct FolderCase {
    const char* name;
    Marker marker;
    std::optional<QByteArray> configHome, dataHome, home;
    // "@" stands for the program folder.
    QString config, data;
};

void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << c.name;
}

class UserFoldersCases : public ::testing::TestWithParam<FolderCase> {};

TEST_P(UserFoldersCases, NameTheFoldersOfTheUsersFiles) {
    const FolderCase& c = GetParam();
    QTemporaryDir program;
    const QString marker = QDir(program.path()).filePath(UserFolders::markerFileName());
    if (c.marker == Marker::File) {
        QFile f(marker);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    } else if (c.marker == Marker::Folder) {
        ASSERT_TRUE(QDir().mkpath(marker));
    }
    test::ScopedEnvironment env;
    env.set("XDG_CONFIG_HOME", c.configHome);
    env.set("XDG_DATA_HOME", c.dataHome);
    env.set("HOME", c.home);

    const UserFolders folders(program.path());
    const auto expand = [&](QString path) { return path.replace(QStringLiteral("@"), program.path()); };
    EXPECT_EQ(folders.installed(), c.marker == Marker::File);
    EXPECT_EQ(folders.programFolder(), program.path());
    EXPECT_EQ(folders.configFolder(), expand(c.config));
    EXPECT_EQ(folders.dataFolder(), expand(c.data));
}

INSTANTIATE_TEST_SUITE_P(
    UserFolders, UserFoldersCases,
    ::testing::Values(FolderCase{"BuildFolderKeepsEverythingInTheProgramFolder", Marker::None, "/x/cfg", "/x/data",
                                 "/home/u", "@", "@"},
                      FolderCase{"AFolderNamedLikeTheMarkerIsNoMarker", Marker::Folder, "/x/cfg", "/x/data", "/home/u",
                                 "@", "@"},
                      FolderCase{"InstalledUsesTheXdgFolders", Marker::File, "/x/cfg", "/x/data", "/home/u",
                                 "/x/cfg/vellumo", "/x/data/vellumo"},
                      FolderCase{"TrailingSlashesAreDropped", Marker::File, "/x/cfg/", "/x/data//", "/home/u",
                                 "/x/cfg/vellumo", "/x/data/vellumo"},
                      FolderCase{"UnsetXdgFallsBackToTheHome", Marker::File, std::nullopt, std::nullopt, "/home/u/",
                                 "/home/u/.config/vellumo", "/home/u/.local/share/vellumo"},
                      FolderCase{"EmptyOrRelativeXdgCountsAsUnset", Marker::File, "cfg", "", "/home/u",
                                 "/home/u/.config/vellumo", "/home/u/.local/share/vellumo"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UserFolders, WithoutHomeTheAccountsHomeIsUsed) {
    QTemporaryDir program;
    QFile marker(QDir(program.path()).filePath(UserFolders::markerFileName()));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    test::ScopedEnvironment env;
    env.set("XDG_CONFIG_HOME", std::nullopt);
    env.set("HOME", std::nullopt);
    const QString home = UserFolders::homeFolder();
    EXPECT_TRUE(home.startsWith(u'/')) << qPrintable(home);
    EXPECT_EQ(UserFolders(program.path()).configFolder(),
              (home == QStringLiteral("/") ? QString() : home) + QStringLiteral("/.config/vellumo"));
}

TEST(UserFolders, MakeCreatesTheMissingFoldersForTheUserAlone) {
    QTemporaryDir program, base;
    QFile marker(QDir(program.path()).filePath(UserFolders::markerFileName()));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    test::ScopedEnvironment env;
    env.set("XDG_CONFIG_HOME", (base.path() + QStringLiteral("/new/config")).toLocal8Bit());
    env.set("XDG_DATA_HOME", (base.path() + QStringLiteral("/new/data")).toLocal8Bit());
    const UserFolders folders(program.path());

    QString error;
    ASSERT_TRUE(folders.make(&error)) << qPrintable(error);
    for (const QString& folder : {base.path() + QStringLiteral("/new"), folders.configFolder(), folders.dataFolder()}) {
        const QFileInfo info(folder);
        EXPECT_TRUE(info.isDir()) << qPrintable(folder);
        EXPECT_EQ(info.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                  QFile::Permissions())
            << qPrintable(folder);
    }
    EXPECT_TRUE(folders.make(&error)) << "folders that exist are fine: " << qPrintable(error);
    // A build-folder copy has nothing to make.
    EXPECT_TRUE(UserFolders(base.path()).make());
}

TEST(UserFolders, MakeReportsAFileInTheWay) {
    QTemporaryDir program, base;
    QFile marker(QDir(program.path()).filePath(UserFolders::markerFileName()));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    QFile blocker(base.path() + QStringLiteral("/data"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    test::ScopedEnvironment env;
    env.set("XDG_CONFIG_HOME", (base.path() + QStringLiteral("/config")).toLocal8Bit());
    env.set("XDG_DATA_HOME", (base.path() + QStringLiteral("/data")).toLocal8Bit());

    QString error;
    EXPECT_FALSE(UserFolders(program.path()).make(&error));
    EXPECT_TRUE(error.startsWith(base.path() + QStringLiteral("/data/vellumo: "))) << qPrintable(error);
}

} // namespace
} // namespace vellumo
