#pragma once
// Database: one message-store file, opened through libsqlite3 and reached the way the windows reach
// their data: recordsets opened by a table name or a SELECT text, and statements (DELETE) run from
// the Jet SQL texts the windows build, read by JetSql and run with every value bound.
//
// Owned by whoever opened it (the station owns the received messages' one for the whole run);
// a Database is a handle on a shared connection, so recordsets opened on it stay valid when it goes.
// Every failure raises RuntimeError (numbers in sqlite_connection.h).
//
// File format: an SQLite database in WAL mode; the store's format version is the text of the only
// row of table StoreFormat (Version); the other tables are the store's, as its schema defines them.
//
//   file            tables kept by the caller's schema   StoreFormat.Version
//   current store   e.g. Recived, Sended                 "4.0"
//   older store     the same tables                      an older version text
//
// Durability: journal_mode WAL with synchronous FULL, so a row whose add has returned is on the disk
// and survives the process being killed at once; Durability::Normal exists for comparison only.

#include "platform/store/recordset.h"

#include <QString>

#include <memory>

namespace vellumo {

class SqliteConnection;

class Database {
public:
    enum class Durability { Full, Normal };

    // Opens an existing file; raises 3024 when it is missing.
    static Database open(const QString& path, Durability durability = Durability::Full);
    // Opens an existing file only to read it (its version): its journal mode is left as it is.
    static Database inspect(const QString& path);
    // Creates a new, empty store carrying the format version; raises 3204 when the file exists.
    static Database create(const QString& path, const QString& version, Durability durability = Durability::Full);

    const QString& path() const;
    // The store's format version, empty when the file carries none.
    QString version() const;
    // Runs one definition (CREATE TABLE, CREATE INDEX) of the caller's constant schema.
    void define(const char* definition);

    // A recordset on a table name or a "SELECT * FROM ..." text, positioned on its first row.
    std::unique_ptr<Recordset> openRecordset(const QString& source);
    // Runs a DELETE text; returns the number of rows it deleted.
    int execute(const QString& jetSql);

    // Copies every table of the store at sourcePath into this one, in one transaction: tables that
    // this file lacks are created as the source defines them, rows keep their counters, and the
    // counters keep their last value. Nothing is copied when it fails.
    void copyTablesFrom(const QString& sourcePath);

    // The connection settings in force, for checks: "wal", and 2 for FULL, 1 for NORMAL.
    QString journalMode() const;
    int synchronous() const;

    // Closes the file; the Database can no longer be used (recordsets keep the connection alive).
    void close();

private:
    explicit Database(std::shared_ptr<SqliteConnection> connection);
    void configure(Durability durability);
    const SqliteConnection& connection() const;

    std::shared_ptr<SqliteConnection> connection_;
};

} // namespace vellumo
