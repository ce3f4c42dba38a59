#pragma once
// UserFolders: where a copy of the program keeps the files its user writes. The program, the launcher
// and the frame library all ask here, so they agree on one answer.
//
// A copy run from its build folder keeps everything in the program folder (the folder of the
// executable), as it always has. An installed copy carries the marker file "Vellumo.installed" in its
// program folder, put there by the install rules; its program folder is then read-only shared code and
// data, and each user's files go to the XDG base directories:
//
//   file                          build-folder copy   installed copy
//   Vellumo.ini                   program folder      $XDG_CONFIG_HOME/vellumo  (~/.config/vellumo)
//   Vellumo.dbo, Users.dbo,       program folder      $XDG_DATA_HOME/vellumo    (~/.local/share/vellumo)
//   Vellumo.lock, ErrorLog.txt,
//   Temp/ (online update)
//   Vellumo.sys, Users.sys, Lng/, System/, the programs and libraries: always the program folder
//
// An XDG variable that is unset, empty or not an absolute path counts as unset; the home folder is
// $HOME, or the account's home when HOME is unset. The answer is taken once, when the object is made,
// from the marker and the environment of that moment. Holds no other state; cheap to copy.

#include <QString>

namespace vellumo {

class UserFolders {
public:
    static QString markerFileName() { return QStringLiteral("Vellumo.installed"); }
    // The name of the folder below the XDG base directories.
    static QString folderName() { return QStringLiteral("vellumo"); }

    explicit UserFolders(const QString& programFolder);

    // True when the program folder carries the install marker.
    bool installed() const { return installed_; }
    const QString& programFolder() const { return programFolder_; }
    // The folder of the settings file "Vellumo.ini".
    const QString& configFolder() const { return configFolder_; }
    // The folder of the databases, the one-copy lock, the error log and the update's downloads.
    const QString& dataFolder() const { return dataFolder_; }

    // Creates the configuration and data folders (mode 0700 for each folder it makes) when they are
    // missing. True when both exist afterwards; else false with the reason in *error.
    bool make(QString* error = nullptr) const;

    // The XDG base directory named by variable (XDG_CONFIG_HOME, XDG_DATA_HOME), or home followed by
    // fallback (".config", ".local/share") when the variable is unset, empty or relative.
    static QString baseDirectory(const char* variable, const QString& fallback);
    static QString homeFolder();

private:
    QString programFolder_;
    bool installed_ = false;
    QString configFolder_;
    QString dataFolder_;
};

// Every missing folder of path, made one after the other with mode 0700 (the user's own files are
// the user's alone); a folder above that is there but not writable is fine. 0 or the errno that
// stopped it (ENOTDIR when path is not a folder).
int MakePrivateFolders(const QString& path);

} // namespace vellumo
