#include "platform/runtime/user_folders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vellumo {

namespace {

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

} // namespace

// Every missing folder of path, made one after the other with mode 0700; 0 or the errno that stopped it.
int MakePrivateFolders(const QString& path) {
    const QByteArray full = QFile::encodeName(QDir::cleanPath(path));
    for (qsizetype end = 1; end <= full.size(); ++end) {
        if (end < full.size() && full[end] != '/')
            continue;
        const QByteArray part = full.left(end);
        if (::mkdir(part.constData(), 0700) == 0 || errno == EEXIST)
            continue;
        const int error = errno;
        struct stat st {};
        if (::stat(part.constData(), &st) == 0 && S_ISDIR(st.st_mode))
            continue; // a folder above ours that we may not write in, but that is there
        return error;
    }
    struct stat st {};
    if (::stat(full.constData(), &st) != 0)
        return errno;
    return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

UserFolders::UserFolders(const QString& programFolder)
    : programFolder_(withoutTrailingSlash(programFolder)),
      installed_(QFileInfo(QDir(programFolder_).filePath(markerFileName())).isFile()) {
    if (!installed_) {
        configFolder_ = programFolder_;
        dataFolder_ = programFolder_;
        return;
    }
    configFolder_ = baseDirectory("XDG_CONFIG_HOME", QStringLiteral(".config")) + u'/' + folderName();
    dataFolder_ = baseDirectory("XDG_DATA_HOME", QStringLiteral(".local/share")) + u'/' + folderName();
}

QString UserFolders::homeFolder() {
    const QString home = qEnvironmentVariable("HOME");
    if (!home.isEmpty())
        return withoutTrailingSlash(home);
    if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir)
        return withoutTrailingSlash(QFile::decodeName(account->pw_dir));
    return QStringLiteral("/");
}

QString UserFolders::baseDirectory(const char* variable, const QString& fallback) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && value.startsWith(u'/'))
        return withoutTrailingSlash(value);
    const QString home = homeFolder();
    return (home == QStringLiteral("/") ? QString() : home) + u'/' + fallback;
}

bool UserFolders::make(QString* error) const {
    for (const QString& folder : {configFolder_, dataFolder_}) {
        if (const int e = MakePrivateFolders(folder)) {
            if (error)
                *error = QStringLiteral("%1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(e)));
            return false;
        }
    }
    return true;
}

} // namespace vellumo
