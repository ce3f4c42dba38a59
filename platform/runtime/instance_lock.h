#pragma once
// InstanceLock: one running copy of the program per program folder. The first copy holds an
// exclusive lock on a file in the folder for as long as it runs; a second copy finds it taken and
// ends. The lock is advisory (flock) and belongs to the open file, so it is freed by the kernel when
// the process dies, however it dies: a crash never leaves a stale lock behind (only the file, which
// the next copy takes). A copy that quits removes the file as it lets the lock go; a lock taken on a
// file that was removed meanwhile is taken again on the file at the path.
//
// Only a lock held by another process means "another copy runs". A lock file that cannot be opened
// or locked for any other reason (a folder the user may not write to, a file system without locks)
// is a failure of its own, with the system's reason in failure().
//
// Owned by the station; release() is the first step of quitting, so that a copy started by the
// launcher's restart finds the folder free even while this one is still closing.

#include <QString>

namespace vellumo {

class InstanceLock {
public:
    static constexpr const char* FileName = "Vellumo.lock";

    enum class Result { Acquired, HeldByAnother, Failed };

    explicit InstanceLock(QString folder);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock (Acquired also when this object holds it already).
    Result tryAcquire();
    // True when the lock is taken.
    bool acquire() { return tryAcquire() == Result::Acquired; }
    void release();
    bool held() const { return fd_ >= 0; }
    // The lock file's path, and why the last tryAcquire failed (empty unless it returned Failed).
    QString path() const { return path_; }
    QString failure() const { return failure_; }

private:
    QString path_;
    QString failure_;
    int fd_ = -1;
};

} // namespace vellumo
