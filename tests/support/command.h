#pragma once
// Running a command-line tool to its end from a test (ip, dpkg-deb, chmod, a helper program), with a
// bound on the time it may take, and collecting what it wrote.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace vellumo::test {

struct CommandOutcome {
    // The exit code; -1 when the program did not start, did not end in time (it is killed) or crashed.
    int code = -1;
    // Standard output and error together; empty unless the program ended.
    QByteArray output;
};

CommandOutcome runCommand(const QString& program, const QStringList& arguments, int timeoutMs = 120000);
// The same with the program as the first word of command.
CommandOutcome runCommand(const QStringList& command, int timeoutMs = 120000);

} // namespace vellumo::test
