#pragma once
// ProgramProcess: the real `vellumo` started from a temporary copy of the program folder, listening
// on a free port (see freeLoopbackPort), on the offscreen platform. Stopped (SIGTERM, then SIGKILL)
// when destroyed.
//
// Its error stream goes to a file of its own (unless the caller chose the channels before start()),
// so that a failed start can say what the program last wrote; the file is copied to the test's own
// error stream when the program is stopped, so nothing it wrote is lost from the test's log.

#include "tests/support/program_folder.h"

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

namespace vellumo::test {

// How many times longer the waits for a program last in this build: a program built with the
// sanitizers starts and runs several times slower. 1 in a plain build.
int timeScale();
inline int scaledMs(int ms) {
    return ms * timeScale();
}

// The sockets of this network namespace that hold TCP port `port` (bound to any address, IPv4 or IPv6),
// as "pid 123 (vellumo) LISTEN"; a socket whose process cannot be seen (another user's, when the tests
// do not run as root) shows as "a process that cannot be seen". Empty when nothing holds the port.
QStringList portHolders(int port);
// The ids of the processes holding a listening socket on port (those that can be seen).
std::vector<qint64> listeningPids(int port);
// The last `count` lines of a text file ("" when it cannot be read).
QString lastLines(const QString& file, int count);

// Waits until the program with process id `pid` accepts connections on 127.0.0.1:port, for at most
// ms milliseconds. `ended` says whether the program has ended, and how ("exit code 1", ...), or
// std::nullopt while it runs. On failure the result says which of these it was: the program ended
// (how, and the last lines of its error stream when errorLog names the file it goes to), it could not
// bind the port (the port, and who holds it), or it was still starting after the wait.
::testing::AssertionResult waitUntilListening(const std::function<std::optional<QString>()>& ended, qint64 pid,
                                              int port, int ms, const QString& errorLog = QString());
// The same for a program run by `process`.
::testing::AssertionResult waitUntilListening(QProcess& process, int port, int ms, const QString& errorLog = QString());
// How a QProcess ended ("exit code 3", "crashed"), or std::nullopt while it runs.
std::optional<QString> howItEnded(const QProcess& process);

class ProgramProcess {
public:
    // builtFolder: VELLUMO_PROGRAM_DIR. extraSettings: more lines for Vellumo.ini ("[Vellumo]\r\n...").
    explicit ProgramProcess(const QString& builtFolder, const QString& extraSettings = QString());
    ~ProgramProcess();

    // Starts the program and waits until its port accepts connections; on failure, says why (see
    // waitUntilListening).
    ::testing::AssertionResult start();
    // Starts another copy in the same folder (it should end at once); returns its exit code or -1.
    int startSecondCopy();
    void kill();
    bool running() const { return process_.state() != QProcess::NotRunning; }
    qint64 pid() const { return process_.processId(); }
    // The resident memory of the running program in KiB, from /proc.
    qint64 residentKiB() const;
    // The peak resident memory since the start in KiB (VmHWM), from /proc.
    qint64 peakResidentKiB() const;
    // The process itself, for a caller that wants its error channel or environment before start().
    QProcess& process() { return process_; }
    // The file the program's error stream goes to; empty when the caller chose the channels itself.
    const QString& errorLog() const { return errorLog_; }

    int port() const { return port_; }
    ProgramFolder& folder() { return folder_; }

    // One request on a fresh connection; the whole response (head and body) as it came. The wait is
    // scaled by timeScale().
    QByteArray exchange(const QByteArray& request, int timeoutMs = 10000) const;

private:
    // Copies what the program wrote to its error stream to the test's own, once.
    void forwardErrorLog();

    ProgramFolder folder_;
    int port_;
    QTemporaryDir logFolder_;
    QString errorLog_;
    bool errorLogForwarded_ = false;
    QProcess process_;
};

// One "Name:   value kB" line of /proc/<pid>/status ("VmRSS:", "VmHWM:"), in KiB; -1 when it cannot be
// read.
qint64 procStatusKiB(qint64 pid, const QByteArray& name);

// CPU seconds a process has used, user and system (utime + stime of /proc/<pid>/stat); 0 when it
// cannot be read.
double procCpuSeconds(qint64 pid);

// The status line of a response ("HTTP/1.1 200 MESSAGE:OK:PC1"), without CR LF.
QByteArray statusLine(const QByteArray& response);
// The body of a response (after the empty line).
QByteArray responseBody(const QByteArray& response);

} // namespace vellumo::test
