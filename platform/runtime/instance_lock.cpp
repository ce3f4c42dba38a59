#include "platform/runtime/instance_lock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellumo {

InstanceLock::InstanceLock(QString folder) : path_(QDir(folder).filePath(QString::fromLatin1(FileName))) {}

InstanceLock::~InstanceLock() {
    release();
}

InstanceLock::Result InstanceLock::tryAcquire() {
    failure_.clear();
    if (fd_ >= 0)
        return Result::Acquired;
    const QByteArray name = QFile::encodeName(path_);
    // A copy that quits removes the file before it lets the lock go: a lock taken on a file that is no
    // longer the one at the path guards nothing, and is taken again on the file there now.
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            failure_ = QString::fromLocal8Bit(std::strerror(errno));
            return Result::Failed;
        }
        int locked;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        if (locked != 0) {
            const int e = errno;
            ::close(fd);
            if (e == EWOULDBLOCK)
                return Result::HeldByAnother;
            failure_ = QString::fromLocal8Bit(std::strerror(e));
            return Result::Failed;
        }
        struct stat held {};
        struct stat atPath {};
        if (::fstat(fd, &held) == 0 && ::stat(name.constData(), &atPath) == 0 && held.st_dev == atPath.st_dev &&
            held.st_ino == atPath.st_ino) {
            fd_ = fd;
            return Result::Acquired;
        }
        ::close(fd);
    }
    failure_ = QStringLiteral("the lock file keeps being replaced");
    return Result::Failed;
}

void InstanceLock::release() {
    if (fd_ < 0)
        return;
    // Removed while still held, so that no copy takes a lock on a file about to go.
    ::unlink(QFile::encodeName(path_).constData());
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

} // namespace vellumo
