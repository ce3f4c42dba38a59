#include "tests/support/command.h"

#include <QProcess>

namespace vellumo::test {

CommandOutcome runCommand(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    CommandOutcome outcome;
    if (!p.waitForStarted(10000))
        return outcome;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        return outcome;
    }
    outcome.output = p.readAll();
    outcome.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return outcome;
}

CommandOutcome runCommand(const QStringList& command, int timeoutMs) {
    return runCommand(command.first(), command.mid(1), timeoutMs);
}

} // namespace vellumo::test
