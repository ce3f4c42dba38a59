#pragma once
// LocalFtpServer: a real FTP server on 127.0.0.1 for one test, serving a folder read-only to one
// user. It is Debian's python3-pyftpdlib run in a child process on a port the system picks; the
// server ends with this object, and by itself after a few minutes at the latest. When no Python
// with pyftpdlib is installed, available() is false and whyUnavailable() says what to install.

#include <QProcess>
#include <QString>

namespace vellumo::test {

class LocalFtpServer {
public:
    LocalFtpServer(const QString& root, const QString& user, const QString& password);
    ~LocalFtpServer();
    LocalFtpServer(const LocalFtpServer&) = delete;
    LocalFtpServer& operator=(const LocalFtpServer&) = delete;

    bool available() const { return port_ > 0; }
    QString whyUnavailable() const { return why_; }
    int port() const { return port_; }

private:
    QProcess process_;
    int port_ = 0;
    QString why_;
};

} // namespace vellumo::test
