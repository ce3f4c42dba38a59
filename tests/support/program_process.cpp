#include "tests/support/program_process.h"

#include "tests/support/event_loop.h"
#include "tests/support/http_framing.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcessEnvironment>
#include <QTcpSocket>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>

#include <unistd.h>

namespace vellumo::test {

int timeScale() {
#if defined(__SANITIZE_ADDRESS__)
    return 3;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return 3;
#endif
#endif
    return 1;
}

namespace {

struct PortSocket {
    quint64 inode = 0;
    QString state;
};

QString tcpStateName(const QByteArray& hex) {
    static const std::map<QByteArray, const char*> names = {
        {"01", "ESTABLISHED"}, {"02", "SYN_SENT"},  {"03", "SYN_RECV"}, {"04", "FIN_WAIT1"},
        {"05", "FIN_WAIT2"},   {"06", "TIME_WAIT"}, {"07", "CLOSE"},    {"08", "CLOSE_WAIT"},
        {"09", "LAST_ACK"},    {"0A", "LISTEN"},    {"0B", "CLOSING"},  {"0C", "NEW_SYN_RECV"}};
    const auto it = names.find(hex.toUpper());
    return it == names.end() ? QString::fromLatin1(hex) : QString::fromLatin1(it->second);
}

// The TCP sockets of this network namespace whose local port is `port`, from /proc/net/tcp and tcp6
// (a connection in TIME_WAIT belongs to no process and is left out).
std::vector<PortSocket> socketsOnPort(int port) {
    std::vector<PortSocket> sockets;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile f(QString::fromLatin1(table));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QList<QByteArray> fields = lines[i].simplified().split(' ');
            if (fields.size() < 10)
                continue;
            const QByteArray& local = fields[1];
            bool ok = false;
            const int localPort = local.mid(local.lastIndexOf(':') + 1).toInt(&ok, 16);
            if (!ok || localPort != port)
                continue;
            const quint64 inode = fields[9].toULongLong();
            if (inode == 0)
                continue;
            sockets.push_back({inode, tcpStateName(fields[3])});
        }
    }
    return sockets;
}

// The process holding each socket inode among the processes this one may look into.
std::map<quint64, qint64> socketOwners(const std::vector<PortSocket>& sockets) {
    std::map<quint64, qint64> owners;
    if (sockets.empty())
        return owners;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        const QString fdFolder = QStringLiteral("/proc/%1/fd").arg(pid);
        for (const QString& fd : QDir(fdFolder).entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
            char target[64] = {};
            const QByteArray link = QFile::encodeName(fdFolder + u'/' + fd);
            const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
            if (n <= 0 || std::strncmp(target, "socket:[", 8) != 0)
                continue;
            const quint64 inode = std::strtoull(target + 8, nullptr, 10);
            for (const PortSocket& s : sockets)
                if (s.inode == inode)
                    owners.emplace(inode, pid);
        }
    }
    return owners;
}

QString processName(qint64 pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return comm.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(comm.readAll()).trimmed() : QStringLiteral("?");
}

bool acceptsConnections(int port) {
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    return s.waitForConnected(250);
}

} // namespace

QStringList portHolders(int port) {
    const std::vector<PortSocket> sockets = socketsOnPort(port);
    const std::map<quint64, qint64> owners = socketOwners(sockets);
    QStringList holders;
    for (const PortSocket& s : sockets) {
        const auto owner = owners.find(s.inode);
        const QString who = owner == owners.end()
                                ? QStringLiteral("a process that cannot be seen")
                                : QStringLiteral("pid %1 (%2)").arg(owner->second).arg(processName(owner->second));
        holders << who + u' ' + s.state;
    }
    holders.removeDuplicates();
    return holders;
}

std::vector<qint64> listeningPids(int port) {
    std::vector<PortSocket> sockets = socketsOnPort(port);
    std::erase_if(sockets, [](const PortSocket& s) { return s.state != QStringLiteral("LISTEN"); });
    std::vector<qint64> pids;
    for (const auto& [inode, pid] : socketOwners(sockets))
        pids.push_back(pid);
    return pids;
}

QString lastLines(const QString& file, int count) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QStringList lines = QString::fromLocal8Bit(f.readAll()).split(u'\n');
    while (!lines.isEmpty() && lines.last().trimmed().isEmpty())
        lines.removeLast();
    return lines.mid(std::max<qsizetype>(0, lines.size() - count)).join(u'\n');
}

std::optional<QString> howItEnded(const QProcess& process) {
    if (process.state() != QProcess::NotRunning)
        return std::nullopt;
    if (process.exitStatus() == QProcess::CrashExit)
        return QStringLiteral("it crashed or was killed by a signal");
    return QStringLiteral("exit code %1").arg(process.exitCode());
}

::testing::AssertionResult waitUntilListening(const std::function<std::optional<QString>()>& ended, qint64 pid,
                                              int port, int ms, const QString& errorLog) {
    QElapsedTimer clock;
    clock.start();
    std::optional<QString> end;
    bool listening = false;
    waitUntil(
        [&] {
            if ((end = ended()))
                return true;
            if (!acceptsConnections(port))
                return false;
            // Something accepts; it must be this program, not another that holds the port (when the
            // listener's process can be seen at all).
            const std::vector<qint64> pids = listeningPids(port);
            listening = pids.empty() || std::find(pids.begin(), pids.end(), pid) != pids.end();
            return listening;
        },
        ms);
    if (listening)
        return ::testing::AssertionSuccess();
    const QString seconds = QString::number(static_cast<double>(clock.elapsed()) / 1000.0, 'f', 1);
    const QString errors = errorLog.isEmpty() ? QString() : lastLines(errorLog, 15);
    const QString tail = errorLog.isEmpty() ? QStringLiteral("\n(its error stream is the test's own)")
                         : errors.isEmpty() ? QStringLiteral("\nit wrote nothing to its error stream")
                                            : QStringLiteral("\nthe last lines of its error stream:\n") + errors;
    if (end)
        return ::testing::AssertionFailure()
               << "the program (pid " << pid << ") ended before it listened on port " << port << ", after "
               << seconds.toStdString() << " s: " << end->toStdString() << tail.toStdString();
    QStringList others;
    for (const QString& holder : portHolders(port))
        if (!holder.startsWith(QStringLiteral("pid %1 ").arg(pid)))
            others << holder;
    if (!others.isEmpty())
        return ::testing::AssertionFailure() << "the program (pid " << pid << ") runs but could not bind port " << port
                                             << " within " << seconds.toStdString() << " s: the port is held by "
                                             << others.join(QStringLiteral(", ")).toStdString() << tail.toStdString();
    return ::testing::AssertionFailure() << "the program (pid " << pid << ") was still starting after "
                                         << seconds.toStdString() << " s: it runs, and nothing listens on port " << port
                                         << " yet" << tail.toStdString();
}

::testing::AssertionResult waitUntilListening(QProcess& process, int port, int ms, const QString& errorLog) {
    const qint64 pid = process.processId();
    return waitUntilListening([&process] { return howItEnded(process); }, pid, port, ms, errorLog);
}

ProgramProcess::ProgramProcess(const QString& builtFolder, const QString& extraSettings)
    : folder_(builtFolder), port_(freeLoopbackPort()) {
    folder_.writeSettings(port_, extraSettings);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process_.setProcessEnvironment(env);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

ProgramProcess::~ProgramProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(scaledMs(10000))) {
            process_.kill();
            process_.waitForFinished(scaledMs(5000));
        }
    }
    forwardErrorLog();
}

void ProgramProcess::forwardErrorLog() {
    if (errorLog_.isEmpty() || errorLogForwarded_)
        return;
    errorLogForwarded_ = true;
    QFile log(errorLog_);
    if (!log.open(QIODevice::ReadOnly) || log.size() == 0)
        return;
    // A line the program wrote many times in a row (a warning per message shown) is printed once, with
    // its count.
    QByteArray text;
    const QList<QByteArray> lines = log.readAll().split('\n');
    for (qsizetype i = 0; i < lines.size();) {
        qsizetype same = i + 1;
        while (same < lines.size() && lines[same] == lines[i])
            ++same;
        if (!(lines[i].isEmpty() && same == lines.size()))
            text += lines[i] + (same - i > 1 ? QByteArray(" (x") + QByteArray::number(same - i) + ')' : QByteArray()) +
                    '\n';
        i = same;
    }
    std::fprintf(stderr, "---- the error stream of vellumo (port %d) ----\n%s---- end ----\n", port_, text.constData());
    std::fflush(stderr);
}

::testing::AssertionResult ProgramProcess::start() {
    if (port_ == 0)
        return ::testing::AssertionFailure() << "no free port for the program was found";
    // The error stream goes to a file, unless the caller chose the channels itself. (Qt refuses a file
    // for a forwarded channel, so the channels become separate: the output is read, as it was.)
    if (process_.processChannelMode() == QProcess::ForwardedErrorChannel && logFolder_.isValid()) {
        errorLog_ = logFolder_.filePath(QStringLiteral("vellumo-errors.txt"));
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.setStandardErrorFile(errorLog_, QIODevice::Append);
    }
    const QString program = folder_.file(QStringLiteral("vellumo"));
    process_.start(program, {});
    if (!process_.waitForStarted(scaledMs(10000)))
        return ::testing::AssertionFailure()
               << "the program " << program.toStdString() << " did not start: " << process_.errorString().toStdString();
    return waitUntilListening(process_, port_, scaledMs(30000), errorLog_);
}

int ProgramProcess::startSecondCopy() {
    QProcess second;
    second.setProcessEnvironment(process_.processEnvironment());
    second.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    second.start(folder_.file(QStringLiteral("vellumo")), {});
    if (!second.waitForStarted(scaledMs(10000)) || !second.waitForFinished(scaledMs(20000))) {
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
    process_.waitForFinished(scaledMs(5000));
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

double procCpuSeconds(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // After the name (which may hold blanks, up to the last ')'): the state is field 3, utime 14 and
    // stime 15.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return double(fields.at(11).toLongLong() + fields.at(12).toLongLong()) / double(::sysconf(_SC_CLK_TCK));
}

qint64 ProgramProcess::residentKiB() const {
    return procStatusKiB(process_.processId(), "VmRSS:");
}

qint64 ProgramProcess::peakResidentKiB() const {
    return procStatusKiB(process_.processId(), "VmHWM:");
}

QByteArray ProgramProcess::exchange(const QByteArray& request, int timeoutMs) const {
    const int wait = scaledMs(timeoutMs);
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port_));
    if (!s.waitForConnected(wait))
        return {};
    s.write(request);
    QByteArray response;
    waitUntil(
        [&] {
            response += s.readAll();
            return wholeHttpMessageLength(response) > 0 || s.state() != QAbstractSocket::ConnectedState;
        },
        wait);
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
