#pragma once
// FtpClient: the FTP session of the online update, one server at a time: set the connection values,
// connect (log in), change the remote folder, read a small remote text file, download a file to a
// local path, disconnect. Every operation answers with success or failure only; what went wrong is
// not the caller's business (it tells the user one text per step). The real implementation is
// CurlFtpClient (curl_ftp_client.h); tests use a fake that fails any step on demand.
//
// Remote folders are relative to the folder the login lands in, their parts separated by "/".
// Owned by the window that runs the update, for the whole run; one operation at a time.

#include <QString>

namespace vellumo {

class FtpClient {
public:
    static constexpr int DefaultPort = 21;

    virtual ~FtpClient() = default;

    virtual void setHostName(const QString& hostName) = 0;
    virtual void setPort(int port) = 0;
    virtual void setUserName(const QString& userName) = 0;
    virtual void setPassword(const QString& password) = 0;
    // Passive transfers (the client opens the data connections), the default; else active.
    virtual void setPassive(bool passive) = 0;

    // Connects and logs in with the values set; false when either fails.
    virtual bool connectToServer() = 0;
    // Moves to folder below the current remote folder; false (and no move) when it does not exist.
    virtual bool changeRemoteFolder(const QString& folder) = 0;
    // The text of a remote file of the current folder, decoded from Windows-1252; "" when unreadable.
    virtual QString readRemoteText(const QString& remoteName) = 0;
    // Copies a remote file of the current folder to localPath; false when that failed.
    virtual bool download(const QString& remoteName, const QString& localPath) = 0;
    // Ends the session; the remote folder is back at the login folder for the next connection.
    virtual void disconnectFromServer() = 0;
};

} // namespace vellumo
