#include "app/store/mod_mdb_convert.h"

#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "platform/store/database.h"
#include "tests/support/scoped_database_fault.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace vellumo {
namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ConvertTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("Vellumo.dbo");
        backup = path + ".DB";
    }

    // A store of an older version: the same tables, three messages of which the newest was deleted.
    void makeStore(const QString& version) {
        {
            Database db = Database::create(path, version);
            for (const char* definition : StoreStatements::MessageSchema)
                db.define(definition);
            auto rs = db.openRecordset(StoreStatements::SelectRecived);
            for (const char* from : {"A", "B", "C"}) {
                rs->addNew();
                rs->setField("FROM", from);
                rs->setField("ReceiptDate", QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
                rs->setField("RTF", QString::fromLatin1("{\\rtf1 \xe9}"));
                rs->update();
            }
            rs->moveLast();
            rs->deleteCurrent();
            auto sent = db.openRecordset(StoreStatements::SendedTable);
            sent->addNew();
            sent->setField("TO", "X;");
            sent->update();
        }
        original = bytesOf(path);
        ASSERT_FALSE(original.isEmpty());
    }

    QStringList senders() {
        auto rs = Database::open(path).openRecordset(StoreStatements::SelectRecived);
        QStringList out;
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            out << QString("%1:%2").arg(rs->field("Compteur").toLongLong()).arg(rs->text("FROM"));
        return out;
    }

    QTemporaryDir dir;
    QString path, backup;
    QByteArray original;
};

TEST_F(ConvertTest, OlderStoreIsCopiedIntoTheCurrentFormatAndKeptAsBackup) {
    makeStore("3.0");
    EXPECT_FLOAT_EQ(modMDBConvert::GetDatabaseVersion(path), 3.0f);
    EXPECT_TRUE(modMDBConvert::ConvertDatabase(path));
    EXPECT_EQ(bytesOf(backup), original);
    EXPECT_EQ(Database::open(path).version(), "4.0");
    EXPECT_EQ(senders(), QStringList({"1:A", "2:B"}));
    {
        Database db = Database::open(path);
        auto rs = db.openRecordset(StoreStatements::SelectRecived);
        rs->moveLast();
        EXPECT_EQ(rs->text("RTF"), QString::fromLatin1("{\\rtf1 \xe9}"));
        EXPECT_EQ(rs->dateTime("ReceiptDate"), QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
        EXPECT_EQ(db.openRecordset("Sended")->recordCount(), 1);
        rs->addNew();
        rs->setField("FROM", "D");
        rs->update();
    }
    EXPECT_EQ(senders(), QStringList({"1:A", "2:B", "4:D"})); // 3 was used once: never again
    EXPECT_FALSE(QFile::exists(path + ".new"));
    // Converted once, left alone from then on.
    const QByteArray converted = bytesOf(path);
    EXPECT_TRUE(modMDBConvert::ConvertDatabase(path));
    EXPECT_EQ(bytesOf(path), converted);
}

TEST_F(ConvertTest, AnEarlierBackupIsReplaced) {
    QFile old(backup);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier backup");
    old.close();
    makeStore("2.0");
    EXPECT_TRUE(modMDBConvert::ConvertDatabase(path));
    EXPECT_EQ(bytesOf(backup), original);
    EXPECT_EQ(senders(), QStringList({"1:A", "2:B"}));
}

struct VersionCase {
    const char* name;
    const char* version;
    bool converts;
    bool result;
};

void PrintTo(const VersionCase& c, std::ostream* os) {
    *os << c.name;
}

class ConvertVersion : public ConvertTest, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(ConvertVersion, ConvertsOnlyTheKnownOlderVersions) {
    makeStore(GetParam().version);
    EXPECT_EQ(modMDBConvert::ConvertDatabase(path), GetParam().result);
    EXPECT_EQ(QFile::exists(backup), GetParam().converts);
    if (GetParam().converts)
        EXPECT_EQ(Database::open(path).version(), "4.0");
    else
        EXPECT_EQ(bytesOf(path), original);
    EXPECT_EQ(senders(), QStringList({"1:A", "2:B"}));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ConvertVersion,
    ::testing::Values(VersionCase{"Jet10", "1.0", true, true}, VersionCase{"Jet11", "1.1", true, true},
                      VersionCase{"Jet20", "2.0", true, true}, VersionCase{"Jet29", "2.9", true, true},
                      VersionCase{"Jet30", "3.0", true, true}, VersionCase{"Jet39", "3.9", true, true},
                      VersionCase{"Current", "4.0", false, true}, VersionCase{"Current49", "4.9", false, true},
                      VersionCase{"Between1", "1.5", false, false}, VersionCase{"Between2And3", "2.95", false, false},
                      VersionCase{"Newer", "5.0", false, false}, VersionCase{"NoNumber", "beta", false, false},
                      VersionCase{"Empty", "", false, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertVersionText, LeadingNumberOfTheText) {
    QTemporaryDir dir;
    const struct {
        const char* text;
        float value;
    } cases[] = {{"3.0", 3.0f}, {" 4.0", 4.0f}, {"3.5 beta", 3.5f}, {"1.1", 1.1f}, {"x3", 0.0f}, {"", 0.0f}};
    int n = 0;
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::number(n++));
        Database::create(path, c.text);
        EXPECT_FLOAT_EQ(modMDBConvert::GetDatabaseVersion(path), c.value) << c.text;
    }
    EXPECT_EQ(modMDBConvert::GetDatabaseVersion(dir.filePath("missing")), 0.0f);
}

TEST_F(ConvertTest, FilesThatAreNotStoresAreLeftAlone) {
    EXPECT_FALSE(modMDBConvert::ConvertDatabase(path)); // missing
    EXPECT_FALSE(QFile::exists(path));
    for (const QByteArray& content : {QByteArray("not a database at all").repeated(200), QByteArray()}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        f.close();
        EXPECT_EQ(modMDBConvert::GetDatabaseVersion(path), 0.0f);
        EXPECT_FALSE(modMDBConvert::ConvertDatabase(path));
        EXPECT_EQ(bytesOf(path), content);
        EXPECT_FALSE(QFile::exists(backup));
    }
}

TEST_F(ConvertTest, AStoreOpenElsewhereIsNotMovedAway) {
    makeStore("3.0");
    Database other = Database::open(path); // its journal, beside the file, may hold rows
    auto rs = other.openRecordset(StoreStatements::SelectRecived);
    rs->addNew();
    rs->setField("FROM", "D");
    rs->update();
    EXPECT_FALSE(modMDBConvert::ConvertDatabase(path));
    EXPECT_FALSE(QFile::exists(backup));
    EXPECT_EQ(senders(), QStringList({"1:A", "2:B", "4:D"}));
}

struct FailPoint {
    const char* name;
    const char* step;
    int occurrence;
};

void PrintTo(const FailPoint& c, std::ostream* os) {
    *os << c.name;
}

class ConvertFailure : public ConvertTest, public ::testing::WithParamInterface<FailPoint> {};

TEST_P(ConvertFailure, PutsTheOldFileBackUnderItsName) {
    makeStore("3.0");
    {
        test::ScopedDatabaseFault fault(GetParam().step, GetParam().occurrence);
        EXPECT_FALSE(modMDBConvert::ConvertDatabase(path));
        EXPECT_TRUE(fault.fired());
    }
    EXPECT_EQ(bytesOf(path), original);
    EXPECT_FALSE(QFile::exists(backup));
    EXPECT_FALSE(QFile::exists(path + ".new"));
    EXPECT_EQ(senders(), QStringList({"1:A", "2:B"}));
    // Once the fault is gone the next start converts.
    EXPECT_TRUE(modMDBConvert::ConvertDatabase(path));
    EXPECT_EQ(senders(), QStringList({"1:A", "2:B"}));
}

// "open" comes once for reading the version, then for the fresh file.
INSTANTIATE_TEST_SUITE_P(
    Steps, ConvertFailure,
    ::testing::Values(FailPoint{"CreatingTheFreshFile", "open", 2}, FailPoint{"DefiningTheTables", "Definition", 2},
                      FailPoint{"AttachingTheOldFile", "AttachSource", 1}, FailPoint{"CopyingRows", "CopyRows", 2},
                      FailPoint{"KeepingCounters", "RaiseSequences", 1}, FailPoint{"Committing", "Commit", 1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
