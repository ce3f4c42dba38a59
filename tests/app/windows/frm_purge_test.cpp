// The purge window in process, offscreen, over a temporary program folder: the proposed day, the
// confirmation text, the rows left in Recived and Sended around midnight of the chosen day, and what
// the holder is told of the rows removed.
#include "app/windows/dialogs/frm_purge.h"

#include "app/core/mod_vellumo.h"
#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "app/ui/push_button.h"
#include "tests/support/scoped_database_fault.h"
#include "tests/support/window_fixture.h"

#include <QCalendarWidget>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace vellumo {
namespace {

const QDate kDay(2026, 3, 2);

class FrmPurgeTest : public ::testing::Test, protected test::WindowFixture {
protected:
    FrmPurgeTest() {
        makeState();
        db.emplace(MessageStore::openMessages(folder.path()));
    }
    ~FrmPurgeTest() override { delete window.data(); }

    // One received and one sent message a second before, at, and long after midnight of kDay.
    void addRowsAroundMidnight() {
        const QDateTime times[] = {QDateTime(kDay.addDays(-1), QTime(23, 59, 59)), QDateTime(kDay, QTime(0, 0)),
                                   QDateTime(kDay, QTime(15, 30))};
        const char* names[] = {"before", "midnight", "later"};
        auto received = db->openRecordset(QString::fromLatin1(StoreStatements::SelectRecived));
        auto sent = db->openRecordset(QString::fromLatin1(StoreStatements::SendedTable));
        for (int i = 0; i < 3; ++i) {
            received->addNew();
            received->setField(QStringLiteral("FROM"), QString::fromLatin1(names[i]));
            received->setField(QStringLiteral("ReceiptDate"), times[i]);
            received->update();
            sent->addNew();
            sent->setField(QStringLiteral("TO"), QString::fromLatin1(names[i]));
            sent->setField(QStringLiteral("SendedDate"), times[i]);
            sent->update();
        }
    }

    QStringList column(const char* source, const char* field) {
        QStringList values;
        auto rs = db->openRecordset(QString::fromLatin1(source));
        for (rs->moveFirst(); !rs->eof(); rs->moveNext())
            values << rs->text(QString::fromLatin1(field));
        return values;
    }
    QStringList received() { return column(StoreStatements::SelectRecived, "FROM"); }
    QStringList sent() { return column(StoreStatements::SendedTable, "TO"); }

    frmPurge& open() {
        window = new frmPurge(*state, *loader, *db);
        window->Form_Load();
        window->show();
        return *window;
    }
    void choose(const QDate& day) {
        window->calendar().setSelectedDate(day);
        window->MonthView1_DateClick(day);
    }
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    std::optional<Database> db;
    QPointer<frmPurge> window;
};

TEST_F(FrmPurgeTest, ProposesTheDay180DaysBackAndNamesIt) {
    state->Settings.IsAlwaysOnTop = false; // the purge window is topmost all the same
    frmPurge& w = open();
    // Without a language the interface is French, its dates too, whatever the system's locale.
    const QLocale french(QLocale::French, QLocale::France);
    EXPECT_EQ(w.calendar().locale(), french);
    const QDate proposed = QDate::currentDate().addDays(-180);
    EXPECT_EQ(w.calendar().selectedDate(), proposed);
    EXPECT_EQ(w.label2().text(), QStringLiteral("Les messages antérieurs au ") + frmPurge::ShortDate(proposed, french) +
                                     QStringLiteral(" seront supprimés"));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Purger les anciens messages"));

    choose(kDay);
    EXPECT_EQ(w.label2().text(), QStringLiteral("Les messages antérieurs au ") + frmPurge::ShortDate(kDay, french) +
                                     QStringLiteral(" seront supprimés"));
}

TEST_F(FrmPurgeTest, NoLeavesBothTablesAndTheWindowAsTheyWere) {
    addRowsAroundMidnight();
    frmPurge& w = open();
    choose(kDay);
    ui.answer(7);
    w.validerButton().click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, QStringLiteral("Êtes-vous sûr de voulour supprimer les messages \r\nantérieurs au ") +
                                      frmPurge::ShortDate(kDay, QLocale(QLocale::French)) + QStringLiteral(" ?"));
    EXPECT_EQ(ui.boxes[0].title, QStringLiteral("Vellumo"));
    EXPECT_EQ(ui.boxes[0].style, 4132);
    settle();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(received().size(), 3);
    EXPECT_EQ(sent().size(), 3);
}

struct Purged {
    int received, sent;
    bool complete;
};

TEST_F(FrmPurgeTest, YesDeletesWhatCameBeforeMidnightOfTheChosenDayAndCloses) {
    addRowsAroundMidnight();
    frmPurge& w = open();
    std::vector<Purged> told;
    w.setPurged([&](int r, int s, bool complete) { told.push_back({r, s, complete}); });
    choose(kDay);
    ui.answer(6);
    w.validerButton().click();
    EXPECT_EQ(received(), QStringList({"midnight", "later"}));
    EXPECT_EQ(sent(), QStringList({"midnight", "later"}));
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].received, 1);
    EXPECT_EQ(told[0].sent, 1);
    EXPECT_TRUE(told[0].complete);
    settle();
    EXPECT_FALSE(window);
}

TEST_F(FrmPurgeTest, AFailingStatementIsShownAndTheWindowStaysOpen) {
    addRowsAroundMidnight();
    frmPurge& w = open();
    choose(kDay);
    ui.answer(6);
    std::vector<Purged> told;
    w.setPurged([&](int r, int s, bool complete) { told.push_back({r, s, complete}); });
    {
        test::ScopedDatabaseFault fault("DeleteWhere", 2); // the purge of Sended
        w.validerButton().click();
        EXPECT_TRUE(fault.fired());
    }
    // The holder learns of the received messages that went all the same.
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].received, 1);
    EXPECT_FALSE(told[0].complete);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].style, 16);
    EXPECT_TRUE(ui.boxes[1].prompt.startsWith(QStringLiteral("La purge de la base de messages a échoué")));
    EXPECT_FALSE(ui.events.empty());
    EXPECT_EQ(received(), QStringList({"midnight", "later"})); // the first statement had run
    EXPECT_EQ(sent().size(), 3);
    settle();
    EXPECT_TRUE(window);
}

TEST_F(FrmPurgeTest, AFailureIsToldInTheLanguageOfTheProgram) {
    state->Localisation.LoadStrings(QStringLiteral("English"));
    frmPurge& w = open();
    ui.answer(6);
    test::ScopedDatabaseFault fault("DeleteWhere", 1);
    w.validerButton().click();
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_TRUE(ui.boxes[1].prompt.startsWith(QStringLiteral("The purge of the message database failed: ")))
        << ui.boxes[1].prompt.toStdString();
}

TEST_F(FrmPurgeTest, AnnulerClosesAndDeletesNothing) {
    addRowsAroundMidnight();
    frmPurge& w = open();
    choose(kDay);
    w.annulerButton().click();
    settle();
    EXPECT_FALSE(window);
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(received().size(), 3);
    EXPECT_EQ(sent().size(), 3);
}

TEST_F(FrmPurgeTest, TranslatedWhenALanguageIsSetAndScreenshot) {
    state->Settings.CurrentLanguage = QStringLiteral("English");
    state->Localisation.LoadStrings(QStringLiteral("English"));
    frmPurge& w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Purge old messages"));
    EXPECT_EQ(w.annulerButton().caption(), QStringLiteral("&Cancel"));
    EXPECT_EQ(w.calendar().locale(), QLocale(QLocale::English, QLocale::UnitedKingdom));
    EXPECT_EQ(w.label2().text(), QStringLiteral("Messages older than %1 will be deleted")
                                     .arg(frmPurge::ShortDate(QDate::currentDate().addDays(-180),
                                                              QLocale(QLocale::English, QLocale::UnitedKingdom))));
    QCoreApplication::processEvents();
    const QString dir = QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    delete window.data();
    makeState(); // no language, no string table
    frmPurge& french = open();
    QCoreApplication::processEvents();
    EXPECT_TRUE(french.grab().save(dir + QStringLiteral("/purge.png")));
}

} // namespace
} // namespace vellumo
