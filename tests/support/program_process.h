#pragma once
// ProgramProcess: the real `vellumo` started from a temporary copy of the program folder, listening
// on a free loopback port, on the offscreen platform. Stopped (SIGTERM, then SIGKILL) when destroyed.

#include "tests/support/program_folder.h"

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <memory>

namespace vellumo::test {

class ProgramProcess {
public:
    // builtFolder: VELLUMO_PROGRAM_DIR. extraSettings: more lines for Vellumo.ini ("[Vellumo]\r\n...").
    explicit ProgramProcess(const QString& builtFolder, const QString& extraSettings = QString());
    ~ProgramProcess();

    // Starts the program and waits until its port accepts connections.
    bool start();
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

    int port() const { return port_; }
    ProgramFolder& folder() { return folder_; }

    // One request on a fresh connection; the whole response (head and body) as it came.
    QByteArray exchange(const QByteArray& request, int timeoutMs = 10000) const;

private:
    ProgramFolder folder_;
    int port_;
    QProcess process_;
};

// One "Name:   value kB" line of /proc/<pid>/status ("VmRSS:", "VmHWM:"), in KiB; -1 when it cannot be
// read.
qint64 procStatusKiB(qint64 pid, const QByteArray& name);

// The status line of a response ("HTTP/1.1 200 MESSAGE:OK:PC1"), without CR LF.
QByteArray statusLine(const QByteArray& response);
// The body of a response (after the empty line).
QByteArray responseBody(const QByteArray& response);

} // namespace vellumo::test
