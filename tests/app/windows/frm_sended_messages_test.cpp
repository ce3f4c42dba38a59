// The sent-message history in process, offscreen, over a temporary program folder: browsing table
// Sended, the colours of today's and older messages, delete with Yes and No, and send again.
#include "app/windows/history/frm_sended_messages.h"

#include "app/core/mod_vellumo.h"
#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "app/windows/history/history_toolbar.h"
#include "platform/drawing/system_colors.h"
#include "platform/richtext/rich_text_viewer.h"
#include "platform/widgets/tesk_toolbar.h"
#include "tests/support/window_fixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace vellumo {
namespace {

struct Sent {
    QString to, onDate, text, rtf;
    QDateTime sent;
};

const QDateTime kToday = QDateTime::currentDateTime();
const QDateTime kYesterday = QDateTime::currentDateTime().addDays(-1);

QString rtfOf(const char* text) {
    return QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ") + QString::fromLatin1(text) +
           QStringLiteral("\\par}");
}

class FrmSendedMessagesTest : public ::testing::Test, protected test::WindowFixture {
protected:
    FrmSendedMessagesTest() { makeState(); }
    ~FrmSendedMessagesTest() override { delete window.data(); }

    void addSent(const std::vector<Sent>& rows) {
        Database db = MessageStore::openMessages(folder.path());
        auto rs = db.openRecordset(QString::fromLatin1(StoreStatements::SendedTable));
        for (const Sent& r : rows) {
            rs->addNew();
            rs->setField(QStringLiteral("FROM"), QStringLiteral("POSTE-ACCUEIL"));
            rs->setField(QStringLiteral("TO"), r.to);
            rs->setField(QStringLiteral("OnDate"), r.onDate);
            rs->setField(QStringLiteral("SendedDate"), r.sent);
            rs->setField(QStringLiteral("Text"), r.text);
            rs->setField(QStringLiteral("RTF"), r.rtf);
            rs->update();
        }
        rs.reset();
        db.close();
    }

    int rowsLeft() {
        Database db = Database::open(folder.file(QStringLiteral("Vellumo.dbo")));
        return db.openRecordset(QString::fromLatin1(StoreStatements::SendedTable))->recordCount();
    }

    frmSendedMessages& open() {
        // The station makes the database at start-up; the history finds it there.
        MessageStore::openMessages(folder.path()).close();
        window = new frmSendedMessages(*state, *loader);
        window->Form_Load();
        return *window;
    }

    // Buttons 9 to 13 as "first previous next last delete", 1 for on.
    QString navigation() {
        QString s;
        for (int i = NavigationButton::First; i <= NavigationButton::Delete; ++i)
            s += window->toolbar().buttonEnabled(i) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    QColor boxColour(int i) { return window->text1(i).palette().color(QPalette::Base); }
    void click(int button) { window->TeskToolbar1_ButtonClick(button, window->toolbar().buttonKey(button)); }

    QPointer<frmSendedMessages> window;
};

TEST_F(FrmSendedMessagesTest, AnEmptyHistoryShowsNothingAndDisablesTheNavigation) {
    frmSendedMessages& w = open();
    EXPECT_EQ(navigation(), QStringLiteral("00000"));
    EXPECT_TRUE(w.text1(1).text().isEmpty());
    EXPECT_TRUE(w.text1(2).text().isEmpty());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Messages envoyés"));
    EXPECT_EQ(w.toolbar().buttonCount(), 22);
    EXPECT_EQ(w.toolbar().buttonKey(22), QStringLiteral("Annule2"));
    EXPECT_EQ(w.toolbar().buttonToolTipText(2), QStringLiteral("Ré-envoyer"));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint); // IsAlwaysOnTop by default
}

TEST_F(FrmSendedMessagesTest, WithoutTheDatabaseFileTheHistoryIsEmptyAndTheFailureLogged) {
    window = new frmSendedMessages(*state, *loader);
    window->Form_Load();
    EXPECT_EQ(navigation(), QStringLiteral("00000"));
    EXPECT_EQ(window->recordset(), nullptr);
    EXPECT_FALSE(ui.events.empty());
    for (int button : {HistoryToolbar::First, HistoryToolbar::Previous, HistoryToolbar::Next, HistoryToolbar::Last,
                       HistoryToolbar::Delete, HistoryToolbar::SendAgain})
        click(button);              // nothing to move, delete or send
    EXPECT_EQ(ui.boxes.size(), 1u); // the delete question; Yes or No, there is nothing to delete
}

TEST_F(FrmSendedMessagesTest, OneMessageSentTodayShowsOnTheWindowColour) {
    addSent({{"POSTE-COMPTA;", "10/12/2026 à 09:15:00", "Bonjour", rtfOf("Bonjour"), kToday}});
    frmSendedMessages& w = open();
    EXPECT_EQ(navigation(), QStringLiteral("11001"));
    EXPECT_TRUE(w.navigation().AtEnd);
    EXPECT_EQ(w.text1(1).text(), QStringLiteral("10/12/2026 à 09:15:00"));
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("POSTE-COMPTA;"));
    EXPECT_EQ(w.viewer().plainText().trimmed(), QStringLiteral("Bonjour"));
    const QColor window = SystemColors::toQColor(MessageNavigation::TodayColour);
    EXPECT_EQ(boxColour(1), window);
    EXPECT_EQ(boxColour(2), window);
    EXPECT_EQ(w.viewer().backColor(), window);
}

TEST_F(FrmSendedMessagesTest, BrowsesTheTableAndCorrectsMovesPastEitherEnd) {
    addSent({{"A;", "1", "", rtfOf("un"), kYesterday},
             {"B;", "2", "", rtfOf("deux"), kYesterday},
             {"C;", "3", "", rtfOf("trois"), kToday}});
    frmSendedMessages& w = open();
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("C;"));
    EXPECT_EQ(navigation(), QStringLiteral("11001"));

    click(HistoryToolbar::First); // first
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("A;"));
    EXPECT_EQ(navigation(), QStringLiteral("00111"));
    const QColor grey = SystemColors::toQColor(MessageNavigation::OlderColour);
    EXPECT_EQ(boxColour(1), grey);
    EXPECT_EQ(w.viewer().backColor(), grey);

    click(HistoryToolbar::Next); // next
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("B;"));
    EXPECT_EQ(navigation(), QStringLiteral("11111"));
    click(HistoryToolbar::Previous); // previous: on the first row, previous and first stay on until a move goes past it
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("A;"));
    EXPECT_EQ(navigation(), QStringLiteral("11111"));
    click(HistoryToolbar::Previous); // before the start: back on the first row with AtStart
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("A;"));
    EXPECT_TRUE(w.navigation().AtStart);
    EXPECT_EQ(navigation(), QStringLiteral("00111"));

    click(HistoryToolbar::Last); // last
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("C;"));
    EXPECT_EQ(navigation(), QStringLiteral("11001"));
    EXPECT_EQ(boxColour(2), SystemColors::toQColor(MessageNavigation::TodayColour));
    click(HistoryToolbar::Next); // next is disabled here, but a call past the end is corrected all the same
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("C;"));
    EXPECT_TRUE(w.navigation().AtEnd);
}

TEST_F(FrmSendedMessagesTest, DeleteAsksFirstAndNoChangesNothing) {
    addSent({{"A;", "1", "", rtfOf("un"), kYesterday}, {"B;", "2", "", rtfOf("deux"), kToday}});
    frmSendedMessages& w = open();
    click(HistoryToolbar::First);
    ui.answer(7); // No
    click(HistoryToolbar::Delete);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].prompt, QStringLiteral("Êtes-vous sur de vouloir détruire ce message ? "));
    EXPECT_EQ(ui.boxes[0].title, QStringLiteral("Supprimer un message..."));
    EXPECT_EQ(ui.boxes[0].style, 4132);
    EXPECT_EQ(rowsLeft(), 2);
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("A;"));

    ui.answer(6); // Yes: the shown one goes, the newest left is shown
    click(HistoryToolbar::Delete);
    EXPECT_EQ(rowsLeft(), 1);
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("B;"));
    EXPECT_TRUE(w.navigation().AtEnd);
    EXPECT_EQ(navigation(), QStringLiteral("11001"));

    ui.answer(6); // the last one: nothing left to browse
    click(HistoryToolbar::Delete);
    EXPECT_EQ(rowsLeft(), 0);
    EXPECT_EQ(navigation(), QStringLiteral("00000"));
}

// Deleting the last message leaves nothing on screen and nothing to send again.
TEST_F(FrmSendedMessagesTest, AfterTheLastMessageIsDeletedNothingIsShownOrSentAgain) {
    addSent({{"POSTE-COMPTA;", "10/12/2026 à 09:15:00", "Bonjour", rtfOf("Bonjour"), kYesterday}});
    frmSendedMessages& w = open();
    int resent = 0;
    w.setResend([&](const QString&, const QString&) { ++resent; });
    ASSERT_EQ(w.text1(2).text(), QStringLiteral("POSTE-COMPTA;"));
    ui.answer(6);
    click(HistoryToolbar::Delete);
    ASSERT_EQ(rowsLeft(), 0);
    EXPECT_EQ(navigation(), QStringLiteral("00000"));
    EXPECT_TRUE(w.text1(1).text().isEmpty());
    EXPECT_TRUE(w.text1(2).text().isEmpty());
    EXPECT_TRUE(w.viewer().plainText().isEmpty());
    EXPECT_EQ(boxColour(1), SystemColors::toQColor(MessageNavigation::TodayColour)); // not the grey of the old one
    EXPECT_FALSE(w.toolbar().buttonEnabled(HistoryToolbar::SendAgain));
    click(HistoryToolbar::SendAgain);
    EXPECT_EQ(resent, 0);
}

// Whatever moves the recordset while the question is open, Yes deletes the row that was shown.
TEST_F(FrmSendedMessagesTest, DeleteRemovesTheRowShownWhenItAsked) {
    addSent({{"A;", "1", "", rtfOf("un"), kToday}, {"B;", "2", "", rtfOf("deux"), kToday}});
    frmSendedMessages& w = open();
    click(HistoryToolbar::First);
    ASSERT_EQ(w.text1(2).text(), QStringLiteral("A;"));
    ui.onBox = [&](const test::ShownBox&) { w.recordset()->moveLast(); };
    ui.answer(6);
    click(HistoryToolbar::Delete);
    EXPECT_EQ(rowsLeft(), 1);
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("B;"));
}

TEST_F(FrmSendedMessagesTest, SendAgainHandsTheRecipientsLineAndBodyToTheComposeWindow) {
    const QString rtf = rtfOf("r\\'e9union \\b demain\\b0");
    addSent({{"POSTE-COMPTA;POSTE-DIRECTION;", "1", "", rtf, kToday}});
    frmSendedMessages& w = open();
    QString recipients, body;
    int newMail = 0;
    w.setResend([&](const QString& r, const QString& b) {
        recipients = r;
        body = b;
    });
    w.setNewMail([&] { ++newMail; });
    EXPECT_TRUE(w.toolbar().clickButton(HistoryToolbar::SendAgain));
    EXPECT_EQ(recipients, QStringLiteral("POSTE-COMPTA;POSTE-DIRECTION;"));
    EXPECT_EQ(body, rtf);
    EXPECT_TRUE(w.toolbar().clickButton(HistoryToolbar::NewMessage));
    EXPECT_EQ(newMail, 1);
    EXPECT_FALSE(w.toolbar().buttonVisible(3)); // no action in this window
}

TEST_F(FrmSendedMessagesTest, QuitClosesTheWindow) {
    open();
    window->show();
    click(HistoryToolbar::Close);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(window);
}

TEST_F(FrmSendedMessagesTest, TranslatedWhenALanguageIsSetAndScreenshot) {
    addSent({{"POSTE-COMPTA;POSTE-DIRECTION;", "10/12/2026 à 09:15:00", "",
              QStringLiteral("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue192;}\\f0\\fs24 "
                             "La r\\'e9union de \\b demain\\b0  est \\cf1 confirm\\'e9e\\cf0 .\\par}"),
              kToday}});
    state->Settings.CurrentLanguage = QStringLiteral("English");
    frmSendedMessages& w = open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Sent messages"));
    EXPECT_EQ(w.toolbar().buttonToolTipText(2), QStringLiteral("Send again"));
    EXPECT_EQ(w.toolbar().buttonToolTipText(22), QStringLiteral("Quit"));

    w.show();
    QCoreApplication::processEvents();
    const QString dir = QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("/sent_messages.png")));
}

} // namespace
} // namespace vellumo
