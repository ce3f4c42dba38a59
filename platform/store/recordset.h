#pragma once
// Recordset: the rows of one table, in a fixed order, with a current row, as the windows' data
// controls browse them. Opened by Database::openRecordset; owned by the window that opened it.
//
// Invariants: the recordset holds the keys of its rows, ordered when it was opened or requeried;
// rows added through it go at the end (for "ORDER BY Compteur" that is their place anyway). The
// position is before the first row (BOF), on a row, or past the last row (EOF); an empty recordset
// is at BOF and EOF at once. Moving past either end is allowed once and lands on BOF or EOF; moving
// further, or reading a field with no current row, raises 3021. Moving to the first or last row of
// an empty recordset stays at BOF and EOF and still notifies, so that a viewer that moves to the
// last row after deleting the only one learns that nothing is left. After deleteCurrent the position
// stays on the deleted row (its fields raise 3167) until the next move. Fields are read afresh from
// the file for each row, so a row deleted meanwhile by another statement reads as deleted (3167).
//
// Every move and requery emits Reposition once the new position is in place; a handler may move
// again from inside it (the viewer moves back from EOF to the last row).
//
// A bookmark names one row for as long as the recordset holds it, wherever the position goes
// meanwhile: a window that asks the user before acting on the current row keeps the bookmark of the
// row it asked about and comes back to it, since other events (a row added and moved to) may move the
// position while the question is open.

#include "platform/store/table_schema.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace vellumo {

class SqliteConnection;

class Recordset : public QObject {
    Q_OBJECT
public:
    ~Recordset() override;

    bool bof() const;
    bool eof() const;
    int recordCount() const;

    void moveFirst();
    void movePrevious();
    void moveNext();
    void moveLast();
    // Reads the rows again in their order and moves to the first.
    void requery();

    // The current row's bookmark; raises 3021 without a current row (3167 on a deleted one).
    std::int64_t bookmark() const;
    // Moves to the row of a bookmark; raises 3159 when the recordset no longer holds that row.
    void setBookmark(std::int64_t bookmark);

    // A field of the current row, matched without regard to case; null for an empty field.
    QVariant field(const QString& name) const;
    // The field as text (an empty field reads as an empty text) or as a date and time.
    QString text(const QString& name) const;
    QDateTime dateTime(const QString& name) const;
    QStringList fieldNames() const;

    // Adding a row: addNew, setField for each field to fill, update. The current row does not change.
    void addNew();
    void setField(const QString& name, const QVariant& value);
    void update();
    // Deletes the current row from the file.
    void deleteCurrent();

signals:
    void Reposition();

private:
    friend class Database;
    Recordset(std::shared_ptr<SqliteConnection> connection, TableSchema schema, QString keysSql,
              std::optional<QVariant> whereValue, ColumnInfo::Kind whereKind);

    void loadKeys();
    void moveTo(int position);
    void requireCurrent() const;
    const std::vector<QVariant>& row() const;

    std::shared_ptr<SqliteConnection> connection_;
    TableSchema schema_;
    QString keysSql_;
    std::optional<QVariant> whereValue_;
    ColumnInfo::Kind whereKind_;
    std::vector<std::int64_t> keys_;
    int position_ = -1;
    bool onDeleted_ = false;
    mutable std::optional<std::vector<QVariant>> row_;
    std::optional<std::vector<std::optional<QVariant>>> newRow_;
};

} // namespace vellumo
