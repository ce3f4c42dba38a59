#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "platform/runtime/runtime_error.h"
#include "platform/store/sqlite_connection.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the receive handler does with one message.
void receive(Recordset& rs, const QString& from, const QDateTime& when, const QString& text = "hello") {
    rs.addNew();
    rs.setField("FROM", from);
    rs.setField("TO", "ME;");
    rs.setField("OnDate", "01/03/2026 à 10:00:00");
    rs.setField("ReceiptDate", when);
    rs.setField("Text", text);
    rs.setField("RTF", "{\\rtf1 " + text + "}");
    rs.update();
    rs.moveLast();
}

void send(Database& db, const QString& to, const QDateTime& when) {
    auto rs = db.openRecordset(StoreStatements::SendedTable);
    rs->addNew();
    rs->setField("FROM", "ME");
    rs->setField("TO", to);
    rs->setField("OnDate", when.toString("dd/MM/yyyy à hh:mm:ss"));
    rs->setField("SendedDate", when);
    rs->setField("Text", "t");
    rs->setField("RTF", "r");
    rs->update();
}

QStringList column(Database& db, const QString& source, const QString& field) {
    auto rs = db.openRecordset(source);
    QStringList out;
    if (rs->recordCount() == 0)
        return out;
    for (rs->moveFirst(); !rs->eof(); rs->moveNext())
        out << rs->text(field);
    return out;
}

class MessageStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString in(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void copyTemplates() {
        for (const char* t : {MessageStore::MessageTemplate, MessageStore::UsersTemplate})
            ASSERT_TRUE(QFile::copy(QDir(VELLUMO_PROGRAM_DIR).filePath(t), in(t)));
    }
    QTemporaryDir dir;
};

TEST_F(MessageStoreTest, BuiltTemplatesAreEmptyStoresOfTheCurrentFormat) {
    const QDir program(VELLUMO_PROGRAM_DIR);
    Database messages = Database::open(program.filePath(MessageStore::MessageTemplate));
    EXPECT_EQ(messages.version(), "4.0");
    EXPECT_EQ(messages.openRecordset(StoreStatements::SelectRecived)->fieldNames(),
              QStringList({"Compteur", "FROM", "TO", "OnDate", "ReceiptDate", "Text", "RTF"}));
    EXPECT_EQ(messages.openRecordset("Sended")->fieldNames(),
              QStringList({"FROM", "TO", "OnDate", "SendedDate", "Text", "RTF"}));
    EXPECT_EQ(messages.openRecordset("Recived")->recordCount(), 0);
    Database users = Database::open(program.filePath(MessageStore::UsersTemplate));
    EXPECT_EQ(users.openRecordset("Users")->fieldNames(), QStringList({"Name"}));
    EXPECT_EQ(users.openRecordset("Users")->recordCount(), 0);
}

TEST_F(MessageStoreTest, MissingFileIsCopiedFromTheTemplateAndExistingOneKept) {
    copyTemplates();
    QFile::setPermissions(in(MessageStore::MessageTemplate), QFile::ReadOwner); // installed read-only
    // A journal left by an earlier, deleted file must not be replayed onto the copy.
    QFile stale(in(MessageStore::MessageDatabase) + "-wal");
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(4096, 'x'));
    stale.close();
    EXPECT_TRUE(MessageStore::ensureFile(in(MessageStore::MessageDatabase), in(MessageStore::MessageTemplate),
                                         MessageStore::Kind::Messages));
    EXPECT_EQ(bytesOf(in(MessageStore::MessageDatabase)), bytesOf(in(MessageStore::MessageTemplate)));
    EXPECT_FALSE(QFile::exists(in(MessageStore::MessageDatabase) + "-wal"));
    {
        Database db = MessageStore::openMessages(dir.path());
        auto rs = db.openRecordset(StoreStatements::SelectRecived);
        EXPECT_TRUE(rs->bof() && rs->eof());
        receive(*rs, "A", QDateTime::currentDateTime()); // the copy is writable
    }
    EXPECT_FALSE(MessageStore::ensureFile(in(MessageStore::MessageDatabase), in(MessageStore::MessageTemplate),
                                          MessageStore::Kind::Messages));
    Database db = Database::open(in(MessageStore::MessageDatabase));
    EXPECT_EQ(column(db, StoreStatements::SelectRecived, "FROM"), QStringList({"A"}));
}

TEST_F(MessageStoreTest, MissingTemplateCreatesTheTables) {
    Database messages = MessageStore::openMessages(dir.path());
    EXPECT_EQ(messages.version(), "4.0");
    EXPECT_EQ(messages.openRecordset(StoreStatements::SelectRecived)->recordCount(), 0);
    EXPECT_EQ(messages.openRecordset(StoreStatements::SendedTable)->recordCount(), 0);
    Database users = MessageStore::openUsers(dir.path());
    EXPECT_EQ(users.openRecordset(StoreStatements::UsersTable)->recordCount(), 0);
    EXPECT_FALSE(QFile::exists(in(MessageStore::MessageTemplate)));
    EXPECT_FALSE(QFile::exists(in(MessageStore::MessageDatabase) + ".new"));
}

TEST_F(MessageStoreTest, ReceivedMessagesReadNewestLastAndDeleteShowsTheNewestLeft) {
    copyTemplates();
    Database db = MessageStore::openMessages(dir.path());
    auto rs = db.openRecordset(StoreStatements::SelectRecived);
    const QDateTime now = QDateTime::currentDateTime();
    receive(*rs, "A", now);
    EXPECT_EQ(rs->text("from"), "A");
    receive(*rs, "B", now);
    receive(*rs, "C", now);
    EXPECT_EQ(rs->text("FROM"), "C");
    EXPECT_EQ(rs->text("ONDate"), "01/03/2026 à 10:00:00");
    EXPECT_EQ(rs->text("RTF"), "{\\rtf1 hello}");

    // The viewer's start-up on the file as it is now.
    auto viewer = Database::open(in(MessageStore::MessageDatabase)).openRecordset(StoreStatements::SelectRecived);
    viewer->moveLast();
    EXPECT_EQ(viewer->text("FROM"), "C");
    qlonglong previous = viewer->field("Compteur").toLongLong();
    for (viewer->movePrevious(); !viewer->bof(); viewer->movePrevious()) {
        EXPECT_LT(viewer->field("Compteur").toLongLong(), previous);
        previous = viewer->field("Compteur").toLongLong();
    }

    rs->deleteCurrent();
    rs->moveLast();
    EXPECT_EQ(rs->text("FROM"), "B");
    receive(*rs, "D", now);
    EXPECT_EQ(column(db, StoreStatements::SelectRecived, "FROM"), QStringList({"A", "B", "D"}));
    // Deleting the only message: moving to the last row still notifies, with nothing left to show.
    bool sawEmpty = false;
    QObject::connect(rs.get(), &Recordset::Reposition, [&] { sawEmpty = rs->recordCount() == 0 && rs->eof(); });
    for (int i = 0; i < 3; ++i) {
        rs->moveLast();
        rs->deleteCurrent();
    }
    rs->moveLast();
    EXPECT_TRUE(sawEmpty);
    EXPECT_TRUE(rs->bof() && rs->eof());
}

TEST_F(MessageStoreTest, PurgeDeletesStrictlyBeforeMidnightOfTheChosenDay) {
    const QDate day(2026, 3, 2);
    EXPECT_EQ(StoreStatements::PurgeRecived(day), "DELETE * FROM  Recived WHERE ReceiptDate < #2026-03-02# ;");
    EXPECT_EQ(StoreStatements::PurgeSended(day), "DELETE * FROM  Sended WHERE SendedDate < #2026-03-02# ;");
    Database db = MessageStore::openMessages(dir.path());
    auto rs = db.openRecordset(StoreStatements::SelectRecived);
    const QDateTime lastSecond(day.addDays(-1), QTime(23, 59, 59));
    const QDateTime midnight(day, QTime(0, 0));
    const QDateTime later(day, QTime(15, 30));
    receive(*rs, "old", lastSecond);
    receive(*rs, "midnight", midnight);
    receive(*rs, "later", later);
    send(db, "old;", lastSecond);
    send(db, "midnight;", midnight);
    send(db, "later;", later);
    EXPECT_EQ(db.execute(StoreStatements::PurgeRecived(day)), 1);
    EXPECT_EQ(db.execute(StoreStatements::PurgeSended(day)), 1);
    EXPECT_EQ(column(db, StoreStatements::SelectRecived, "FROM"), QStringList({"midnight", "later"}));
    EXPECT_EQ(column(db, StoreStatements::SendedTable, "TO"), QStringList({"midnight;", "later;"}));
    EXPECT_EQ(db.execute(StoreStatements::PurgeRecived(day.addDays(1))), 2);
}

TEST_F(MessageStoreTest, FavouritesAreUniqueWithoutRegardToCaseAndDeleteByExactName) {
    Database db = MessageStore::openUsers(dir.path());
    auto rs = db.openRecordset(StoreStatements::UsersTable);
    auto addUser = [&](const QString& name) {
        try {
            rs->addNew();
            rs->setField("Name", name);
            rs->update();
            return true;
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), dberr::Duplicate);
            return false;
        }
    };
    EXPECT_TRUE(addUser("O'Neil"));
    EXPECT_TRUE(addUser("O'Neil-2"));
    EXPECT_TRUE(addUser("ONeil"));
    EXPECT_TRUE(addUser("x' OR '1'='1"));
    EXPECT_FALSE(addUser("o'neil"));
    EXPECT_EQ(StoreStatements::DeleteUser("O'Neil"), "DELETE * FROM Users WHERE Name ='O''Neil';");
    EXPECT_EQ(db.execute(StoreStatements::DeleteUser("O'Neil")), 1);
    EXPECT_EQ(db.execute(StoreStatements::DeleteUser("x' OR '1'='1")), 1);
    EXPECT_EQ(column(db, StoreStatements::UsersTable, "Name"), QStringList({"O'Neil-2", "ONeil"}));
    EXPECT_EQ(db.execute(StoreStatements::DeleteUser("oneil")), 1); // as Jet compares: without case
}

TEST_F(MessageStoreTest, OneSendIsOneSendedRow) {
    Database db = MessageStore::openMessages(dir.path());
    const QDateTime now = QDateTime::currentDateTime();
    send(db, "A;B;C;", now);
    auto rs = db.openRecordset(StoreStatements::SendedTable);
    ASSERT_EQ(rs->recordCount(), 1);
    rs->moveFirst();
    EXPECT_EQ(rs->text("TO"), "A;B;C;");
    EXPECT_EQ(rs->dateTime("SendedDate"),
              QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second())));
}

} // namespace
} // namespace vellumo
