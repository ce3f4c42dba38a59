#pragma once
// FakeFtpClient: an FtpClient in memory. It records the connection values and every operation in
// order, and answers from its script: connect fails a chosen number of times, the folder change and
// the download fail on demand, the remote text is what the test sets. A successful download writes
// downloadContent to the local path.

#include "platform/lan/ftp_client.h"

#include <QFile>
#include <QString>
#include <QStringList>

#include <functional>

namespace vellumo::test {

class FakeFtpClient : public FtpClient {
public:
    void setHostName(const QString& hostName) override { this->hostName = hostName; }
    void setPort(int port) override { this->port = port; }
    void setUserName(const QString& userName) override { this->userName = userName; }
    void setPassword(const QString& password) override { this->password = password; }
    void setPassive(bool passive) override { this->passive = passive; }

    bool connectToServer() override {
        calls << QStringLiteral("connect");
        if (connectFailures > 0) {
            --connectFailures;
            return false;
        }
        connected = true;
        return true;
    }
    bool changeRemoteFolder(const QString& folder) override {
        calls << QStringLiteral("cd ") + folder;
        return connected && folderExists;
    }
    QString readRemoteText(const QString& remoteName) override {
        calls << QStringLiteral("read ") + remoteName;
        return connected ? remoteText : QString();
    }
    bool download(const QString& remoteName, const QString& localPath) override {
        calls << QStringLiteral("get ") + remoteName + QStringLiteral(" > ") + localPath;
        if (onDownload)
            onDownload();
        if (!connected || !downloadSucceeds)
            return false;
        QFile f(localPath);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        return f.write(downloadContent) == downloadContent.size();
    }
    void disconnectFromServer() override {
        calls << QStringLiteral("disconnect");
        connected = false;
    }

    // Script.
    int connectFailures = 0;
    bool folderExists = true;
    QString remoteText;
    bool downloadSucceeds = true;
    QByteArray downloadContent = "installer";
    std::function<void()> onDownload; // runs inside the download (to look at the window meanwhile)

    // Record.
    QString hostName;
    int port = 0;
    QString userName;
    QString password;
    bool passive = false;
    bool connected = false;
    QStringList calls;
};

} // namespace vellumo::test
