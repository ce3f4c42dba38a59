#pragma once
// FileRegistry: the Registry kept in one INI file per hive under a root folder, by default the
// user's configuration folder ($XDG_CONFIG_HOME, else ~/.config) followed by "vellumo/registry";
// tests pass a temporary root. The machine-wide hive is the file "HKEY_LOCAL_MACHINE.ini":
//
//   [SOFTWARE\Vellumo\Server]      one section per key, named by its path below the hive
//   Port=32666                     one line per text value, Windows-1252 bytes
//
// Failures of the file system become the desktop system's codes: no right to write (EACCES, EPERM,
// EROFS) 5, a missing or blocked folder 3, a full disk 112, a value that cannot be stored on one line
// 87, an input/output error 29, anything else 31.

#include "platform/settings/registry.h"

namespace vellumo {

class FileRegistry : public Registry {
public:
    explicit FileRegistry(QString root = defaultRoot());

    static QString defaultRoot();

    long createKey(const QString& subKey) override;
    long setStringValue(const QString& subKey, const QString& name, const QString& data) override;

    // The file holding the machine-wide hive.
    QString hiveFile() const;
    // Maps an errno value to the desktop system's error code.
    static long codeFromErrno(int error);

private:
    QString root_;
};

} // namespace vellumo
