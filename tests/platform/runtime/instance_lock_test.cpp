// The one-copy-per-folder lock: taken, held by another copy, and a lock file that cannot be opened,
// which is a failure of its own and not "another copy runs".
#include "platform/runtime/instance_lock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vellumo;

namespace {

TEST(InstanceLock, TheFirstTakesItAnotherFindsItHeldAndItIsFreeAfterRelease) {
    QTemporaryDir folder;
    InstanceLock first(folder.path());
    EXPECT_EQ(first.tryAcquire(), InstanceLock::Result::Acquired);
    EXPECT_TRUE(first.held());
    EXPECT_EQ(first.tryAcquire(), InstanceLock::Result::Acquired); // already ours
    InstanceLock second(folder.path());
    EXPECT_EQ(second.tryAcquire(), InstanceLock::Result::HeldByAnother);
    EXPECT_TRUE(second.failure().isEmpty());
    EXPECT_FALSE(second.acquire());
    first.release();
    EXPECT_TRUE(second.acquire());
}

TEST(InstanceLock, TheFileGoesWithTheReleaseAndComesBackWithTheNextLock) {
    QTemporaryDir folder;
    InstanceLock lock(folder.path());
    ASSERT_TRUE(lock.acquire());
    EXPECT_TRUE(QFileInfo::exists(lock.path()));
    lock.release();
    EXPECT_FALSE(QFileInfo::exists(lock.path()));
    lock.release(); // twice: nothing more
    InstanceLock next(folder.path());
    ASSERT_TRUE(next.acquire());
    EXPECT_TRUE(QFileInfo::exists(next.path()));
}

// A file left by a copy that was killed is no lock: the next copy takes it.
TEST(InstanceLock, AFileLeftBehindIsTaken) {
    QTemporaryDir folder;
    QFile left(QDir(folder.path()).filePath(QString::fromLatin1(InstanceLock::FileName)));
    ASSERT_TRUE(left.open(QIODevice::WriteOnly));
    left.close();
    InstanceLock lock(folder.path());
    EXPECT_EQ(lock.tryAcquire(), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, ALockFileThatCannotBeOpenedIsAFailureWithItsReason) {
    // A folder in the way of the lock file: no process, root included, can open it for writing.
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir(QString::fromLatin1(InstanceLock::FileName)));
    InstanceLock lock(folder.path());
    EXPECT_EQ(lock.tryAcquire(), InstanceLock::Result::Failed);
    EXPECT_FALSE(lock.held());
    EXPECT_FALSE(lock.failure().isEmpty());
    EXPECT_EQ(lock.path(), QDir(folder.path()).filePath(QString::fromLatin1(InstanceLock::FileName)));
}

} // namespace
