#include "tests/support/local_ftp_server.h"

#include <QStandardPaths>
#include <QStringList>

namespace vellumo::test {

namespace {

// Serves argv[3] to the user argv[1] with password argv[2]; prints the port, then serves until
// killed or for five minutes.
constexpr char kServer[] = R"(
import logging, os, sys, threading
logging.basicConfig(level=logging.ERROR)
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
user, password, root = sys.argv[1:4]
authorizer = DummyAuthorizer()
authorizer.add_user(user, password, root, perm="elr")
FTPHandler.authorizer = authorizer
FTPHandler.auth_failed_timeout = 0
server = FTPServer(("127.0.0.1", 0), FTPHandler)
threading.Timer(300, lambda: os._exit(0)).start()
print(server.socket.getsockname()[1], flush=True)
server.serve_forever(handle_exit=False)
)";

// A Python that has pyftpdlib: the system's first (the one the Debian package installs into).
QString findPython() {
    QStringList candidates = {QStringLiteral("/usr/bin/python3")};
    const QString onPath = QStandardPaths::findExecutable(QStringLiteral("python3"));
    if (!onPath.isEmpty())
        candidates << onPath;
    for (const QString& python : candidates) {
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"), QStringLiteral("import pyftpdlib")});
        if (probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
            return python;
    }
    return {};
}

} // namespace

LocalFtpServer::LocalFtpServer(const QString& root, const QString& user, const QString& password) {
    const QString python = findPython();
    if (python.isEmpty()) {
        why_ = QStringLiteral("no python3 with pyftpdlib: apt-get install python3-pyftpdlib");
        return;
    }
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.setReadChannel(QProcess::StandardOutput);
    process_.start(python, {QStringLiteral("-c"), QString::fromLatin1(kServer), user, password, root});
    if (!process_.waitForStarted(10000)) {
        why_ = QStringLiteral("the FTP server did not start");
        return;
    }
    while (!process_.canReadLine() && process_.waitForReadyRead(20000)) {
    }
    const int port = process_.readLine().trimmed().toInt();
    if (port <= 0) {
        why_ =
            QStringLiteral("the FTP server gave no port: ") + QString::fromLocal8Bit(process_.readAllStandardError());
        return;
    }
    port_ = port;
}

LocalFtpServer::~LocalFtpServer() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.kill();
    process_.waitForFinished(5000);
}

} // namespace vellumo::test
