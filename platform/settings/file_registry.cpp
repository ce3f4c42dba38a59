#include "platform/settings/file_registry.h"

#include "platform/runtime/user_folders.h"
#include "platform/settings/ini_file.h"

#include <QFile>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace vellumo {

FileRegistry::FileRegistry(QString root) : root_(std::move(root)) {}

QString FileRegistry::defaultRoot() {
    // Beside the user's settings of an installed copy, whether or not this copy is installed.
    return UserFolders::baseDirectory("XDG_CONFIG_HOME", QStringLiteral(".config")) + u'/' + UserFolders::folderName() +
           QStringLiteral("/registry");
}

QString FileRegistry::hiveFile() const {
    return root_ + QStringLiteral("/HKEY_LOCAL_MACHINE.ini");
}

long FileRegistry::codeFromErrno(int error) {
    switch (error) {
    case 0:
        return regerr::Success;
    case EACCES:
    case EPERM:
    case EROFS:
        return regerr::AccessDenied;
    case ENOENT:
    case ENOTDIR:
        return regerr::PathNotFound;
    case ENOSPC:
    case EDQUOT:
        return regerr::DiskFull;
    case EINVAL:
        return regerr::InvalidParameter;
    case EIO:
        return regerr::WriteFault;
    default:
        return regerr::GeneralFailure;
    }
}

long FileRegistry::createKey(const QString& subKey) {
    if (!IniFile::isWritableSection(subKey))
        return regerr::InvalidParameter;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(QFile::encodeName(root_).toStdString()), ec);
    if (ec)
        return codeFromErrno(ec.value());
    // Opening for append creates the hive file and proves that it can be written; the key's section
    // appears with its first value.
    QFile hive(hiveFile());
    errno = 0;
    if (!hive.open(QIODevice::Append)) {
        const int e = errno;
        return codeFromErrno(e ? e : EACCES);
    }
    return regerr::Success;
}

long FileRegistry::setStringValue(const QString& subKey, const QString& name, const QString& data) {
    return codeFromErrno(IniFile::write(hiveFile(), subKey, name, data));
}

} // namespace vellumo
