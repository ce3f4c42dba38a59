#include "platform/runtime/instance_lock.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vellumo {

InstanceLock::InstanceLock(QString folder) : path_(QDir(folder).filePath(QString::fromLatin1(FileName))) {}

InstanceLock::~InstanceLock() { release(); }

bool InstanceLock::acquire() {
    if (fd_ >= 0)
        return true;
    const QByteArray name = QFile::encodeName(path_);
    const int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void InstanceLock::release() {
    if (fd_ < 0)
        return;
    ::flock(fd_, LOCK_UN);
    ::close(fd_);
    fd_ = -1;
}

} // namespace vellumo
