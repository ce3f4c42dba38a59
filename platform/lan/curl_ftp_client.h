#pragma once
// CurlFtpClient: the FtpClient over libcurl. The session is one curl connection kept open between
// the operations (login once, then CWD, RETR on the same control connection). Each operation runs
// the transfer to its end while letting pending window messages run (ui().doEvents()), so the
// program keeps serving its peers during a download; an operation asked for while another one runs
// (from such a message) fails at once.
//
//   operation          | FTP commands                  | success
//   -------------------|-------------------------------|---------------------------------------------
//   connectToServer    | USER, PASS, PWD               | logged in
//   changeRemoteFolder | CWD of each part              | every part entered
//   readRemoteText     | CWD..., RETR into memory      | text of at most MaxTextBytes (cut there)
//   download           | CWD..., RETR into a new file  | whole file, then renamed over localPath
//   disconnect         | QUIT                          | -
//
// Hostile or broken servers: only the FTP protocol is spoken; the address of a passive reply is
// ignored for the one of the control connection; connect, reply and stall time-outs bound every
// operation; a download larger than MaxDownloadBytes fails. A failed download leaves localPath as it
// was (the data goes to a temporary file beside it first).

#include "platform/lan/ftp_client.h"

#include <QByteArray>
#include <QStringList>

#include <cstddef>

namespace vellumo {

class CurlFtpClient : public FtpClient {
public:
    static constexpr qint64 MaxTextBytes = 64 * 1024;
    static constexpr qint64 MaxDownloadBytes = qint64(1) << 30;
    static constexpr long ConnectTimeoutMs = 15000;
    static constexpr long ReplyTimeoutS = 30;
    static constexpr long StallTimeS = 60;

    CurlFtpClient();
    ~CurlFtpClient() override;
    CurlFtpClient(const CurlFtpClient&) = delete;
    CurlFtpClient& operator=(const CurlFtpClient&) = delete;

    void setHostName(const QString& hostName) override { hostName_ = hostName; }
    void setPort(int port) override { port_ = port; }
    void setUserName(const QString& userName) override { userName_ = userName; }
    void setPassword(const QString& password) override { password_ = password; }
    void setPassive(bool passive) override { passive_ = passive; }

    bool connectToServer() override;
    bool changeRemoteFolder(const QString& folder) override;
    QString readRemoteText(const QString& remoteName) override;
    bool download(const QString& remoteName, const QString& localPath) override;
    void disconnectFromServer() override;

    bool isConnected() const { return connected_; }

private:
    struct Sink;
    static std::size_t writeToSink(char* data, std::size_t size, std::size_t count, void* sink);
    // The URL of the current folder followed by name ("" names the folder itself); "" when the host
    // or a path part cannot be put in a URL.
    QByteArray url(const QStringList& folder, const QString& name) const;
    // Runs one transfer of url (no body: log in and CWD only) into sink; true on success.
    bool perform(const QByteArray& url, Sink* sink);
    void closeHandles();

    QString hostName_;
    int port_ = DefaultPort;
    QString userName_;
    QString password_;
    bool passive_ = true;

    void* multi_ = nullptr; // CURLM*
    void* easy_ = nullptr;  // CURL*
    bool connected_ = false;
    bool busy_ = false;
    QStringList folder_;
};

} // namespace vellumo
