#pragma once
// modUpdate: the online update of the tools menu (mnuMAJ). It logs in to the publisher's FTP server,
// reads the published version in "Vellumo/Maintenance/Version.txt", and when that is newer (or equal,
// and the user asks) downloads "InstallVellumo.exe" into "Temp/" below the user's data folder (the
// program folder of a copy that is not installed) and offers to start it. Every outcome is told in a
// message box; only the connection is retried, on the user's Retry. Owned by the station for the
// whole run, with the FTP client it drives; one update runs at a time (a second request while one
// runs, from the messages it lets run, is ignored).
//
//   step               | failure                       | box (text id, title id, style)
//   -------------------|-------------------------------|---------------------------------------------
//   connect            | no connection or login        | 5, 6, Retry/Cancel + exclamation + system-modal
//   change folder      | folder missing                | 7, 6, OK + exclamation + system-modal
//   read Version.txt   | empty or unreadable           | 7, 6, OK + exclamation + system-modal
//   compare versions   | local newer                   | 9 " " local, 11, OK + information
//                      | equal                         | 9 " " local CR LF 10, 11, Yes/No + question
//   download           | failed                        | 8, 6, OK + exclamation + system-modal
//   after download     | -                             | 12 CR LF folder CR LF 13, 11, Yes/No + question
//                      |                               |   + system-modal; Yes starts the installer
//
// Version.txt: text whose first "|"-separated field starts with the published version
// "major.minor.revision". The two versions are compared number by number, from the left: 2.0.10 is
// newer than 2.0.9. A part counts as the number it starts with (0 when it starts with no digit) and a
// missing part as 0, so "2.0" equals "2.0.0" and a text that is no version reads as 0.0.0.

#include "app/core/mod_vellumo.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace vellumo {

class FtpClient;

class modUpdate {
public:
    struct UpdateServer {
        QString HostName;
        int Port = 21;
    };
    // The publisher's server. Its name is one of the reserved example domain until the publisher's
    // own server is known, so that no copy ever sends the credentials to a stranger's host.
    static UpdateServer PublisherServer() { return {QStringLiteral("ftp.carrowmere.example"), 21}; }
    // The login and password of the update server, enciphered under the fixed key.
    static QString LoginCipher() {
        return QStringLiteral("1400788186C9F0449BBA87F50CE54F39F6305F0E14914B554F8A6A65EFFB8D32");
    }
    static QString PasswordCipher() { return QStringLiteral("46FD54958823770CAC7467B9665F9C84507596A1BE57B44D"); }
    static QString RemoteFolder() { return QStringLiteral("Vellumo/Maintenance"); }
    static QString VersionFile() { return QStringLiteral("Version.txt"); }
    static QString InstallerFile() { return QStringLiteral("InstallVellumo.exe"); }
    static QString TempFolder() { return QStringLiteral("Temp/"); }
    // The program's own version, major.minor.revision in decimal without leading zeros.
    static QString LocalVersion();

    // owner: the object that owns the installer's start; btnDownload: the main window's button that
    // shows while the download runs (may be null, and set later). server and localVersion are fixed
    // in the program; tests give a local server and other versions.
    modUpdate(modVellumo& state, FtpClient& ChilkatFtp21, QObject* owner, QWidget* btnDownload,
              UpdateServer server = PublisherServer(), QString localVersion = LocalVersion());

    // The button that shows while a download runs (null: none).
    void setDownloadIndicator(QWidget* btnDownload) { btnDownload_ = btnDownload; }

    // The whole update, from the connection to the installer's start.
    void CheckForUpdate();

    // The folder the installer is downloaded to: the user's data folder + "Temp/".
    QString DownloadFolder() const;
    bool IsRunning() const { return running_; }

    // The first "|"-field of Version.txt without blanks around it, and how local compares with it,
    // number by number: -1 when local is older, 0 equal, 1 newer.
    static QString RemoteVersion(const QString& versionText);
    static int CompareVersions(const QString& localVersion, const QString& remoteVersion);

private:
    bool connect();
    void disconnect();
    bool download(const QString& target);
    void offerInstall(const QString& target);

    modVellumo& state_;
    FtpClient& ftp_;
    QPointer<QObject> owner_;
    QPointer<QWidget> btnDownload_;
    UpdateServer server_;
    QString localVersion_;
    bool running_ = false;
    bool connected_ = false;
};

} // namespace vellumo
