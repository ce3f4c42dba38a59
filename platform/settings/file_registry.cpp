#include "platform/settings/file_registry.h"

#include "platform/runtime/user_folders.h"
#include "platform/settings/ini_file.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// Makes the registry's root folder and those above it that are missing, each with mode 0700: the copy
// of the registry lives among the user's own files, which are the user's alone. 0 or the errno that
// stopped it.
int makeRootFolder(const QString& root) {
    if (const int error = MakePrivateFolders(root); error != 0)
        return error;
    const QByteArray full = QFile::encodeName(QDir::cleanPath(root));
    struct stat st {};
    if (::stat(full.constData(), &st) != 0)
        return errno;
    // A root made by an earlier version, open to the other users, is closed to them now.
    if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid())
        ::chmod(full.constData(), 0700);
    return 0;
}

} // namespace

long FileRegistry::createKey(const QString& subKey) {
    if (!IniFile::isWritableSection(subKey))
        return regerr::InvalidParameter;
    if (const int error = makeRootFolder(root_); error != 0)
        return codeFromErrno(error);
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
