#pragma once
// InstanceLock: one running copy of the program per program folder. The first copy holds an
// exclusive lock on a file in the folder for as long as it runs; a second copy finds it taken and
// ends. The lock is advisory (flock) and belongs to the open file, so it is freed by the kernel when
// the process dies, however it dies: a crash never leaves a stale lock behind.
//
// Owned by the main window; release() is the first step of quitting, so that a copy started by the
// launcher's restart finds the folder free even while this one is still closing.

#include <QString>

namespace vellumo {

class InstanceLock {
public:
    static constexpr const char* FileName = "Vellumo.lock";

    explicit InstanceLock(QString folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock; false when another process holds it (or the file cannot be opened).
    bool acquire();
    void release();
    bool held() const { return fd_ >= 0; }

private:
    QString path_;
    int fd_ = -1;
};

} // namespace vellumo
