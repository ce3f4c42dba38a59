#include "platform/settings/file_registry.h"

#include "platform/settings/ini_file.h"
#include "tests/support/scoped_environment.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

#include <sys/stat.h>

using namespace vellumo;

namespace {

TEST(FileRegistry, KeepsOneSectionPerKeyAndOverwritesValues) {
    QTemporaryDir dir;
    FileRegistry registry(dir.filePath("registry"));
    const QString key = QStringLiteral("SOFTWARE\\Vellumo\\Server");
    for (const char* port : {"32666", "80"}) {
        ASSERT_EQ(registry.createKey(key), 0);
        ASSERT_EQ(registry.setStringValue(key, "Port", port), 0);
    }
    QFile hive(registry.hiveFile());
    ASSERT_TRUE(hive.open(QIODevice::ReadOnly));
    EXPECT_EQ(hive.readAll(), QByteArray("[SOFTWARE\\Vellumo\\Server]\r\nPort=80\r\n"));
    EXPECT_EQ(registry.setStringValue(key, "Empty", ""), 0);
    EXPECT_EQ(IniFile::read(registry.hiveFile(), key, "Empty", "<missing>"), "");
}

TEST(FileRegistry, RootThatCannotBeAFolderIsPathNotFound) {
    QTemporaryDir dir;
    QFile blocker(dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    FileRegistry registry(dir.filePath("file/registry"));
    EXPECT_EQ(registry.createKey("SOFTWARE\\Vellumo\\Server"), regerr::PathNotFound);
}

TEST(FileRegistry, ValueThatCannotBeStoredIsRefused) {
    QTemporaryDir dir;
    FileRegistry registry(dir.path());
    EXPECT_EQ(registry.setStringValue("SOFTWARE\\Vellumo\\Server", "Port", "1\r\n2"), regerr::InvalidParameter);
}

mode_t folderMode(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(FileRegistry, EveryFolderItMakesIsTheUsersAlone) {
    QTemporaryDir dir;
    FileRegistry registry(dir.filePath("config/vellumo/registry"));
    ASSERT_EQ(registry.createKey("SOFTWARE\\Vellumo\\Server"), 0);
    for (const char* folder : {"config", "config/vellumo", "config/vellumo/registry"})
        EXPECT_EQ(folderMode(dir.filePath(folder)), 0700u) << folder;
}

TEST(FileRegistry, ARootLeftOpenToOthersIsClosedToThem) {
    QTemporaryDir dir;
    const QString root = dir.filePath("registry");
    ASSERT_EQ(::mkdir(QFile::encodeName(root).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(root).constData(), 0755), 0);
    FileRegistry registry(root);
    ASSERT_EQ(registry.createKey("SOFTWARE\\Vellumo\\Server"), 0);
    EXPECT_EQ(folderMode(root), 0700u);
}

TEST(FileRegistry, DefaultRootIsInTheUsersConfigurationFolder) {
    test::ScopedEnvironment env;
    env.set("XDG_CONFIG_HOME", QByteArray("/home/someone/.cfg"));
    EXPECT_EQ(FileRegistry::defaultRoot(), QStringLiteral("/home/someone/.cfg/vellumo/registry"));
}

struct ErrnoCase {
    const char* name;
    int error;
    long code;
};

class FileRegistryErrors : public ::testing::TestWithParam<ErrnoCase> {};

TEST_P(FileRegistryErrors, MapToTheSystemsCodes) {
    EXPECT_EQ(FileRegistry::codeFromErrno(GetParam().error), GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(Table, FileRegistryErrors,
                         ::testing::Values(ErrnoCase{"none", 0, 0}, ErrnoCase{"eacces", EACCES, 5},
                                           ErrnoCase{"eperm", EPERM, 5}, ErrnoCase{"erofs", EROFS, 5},
                                           ErrnoCase{"enoent", ENOENT, 3}, ErrnoCase{"enospc", ENOSPC, 112},
                                           ErrnoCase{"einval", EINVAL, 87}, ErrnoCase{"eio", EIO, 29},
                                           ErrnoCase{"other", ELOOP, 31}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
