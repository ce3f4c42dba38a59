#pragma once
// TableSchema: the fields of one table as the file defines them, looked up by the database layer
// before it names a table or a field in SQL. Field names match without regard to case ("ONDate"
// finds OnDate); the names used in SQL are always the schema's own, quoted.
//
// How values are kept in the file, by declared field type:
//
//   declared type       kind       stored as                          read back as
//   contains "INT"      Integer    SQLite integer                     qlonglong
//   contains "DATE"     DateTime   text "yyyy-MM-ddTHH:mm:ss", local  QDateTime (local time)
//   REAL, FLOA, DOUB    Real       SQLite real                        double
//   anything else       Text       UTF-8 text, no length limit        QString
//
// The fixed-width ISO text makes the order of the texts the order of the dates, so comparisons
// with a date literal (the purge) are exact to the second. An INTEGER PRIMARY KEY is the table's
// own counter: the engine assigns it, callers never set it.

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <vector>

namespace vellumo {

class SqliteConnection;
class Query;

struct ColumnInfo {
    enum class Kind { Text, Integer, Real, DateTime };
    QString name;
    Kind kind = Kind::Text;
    bool counter = false; // INTEGER PRIMARY KEY: assigned by the engine, read-only
};

struct TableSchema {
    QString name; // as the file spells it
    std::vector<ColumnInfo> columns;

    // Looks the table up without regard to case; raises 3078 when the file has no such table.
    static TableSchema load(const SqliteConnection& connection, const QString& table, const char* source);
    // Index of the field, without regard to case; raises 3265 when there is none.
    int columnIndex(const QString& field, const char* source) const;

    // The text form of a date and time in the file.
    static QString dateText(const QDateTime& when);
    // Binds a caller's value for the column at position index, converted to the column's kind;
    // raises 13 when the value does not fit the kind.
    static void bind(Query& query, int index, const QVariant& value, ColumnInfo::Kind kind, const char* source);
    // The same in two steps: the value in its stored form (null, qlonglong, double or QString), then bound.
    static QVariant storage(const QVariant& value, ColumnInfo::Kind kind, const char* source);
    static void bindStorage(Query& query, int index, const QVariant& stored);
    // A stored value read back in the column's kind.
    static QVariant read(const QVariant& stored, ColumnInfo::Kind kind);
};

// Quotes a name of the schema for SQL ("" inside for ").
QString quoteIdentifier(const QString& name);

} // namespace vellumo
