#include "app/store/message_store.h"

#include "app/store/mod_mdb_convert.h"
#include "app/store/store_statements.h"
#include "platform/runtime/runtime_error.h"
#include "platform/store/sqlite_connection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vellumo {

namespace {
constexpr char source[] = "MessageStore";

// Puts a file's bytes, or a folder's entries, on the disk before the program goes on relying on
// them: a store renamed into place must not come back empty or missing after a power cut.
bool syncToDisk(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

void renameIntoPlace(const QString& temporary, const QString& path) {
    if (!syncToDisk(temporary) ||
        std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0)
        throw RuntimeError(
            dberr::DiskError, source,
            QStringLiteral("Cannot write '%1': %2.").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    syncToDisk(QFileInfo(path).absolutePath());
}
} // namespace

void MessageStore::removeJournals(const QString& path) {
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
}

void MessageStore::removeFile(const QString& path) {
    QFile::remove(path);
    removeJournals(path);
}

QString MessageStore::startBuild(const QString& path) {
    const QString temporary = path + QStringLiteral(".new");
    removeFile(temporary);
    return temporary;
}

void MessageStore::defineSchema(Database& db, Kind kind) {
    if (kind == Kind::Messages) {
        for (const char* definition : StoreStatements::MessageSchema)
            db.define(definition);
    } else {
        for (const char* definition : StoreStatements::UsersSchema)
            db.define(definition);
    }
}

void MessageStore::finishBuild(Database& db, const QString& temporary, const QString& path) {
    // Closing the last connection folds the journal into the file, which then stands alone.
    db.close();
    // Journal files of an earlier file under this name would otherwise be replayed onto the new one.
    removeJournals(path);
    renameIntoPlace(temporary, path);
}

void MessageStore::createFile(const QString& path, Kind kind) {
    buildFile(path, kind, [](Database&) {});
}

bool MessageStore::ensureFile(const QString& databasePath, const QString& templatePath, Kind kind) {
    if (QFileInfo::exists(databasePath))
        return false;
    if (!QFileInfo::exists(templatePath)) {
        createFile(databasePath, kind);
        return true;
    }
    const QString temporary = startBuild(databasePath);
    removeJournals(databasePath);
    if (!QFile::copy(templatePath, temporary)) {
        removeFile(temporary);
        throw RuntimeError(dberr::DiskError, source,
                           QStringLiteral("Cannot copy '%1' to '%2'.").arg(templatePath, databasePath));
    }
    // The template may be read-only where the program is installed; the copy is the user's to write.
    QFile::setPermissions(temporary, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    try {
        renameIntoPlace(temporary, databasePath);
    } catch (...) {
        removeFile(temporary);
        throw;
    }
    return true;
}

Database MessageStore::openMessages(const QString& dataDir, const QString& templateDir) {
    const QString path = QDir(dataDir).filePath(QString::fromLatin1(MessageDatabase));
    ensureFile(path, QDir(templateDir).filePath(QString::fromLatin1(MessageTemplate)), Kind::Messages);
    modMDBConvert::ConvertDatabase(path);
    return Database::open(path);
}

Database MessageStore::openUsers(const QString& dataDir, const QString& templateDir) {
    const QString path = QDir(dataDir).filePath(QString::fromLatin1(UsersDatabase));
    ensureFile(path, QDir(templateDir).filePath(QString::fromLatin1(UsersTemplate)), Kind::Users);
    return Database::open(path);
}

} // namespace vellumo
