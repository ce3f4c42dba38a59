#include "tests/support/program_folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdint>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vellumo::test {

namespace {
void copyTree(const QString& from, const QString& to) {
    QDir().mkpath(to);
    const QStringList runtime = {QStringLiteral("Vellumo.dbo"), QStringLiteral("Users.dbo"),
                                 QStringLiteral("Vellumo.ini"), QStringLiteral("Vellumo.lock"),
                                 QStringLiteral("ErrorLog.txt")};
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString source = it.next();
        const QFileInfo info = it.fileInfo();
        const QString target = QDir(to).filePath(info.fileName());
        if (info.isDir())
            copyTree(source, target);
        else if (!runtime.contains(info.fileName()) && !info.fileName().endsWith(QStringLiteral("-wal")) &&
                 !info.fileName().endsWith(QStringLiteral("-shm")))
            QFile::copy(source, target);
    }
}
} // namespace

ProgramFolder::ProgramFolder(const QString& builtFolder) {
    copyTree(builtFolder, dir_.path());
}

QString ProgramFolder::file(const QString& name) const {
    return QDir(dir_.path()).filePath(name);
}

void ProgramFolder::writeSettings(int port, const QString& extraLines) const {
    QFile f(file(QStringLiteral("Vellumo.ini")));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    QByteArray text = "[Server]\r\nPort=" + QByteArray::number(port) + "\r\n";
    if (!extraLines.isEmpty())
        text += extraLines.toLatin1() + "\r\n";
    f.write(text);
}

void ProgramFolder::removeLanguages() const {
    QDir(file(QStringLiteral("Lng"))).removeRecursively();
}

std::pair<int, int> ephemeralPortRange() {
    QFile range(QStringLiteral("/proc/sys/net/ipv4/ip_local_port_range"));
    if (range.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = range.readAll().simplified().split(' ');
        bool firstOk = false, lastOk = false;
        const int first = fields.value(0).toInt(&firstOk);
        const int last = fields.value(1).toInt(&lastOk);
        if (firstOk && lastOk && first > 0 && first <= last && last <= 65535)
            return {first, last};
    }
    return {32768, 60999}; // the kernel's default
}

bool bindableOnEveryAddress(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // As the program's listener: SO_REUSEADDR, so that connections of an earlier run still in TIME_WAIT
    // do not count, while any socket bound or listening on the port does.
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok =
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 && ::listen(fd, 1) == 0;
    ::close(fd);
    return ok;
}

namespace {
// The folder of the claims, shared by every test process on the machine (of any user: sticky and open,
// as /tmp is).
QString claimFolder() {
    const QString claims = QDir(QDir::tempPath()).filePath(QStringLiteral("vellumo-test-ports"));
    if (!QFileInfo(claims).isDir() && QDir().mkpath(claims))
        ::chmod(QFile::encodeName(claims).constData(), 01777);
    return claims;
}

// Claims port for the rest of the process: true when the claim is now this process's, or when no
// claim can be made at all (a folder another user made closed); false when another process holds it.
bool claim(const QString& claims, int port) {
    const QByteArray path = QFile::encodeName(QDir(claims).filePath(QString::number(port)));
    int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd >= 0)
        ::fchmod(fd, 0666); // whoever made it, every user can claim it later
    else
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return true; // kept open on purpose until the process ends
    ::close(fd);
    return false;
}
} // namespace

int freeLoopbackPort() {
    // A port that is free only when probed may be taken before the program binds it: by an outgoing
    // connection of any process, when it lies in the ephemeral range, or by another test process that
    // probed it too. So the port comes from outside that range, and is claimed before it is probed.
    const auto [ephemeralFirst, ephemeralLast] = ephemeralPortRange();
    std::vector<int> candidates;
    for (int port = 10000; port <= 65535; ++port) {
        if ((port < ephemeralFirst || port > ephemeralLast) && port != 32666)
            candidates.push_back(port);
    }
    if (candidates.empty()) // every port is ephemeral here: the claim and the probe must do
        for (int port = 10000; port <= 65535; ++port)
            if (port != 32666)
                candidates.push_back(port);
    // Processes started together begin their search at different places.
    const std::size_t start =
        static_cast<std::size_t>(QRandomGenerator::securelySeeded().bounded(static_cast<quint32>(candidates.size())));
    const QString claims = claimFolder();
    for (std::size_t i = 0; i < candidates.size() && i < 200; ++i) {
        const int port = candidates[(start + i) % candidates.size()];
        if (claim(claims, port) && bindableOnEveryAddress(port))
            return port;
        // A claimed port that cannot be bound stays claimed: nobody else needs to try it either.
    }
    return 0;
}

quint16 refusingLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        return 0;
    }
    // Kept open on purpose until the process ends.
    return ntohs(address.sin_port);
}

} // namespace vellumo::test
