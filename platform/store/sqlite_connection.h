#pragma once
// SqliteConnection: one open libsqlite3 connection, shared (std::shared_ptr) by a Database and the
// recordsets opened on it, so that a recordset stays valid whatever is released first. It runs the
// named statements of DatabaseStatements through Query, asks the fault hook before every open and
// step, and turns every engine failure into a RuntimeError with a database error number.
//
// Error numbers raised by the database layer (source "Database" or "Recordset"):
//   3000 other engine error          3020 field set without AddNew     3021 no current record
//   3022 duplicate value             3024 file not found               3043 disk or I/O error
//   3075 syntax error in expression  3078 table not found              3129 statement not recognised
//   3164 field cannot be updated     3167 record is deleted            3260 file locked by another user
//   3265 field not found             3343 not a database file          3027 file is read-only
//   3204 file exists (create)        13 value of the wrong type

#include "platform/store/database_statements.h"

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <cstdint>

struct sqlite3;
struct sqlite3_stmt;

namespace vellumo {

namespace dberr {
inline constexpr std::int32_t Engine = 3000, NoAddNew = 3020, NoCurrentRecord = 3021, Duplicate = 3022,
                              FileNotFound = 3024, DiskError = 3043, Syntax = 3075, TableNotFound = 3078,
                              BadStatement = 3129, ReadOnlyField = 3164, RecordDeleted = 3167, Locked = 3260,
                              FieldNotFound = 3265, NotADatabase = 3343, ReadOnly = 3027, AlreadyExists = 3204,
                              NotABookmark = 3159;
} // namespace dberr

class SqliteConnection {
public:
    enum class Mode { OpenExisting, CreateNew };

    // Opens the file; CreateNew makes an empty database and fails when the file exists.
    SqliteConnection(const QString& path, Mode mode);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    const QString& path() const { return path_; }
    sqlite3* handle() const { return db_; }

    // Raises the RuntimeError for an engine result code, with the engine's message and the file.
    [[noreturn]] void fail(int rc, const char* source, const QString& what) const;

private:
    sqlite3* db_ = nullptr;
    QString path_;
};

// Query: one prepared statement, reset and finalised when it goes. Values bind by position from 1.
class Query {
public:
    Query(const SqliteConnection& connection, const Statement& statement, const char* source = "Database");
    // A statement whose %1, %2, ... have been filled with quoted identifiers.
    Query(const SqliteConnection& connection, const char* name, const QString& sql, const char* source);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void bindNull(int index);
    void bindText(int index, const QString& value);
    void bindInteger(int index, std::int64_t value);
    void bindDouble(int index, double value);

    // Steps once: true when a row is there to read, false when the statement is done.
    bool step();
    // Steps to the end (statements without rows).
    void run();

    int columnCount() const;
    bool isNull(int column) const;
    QString text(int column) const;
    std::int64_t integer(int column) const;
    QVariant value(int column) const;

private:
    void prepare(const QString& sql);
    const SqliteConnection& connection_;
    const char* name_;
    const char* source_;
    sqlite3_stmt* stmt_ = nullptr;
};

} // namespace vellumo
