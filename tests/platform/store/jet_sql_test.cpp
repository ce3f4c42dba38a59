#include "platform/runtime/runtime_error.h"
#include "platform/store/jet_sql.h"

#include <gtest/gtest.h>

namespace vellumo {
namespace {

struct Accepted {
    const char* name;
    const char* sql;
    JetStatement::Kind kind;
    const char* table;
    const char* field; // of the WHERE, or nullptr
    const char* op;
    QVariant value;
    const char* order; // first ORDER BY key, or nullptr
};

void PrintTo(const Accepted& c, std::ostream* os) {
    *os << c.name;
}

class JetSqlAccepted : public ::testing::TestWithParam<Accepted> {};

TEST_P(JetSqlAccepted, ReadsTheStatement) {
    const Accepted& c = GetParam();
    const QString sql = QString::fromUtf8(c.sql);
    const JetStatement s =
        c.kind == JetStatement::Kind::Delete ? JetSql::parseStatement(sql) : JetSql::parseSource(sql);
    EXPECT_EQ(s.kind, c.kind);
    EXPECT_EQ(s.table, QString::fromUtf8(c.table));
    ASSERT_EQ(s.where.has_value(), c.field != nullptr);
    if (c.field) {
        EXPECT_EQ(s.where->field, QString::fromUtf8(c.field));
        EXPECT_EQ(s.where->op, QString::fromUtf8(c.op));
        EXPECT_EQ(s.where->value, c.value);
        EXPECT_EQ(s.where->value.metaType(), c.value.metaType());
    }
    ASSERT_EQ(!s.orderBy.empty(), c.order != nullptr);
    if (c.order) {
        EXPECT_EQ(s.orderBy.front().field, QString::fromUtf8(c.order));
    }
}

const QDateTime midnight(QDate(2026, 3, 2), QTime(0, 0));

INSTANTIATE_TEST_SUITE_P(
    Texts, JetSqlAccepted,
    ::testing::Values(
        Accepted{"ViewerSource",
                 "SELECT * FROM Recived ORDER BY Compteur",
                 JetStatement::Kind::Select,
                 "Recived",
                 nullptr,
                 nullptr,
                 {},
                 "Compteur"},
        Accepted{"TableName", "Sended", JetStatement::Kind::Table, "Sended", nullptr, nullptr, {}, nullptr},
        Accepted{"PurgeRecived", "DELETE * FROM  Recived WHERE ReceiptDate < #2026-03-02# ;",
                 JetStatement::Kind::Delete, "Recived", "ReceiptDate", "<", midnight, nullptr},
        Accepted{"PurgeSended", "DELETE * FROM  Sended WHERE SendedDate < #2026-03-02# ;", JetStatement::Kind::Delete,
                 "Sended", "SendedDate", "<", midnight, nullptr},
        Accepted{"FavouriteWithQuotes", "DELETE * FROM Users WHERE Name ='O''Neil''s';", JetStatement::Kind::Delete,
                 "Users", "Name", "=", QString("O'Neil's"), nullptr},
        Accepted{"InjectionStaysALiteral", "DELETE * FROM Users WHERE Name ='x'' OR ''1''=''1';",
                 JetStatement::Kind::Delete, "Users", "Name", "=", QString("x' OR '1'='1"), nullptr},
        Accepted{"LowerCaseAndBrackets", "delete from [Users] where [Name] <> \"a\"\"b\"", JetStatement::Kind::Delete,
                 "Users", "Name", "<>", QString("a\"b"), nullptr},
        Accepted{"DateWithTime", "DELETE FROM Recived WHERE ReceiptDate >= #2026-03-02 13:04:05#",
                 JetStatement::Kind::Delete, "Recived", "ReceiptDate",
                 ">=", QDateTime(QDate(2026, 3, 2), QTime(13, 4, 5)), nullptr},
        Accepted{"Number", "DELETE FROM Recived WHERE Compteur <= -12;", JetStatement::Kind::Delete, "Recived",
                 "Compteur", "<=", QVariant::fromValue<qlonglong>(-12), nullptr},
        Accepted{"WhereAndOrder", "SELECT * FROM Sended WHERE [TO] = 'A;' ORDER BY SendedDate DESC, OnDate",
                 JetStatement::Kind::Select, "Sended", "TO", "=", QString("A;"), "SendedDate"}),
    [](const auto& info) { return std::string(info.param.name); });

struct Refused {
    const char* name;
    const char* sql;
    int number;
};

void PrintTo(const Refused& c, std::ostream* os) {
    *os << c.name;
}

class JetSqlRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(JetSqlRefused, RaisesAClearError) {
    try {
        JetSql::parseStatement(QString::fromUtf8(GetParam().sql));
        FAIL() << "accepted " << GetParam().sql;
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), GetParam().number);
        EXPECT_FALSE(e.description().isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, JetSqlRefused,
    ::testing::Values(Refused{"OtherStatement", "DROP TABLE Users", 3129}, Refused{"Empty", "   ", 3129},
                      Refused{"UnendedText", "DELETE * FROM Users WHERE Name ='abc", 3075},
                      Refused{"SecondStatement", "DELETE * FROM Users; DROP TABLE Users", 3075},
                      Refused{"Conjunction", "DELETE * FROM Users WHERE Name = 'a' OR 1 = 1", 3075},
                      Refused{"BadMonth", "DELETE * FROM Recived WHERE ReceiptDate < #2026-13-01# ;", 3075},
                      Refused{"LocaleDate", "DELETE * FROM Recived WHERE ReceiptDate < #03/02/2026# ;", 3075},
                      Refused{"NoTable", "DELETE * FROM WHERE Name = 'a'", 3075},
                      Refused{"FieldList", "SELECT Name FROM Users", 3075}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
