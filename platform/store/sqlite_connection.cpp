#include "platform/store/sqlite_connection.h"

#include "platform/runtime/runtime_error.h"
#include "platform/store/database_faults.h"

#include <QFileInfo>

#include <sqlite3.h>

namespace vellumo {

namespace {

std::int32_t numberFor(int rc, const QString& path) {
    switch (rc & 0xff) {
    case SQLITE_CONSTRAINT:
        return (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) ? dberr::Duplicate
                                                                                      : dberr::Engine;
    case SQLITE_CANTOPEN:
        return QFileInfo::exists(path) ? dberr::DiskError : dberr::FileNotFound;
    case SQLITE_IOERR:
    case SQLITE_FULL:
    case SQLITE_PROTOCOL:
        return dberr::DiskError;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return dberr::NotADatabase;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return dberr::Locked;
    case SQLITE_READONLY:
        return dberr::ReadOnly;
    default:
        return dberr::Engine;
    }
}

} // namespace

SqliteConnection::SqliteConnection(const QString& path, Mode mode) : path_(path) {
    if (mode == Mode::CreateNew && QFileInfo::exists(path))
        throw RuntimeError(dberr::AlreadyExists, "Database", QStringLiteral("Database '%1' already exists.").arg(path));
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE;
    if (mode == Mode::CreateNew)
        flags |= SQLITE_OPEN_CREATE;
    int rc = DatabaseFaults::check("open");
    if (rc == SQLITE_OK)
        rc = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw RuntimeError(numberFor(rc, path), "Database",
                           QStringLiteral("Cannot open database '%1': %2.").arg(path, message));
    }
    sqlite3_extended_result_codes(db_, 1);
    // Another copy of the program may hold the file for the length of one commit.
    sqlite3_busy_timeout(db_, 2000);
}

SqliteConnection::~SqliteConnection() {
    sqlite3_close_v2(db_);
}

void SqliteConnection::fail(int rc, const char* source, const QString& what) const {
    // An injected failure never reached the engine, whose last message is then about something else.
    const bool fromEngine = db_ && sqlite3_extended_errcode(db_) == rc;
    const QString message = QString::fromUtf8(fromEngine ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
    throw RuntimeError(numberFor(rc, path_), QString::fromLatin1(source),
                       QStringLiteral("%1 (%2, database '%3').").arg(message, what, path_));
}

Query::Query(const SqliteConnection& connection, const Statement& statement, const char* source)
    : connection_(connection), name_(statement.name), source_(source) {
    prepare(QString::fromUtf8(statement.sql));
}

Query::Query(const SqliteConnection& connection, const char* name, const QString& sql, const char* source)
    : connection_(connection), name_(name), source_(source) {
    prepare(sql);
}

Query::~Query() {
    sqlite3_finalize(stmt_);
}

void Query::prepare(const QString& sql) {
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    const int rc = sqlite3_prepare_v3(connection_.handle(), utf8.constData(), int(utf8.size()), 0, &stmt_, &tail);
    if (rc != SQLITE_OK)
        connection_.fail(rc, source_, QString::fromLatin1(name_));
    // One statement per Query: a second one in the text would otherwise be silently dropped.
    if (stmt_ == nullptr || !QByteArray(tail).trimmed().isEmpty()) {
        // Thrown from the constructor: the destructor will not run to finalise it.
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw RuntimeError(dberr::Engine, QString::fromLatin1(source_),
                           QStringLiteral("Not exactly one SQL statement (%1).").arg(QString::fromLatin1(name_)));
    }
}

void Query::bindNull(int index) {
    if (const int rc = sqlite3_bind_null(stmt_, index); rc != SQLITE_OK)
        connection_.fail(rc, source_, QString::fromLatin1(name_));
}

void Query::bindText(int index, const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    // An empty text stays an empty text, never a NULL.
    const char* data = utf8.isNull() ? "" : utf8.constData();
    if (const int rc =
            sqlite3_bind_text64(stmt_, index, data, sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
        rc != SQLITE_OK)
        connection_.fail(rc, source_, QString::fromLatin1(name_));
}

void Query::bindInteger(int index, std::int64_t value) {
    if (const int rc = sqlite3_bind_int64(stmt_, index, value); rc != SQLITE_OK)
        connection_.fail(rc, source_, QString::fromLatin1(name_));
}

void Query::bindDouble(int index, double value) {
    if (const int rc = sqlite3_bind_double(stmt_, index, value); rc != SQLITE_OK)
        connection_.fail(rc, source_, QString::fromLatin1(name_));
}

bool Query::step() {
    int rc = DatabaseFaults::check(name_);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    connection_.fail(rc, source_, QString::fromLatin1(name_));
}

void Query::run() {
    while (step()) {
    }
}

int Query::columnCount() const {
    return sqlite3_column_count(stmt_);
}

bool Query::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

QString Query::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(stmt_, column));
}

std::int64_t Query::integer(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

QVariant Query::value(int column) const {
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qlonglong>(sqlite3_column_int64(stmt_, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(stmt_, column);
    case SQLITE_TEXT:
        return text(column);
    case SQLITE_BLOB:
        return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt_, column)),
                          sqlite3_column_bytes(stmt_, column));
    default:
        return QVariant();
    }
}

} // namespace vellumo
