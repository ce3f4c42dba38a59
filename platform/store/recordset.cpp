#include "platform/store/recordset.h"

#include "platform/runtime/runtime_error.h"
#include "platform/store/database_statements.h"
#include "platform/store/sqlite_connection.h"

#include <sqlite3.h>

#include <algorithm>
#include <utility>

namespace vellumo {

namespace {
constexpr char source[] = "Recordset";

[[noreturn]] void noCurrentRecord() {
    throw RuntimeError(dberr::NoCurrentRecord, source, "No current record.");
}
} // namespace

Recordset::Recordset(std::shared_ptr<SqliteConnection> connection, TableSchema schema, QString keysSql,
                     std::optional<QVariant> whereValue, ColumnInfo::Kind whereKind)
    : connection_(std::move(connection)), schema_(std::move(schema)), keysSql_(std::move(keysSql)),
      whereValue_(std::move(whereValue)), whereKind_(whereKind) {
    loadKeys();
    position_ = keys_.empty() ? -1 : 0;
}

Recordset::~Recordset() = default;

void Recordset::loadKeys() {
    Query q(*connection_, DatabaseStatements::SelectKeys.name, keysSql_, source);
    if (whereValue_)
        TableSchema::bind(q, 1, *whereValue_, whereKind_, source);
    std::vector<std::int64_t> keys;
    while (q.step())
        keys.push_back(q.integer(0));
    keys_ = std::move(keys);
}

bool Recordset::bof() const {
    return keys_.empty() || (!onDeleted_ && position_ < 0);
}

bool Recordset::eof() const {
    return keys_.empty() || (!onDeleted_ && position_ >= int(keys_.size()));
}

int Recordset::recordCount() const {
    return int(keys_.size());
}

void Recordset::moveTo(int position) {
    position_ = position;
    onDeleted_ = false;
    row_.reset();
    emit Reposition();
}

void Recordset::moveFirst() {
    moveTo(keys_.empty() ? -1 : 0);
}

void Recordset::moveLast() {
    moveTo(keys_.empty() ? -1 : int(keys_.size()) - 1);
}

void Recordset::moveNext() {
    if (eof())
        noCurrentRecord();
    // After a delete the position already names the row that followed the deleted one.
    moveTo(onDeleted_ ? position_ : position_ + 1);
}

void Recordset::movePrevious() {
    if (bof())
        noCurrentRecord();
    moveTo(position_ - 1);
}

void Recordset::requery() {
    loadKeys();
    moveTo(keys_.empty() ? -1 : 0);
}

std::int64_t Recordset::bookmark() const {
    requireCurrent();
    return keys_[std::size_t(position_)];
}

void Recordset::setBookmark(std::int64_t bookmark) {
    const auto at = std::find(keys_.begin(), keys_.end(), bookmark);
    if (at == keys_.end())
        throw RuntimeError(dberr::NotABookmark, source, "Not a valid bookmark.");
    moveTo(int(at - keys_.begin()));
}

void Recordset::requireCurrent() const {
    if (onDeleted_)
        throw RuntimeError(dberr::RecordDeleted, source, "Record is deleted.");
    if (bof() || eof())
        noCurrentRecord();
}

const std::vector<QVariant>& Recordset::row() const {
    requireCurrent();
    if (!row_) {
        Query q(*connection_, DatabaseStatements::SelectRow.name,
                QString::fromUtf8(DatabaseStatements::SelectRow.sql).arg(quoteIdentifier(schema_.name)), source);
        q.bindInteger(1, keys_[std::size_t(position_)]);
        if (!q.step())
            throw RuntimeError(dberr::RecordDeleted, source, "Record is deleted.");
        std::vector<QVariant> values;
        for (int i = 0; i < q.columnCount() && i < int(schema_.columns.size()); ++i)
            values.push_back(TableSchema::read(q.value(i), schema_.columns[std::size_t(i)].kind));
        row_ = std::move(values);
    }
    return *row_;
}

QVariant Recordset::field(const QString& name) const {
    const int column = schema_.columnIndex(name, source);
    const std::vector<QVariant>& values = row();
    return column < int(values.size()) ? values[std::size_t(column)] : QVariant();
}

QString Recordset::text(const QString& name) const {
    const QVariant v = field(name);
    if (v.metaType().id() == QMetaType::QDateTime)
        return TableSchema::dateText(v.toDateTime());
    return v.isNull() ? QString() : v.toString();
}

QDateTime Recordset::dateTime(const QString& name) const {
    const QVariant v = field(name);
    if (v.metaType().id() != QMetaType::QDateTime)
        throw RuntimeError(err::TypeMismatch, source, QStringLiteral("Field '%1' holds no date.").arg(name));
    return v.toDateTime();
}

QStringList Recordset::fieldNames() const {
    QStringList names;
    for (const ColumnInfo& c : schema_.columns)
        names << c.name;
    return names;
}

void Recordset::addNew() {
    newRow_.emplace(schema_.columns.size());
}

void Recordset::setField(const QString& name, const QVariant& value) {
    if (!newRow_)
        throw RuntimeError(dberr::NoAddNew, source, "Update or CancelUpdate without AddNew or Edit.");
    const int column = schema_.columnIndex(name, source);
    if (schema_.columns[std::size_t(column)].counter)
        throw RuntimeError(
            dberr::ReadOnlyField, source,
            QStringLiteral("Field '%1' cannot be updated.").arg(schema_.columns[std::size_t(column)].name));
    // Converted now, so that a value of the wrong type is refused where it is assigned.
    (*newRow_)[std::size_t(column)] = TableSchema::storage(value, schema_.columns[std::size_t(column)].kind, source);
}

void Recordset::update() {
    if (!newRow_)
        throw RuntimeError(dberr::NoAddNew, source, "Update or CancelUpdate without AddNew or Edit.");
    // The new row is given up whatever happens: a failed add is never half kept for the next one.
    const std::vector<std::optional<QVariant>> values = std::move(*newRow_);
    newRow_.reset();

    QStringList names, places;
    std::vector<std::size_t> filled;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (!values[i])
            continue;
        filled.push_back(i);
        names << quoteIdentifier(schema_.columns[i].name);
        places << QStringLiteral("?%1").arg(filled.size());
    }
    const QString table = quoteIdentifier(schema_.name);
    if (filled.empty()) {
        Query q(*connection_, DatabaseStatements::InsertDefaultRow.name,
                QString::fromUtf8(DatabaseStatements::InsertDefaultRow.sql).arg(table), source);
        q.run();
    } else {
        Query q(*connection_, DatabaseStatements::InsertRow.name,
                QString::fromUtf8(DatabaseStatements::InsertRow.sql).arg(table, names.join(u", "), places.join(u", ")),
                source);
        for (std::size_t n = 0; n < filled.size(); ++n)
            TableSchema::bindStorage(q, int(n) + 1, *values[filled[n]]);
        q.run();
    }
    // The current row does not change: a recordset past its end stays past its (new) end.
    const bool pastEnd = !onDeleted_ && position_ >= int(keys_.size());
    keys_.push_back(sqlite3_last_insert_rowid(connection_->handle()));
    if (pastEnd)
        position_ = int(keys_.size());
}

void Recordset::deleteCurrent() {
    requireCurrent();
    Query q(*connection_, DatabaseStatements::DeleteRow.name,
            QString::fromUtf8(DatabaseStatements::DeleteRow.sql).arg(quoteIdentifier(schema_.name)), source);
    q.bindInteger(1, keys_[std::size_t(position_)]);
    q.run();
    keys_.erase(keys_.begin() + position_);
    onDeleted_ = true;
    row_.reset();
}

} // namespace vellumo
