#include "tests/support/program_folder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTcpServer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
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

int freeLoopbackPort() {
    // The probe's port is free once the probe is gone, so another test process running at the same
    // time could be handed it too, and one of the two programs would then not get its port. Each
    // port handed out is therefore also claimed by a lock file held for the rest of the process.
    const QString claims = QDir(QDir::tempPath()).filePath(QStringLiteral("vellumo-test-ports"));
    QDir().mkpath(claims);
    for (int attempt = 0; attempt < 100; ++attempt) {
        int port = 0;
        {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost, 0))
                return 0;
            port = probe.serverPort();
        }
        const QByteArray path = QDir(claims).filePath(QString::number(port)).toLocal8Bit();
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd < 0)
            return port;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return port; // kept open on purpose until the process ends
        ::close(fd);
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
