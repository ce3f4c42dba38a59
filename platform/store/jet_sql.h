#pragma once
// JetSql: reads the Jet SQL texts that the windows run, so that the database layer can run them
// on SQLite with every value bound. It only recognises the shapes the program uses, and refuses
// anything else with a clear error, never guessing:
//
//   source     := table-name | select                         (a recordset's source)
//   select     := SELECT * FROM name [WHERE condition] [ORDER BY key {, key}] [;]
//   delete     := DELETE [*] FROM name [WHERE condition] [;]
//   condition  := name op literal        op := = | <> | < | <= | > | >=
//   key        := name [ASC | DESC]
//   name       := word | [any text but ]]
//   literal    := 'text' ('' inside for ')  |  "text" ("" inside for ")  |  #yyyy-mm-dd[ hh:nn:ss]#
//                 | [-]digits[.digits]
//
// Keywords are matched without regard to case; blanks anywhere between tokens. A date literal is
// the local date and time it names (midnight when it has no time). Names are returned as written:
// the layer matches them against the file's schema without regard to case.

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

namespace vellumo {

struct JetCondition {
    QString field;
    QString op;     // one of = <> < <= > >=
    QVariant value; // QString, qlonglong, double, or QDateTime for a date literal
};

struct JetOrderKey {
    QString field;
    bool descending = false;
};

struct JetStatement {
    enum class Kind { Table, Select, Delete };
    Kind kind = Kind::Table;
    QString table;
    std::optional<JetCondition> where;
    std::vector<JetOrderKey> orderBy;
};

class JetSql {
public:
    // A statement to execute (DELETE). Raises RuntimeError 3129 or 3075 when the text is not one.
    static JetStatement parseStatement(const QString& text);
    // The source of a recordset: a table name or a SELECT.
    static JetStatement parseSource(const QString& text);
};

} // namespace vellumo
