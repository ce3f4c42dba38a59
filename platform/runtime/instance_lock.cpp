#include "platform/runtime/instance_lock.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
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
    fd_ = fd;
    return Result::Acquired;
}

void InstanceLock::release() {
    if (fd_ < 0)
        return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

} // namespace vellumo
