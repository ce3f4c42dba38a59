#include "platform/runtime/runtime_error.h"
#include "platform/store/database.h"
#include "platform/store/sqlite_connection.h"
#include "tests/support/scoped_database_fault.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace vellumo {
namespace {

template <typename F> int errorOf(F f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        EXPECT_FALSE(e.description().isEmpty());
        return e.number();
    }
    return 0;
}

const QDateTime at(int day, int h, int m, int s) {
    return QDateTime(QDate(2026, 3, day), QTime(h, m, s));
}

// A store of one table shaped like the program's: a counter, reserved-word names, a date, long text.
class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("test.dbo");
        Database db = Database::create(path, "4.0");
        db.define("CREATE TABLE Notes (Id INTEGER PRIMARY KEY AUTOINCREMENT, Title TEXT, \"FROM\" TEXT, "
                  "Stamp DATETIME, Body TEXT)");
    }

    void add(Recordset& rs, const QString& title, const QDateTime& stamp, const QString& body = QString()) {
        rs.addNew();
        rs.setField("Title", title);
        rs.setField("FROM", "PC-" + title);
        rs.setField("Stamp", stamp);
        rs.setField("Body", body);
        rs.update();
    }

    QStringList titles(const QString& source) {
        auto rs = Database::open(path).openRecordset(source);
        QStringList out;
        if (rs->recordCount() == 0)
            return out;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            out << rs->text("title");
        return out;
    }

    QTemporaryDir dir;
    QString path;
};

TEST_F(DatabaseTest, EmptyTableIsAtBofAndEofAndRefusesMoves) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("Notes");
    EXPECT_TRUE(rs->bof());
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(rs->recordCount(), 0);
    int repositions = 0;
    QObject::connect(rs.get(), &Recordset::Reposition, [&] { ++repositions; });
    rs->moveFirst(); // nothing to move to: stays at both ends, and says so
    rs->moveLast();
    EXPECT_EQ(repositions, 2);
    EXPECT_TRUE(rs->bof() && rs->eof());
    EXPECT_EQ(errorOf([&] { rs->moveNext(); }), dberr::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->movePrevious(); }), dberr::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->field("Title"); }), dberr::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->deleteCurrent(); }), dberr::NoCurrentRecord);
}

TEST_F(DatabaseTest, ReadsInTheOrderAsked) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("Notes");
    add(*rs, "b", at(2, 10, 0, 0));
    add(*rs, "c", at(1, 10, 0, 0));
    add(*rs, "a", at(3, 10, 0, 0));
    EXPECT_EQ(titles("SELECT * FROM Notes ORDER BY Id"), QStringList({"b", "c", "a"}));
    EXPECT_EQ(titles("Notes"), QStringList({"b", "c", "a"}));
    EXPECT_EQ(titles("SELECT * FROM Notes ORDER BY title"), QStringList({"a", "b", "c"}));
    EXPECT_EQ(titles("SELECT * FROM Notes ORDER BY Stamp DESC"), QStringList({"a", "b", "c"}));
    EXPECT_EQ(titles("SELECT * FROM Notes WHERE Stamp < #2026-03-03# ORDER BY Stamp"), QStringList({"c", "b"}));
}

TEST_F(DatabaseTest, AddKeepsTheCurrentRowAndAppendsTheNewOne) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    add(*rs, "first", at(1, 8, 0, 0));
    EXPECT_TRUE(rs->bof()); // was empty: no current row until a move
    EXPECT_EQ(rs->recordCount(), 1);
    rs->moveLast();
    add(*rs, "second", at(1, 9, 0, 0));
    EXPECT_EQ(rs->text("Title"), "first");
    EXPECT_EQ(rs->recordCount(), 2);
    rs->moveLast();
    EXPECT_EQ(rs->text("TITLE"), "second");
    EXPECT_EQ(rs->text("from"), "PC-second");
    EXPECT_EQ(rs->dateTime("stamp"), at(1, 9, 0, 0));
    EXPECT_GT(rs->field("Id").toLongLong(), 0);
    EXPECT_EQ(rs->fieldNames(), QStringList({"Id", "Title", "FROM", "Stamp", "Body"}));
}

TEST_F(DatabaseTest, CounterIncreasesAndIsNeverReused) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    add(*rs, "a", at(1, 0, 0, 0));
    add(*rs, "b", at(1, 0, 0, 0));
    rs->moveLast();
    const qlonglong last = rs->field("Id").toLongLong();
    rs->deleteCurrent();
    add(*rs, "c", at(1, 0, 0, 0));
    rs->moveLast();
    EXPECT_GT(rs->field("Id").toLongLong(), last);
    rs->addNew();
    EXPECT_EQ(errorOf([&] { rs->setField("id", 99); }), dberr::ReadOnlyField);
}

TEST_F(DatabaseTest, FieldErrorsAreClear) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("Notes");
    EXPECT_EQ(errorOf([&] { rs->setField("Title", "x"); }), dberr::NoAddNew);
    EXPECT_EQ(errorOf([&] { rs->update(); }), dberr::NoAddNew);
    rs->addNew();
    EXPECT_EQ(errorOf([&] { rs->setField("Nope", "x"); }), dberr::FieldNotFound);
    EXPECT_EQ(errorOf([&] { rs->setField("Body", QByteArray("raw")); }), err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { rs->setField("Stamp", "yesterday"); }), err::TypeMismatch);
    EXPECT_EQ(errorOf([&] { rs->setField("Id", 5); }), dberr::ReadOnlyField);
    rs->setField("Stamp", "2026-03-01T10:00:00");
    rs->update();
    EXPECT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(errorOf([&] { db.openRecordset("Missing"); }), dberr::TableNotFound);
    EXPECT_EQ(errorOf([&] { db.openRecordset("SELECT * FROM Notes ORDER BY Nope"); }), dberr::FieldNotFound);
}

TEST_F(DatabaseTest, MovesReachBofAndEofOnceAndNotifyEveryReposition) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    for (const char* t : {"a", "b", "c"})
        add(*rs, t, at(1, 0, 0, 0));
    int repositions = 0;
    QObject::connect(rs.get(), &Recordset::Reposition, [&] { ++repositions; });
    rs->moveLast();
    EXPECT_EQ(rs->text("Title"), "c");
    rs->moveNext();
    EXPECT_TRUE(rs->eof());
    EXPECT_FALSE(rs->bof());
    EXPECT_EQ(errorOf([&] { rs->moveNext(); }), dberr::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs->field("Title"); }), dberr::NoCurrentRecord);
    rs->movePrevious();
    EXPECT_EQ(rs->text("Title"), "c");
    rs->moveFirst();
    rs->movePrevious();
    EXPECT_TRUE(rs->bof());
    EXPECT_EQ(errorOf([&] { rs->movePrevious(); }), dberr::NoCurrentRecord);
    rs->moveNext();
    EXPECT_EQ(rs->text("Title"), "a");
    EXPECT_EQ(repositions, 6);
}

TEST_F(DatabaseTest, RepositionHandlerMayMoveAgain) {
    // The viewer's way: past the end it moves back to the last row from inside the notification.
    Database db = Database::open(path);
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    for (const char* t : {"a", "b"})
        add(*rs, t, at(1, 0, 0, 0));
    QStringList shown;
    QObject::connect(rs.get(), &Recordset::Reposition, [&] {
        if (rs->eof())
            rs->moveLast();
        else if (rs->bof())
            rs->moveFirst();
        else
            shown << rs->text("Title");
    });
    rs->moveLast();
    rs->moveNext();
    rs->moveFirst();
    rs->movePrevious();
    EXPECT_EQ(shown, QStringList({"b", "b", "a", "a"}));
}

TEST_F(DatabaseTest, DeleteLeavesTheRowDeletedUntilTheNextMove) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    for (const char* t : {"a", "b", "c"})
        add(*rs, t, at(1, 0, 0, 0));
    rs->moveFirst();
    rs->moveNext();
    rs->deleteCurrent();
    EXPECT_EQ(errorOf([&] { rs->field("Title"); }), dberr::RecordDeleted);
    EXPECT_EQ(errorOf([&] { rs->deleteCurrent(); }), dberr::RecordDeleted);
    EXPECT_EQ(rs->recordCount(), 2);
    rs->moveNext();
    EXPECT_EQ(rs->text("Title"), "c");
    EXPECT_EQ(titles("Notes"), QStringList({"a", "c"}));
    rs->deleteCurrent();
    rs->moveLast();
    rs->deleteCurrent();
    EXPECT_TRUE(rs->bof());
    EXPECT_TRUE(rs->eof());
    EXPECT_EQ(titles("Notes"), QStringList());
}

TEST_F(DatabaseTest, ABookmarkComesBackToItsRowWhereverThePositionWent) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    for (const char* t : {"a", "b"})
        add(*rs, t, at(1, 0, 0, 0));
    rs->moveFirst();
    const std::int64_t a = rs->bookmark();
    add(*rs, "c", at(1, 0, 0, 0));
    rs->moveLast();
    EXPECT_EQ(rs->text("Title"), "c");
    int repositions = 0;
    QObject::connect(rs.get(), &Recordset::Reposition, [&] { ++repositions; });
    rs->setBookmark(a);
    EXPECT_EQ(repositions, 1);
    EXPECT_EQ(rs->text("Title"), "a");
    rs->deleteCurrent();
    EXPECT_EQ(titles("Notes"), QStringList({"b", "c"}));
    // A row the recordset no longer holds, and no current row at all.
    EXPECT_EQ(errorOf([&] { rs->setBookmark(a); }), dberr::NotABookmark);
    EXPECT_EQ(errorOf([&] { rs->bookmark(); }), dberr::RecordDeleted);
    rs->moveLast();
    rs->moveNext();
    EXPECT_EQ(errorOf([&] { rs->bookmark(); }), dberr::NoCurrentRecord);
}

TEST_F(DatabaseTest, RowsDeletedElsewhereReadAsDeletedUntilRequery) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    for (const char* t : {"a", "b"})
        add(*rs, t, at(1, 0, 0, 0));
    rs->moveFirst();
    EXPECT_EQ(Database::open(path).execute("DELETE * FROM Notes WHERE Title = 'a'"), 1);
    EXPECT_EQ(errorOf([&] { rs->field("Title"); }), dberr::RecordDeleted);
    int repositions = 0;
    QObject::connect(rs.get(), &Recordset::Reposition, [&] { ++repositions; });
    rs->requery();
    EXPECT_EQ(repositions, 1);
    EXPECT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(rs->text("Title"), "b");
}

TEST_F(DatabaseTest, TextsOfAnyLengthAndCharacterComeBackUnchanged) {
    QString body;
    for (int i = 0; i < 256; ++i)
        body += QChar(i);
    body += QString::fromUtf8("é€😀\r\n");
    body = body.repeated(20000); // about 5 MB
    {
        Database db = Database::open(path);
        auto rs = db.openRecordset("Notes");
        add(*rs, QString(), at(1, 0, 0, 0), body);
    }
    auto rs = Database::open(path).openRecordset("Notes");
    rs->moveFirst();
    EXPECT_EQ(rs->text("Body"), body);
    EXPECT_TRUE(rs->field("Title").metaType().id() == QMetaType::QString); // an empty text, not a null
}

TEST_F(DatabaseTest, DatesAreStoredAsIsoLocalTimeToTheSecond) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("Notes");
    add(*rs, "a", QDateTime(QDate(2026, 3, 1), QTime(23, 59, 59, 750)));
    rs->moveFirst();
    EXPECT_EQ(rs->text("Stamp"), "2026-03-01T23:59:59");
    EXPECT_EQ(rs->dateTime("Stamp"), at(1, 23, 59, 59));
    EXPECT_EQ(errorOf([&] { rs->dateTime("Title"); }), err::TypeMismatch);
    // In the file itself, so that other readers order and compare the same way.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(path.toUtf8().constData(), &raw), SQLITE_OK);
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "SELECT Stamp FROM Notes", -1, &stmt, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(stmt), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)), "2026-03-01T23:59:59");
    sqlite3_finalize(stmt);
    sqlite3_close(raw);
}

TEST_F(DatabaseTest, DefinitionsRunOneStatementOnly) {
    Database db = Database::open(path);
    EXPECT_EQ(errorOf([&] { db.define("CREATE TABLE A (x); DROP TABLE Notes"); }), dberr::Engine);
    EXPECT_EQ(errorOf([&] { db.define("   "); }), dberr::Engine);
    EXPECT_EQ(db.openRecordset("Notes")->recordCount(), 0);
    EXPECT_EQ(errorOf([&] { db.openRecordset("A"); }), dberr::TableNotFound);
}

struct Deletion {
    const char* name;
    const char* sql;
    QStringList left;
};

void PrintTo(const Deletion& c, std::ostream* os) {
    *os << c.name;
}

class DatabaseDelete : public DatabaseTest, public ::testing::WithParamInterface<Deletion> {};

TEST_P(DatabaseDelete, RunsTheJetTextWithBoundValues) {
    {
        Database db = Database::open(path);
        auto rs = db.openRecordset("Notes");
        add(*rs, "before", at(1, 23, 59, 59));
        add(*rs, "O'Neil", at(2, 0, 0, 0));
        add(*rs, "o'neil", at(2, 0, 0, 1));
        add(*rs, "after", at(2, 12, 0, 0));
        const int removed = db.execute(QString::fromUtf8(GetParam().sql));
        EXPECT_EQ(removed, 4 - GetParam().left.size());
    }
    EXPECT_EQ(titles("Notes"), GetParam().left);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, DatabaseDelete,
    ::testing::Values(
        Deletion{"BeforeMidnight", "DELETE * FROM  Notes WHERE Stamp < #2026-03-02# ;", {"O'Neil", "o'neil", "after"}},
        Deletion{"BeforeNextDay", "DELETE * FROM  Notes WHERE Stamp < #2026-03-03# ;", {}},
        Deletion{"QuotedName", "DELETE * FROM Notes WHERE Title ='O''Neil';", {"before", "o'neil", "after"}},
        Deletion{"InjectionIsJustAName",
                 "DELETE * FROM Notes WHERE Title ='x'' OR ''1''=''1';",
                 {"before", "O'Neil", "o'neil", "after"}},
        Deletion{"Everything", "DELETE * FROM Notes", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DatabaseTest, ExecuteRefusesWhatIsNotADelete) {
    Database db = Database::open(path);
    EXPECT_EQ(errorOf([&] { db.execute("SELECT * FROM Notes"); }), dberr::BadStatement);
    EXPECT_EQ(errorOf([&] { db.execute("DELETE * FROM Nope"); }), dberr::TableNotFound);
    EXPECT_EQ(errorOf([&] { db.execute("DELETE * FROM Notes WHERE Nope = 1"); }), dberr::FieldNotFound);
    EXPECT_EQ(errorOf([&] { db.execute("DELETE * FROM Notes WHERE Stamp < 'soon'"); }), err::TypeMismatch);
}

TEST_F(DatabaseTest, DurableSettingsAreInForce) {
    Database full = Database::open(path);
    EXPECT_EQ(full.journalMode(), "wal");
    EXPECT_EQ(full.synchronous(), 2);
    EXPECT_EQ(Database::open(path, Database::Durability::Normal).synchronous(), 1);
    EXPECT_EQ(full.version(), "4.0");
}

TEST_F(DatabaseTest, FilesThatCannotBeOpened) {
    EXPECT_EQ(errorOf([&] { Database::open(dir.filePath("missing.dbo")); }), dberr::FileNotFound);
    EXPECT_FALSE(QFile::exists(dir.filePath("missing.dbo")));
    EXPECT_EQ(errorOf([&] { Database::create(path, "4.0"); }), dberr::AlreadyExists);
    QFile text(dir.filePath("text.dbo"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write(QByteArray("this is not a database, just some text that is long enough").repeated(100));
    text.close();
    EXPECT_EQ(errorOf([&] { Database::inspect(text.fileName()).version(); }), dberr::NotADatabase);
    // A file of the engine without the store's version table.
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(dir.filePath("plain.db").toUtf8().constData(), &raw), SQLITE_OK);
    sqlite3_exec(raw, "CREATE TABLE t (x)", nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    EXPECT_EQ(Database::inspect(dir.filePath("plain.db")).version(), QString());
}

struct Fault {
    const char* name;
    const char* step;
    int resultCode;
    int number;
};

void PrintTo(const Fault& c, std::ostream* os) {
    *os << c.name;
}

class DatabaseFault : public DatabaseTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(DatabaseFault, AFailedAddLosesNothingAndTheNextAddWorks) {
    Database db = Database::open(path);
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    add(*rs, "kept", at(1, 0, 0, 0));
    {
        test::ScopedDatabaseFault fault(GetParam().step, 1, GetParam().resultCode);
        EXPECT_EQ(errorOf([&] { add(*rs, "lost", at(1, 0, 0, 0)); }), GetParam().number);
        EXPECT_TRUE(fault.fired());
    }
    EXPECT_EQ(rs->recordCount(), 1);
    EXPECT_EQ(errorOf([&] { rs->setField("Title", "x"); }), dberr::NoAddNew);
    add(*rs, "next", at(1, 0, 0, 0));
    EXPECT_EQ(titles("Notes"), QStringList({"kept", "next"}));
}

INSTANTIATE_TEST_SUITE_P(Faults, DatabaseFault,
                         ::testing::Values(Fault{"DiskError", "InsertRow", SQLITE_IOERR_WRITE, dberr::DiskError},
                                           Fault{"DiskFull", "InsertRow", SQLITE_FULL, dberr::DiskError},
                                           Fault{"Locked", "InsertRow", SQLITE_BUSY, dberr::Locked},
                                           Fault{"Corrupt", "InsertRow", SQLITE_CORRUPT, dberr::NotADatabase}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DatabaseTest, FaultsAtOpenDeleteAndPurge) {
    {
        test::ScopedDatabaseFault fault("open");
        EXPECT_EQ(errorOf([&] { Database::open(path); }), dberr::DiskError);
    }
    Database db = Database::open(path);
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    add(*rs, "a", at(1, 0, 0, 0));
    rs->moveFirst();
    {
        test::ScopedDatabaseFault fault("DeleteRow");
        EXPECT_EQ(errorOf([&] { rs->deleteCurrent(); }), dberr::DiskError);
    }
    EXPECT_EQ(rs->text("Title"), "a"); // still current, still there
    {
        test::ScopedDatabaseFault fault("DeleteWhere");
        EXPECT_EQ(errorOf([&] { db.execute("DELETE * FROM Notes"); }), dberr::DiskError);
    }
    EXPECT_EQ(titles("Notes"), QStringList({"a"}));
}

TEST_F(DatabaseTest, UniqueValuesRefuseDuplicates) {
    Database db = Database::open(path);
    db.define("CREATE TABLE Users (Name TEXT NOT NULL UNIQUE COLLATE NOCASE)");
    auto rs = db.openRecordset("Users");
    rs->addNew();
    rs->setField("name", "PC1");
    rs->update();
    rs->addNew();
    rs->setField("Name", "pc1");
    EXPECT_EQ(errorOf([&] { rs->update(); }), dberr::Duplicate);
    EXPECT_EQ(rs->recordCount(), 1);
}

class DatabaseCopy : public DatabaseTest {
protected:
    QString makeSource() {
        const QString source = dir.filePath("old.dbo");
        Database old = Database::create(source, "3.0");
        old.define("CREATE TABLE Notes (Id INTEGER PRIMARY KEY AUTOINCREMENT, Title TEXT, Gone TEXT)");
        old.define("CREATE TABLE Extra (Value TEXT)");
        auto rs = old.openRecordset("Notes");
        for (const char* t : {"a", "b", "c"}) {
            rs->addNew();
            rs->setField("Title", t);
            rs->setField("Gone", "x");
            rs->update();
        }
        rs->moveLast();
        rs->deleteCurrent(); // the counter stays at 3
        auto extra = old.openRecordset("Extra");
        extra->addNew();
        extra->setField("Value", "kept");
        extra->update();
        return source;
    }
};

TEST_F(DatabaseCopy, CopiesEveryTableWithItsCountersAndVersionStays) {
    const QString source = makeSource();
    Database db = Database::open(path);
    db.copyTablesFrom(source);
    EXPECT_EQ(db.version(), "4.0");
    EXPECT_EQ(titles("SELECT * FROM Notes ORDER BY Id"), QStringList({"a", "b"}));
    auto extra = db.openRecordset("Extra");
    extra->moveFirst();
    EXPECT_EQ(extra->text("Value"), "kept");
    auto rs = db.openRecordset("SELECT * FROM Notes ORDER BY Id");
    add(*rs, "d", at(1, 0, 0, 0));
    rs->moveLast();
    EXPECT_EQ(rs->field("Id").toLongLong(), 4);
}

TEST_F(DatabaseCopy, AFailedCopyCopiesNothingAndCanBeRunAgain) {
    const QString source = makeSource();
    Database db = Database::open(path);
    {
        test::ScopedDatabaseFault fault("CopyRows", 2);
        EXPECT_EQ(errorOf([&] { db.copyTablesFrom(source); }), dberr::DiskError);
    }
    EXPECT_EQ(titles("Notes"), QStringList());
    EXPECT_EQ(errorOf([&] { db.openRecordset("Extra"); }), dberr::TableNotFound);
    db.copyTablesFrom(source);
    EXPECT_EQ(titles("Notes"), QStringList({"a", "b"}));
}

} // namespace
} // namespace vellumo
