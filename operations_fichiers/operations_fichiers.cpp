#include "operations_fichiers/operations_fichiers.h"

#include "platform/runtime/runtime_error.h"
#include "platform/settings/ini_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vellumo::OperationsFichiers {

namespace {

constexpr std::int16_t kFileNotFound = 53;
constexpr std::int16_t kPermissionDenied = 70;
constexpr std::int16_t kPathFileAccess = 75;
constexpr std::int16_t kPathNotFound = 76;

// "*" any run of characters, "?" any one character; everything else literally, letter case included.
bool wildcardMatch(QStringView pattern, QStringView name) {
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

std::int16_t deleteOne(const QString& path) {
    if (::unlink(QFile::encodeName(path).constData()) == 0)
        return 0;
    switch (errno) {
    case ENOENT:
        return kFileNotFound;
    case ENOTDIR:
        return kPathNotFound;
    case EBUSY:
    case ETXTBSY:
        return kPermissionDenied;
    default:
        return kPathFileAccess;
    }
}

bool isDirectory(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

QString IniRead(const QString& Section, const QString& Key, const QString& Default, const QString& File) {
    return IniFile::read(File, Section, Key, Default, IniFile::ReadBufferSize);
}

void IniWrite(const QString& Section, const QString& Key, const QString& Value, const QString& File) {
    (void)IniFile::write(File, Section, Key, Value);
}

QString AddBackslash(const QString& Path) {
    QString p = Path.trimmed();
    if (!p.endsWith(u'/'))
        p += u'/';
    return p;
}

QString PathWithSlash(const QString& Path) {
    return AddBackslash(Path);
}

bool FileExists(const QString& Name) {
    if (Name.isEmpty())
        return false;
    struct stat st {};
    return ::stat(QFile::encodeName(Name).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::int16_t DeleteFileCode(const QString& Name) {
    const qsizetype slash = Name.lastIndexOf(u'/');
    const QString folder = slash >= 0 ? Name.left(slash + 1) : QString();
    const QString pattern = Name.mid(slash + 1);
    if (pattern.isEmpty())
        return kFileNotFound;
    if (!folder.isEmpty() && !isDirectory(folder))
        return kPathNotFound;
    if (!pattern.contains(u'*') && !pattern.contains(u'?')) {
        if (isDirectory(Name))
            return kFileNotFound; // folders are not files to delete
        return deleteOne(Name);
    }
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    const QStringList entries =
        dir.entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    bool any = false;
    for (const QString& entry : entries) {
        if (!wildcardMatch(pattern, entry))
            continue;
        any = true;
        if (const std::int16_t code = deleteOne(folder + entry))
            return code;
    }
    return any ? 0 : kFileNotFound;
}

void MakePath(const QString& Path) {
    if (!Path.contains(u'/')) {
        if (::mkdir(QFile::encodeName(Path).constData(), 0777) != 0)
            throw RuntimeError(kPathFileAccess, QStringLiteral("OperationsFichiers"),
                               QStringLiteral("Path/File access error"));
        return;
    }
    // Every folder on the way, failures ignored: the root, or a folder that exists, fails silently.
    const QStringList pieces = Path.split(u'/');
    QString accumulated;
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        accumulated += pieces[i] + u'/';
        (void)::mkdir(QFile::encodeName(accumulated).constData(), 0777);
    }
}

} // namespace vellumo::OperationsFichiers
