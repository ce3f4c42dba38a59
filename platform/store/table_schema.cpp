#include "platform/store/table_schema.h"

#include "platform/runtime/runtime_error.h"
#include "platform/store/database_statements.h"
#include "platform/store/sqlite_connection.h"

namespace vellumo {

namespace {

const QString dateFormat = QStringLiteral("yyyy-MM-ddTHH:mm:ss");

ColumnInfo::Kind kindOf(const QString& declared) {
    const QString t = declared.toUpper();
    if (t.contains(u"INT"))
        return ColumnInfo::Kind::Integer;
    if (t.contains(u"DATE") || t.contains(u"TIME"))
        return ColumnInfo::Kind::DateTime;
    if (t.contains(u"REAL") || t.contains(u"FLOA") || t.contains(u"DOUB"))
        return ColumnInfo::Kind::Real;
    return ColumnInfo::Kind::Text;
}

[[noreturn]] void typeMismatch(const char* source) {
    throw RuntimeError(err::TypeMismatch, QString::fromLatin1(source), "Data type conversion error.");
}

} // namespace

QString quoteIdentifier(const QString& name) {
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

TableSchema TableSchema::load(const SqliteConnection& connection, const QString& table, const char* source) {
    TableSchema schema;
    {
        Query find(connection, DatabaseStatements::FindTable, source);
        find.bindText(1, table);
        if (!find.step())
            throw RuntimeError(dberr::TableNotFound, QString::fromLatin1(source),
                               QStringLiteral("Table '%1' not found in database '%2'.").arg(table, connection.path()));
        schema.name = find.text(0);
    }
    Query columns(connection, DatabaseStatements::TableColumns, source);
    columns.bindText(1, schema.name);
    int keys = 0;
    while (columns.step()) {
        ColumnInfo c{columns.text(0), kindOf(columns.text(1)), columns.integer(2) > 0};
        keys += c.counter ? 1 : 0;
        schema.columns.push_back(c);
    }
    // Only a lone INTEGER PRIMARY KEY is the rowid itself; a composite key is ordinary data.
    for (ColumnInfo& c : schema.columns)
        c.counter = c.counter && keys == 1 && c.kind == ColumnInfo::Kind::Integer;
    return schema;
}

int TableSchema::columnIndex(const QString& field, const char* source) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    throw RuntimeError(dberr::FieldNotFound, QString::fromLatin1(source),
                       QStringLiteral("Item '%1' not found in table '%2'.").arg(field, name));
}

QString TableSchema::dateText(const QDateTime& when) {
    return when.toLocalTime().toString(dateFormat);
}

QVariant TableSchema::storage(const QVariant& value, ColumnInfo::Kind kind, const char* source) {
    if (!value.isValid() || value.isNull())
        return QVariant();
    const int type = value.metaType().id();
    if (type == QMetaType::QDateTime || type == QMetaType::QDate) {
        const QDateTime when = type == QMetaType::QDate ? value.toDate().startOfDay() : value.toDateTime();
        if (!when.isValid())
            typeMismatch(source);
        return dateText(when);
    }
    if (type == QMetaType::QByteArray)
        typeMismatch(source); // bytes have no one meaning as text; callers pass QString
    bool ok = true;
    switch (kind) {
    case ColumnInfo::Kind::Integer: {
        const qlonglong n = value.toLongLong(&ok);
        if (!ok)
            typeMismatch(source);
        return n;
    }
    case ColumnInfo::Kind::Real: {
        const double d = value.toDouble(&ok);
        if (!ok)
            typeMismatch(source);
        return d;
    }
    case ColumnInfo::Kind::DateTime: {
        // A text for a date field must already be a date of the file's form.
        const QDateTime when = QDateTime::fromString(value.toString(), dateFormat);
        if (!when.isValid())
            typeMismatch(source);
        return dateText(when);
    }
    case ColumnInfo::Kind::Text:
        break;
    }
    if (!value.canConvert<QString>())
        typeMismatch(source);
    return value.toString();
}

void TableSchema::bindStorage(Query& query, int index, const QVariant& stored) {
    switch (stored.metaType().id()) {
    case QMetaType::LongLong:
        query.bindInteger(index, stored.toLongLong());
        break;
    case QMetaType::Double:
        query.bindDouble(index, stored.toDouble());
        break;
    case QMetaType::QString:
        query.bindText(index, stored.toString());
        break;
    default:
        query.bindNull(index);
        break;
    }
}

void TableSchema::bind(Query& query, int index, const QVariant& value, ColumnInfo::Kind kind, const char* source) {
    bindStorage(query, index, storage(value, kind, source));
}

QVariant TableSchema::read(const QVariant& stored, ColumnInfo::Kind kind) {
    if (kind != ColumnInfo::Kind::DateTime || stored.metaType().id() != QMetaType::QString)
        return stored;
    const QDateTime when = QDateTime::fromString(stored.toString(), dateFormat);
    return when.isValid() ? QVariant(when) : stored;
}

} // namespace vellumo
