#pragma once
// ErrorLog: the library's error logger. The property-bag handlers and the painting routines of Frame3D
// trap their own failures and hand them here: an optional message box (through ui().messageBox,
// critical icon, OK button, title "Lumbra - ERROR"), then one record appended to "ErrorLog.txt" in
// the folder that holds the library file, or in the user's data folder when that folder is an
// installed program folder (UserFolders). The file is opened, appended to and closed for every record;
// when it cannot be opened or written the record is dropped, because every caller goes on regardless.
//
// "ErrorLog.txt", Windows-1252 text, one record per line ended by CR LF, eight comma-separated fields:
//
//   #  field                 form
//   1  time of the record    #yyyy-mm-dd hh:mm:ss# local time (#yyyy-mm-dd# at exactly midnight)
//   2  error number          "6"            decimal, between double quotes
//   3  description           "Overflow"
//   4  module                "Lumbra"
//   5  procedure             "UserControl_ReadProperties"
//   6  library and version   "Lumbra v1.0.0"
//   7  user name             "..."          environment variable username ("" when unset)
//   8  computer name         "..."          environment variable computername ("" when unset)
//
// Texts go between the quotes as they are; quotes inside them are not escaped.

#include "frame_control/lumbra_export.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace vellumo {

class LUMBRA_EXPORT ErrorLog {
public:
    // The library file and its folder, found from the library's own code address.
    static QString libraryFile();
    static QString libraryFolder();
    static QString libraryTitle() { return QStringLiteral("Lumbra"); }
    static QString libraryVersion() { return QStringLiteral("1.0.0"); }
    // The folder of the log for a library in libraryFolder: that folder, or the user's data folder when
    // it is an installed program folder.
    static QString folderFor(const QString& libraryFolder);

    ErrorLog();
    explicit ErrorLog(QString folder);

    void LogError(bool show, const QString& number, const QString& description, const QString& module,
                  const QString& procedure) const;

    const QString& folder() const { return folder_; }
    void setFolder(const QString& folder) { folder_ = folder; }
    QString filePath() const;

    // The message box text: "Error occured: " and the lines that are not empty.
    static QString messageText(const QString& number, const QString& description, const QString& module,
                               const QString& procedure);
    // One record, CR LF included, in the file's code page.
    static QByteArray record(const QDateTime& when, const QString& number, const QString& description,
                             const QString& module, const QString& procedure, const QString& user,
                             const QString& computer);
    // An environment variable looked up without regard to case, as the desktop does ("" when unset).
    static QString environment(const QString& name);

private:
    QString folder_;
};

} // namespace vellumo
