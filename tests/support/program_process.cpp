#include "tests/support/program_process.h"

#include "tests/support/event_loop.h"
#include "tests/support/http_framing.h"

#include <QFile>
#include <QProcessEnvironment>
#include <QTcpSocket>

#include <csignal>

namespace vellumo::test {

ProgramProcess::ProgramProcess(const QString& builtFolder, const QString& extraSettings)
    : folder_(builtFolder), port_(freeLoopbackPort()) {
    folder_.writeSettings(port_, extraSettings);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

ProgramProcess::~ProgramProcess() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.terminate();
    if (!process_.waitForFinished(5000)) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool ProgramProcess::start() {
    process_.start(folder_.file(QStringLiteral("vellumo")), {});
    if (!process_.waitForStarted(10000))
        return false;
    // A second or so on a workstation; a loaded machine under the sanitizers takes much longer.
    return waitUntil(
               [this] {
                   if (process_.state() == QProcess::NotRunning)
                       return true;
                   QTcpSocket s;
                   s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port_));
                   return s.waitForConnected(200);
               },
               60000) &&
           running();
}

int ProgramProcess::startSecondCopy() {
    QProcess second;
    second.setProcessEnvironment(process_.processEnvironment());
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.start(folder_.file(QStringLiteral("vellumo")), {});
    if (!second.waitForStarted(10000) || !second.waitForFinished(20000)) {
        second.kill();
        second.waitForFinished(5000);
        return -1;
    }
    return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
}

void ProgramProcess::kill() {
    if (process_.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(process_.processId()), SIGKILL);
    process_.waitForFinished(5000);
}

qint64 procStatusKiB(qint64 pid, const QByteArray& name) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qint64 ProgramProcess::residentKiB() const {
    return procStatusKiB(process_.processId(), "VmRSS:");
}

qint64 ProgramProcess::peakResidentKiB() const {
    return procStatusKiB(process_.processId(), "VmHWM:");
}

QByteArray ProgramProcess::exchange(const QByteArray& request, int timeoutMs) const {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port_));
    if (!s.waitForConnected(timeoutMs))
        return {};
    s.write(request);
    QByteArray response;
    waitUntil(
        [&] {
            response += s.readAll();
            return wholeHttpMessageLength(response) > 0 || s.state() != QAbstractSocket::ConnectedState;
        },
        timeoutMs);
    response += s.readAll();
    return response;
}

QByteArray statusLine(const QByteArray& response) {
    return response.left(response.indexOf("\r\n"));
}

QByteArray responseBody(const QByteArray& response) {
    const qsizetype end = response.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : response.mid(end + 4);
}

} // namespace vellumo::test
