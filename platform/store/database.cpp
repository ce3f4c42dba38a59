#include "platform/store/database.h"

#include "platform/runtime/runtime_error.h"
#include "platform/store/database_statements.h"
#include "platform/store/jet_sql.h"
#include "platform/store/sqlite_connection.h"

#include <sqlite3.h>

#include <utility>

namespace vellumo {

namespace {

constexpr char source[] = "Database";

QString fill(const Statement& s) {
    return QString::fromUtf8(s.sql);
}

// The WHERE clause of a Jet condition, its field checked against the schema; the value binds as ?1.
QString whereClause(const TableSchema& schema, const std::optional<JetCondition>& where, ColumnInfo::Kind& kind) {
    if (!where)
        return QString();
    const ColumnInfo& column = schema.columns[std::size_t(schema.columnIndex(where->field, source))];
    kind = column.kind;
    return QString::fromUtf8(DatabaseStatements::WhereClause).arg(quoteIdentifier(column.name), where->op, "1");
}

} // namespace

Database::Database(std::shared_ptr<SqliteConnection> connection) : connection_(std::move(connection)) {}

Database Database::open(const QString& path, Durability durability) {
    Database db(std::make_shared<SqliteConnection>(path, SqliteConnection::Mode::OpenExisting));
    db.configure(durability);
    return db;
}

Database Database::inspect(const QString& path) {
    return Database(std::make_shared<SqliteConnection>(path, SqliteConnection::Mode::OpenExisting));
}

Database Database::create(const QString& path, const QString& version, Durability durability) {
    Database db(std::make_shared<SqliteConnection>(path, SqliteConnection::Mode::CreateNew));
    db.configure(durability);
    Query(db.connection(), DatabaseStatements::CreateVersionTable, source).run();
    Query write(db.connection(), DatabaseStatements::WriteVersion, source);
    write.bindText(1, version);
    write.run();
    return db;
}

void Database::configure(Durability durability) {
    Query(connection(), DatabaseStatements::JournalWal, source).run();
    Query(connection(),
          durability == Durability::Full ? DatabaseStatements::SynchronousFull : DatabaseStatements::SynchronousNormal,
          source)
        .run();
}

const SqliteConnection& Database::connection() const {
    if (!connection_)
        throw RuntimeError(dberr::Engine, source, "The database is closed.");
    return *connection_;
}

const QString& Database::path() const {
    return connection().path();
}

QString Database::version() const {
    {
        Query find(connection(), DatabaseStatements::FindTable, source);
        find.bindText(1, QString::fromLatin1(DatabaseStatements::VersionTable));
        if (!find.step())
            return QString();
    }
    Query read(connection(), DatabaseStatements::ReadVersion, source);
    return read.step() ? read.text(0) : QString();
}

void Database::define(const char* definition) {
    Query(connection(), DatabaseStatements::Definition, QString::fromUtf8(definition), source).run();
}

std::unique_ptr<Recordset> Database::openRecordset(const QString& text) {
    const JetStatement s = JetSql::parseSource(text);
    TableSchema schema = TableSchema::load(connection(), s.table, source);
    ColumnInfo::Kind kind = ColumnInfo::Kind::Text;
    const QString where = whereClause(schema, s.where, kind);
    QStringList order;
    for (const JetOrderKey& key : s.orderBy) {
        const ColumnInfo& c = schema.columns[std::size_t(schema.columnIndex(key.field, source))];
        order << quoteIdentifier(c.name) + (key.descending ? QStringLiteral(" DESC") : QString());
    }
    // Rows of equal sort keys keep the order in which they were added.
    order << QString::fromLatin1(DatabaseStatements::KeyOrder);
    const QString keys =
        fill(DatabaseStatements::SelectKeys).arg(quoteIdentifier(schema.name), where, order.join(u", "));
    std::optional<QVariant> value;
    if (s.where)
        value = s.where->value;
    return std::unique_ptr<Recordset>(new Recordset(connection_, std::move(schema), keys, value, kind));
}

int Database::execute(const QString& jetSql) {
    const JetStatement s = JetSql::parseStatement(jetSql);
    if (s.kind != JetStatement::Kind::Delete)
        throw RuntimeError(dberr::BadStatement, source, "Cannot execute a select query.");
    const TableSchema schema = TableSchema::load(connection(), s.table, source);
    ColumnInfo::Kind kind = ColumnInfo::Kind::Text;
    const QString where = whereClause(schema, s.where, kind);
    Query q(connection(), DatabaseStatements::DeleteWhere.name,
            fill(DatabaseStatements::DeleteWhere).arg(quoteIdentifier(schema.name), where), source);
    if (s.where)
        TableSchema::bind(q, 1, s.where->value, kind, source);
    q.run();
    return sqlite3_changes(connection().handle());
}

void Database::copyTablesFrom(const QString& sourcePath) {
    const SqliteConnection& c = connection();
    {
        Query attach(c, DatabaseStatements::AttachSource, source);
        attach.bindText(1, sourcePath);
        attach.run();
    }
    // Rolling back and detaching after a failure must not hide the failure itself.
    auto quietly = [&c](const Statement& s) {
        try {
            Query(c, s, source).run();
        } catch (const RuntimeError&) {
        }
    };
    try {
        Query(c, DatabaseStatements::Begin, source).run();
        struct SourceTable {
            QString name, definition;
        };
        std::vector<SourceTable> tables;
        {
            Query list(c, DatabaseStatements::SourceTables, source);
            while (list.step())
                tables.push_back({list.text(0), list.text(1)});
        }
        for (const SourceTable& t : tables) {
            {
                Query find(c, DatabaseStatements::FindTable, source);
                find.bindText(1, t.name);
                if (!find.step()) // a table the current schema does not know: keep it as it was defined
                    Query(c, DatabaseStatements::Definition, t.definition, source).run();
            }
            const TableSchema target = TableSchema::load(c, t.name, source);
            QStringList common;
            Query columns(c, DatabaseStatements::SourceColumns, source);
            columns.bindText(1, t.name);
            while (columns.step()) {
                const QString name = columns.text(0);
                for (const ColumnInfo& column : target.columns) {
                    if (column.name.compare(name, Qt::CaseInsensitive) == 0)
                        common << quoteIdentifier(column.name);
                }
            }
            if (common.isEmpty())
                continue;
            Query(c, DatabaseStatements::CopyRows.name,
                  fill(DatabaseStatements::CopyRows).arg(quoteIdentifier(target.name), common.join(u", ")), source)
                .run();
        }
        Query both(c, DatabaseStatements::BothHaveSequences, source);
        if (both.step() && both.integer(0) != 0) {
            Query(c, DatabaseStatements::RaiseSequences, source).run();
            Query(c, DatabaseStatements::AddSequences, source).run();
        }
        Query(c, DatabaseStatements::Commit, source).run();
    } catch (...) {
        quietly(DatabaseStatements::Rollback);
        quietly(DatabaseStatements::DetachSource);
        throw;
    }
    Query(c, DatabaseStatements::DetachSource, source).run();
}

QString Database::journalMode() const {
    Query q(connection(), DatabaseStatements::ReadJournalMode, source);
    return q.step() ? q.text(0) : QString();
}

int Database::synchronous() const {
    Query q(connection(), DatabaseStatements::ReadSynchronous, source);
    return q.step() ? int(q.integer(0)) : -1;
}

void Database::close() {
    connection_.reset();
}

} // namespace vellumo
