// The main window in process, on the offscreen platform, with the recording tray, scripted message
// boxes and a temporary copy of the program folder.
#include "app/windows/history/history_toolbar.h"
#include "app/windows/main/frm_main.h"

#include "app/core/mod_vellumo.h"
#include "app/messaging/frm_to_send.h"
#include "app/messaging/peer_message.h"
#include "app/station/station.h"
#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "app/ui/push_button.h"
#include "app/ui/status_line.h"
#include "app/windows/compose/frm_send_message.h"
#include "app/windows/dialogs/frm_net_work_explorer.h"
#include "app/windows/dialogs/frm_options.h"
#include "app/windows/dialogs/frm_purge.h"
#include "app/windows/history/frm_sended_messages.h"
#include "app/windows/main/main_toolbar.h"
#include "http_server/gossamer.h"
#include "platform/net/name_resolver.h"
#include "platform/richtext/rich_text_editor.h"
#include "platform/richtext/rich_text_viewer.h"
#include "platform/widgets/tesk_toolbar.h"
#include "tests/support/event_loop.h"
#include "tests/support/fake_name_resolver.h"
#include "tests/support/fake_network_neighbourhood.h"
#include "tests/support/peer_requests.h"
#include "tests/support/recording_sender_reports.h"
#include "tests/support/tcp_test_client.h"
#include "tests/support/window_fixture.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>
#include <QTcpServer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

namespace vellumo {
namespace {

struct Row {
    QString from, to, onDate, text, rtf;
    QDateTime receipt;
};

class FrmMainTest : public ::testing::Test, protected test::WindowFixture {
protected:
    FrmMainTest() { folder.writeSettings(test::freeLoopbackPort()); }

    // Adds rows to the message database before the window opens it.
    void addRows(const std::vector<Row>& rows) {
        Database db = MessageStore::openMessages(folder.path());
        auto rs = db.openRecordset(QStringLiteral("Recived"));
        for (const Row& r : rows) {
            rs->addNew();
            rs->setField(QStringLiteral("FROM"), r.from);
            rs->setField(QStringLiteral("TO"), r.to);
            rs->setField(QStringLiteral("OnDate"), r.onDate);
            rs->setField(QStringLiteral("ReceiptDate"), r.receipt);
            rs->setField(QStringLiteral("Text"), r.text);
            rs->setField(QStringLiteral("RTF"), r.rtf);
            rs->update();
        }
        rs.reset();
        db.close();
    }

    // The station started and its window loaded, as main() does.
    frmMain& start() {
        makeState();
        station = std::make_unique<Station>(*state);
        loaded = station->Start();
        window = std::make_unique<frmMain>(*station, *loader);
        window->setEndProcess([this] { ++ended; });
        if (loaded)
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

    // The Compteur of every row of Recived, in order.
    std::vector<qint64> counters() {
        std::vector<qint64> ids;
        Database db = Database::open(folder.file(QStringLiteral("Vellumo.dbo")));
        auto rs = db.openRecordset(QString::fromLatin1(StoreStatements::SelectRecived));
        for (; rs->recordCount() > 0 && !rs->eof(); rs->moveNext())
            ids.push_back(rs->field(QStringLiteral("Compteur")).toLongLong());
        return ids;
    }

    // A colleague's station POSTE-B posts text to this station's server on 127.0.0.1 with the
    // program's own sender, and waits for what that sender was told.
    QString deliverFromAnotherStation(const QString& text) {
        test::FakeNameResolver resolver;
        resolver.addHost(QStringLiteral("POSTE-A"), {QStringLiteral("127.0.0.1")});
        ScopedNameResolver resolverScope(resolver);
        AppSettings other(folder.path());
        other.Port = state->Settings.Port;
        other.Key = state->Settings.Key;
        other.LocalStationName = QStringLiteral("POSTE-B");
        modLocalisation french(folder.path());
        SendSlots sendSlots;
        test::RecordingSenderReports reports;
        auto* sender = new frmToSend(other, french, sendSlots, reports);
        sendSlots.Take(0, sender);
        sender->UserSendTo = QStringLiteral("POSTE-A");
        sender->UserTo = QStringLiteral("POSTE-A;");
        sender->UserTextMessage = text;
        sender->UserRTFMessage = QStringLiteral("{\\rtf1 ") + text + QStringLiteral("}");
        sender->Send();
        if (!test::waitUntil([&] { return !reports.statusLines.empty(); }, 20000))
            return QString();
        return reports.statusLines.front().text;
    }

    const test::RecordingTrayShell::Icon* trayIcon() const {
        return tray.icons.empty() ? nullptr : &tray.icons.begin()->second;
    }

    std::unique_ptr<Station> station;
    std::unique_ptr<frmMain> window;
    bool loaded = false;
    int ended = 0;
};

const QDateTime kToday = QDateTime::currentDateTime();
const QDateTime kLastYear = QDateTime::currentDateTime().addYears(-1);

TEST_F(FrmMainTest, StartUpCopiesTheTemplateListensShowsTheBalloonAndGoesToTheTray) {
    ASSERT_FALSE(QFile::exists(folder.file(QStringLiteral("Vellumo.dbo"))));
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(QFile::exists(folder.file(QStringLiteral("Vellumo.dbo"))));
    EXPECT_TRUE(station->server().ConnectedToPort);
    EXPECT_EQ(station->server().Port, state->Settings.Port);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint); // IsAlwaysOnTop is on by default
    EXPECT_EQ(navigation(), QStringLiteral("00000"));        // nothing to browse
    EXPECT_TRUE(w.statusLine().isFrameControl());

    // The language of the settings (English by default) is applied and its string table loaded.
    EXPECT_EQ(state->Settings.CurrentLanguage, QStringLiteral("English"));
    const QString waiting = state->GetString(1, QStringLiteral("En attente de message..."));
    EXPECT_NE(waiting, QStringLiteral("En attente de message..."));
    EXPECT_EQ(w.toolbar().buttonToolTipText(2), QStringLiteral("Reply"));
    EXPECT_EQ(w.findChild<QAction*>(QStringLiteral("mnuQuit"))->text(), QStringLiteral("Quit"));

    const auto* icon = trayIcon();
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->hasIcon);
    EXPECT_EQ(icon->tip, QStringLiteral("Vellumo"));
    bool balloon = false;
    for (const auto& c : tray.calls)
        balloon = balloon || (c.info == waiting && c.infoTitle == QStringLiteral("Vellumo"));
    EXPECT_TRUE(balloon);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(FrmMainTest, ASecondWindowInTheSameFolderEndsAtOnce) {
    start();
    ASSERT_TRUE(loaded);
    modVellumo second(folder.path(), registry, shell);
    Station other(second);
    EXPECT_FALSE(other.Start());
    EXPECT_TRUE(other.StartFailure().isEmpty());
    EXPECT_TRUE(ui.boxes.empty());
}

struct LanguageCase {
    const char* name;
    std::vector<const char*> files;
    std::vector<const char*> captions;
};

class FrmMainLanguages : public FrmMainTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(FrmMainLanguages, ListsTheLanguageFiles) {
    folder.removeLanguages();
    QDir().mkpath(folder.file(QStringLiteral("Lng")));
    for (const char* f : GetParam().files) {
        QFile file(folder.file(QStringLiteral("Lng/") + QString::fromUtf8(f)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Strings]\r\nString1=Hello\r\nString2=###END###\r\n");
    }
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    QStringList captions;
    for (QAction* item : w.localizeItems())
        if (!item->text().isEmpty())
            captions << item->text();
    captions.sort();
    QStringList expected;
    for (const char* c : GetParam().captions)
        expected << QString::fromUtf8(c);
    expected.sort();
    EXPECT_EQ(captions, expected);
    EXPECT_EQ(w.languageMenu().menuAction()->isVisible(), !expected.isEmpty());
    if (expected.isEmpty()) {
        // No language: nothing is read, and every message keeps its French default.
        EXPECT_TRUE(state->Settings.CurrentLanguage.isEmpty());
        EXPECT_EQ(state->GetString(1, QStringLiteral("En attente de message...")),
                  QStringLiteral("En attente de message..."));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Menu, FrmMainLanguages,
    ::testing::Values(LanguageCase{"none", {}, {}}, LanguageCase{"application_only", {"application.lng"}, {}},
                      LanguageCase{"application_any_case", {"APPLICATION.lng", "English.lng"}, {"English"}},
                      LanguageCase{
                          "capital_extension_kept", {"Deutsch.LNG", "English.lng"}, {"Deutsch.LNG", "English"}},
                      LanguageCase{"accented", {"Français.lng", "English.lng"}, {"Français", "English"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmMainTest, ShowsTheNewestMessageAndBrowsesWithTheButtonTable) {
    addRows({{"PC1", "ME;", "01/01/2026 à 10:00:00", "first", "", kLastYear},
             {"PC2", "ME;", "02/01/2026 à 10:00:00", "second", "", kLastYear},
             {"PC3", "ME;", "03/01/2026 à 10:00:00", "third", "{\\rtf1 third}", kToday}});
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(w.text1(0).text(), QStringLiteral("PC3"));
    EXPECT_EQ(w.text1(1).text(), QStringLiteral("03/01/2026 à 10:00:00"));
    EXPECT_EQ(w.text1(2).text(), QStringLiteral("ME;"));
    EXPECT_EQ(w.viewer().plainText(), QStringLiteral("third"));
    EXPECT_TRUE(w.navigation().AtEnd);
    EXPECT_EQ(navigation(), QStringLiteral("11001")); // at end: first, previous, delete

    w.TeskToolbar1_ButtonClick(MainToolbar::First);
    EXPECT_EQ(w.text1(0).text(), QStringLiteral("PC1"));
    EXPECT_TRUE(w.navigation().AtStart);
    EXPECT_EQ(navigation(), QStringLiteral("00111")); // at start: next, last, delete

    w.TeskToolbar1_ButtonClick(MainToolbar::Next);
    EXPECT_EQ(w.text1(0).text(), QStringLiteral("PC2"));
    EXPECT_EQ(navigation(), QStringLiteral("11111"));

    // Previous from the first row lands before it; the viewer moves back and marks the start.
    w.TeskToolbar1_ButtonClick(MainToolbar::Previous);
    w.TeskToolbar1_ButtonClick(MainToolbar::Previous);
    EXPECT_EQ(w.text1(0).text(), QStringLiteral("PC1"));
    EXPECT_TRUE(w.navigation().AtStart);

    w.TeskToolbar1_ButtonClick(MainToolbar::Last);
    EXPECT_EQ(w.text1(0).text(), QStringLiteral("PC3"));
    EXPECT_EQ(navigation(), QStringLiteral("11001"));
}

TEST_F(FrmMainTest, TodaysMessagesOnTheWindowColourOlderOnesGrey) {
    addRows({{"OLD", "ME;", "", "", "", kLastYear}, {"NEW", "ME;", "", "", "", kToday}});
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(w.text1(0).palette().color(QPalette::Base), QColor(255, 255, 255));
    EXPECT_EQ(w.viewer().backColor(), QColor(255, 255, 255));
    w.TeskToolbar1_ButtonClick(MainToolbar::First);
    EXPECT_EQ(w.text1(0).text(), QStringLiteral("OLD"));
    EXPECT_EQ(w.text1(2).palette().color(QPalette::Base), QColor(0xE0, 0xE0, 0xE0));
    EXPECT_EQ(w.viewer().backColor(), QColor(0xE0, 0xE0, 0xE0));
}

TEST_F(FrmMainTest, DeleteAsksAndOnYesShowsTheNewestRemaining) {
    addRows({{"PC1", "", "", "", "", kToday}, {"PC2", "", "", "", "", kToday}});
    frmMain& w = start();
    ASSERT_TRUE(loaded);

    ui.answer(mb::No);
    w.TeskToolbar1_ButtonClick(MainToolbar::Delete);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].style, 4132);
    EXPECT_EQ(w.recordset()->recordCount(), 2);

    w.TeskToolbar1_ButtonClick(MainToolbar::First); // stand on PC1, then delete it
    ui.answer(mb::Yes);
    w.TeskToolbar1_ButtonClick(MainToolbar::Delete);
    EXPECT_EQ(w.recordset()->recordCount(), 1);
    EXPECT_EQ(w.text1(0).text(), QStringLiteral("PC2"));
    EXPECT_TRUE(w.navigation().AtEnd);

    ui.answer(mb::Yes);
    w.TeskToolbar1_ButtonClick(MainToolbar::Delete);
    EXPECT_EQ(w.recordset()->recordCount(), 0);
    EXPECT_EQ(navigation(), QStringLiteral("00000"));
    // Nothing of the deleted message stays on the window.
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(w.text1(i).text().isEmpty()) << i;
    EXPECT_TRUE(w.viewer().plainText().isEmpty());
}

struct PurgeCase {
    const char* name;
    std::vector<bool> recent; // per row, oldest first: received today (kept) or a year ago (purged)
    const char* shown;        // FROM shown afterwards, "" for none
    const char* buttons;      // 9 to 13 afterwards
    const char* status;
};

class FrmMainPurge : public FrmMainTest, public ::testing::WithParamInterface<PurgeCase> {};

TEST_P(FrmMainPurge, TheWindowShowsWhatTheStoreHoldsAndTellsHowManyWent) {
    std::vector<Row> rows;
    for (std::size_t i = 0; i < GetParam().recent.size(); ++i)
        rows.push_back({QStringLiteral("PC%1").arg(i + 1), "ME;", "", QStringLiteral("text %1").arg(i + 1),
                        QStringLiteral("{\\rtf1 text %1}").arg(i + 1), GetParam().recent[i] ? kToday : kLastYear});
    addRows(rows);
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    w.TeskToolbar1_ButtonClick(MainToolbar::First); // stands on the oldest, which the purge takes
    w.findChild<QAction*>(QStringLiteral("mnuPurge"))->trigger();
    frmPurge* purge = w.purgeWindow();
    ASSERT_NE(purge, nullptr);
    ui.answer(mb::Yes);
    purge->validerButton().click();

    EXPECT_EQ(w.text1(0).text(), QString::fromUtf8(GetParam().shown));
    if (QString::fromUtf8(GetParam().shown).isEmpty()) {
        EXPECT_TRUE(w.text1(1).text().isEmpty());
        EXPECT_TRUE(w.text1(2).text().isEmpty());
        EXPECT_TRUE(w.viewer().plainText().isEmpty());
    } else {
        EXPECT_EQ(w.viewer().plainText(), QStringLiteral("text ") + QString::fromUtf8(GetParam().shown).mid(2));
    }
    EXPECT_EQ(navigation(), QString::fromLatin1(GetParam().buttons));
    // The count, in the language of the program (English by default).
    EXPECT_EQ(w.statusLine().caption(), QString::fromUtf8(GetParam().status));
    EXPECT_EQ(w.statusLine().foreColor(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Purge, FrmMainPurge,
    ::testing::Values(
        PurgeCase{"some_left",
                  {false, false, true, true},
                  "PC4",
                  "11001",
                  "Purge done: 2 received and 0 sent message(s) deleted."},
        PurgeCase{"nothing_left", {false, false}, "", "00000", "Purge done: 2 received and 0 sent message(s) deleted."},
        PurgeCase{"nothing_to_purge", {true}, "PC1", "00001", "Purge done: 0 received and 0 sent message(s) deleted."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmMainTest, TheLanguageMenuOffersFrenchAndTicksTheLanguageInUse) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    QAction* english = nullptr;
    QAction* french = nullptr;
    for (QAction* item : w.localizeItems()) {
        if (item->text() == QStringLiteral("English"))
            english = item;
        if (item->text() == QStringLiteral("French"))
            french = item;
    }
    ASSERT_NE(english, nullptr);
    ASSERT_NE(french, nullptr);
    EXPECT_TRUE(english->isChecked());
    EXPECT_FALSE(french->isChecked());

    // Choosing French and staying (No to the quit question): the tick stays on the language in use.
    ui.answer(mb::Ok);
    ui.answer(mb::No);
    french->trigger();
    EXPECT_EQ(ui.boxes.size(), 2u);
    EXPECT_TRUE(english->isChecked());
    EXPECT_FALSE(french->isChecked());
}

// The question lets the event loop run, so the server stores a message that arrives meanwhile and
// the viewer moves to it; Yes still deletes the message that was shown when the question was asked.
TEST_F(FrmMainTest, DeleteRemovesTheShownMessageThoughOneArrivesWhileItAsks) {
    addRows({{"PC1", "ME;", "", "premier", "", kToday}, {"PC2", "ME;", "", "second", "", kToday}});
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(station->server().ConnectedToPort);
    state->Settings.LocalStationName = QStringLiteral("POSTE-A");
    w.TeskToolbar1_ButtonClick(MainToolbar::First); // the user looks at PC1 and deletes it
    ASSERT_EQ(w.text1(0).text(), QStringLiteral("PC1"));
    const std::vector<qint64> before = counters();
    ASSERT_EQ(before.size(), 2u);
    const qint64 shown = before[0];

    QString senderWasTold;
    QString shownWhileAsking;
    ui.onBox = [&](const test::ShownBox&) {
        senderWasTold = deliverFromAnotherStation(QStringLiteral("arrivé"));
        // The message that came in is not shown behind the question: it is about PC1's.
        test::runEventLoopFor(200);
        shownWhileAsking = w.text1(0).text();
    };
    ui.answer(mb::Yes);
    w.TeskToolbar1_ButtonClick(MainToolbar::Delete);

    EXPECT_EQ(senderWasTold, QStringLiteral("POSTE-A à reçu le message"));
    EXPECT_EQ(shownWhileAsking, QStringLiteral("PC1"));
    const std::vector<qint64> after = counters();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(std::count(after.begin(), after.end(), shown), 0);
    EXPECT_EQ(after[0], before[1]);
    EXPECT_GT(after[1], before[1]); // the message received meanwhile is kept
    // and shown, as the newest.
    EXPECT_EQ(w.text1(0).text(), QStringLiteral("POSTE-B"));
    EXPECT_EQ(w.viewer().plainText(), QStringLiteral("arrivé"));
    EXPECT_TRUE(w.navigation().AtEnd);
}

struct ReplyCase {
    const char* name;
    const char* from;
    const char* to;
    const char* own;
    bool all;
    const char* expected;
};

class ReplyLine : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(ReplyLine, IsBuiltFromTheMessage) {
    const auto& c = GetParam();
    EXPECT_EQ(
        frmMain::ReplyRecipients(QString::fromUtf8(c.from), QString::fromUtf8(c.to), QString::fromUtf8(c.own), c.all),
        QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Reply, ReplyLine,
    ::testing::Values(ReplyCase{"reply_adds_semicolon", "A", "B;C;", "C", false, "A;"},
                      ReplyCase{"reply_keeps_semicolon", "A;", "B;C;", "C", false, "A;"},
                      ReplyCase{"all_removes_own_name", "A", "B;C;", "C", true, "A;B;"},
                      ReplyCase{"all_own_name_first", "A", "C;B;", "C", true, "A;B;"},
                      ReplyCase{"all_keeps_longer_names", "PC2", "APC1;PC1;PC1X;", "PC1", true, "PC2;APC1;PC1X;"},
                      ReplyCase{"all_without_final_semicolon", "A", "B;C", "C", true, "A;B;"},
                      ReplyCase{"all_twice", "A", "C;B;C;", "C", true, "A;B;"},
                      ReplyCase{"all_sender_also_in_to", "posteA", "posteB;posteA;", "posteB", true, "posteA;"},
                      ReplyCase{"all_repeats_in_any_case", "A", "B;b;a;", "C", true, "A;B;"},
                      ReplyCase{"all_own_name_with_blanks", "A", "B; C;", "C", true, "A;B;"},
                      ReplyCase{"all_own_name_in_another_case", "A", "B;c;", "C", true, "A;B;"},
                      ReplyCase{"all_blanks_trimmed", "A", " B ;D", "C", true, "A;B;D;"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmMainTest, QuitWithNoKeepsRunningAndALanguageChangeRestartsThroughTheLauncher) {
    QFile extra(folder.file(QStringLiteral("Lng/Deutsch.lng")));
    ASSERT_TRUE(extra.open(QIODevice::WriteOnly));
    extra.write("[Strings]\r\nString1=###END###\r\n");
    extra.close();
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    int deutsch = -1;
    for (std::size_t i = 0; i < w.localizeItems().size(); ++i)
        if (w.localizeItems()[i]->text() == QStringLiteral("Deutsch"))
            deutsch = static_cast<int>(i);
    ASSERT_GE(deutsch, 0);

    ui.answer(mb::Ok);
    ui.answer(mb::No); // the quit question
    w.mnuLocalize_Click(deutsch);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].style, mb::Exclamation);
    EXPECT_EQ(ui.boxes[1].style, 4132);
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(w.RestartRequested);
    EXPECT_TRUE(shell.opened.empty());
    QFile ini(folder.file(QStringLiteral("Vellumo.ini")));
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ini.readAll().contains("Language=Deutsch"));

    ui.answer(mb::Yes);
    w.mnuQuit_Click();
    EXPECT_EQ(ended, 1);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(QFileInfo(shell.opened[0].file).fileName(), QStringLiteral("kippler"));
    EXPECT_EQ(shell.opened[0].parameters, QStringLiteral("/t"));
    EXPECT_EQ(trayIcon(), nullptr); // the icon went before the process ends
}

TEST_F(FrmMainTest, ClosingTheWindowRemovesTheTrayIconAndFreesTheFolder) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    ASSERT_NE(trayIcon(), nullptr);
    w.show();
    w.close();
    EXPECT_EQ(trayIcon(), nullptr);
    EXPECT_EQ(ended, 1);
    InstanceLock next(folder.path());
    EXPECT_TRUE(next.acquire());
}

TEST_F(FrmMainTest, APortInUseIsShownInRedAndInABalloon) {
    QTcpServer squatter;
    ASSERT_TRUE(squatter.listen(QHostAddress::Any, 0));
    folder.writeSettings(squatter.serverPort());
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(station->server().ConnectedToPort);
    EXPECT_EQ(w.statusLine().foreColor(), 192);
    EXPECT_TRUE(w.statusLine().caption().contains(QString::number(squatter.serverPort())));
    // The cause is named, in the language of the program (English by default).
    EXPECT_EQ(w.statusLine().caption(),
              QStringLiteral("Port %1 is already in use: no message can be received.").arg(squatter.serverPort()));
    const auto* icon = trayIcon();
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->info.contains(QString::number(squatter.serverPort())));
}

struct PortFailureCase {
    const char* name;
    std::int32_t error;
    const char* language; // "" for the built-in texts
    const char* expected;
};

class PortFailure : public ::testing::TestWithParam<PortFailureCase> {};

TEST_P(PortFailure, NamesTheCause) {
    const PortFailureCase& c = GetParam();
    modLocalisation texts(QStringLiteral(VELLUMO_SOURCE_DIR "/data"));
    if (*c.language)
        texts.LoadStrings(QString::fromLatin1(c.language));
    EXPECT_EQ(Station::PortFailureText(texts, 32666, c.error), QString::fromUtf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Causes, PortFailure,
    ::testing::Values(
        PortFailureCase{"in_use", 10048, "", "Le port 32666 est déjà utilisé : aucun message ne peut être reçu."},
        PortFailureCase{"refused", 10013, "", "L'accès au port 32666 est refusé : aucun message ne peut être reçu."},
        PortFailureCase{"address_not_available", 10049, "",
                        "L'adresse d'écoute du port 32666 n'est pas disponible : aucun message ne peut être reçu."},
        PortFailureCase{"other", 10050, "",
                        "Le port 32666 ne peut pas être ouvert (erreur 10050) : aucun message ne peut être reçu."},
        PortFailureCase{"refused_english", 10013, "English",
                        "Access to port 32666 is refused: no message can be received."},
        PortFailureCase{"other_english", 10050, "English",
                        "Port 32666 cannot be opened (error 10050): no message can be received."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrmMainTest, AnUnreachableDatabaseIsToldInTheLanguageOfTheProgram) {
    ASSERT_TRUE(QDir().mkpath(folder.file(QStringLiteral("Vellumo.dbo")))); // a folder where the file goes
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(w.statusLine().caption().startsWith(QStringLiteral("Message database unreachable: ")))
        << w.statusLine().caption().toStdString();
    EXPECT_EQ(w.statusLine().foreColor(), 192);
    w.findChild<QAction*>(QStringLiteral("mnuPurge"))->trigger();
    EXPECT_EQ(w.purgeWindow(), nullptr);
    EXPECT_EQ(w.statusLine().caption(), QStringLiteral("Message database unreachable."));
}

TEST_F(FrmMainTest, APortFreedLaterIsTakenAndTheStatusLineGoesBackToWaiting) {
    auto squatter = std::make_unique<QTcpServer>();
    ASSERT_TRUE(squatter->listen(QHostAddress::Any, 0));
    folder.writeSettings(squatter->serverPort());
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(w.statusLine().foreColor(), 192);
    squatter.reset();
    ASSERT_TRUE(test::waitUntil([&] { return station->server().ConnectedToPort; }, 20000));
    EXPECT_EQ(w.statusLine().foreColor(), 0);
    EXPECT_EQ(w.statusLine().caption(), state->GetString(1, QStringLiteral("En attente de message...")));
    ASSERT_FALSE(ui.events.empty());
    EXPECT_EQ(ui.events.back().type, EventLogType::Information);
}

TEST_F(FrmMainTest, AFailedListenerIsShownInRedAndWrittenToTheEventLog) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    ui.events.clear();
    station->ListenerFailed(10050, QStringLiteral("Network is down"));
    EXPECT_EQ(w.statusLine().foreColor(), 192);
    EXPECT_TRUE(w.statusLine().caption().contains(QStringLiteral("Network is down")));
    ASSERT_EQ(ui.events.size(), 1u);
    EXPECT_EQ(ui.events[0].type, EventLogType::Error);
    EXPECT_TRUE(ui.events[0].text.contains(QStringLiteral("10050")));
    ASSERT_NE(trayIcon(), nullptr);
    EXPECT_TRUE(trayIcon()->info.contains(QStringLiteral("Network is down")));
}

TEST_F(FrmMainTest, ALockFileThatCannotBeTakenIsShownAndIsNotASecondCopy) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("Vellumo.lock")));
    start();
    EXPECT_FALSE(loaded);
    EXPECT_FALSE(station->StartFailure().isEmpty());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_TRUE(ui.boxes[0].prompt.contains(QStringLiteral("Vellumo.lock")));
    EXPECT_EQ(ui.boxes[0].style & mb::IconMask, mb::Critical);
}

TEST_F(FrmMainTest, StatusLineTextWithABalloonPicksTheIconByColour) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    w.StatusBar1_SimpleText(QStringLiteral("PC9 ne semble pas connecté"), 192, true);
    EXPECT_EQ(w.statusLine().caption(), QStringLiteral("PC9 ne semble pas connecté"));
    EXPECT_EQ(w.statusLine().foreColor(), 192);
    ASSERT_NE(trayIcon(), nullptr);
    EXPECT_EQ(trayIcon()->info, QStringLiteral("PC9 ne semble pas connecté"));
    EXPECT_EQ(trayIcon()->infoFlags & 3u, 2u); // warning
    w.StatusBar1_SimpleText(QStringLiteral("PC9 à reçu le message"), 0, true);
    EXPECT_EQ(trayIcon()->infoFlags & 3u, 1u); // information
}

TEST_F(FrmMainTest, ToolbarAndMenusOpenTheOtherWindowsOnceAndClosingClosesThem) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    w.TeskToolbar1_ButtonClick(MainToolbar::Options);
    ASSERT_NE(w.optionsWindow(), nullptr);
    EXPECT_TRUE(w.optionsWindow()->isVisible());
    frmOptions* options = w.optionsWindow();
    w.findChild<QAction*>(QStringLiteral("mnuAbout"))->trigger();
    EXPECT_EQ(w.optionsWindow(), options); // the open one comes forward, no second one
    EXPECT_EQ(options->tabs().currentIndex(), 2);
    w.TeskToolbar1_ButtonClick(MainToolbar::SentMessages);
    ASSERT_NE(w.historyWindow(), nullptr);
    w.TeskToolbar1_ButtonClick(MainToolbar::NetworkBrowser);
    ASSERT_NE(w.networkBrowserWindow(), nullptr);
    w.findChild<QAction*>(QStringLiteral("mnuPurge"))->trigger();
    ASSERT_NE(w.purgeWindow(), nullptr);
    EXPECT_TRUE(w.purgeWindow()->isVisible());

    w.close();
    EXPECT_EQ(ended, 1);
    for (QWidget* other : std::initializer_list<QWidget*>{w.optionsWindow(), w.historyWindow(), w.purgeWindow(),
                                                          w.networkBrowserWindow()})
        EXPECT_TRUE(other == nullptr || !other->isVisible());
}

// Windows the user opens, kept on top (IsAlwaysOnTop is on by default): each is shown with the focus and
// left for the window manager to place (none is pinned to a place it was never given, such as the
// screen's corner under the window manager's frame).
TEST_F(FrmMainTest, WindowsTheUserOpensArePlacedByTheWindowManagerAndTakeTheFocus) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(w.testAttribute(Qt::WA_WState_Created)) << "the main window was shown on the way to the tray";
    w.findChild<QAction*>(QStringLiteral("mnuShow"))->trigger(); // the tray menu's "Afficher Vellumo"
    w.TeskToolbar1_ButtonClick(MainToolbar::Options);
    w.TeskToolbar1_ButtonClick(MainToolbar::SentMessages);
    w.findChild<QAction*>(QStringLiteral("mnuPurge"))->trigger();
    const std::pair<const char*, QWidget*> windows[] = {
        {"main", &w}, {"options", w.optionsWindow()}, {"history", w.historyWindow()}, {"purge", w.purgeWindow()}};
    for (const auto& [name, window] : windows) {
        SCOPED_TRACE(name);
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
        EXPECT_FALSE(window->testAttribute(Qt::WA_Moved));
        EXPECT_FALSE(window->testAttribute(Qt::WA_ShowWithoutActivating));
    }
}

TEST_F(FrmMainTest, ReplyToAllOpensTheComposeWindowWithTheLineAndTheQuote) {
    addRows({{"PC-A", "PC-B;ME;PC-C;", "", "Le texte d'origine", "{\\rtf1 Le texte d'origine}", kToday}});
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    state->Settings.LocalStationName = QStringLiteral("ME");
    w.TeskToolbar1_ButtonClick(MainToolbar::ReplyToAll);
    frmSendMessage* compose = w.composeWindowIfOpen();
    ASSERT_NE(compose, nullptr);
    EXPECT_TRUE(compose->isVisible());
    EXPECT_EQ(compose->text1().text(), QStringLiteral("PC-A;PC-B;PC-C;"));
    EXPECT_TRUE(compose->editor().toPlainText().contains(QStringLiteral("Le texte d'origine")));
    w.TeskToolbar1_ButtonClick(MainToolbar::Reply);
    EXPECT_EQ(w.composeWindowIfOpen(), compose); // one compose window at a time
    EXPECT_EQ(compose->text1().text(), QStringLiteral("PC-A;"));
}

TEST_F(FrmMainTest, TheHistoryOpensTheComposeWindowToSendAgainOrForANewMessage) {
    {
        Database db = MessageStore::openMessages(folder.path());
        auto rs = db.openRecordset(QString::fromLatin1(StoreStatements::SendedTable));
        rs->addNew();
        rs->setField(QStringLiteral("FROM"), QStringLiteral("ME"));
        rs->setField(QStringLiteral("TO"), QStringLiteral("POSTE-COMPTA;POSTE-DIRECTION;"));
        rs->setField(QStringLiteral("OnDate"), QStringLiteral("10/12/2026 à 09:15:00"));
        rs->setField(QStringLiteral("SendedDate"), kToday);
        rs->setField(QStringLiteral("Text"), QStringLiteral("La réunion est demain"));
        rs->setField(QStringLiteral("RTF"), QStringLiteral("{\\rtf1\\ansi La r\\'e9union est \\b demain\\b0\\par}"));
        rs->update();
    }
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    ASSERT_TRUE(w.toolbar().clickButton(MainToolbar::SentMessages));
    frmSendedMessages* history = w.historyWindow();
    ASSERT_NE(history, nullptr);

    // "Ré-envoyer": the same line, character for character, and the same body, the caret after it.
    ASSERT_TRUE(history->toolbar().clickButton(HistoryToolbar::SendAgain));
    frmSendMessage* compose = w.composeWindowIfOpen();
    ASSERT_NE(compose, nullptr);
    EXPECT_TRUE(compose->isVisible());
    EXPECT_EQ(compose->text1().text(), QStringLiteral("POSTE-COMPTA;POSTE-DIRECTION;"));
    EXPECT_EQ(compose->editor().plainText().trimmed(), QStringLiteral("La réunion est demain"));
    EXPECT_TRUE(compose->editor().textCursor().atEnd());
    EXPECT_EQ(compose->focusWidget(), &compose->editor());

    // "Nouveau Message": an empty compose window.
    compose->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(w.composeWindowIfOpen(), nullptr);
    ASSERT_TRUE(history->toolbar().clickButton(HistoryToolbar::NewMessage));
    compose = w.composeWindowIfOpen();
    ASSERT_NE(compose, nullptr);
    EXPECT_TRUE(compose->isVisible());
    EXPECT_TRUE(compose->text1().text().isEmpty());
    EXPECT_TRUE(compose->editor().plainText().isEmpty());
}

TEST_F(FrmMainTest, ValiderInTheNetworkBrowserPutsTheFocusInTheComposeEditor) {
    test::FakeNetworkNeighbourhood net;
    ScopedNetworkNeighbourhood netScope(net);
    net.top.provider("Microsoft Windows Network").workgroup("BUREAU").computer("POSTE-COMPTA");
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    w.show();
    ASSERT_TRUE(w.toolbar().clickButton(MainToolbar::NetworkBrowser));
    auto* browser = qobject_cast<frmNetWorkExplorer*>(w.networkBrowserWindow());
    ASSERT_NE(browser, nullptr);
    ASSERT_TRUE(test::waitUntil([&] { return !browser->tree().isHidden() && !browser->enumerating(); }, 10000));
    QTreeWidgetItem* computer = browser->node(QStringLiteral("Microsoft Windows NetworkBUREAUPOSTE-COMPTA"));
    ASSERT_NE(computer, nullptr);
    computer->setCheckState(0, Qt::Checked);
    auto* valider = browser->findChild<PushButton*>(QStringLiteral("Btn_Valider"));
    ASSERT_NE(valider, nullptr);
    valider->click();

    frmSendMessage* compose = w.composeWindowIfOpen();
    ASSERT_NE(compose, nullptr);
    EXPECT_TRUE(compose->isVisible());
    EXPECT_EQ(compose->text1().text(), QStringLiteral("POSTE-COMPTA;"));
    EXPECT_EQ(compose->focusWidget(), &compose->editor());
}

// Reply, reply to all and copy answer the message shown: off with none. With one message there is
// nowhere to move: only delete is on.
TEST_F(FrmMainTest, TheButtonsFollowWhatThereIsToShow) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    const auto messageButtons = [&] {
        QString s;
        for (int i : {MainToolbar::Reply, MainToolbar::ReplyToAll, MainToolbar::Copy})
            s += w.toolbar().buttonEnabled(i) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    };
    EXPECT_EQ(messageButtons(), QStringLiteral("000"));
    EXPECT_EQ(navigation(), QStringLiteral("00000"));

    PeerMessage m{QStringLiteral("PC-A"), QStringLiteral("10/12/2026 à 09:00:00"), QStringLiteral("ME;"),
                  QStringLiteral("un"), QStringLiteral("{\\rtf1 un}")};
    int shown = 0;
    QObject::connect(&w, &frmMain::RowShown, [&] { ++shown; });
    ASSERT_EQ(test::postMessageToHost(*station, m, state->Settings.Key).status, 200);
    ASSERT_TRUE(test::waitUntil([&] { return shown == 1; }, 10000));
    EXPECT_EQ(messageButtons(), QStringLiteral("111"));
    EXPECT_EQ(navigation(), QStringLiteral("00001"));

    ASSERT_EQ(test::postMessageToHost(*station, m, state->Settings.Key).status, 200);
    ASSERT_TRUE(test::waitUntil([&] { return shown == 2; }, 10000));
    EXPECT_EQ(navigation(), QStringLiteral("11001"));

    ui.answer(mb::Yes);
    w.TeskToolbar1_ButtonClick(MainToolbar::Delete);
    EXPECT_EQ(navigation(), QStringLiteral("00001"));
    ui.answer(mb::Yes);
    w.TeskToolbar1_ButtonClick(MainToolbar::Delete);
    EXPECT_EQ(navigation(), QStringLiteral("00000"));
    EXPECT_EQ(messageButtons(), QStringLiteral("000"));
}

// A message comes in and the user answers before the window has shown it: the reply is to that message,
// its sender and its text together.
TEST_F(FrmMainTest, AReplyAnswersTheRowWaitingToBeShown) {
    addRows({{"PC-OLD", "ME;", "", "ancien", "{\\rtf1 ancien}", kToday}});
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    PeerMessage m{QStringLiteral("PC-A"), QStringLiteral("10/12/2026 à 09:00:00"), QStringLiteral("ME;"),
                  QStringLiteral("nouveau"), QStringLiteral("{\\rtf1 nouveau}")};
    ASSERT_EQ(test::postMessageToHost(*station, m, state->Settings.Key).status, 200);
    ASSERT_EQ(w.text1(0).text(), QStringLiteral("PC-OLD")); // not shown yet
    w.TeskToolbar1_ButtonClick(MainToolbar::Reply);
    frmSendMessage* compose = w.composeWindowIfOpen();
    ASSERT_NE(compose, nullptr);
    EXPECT_EQ(compose->text1().text(), QStringLiteral("PC-A;"));
    EXPECT_TRUE(compose->editor().plainText().endsWith(QStringLiteral("nouveau")))
        << compose->editor().plainText().toStdString();
}

// A failure on the status line is old news once a message has come in.
TEST_F(FrmMainTest, AReceivedMessageClearsAnOldFailure) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    w.StatusBar1_SimpleText(QStringLiteral("PC9 ne présente pas son adress IP !"), 192, false);
    int shown = 0;
    QObject::connect(&w, &frmMain::RowShown, [&] { ++shown; });
    PeerMessage m{QStringLiteral("PC-A"), QStringLiteral("10/12/2026 à 09:00:00"), QStringLiteral("ME;"),
                  QStringLiteral("un"), QStringLiteral("{\\rtf1 un}")};
    ASSERT_EQ(test::postMessageToHost(*station, m, state->Settings.Key).status, 200);
    ASSERT_TRUE(test::waitUntil([&] { return shown == 1 && w.isVisible(); }, 10000));
    EXPECT_TRUE(w.statusLine().caption().isEmpty()) << w.statusLine().caption().toStdString();
    // A success line stays.
    w.StatusBar1_SimpleText(QStringLiteral("PC2 à reçu le message"), 0, false);
    ASSERT_EQ(test::postMessageToHost(*station, m, state->Settings.Key).status, 200);
    ASSERT_TRUE(test::waitUntil([&] { return shown == 2; }, 10000));
    test::runEventLoopFor(50);
    EXPECT_EQ(w.statusLine().caption(), QStringLiteral("PC2 à reçu le message"));
}

TEST_F(FrmMainTest, AReceivedMessageIsStoredShownAndBroughtForward) {
    addRows({{"OLD", "ME;", "", "", "", kLastYear}});
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    w.TeskToolbar1_ButtonClick(MainToolbar::First);
    PeerMessage m;
    m.FROM = QStringLiteral("PC-A");
    m.OnDate = QStringLiteral("10/12/2026 à 09:00:00");
    m.TO = QStringLiteral("ME;");
    m.Text = QStringLiteral("Bonjour");
    m.RTF = QStringLiteral("{\\rtf1 Bonjour}");
    int shown = 0;
    QObject::connect(&w, &frmMain::RowShown, [&] { ++shown; });
    const test::HostReply reply = test::postMessageToHost(*station, m, state->Settings.Key);
    EXPECT_EQ(reply.status, 200);
    EXPECT_TRUE(reply.reason.startsWith(QStringLiteral("MESSAGE:OK:")));
    EXPECT_EQ(w.recordset()->recordCount(), 2);
    EXPECT_TRUE(w.navigation().AtEnd);
    // The reply is filled before anything is shown: the display waits for the loop.
    EXPECT_EQ(shown, 0);
    EXPECT_FALSE(w.isVisible());
    ASSERT_TRUE(test::waitUntil([&] { return shown > 0; }, 10000));
    EXPECT_EQ(w.text1(0).text(), QStringLiteral("PC-A"));
    EXPECT_EQ(w.viewer().plainText(), QStringLiteral("Bonjour"));
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.text1(0).palette().color(QPalette::Base), QColor(255, 255, 255)); // received today
}

TEST_F(FrmMainTest, TheWholeReplyLeavesBeforeTheMessageIsShown) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    test::TcpTestClient peer(station->server().Port);
    ASSERT_TRUE(peer.connected());
    int shown = 0;
    bool replyWasThere = false;
    QObject::connect(&w, &frmMain::RowShown, [&] {
        ++shown;
        // Without running the loop: what the peer has received at the moment the display starts.
        replyWasThere = peer.waitFor([](const QByteArray& r) { return test::completeResponseLength(r) > 0; }, 0);
    });
    PeerMessage m{QStringLiteral("PC-A"), QStringLiteral("10/12/2026 à 09:00:00"), QStringLiteral("ME;"),
                  QStringLiteral("Bonjour"), QStringLiteral("{\\rtf1 Bonjour}")};
    peer.send(test::postRequest("/MESSAGE", test::keyHeaderLine(state->Settings.Key), m.Body(false).toUtf8()));
    ASSERT_TRUE(test::waitUntil([&] { return shown > 0; }, 10000));
    EXPECT_TRUE(replyWasThere);
    const auto response = peer.nextResponse(10000);
    ASSERT_TRUE(response.has_value());
    EXPECT_TRUE(response->startsWith("HTTP/1.1 200 MESSAGE:OK:"));
    EXPECT_TRUE(response->endsWith("Initialisation OK"));
    EXPECT_EQ(w.viewer().plainText(), QStringLiteral("Bonjour"));
}

TEST_F(FrmMainTest, AReplyQuotesTheWholeMessageWhenTheViewerShowsItsBeginning) {
    QByteArray words;
    for (int i = 0; i < 400; ++i)
        words += "mot" + QByteArray::number(i) + " ";
    addRows({{"PC-A", "ME;", "", "", QString::fromLatin1("{\\rtf1 " + words + "\\par fin du message}"), kLastYear}});
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    RtfReader::Limits small;
    small.maxParagraphCharacters = 100;
    w.viewer().setLimits(small);
    w.TeskToolbar1_ButtonClick(MainToolbar::First); // shown again, within the small limits
    ASSERT_TRUE(w.viewer().isCut());
    EXPECT_FALSE(w.viewer().plainText().contains(QStringLiteral("fin du message")));
    EXPECT_TRUE(w.viewer().toPlainText().endsWith(state->GetString(100, RichTextViewer::DefaultCutNotice())));
    w.TeskToolbar1_ButtonClick(MainToolbar::Reply);
    frmSendMessage* compose = w.composeWindowIfOpen();
    ASSERT_NE(compose, nullptr);
    const QString quoted = compose->editor().toPlainText();
    EXPECT_TRUE(quoted.contains(QStringLiteral("mot399 \nfin du message")));
    EXPECT_FALSE(quoted.contains(RichTextViewer::DefaultCutNotice()));
}

TEST_F(FrmMainTest, DeletingTheFavouritesAsksFirst) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    const QString users = folder.file(QStringLiteral("Users.dbo"));
    ASSERT_TRUE(QFile::copy(folder.file(QStringLiteral("Users.sys")), users));
    QAction* item = w.findChild<QAction*>(QStringLiteral("mnuDeleteCorrespondants"));
    ui.answer(mb::No);
    item->trigger();
    EXPECT_TRUE(QFile::exists(users));
    ui.answer(mb::Yes);
    item->trigger();
    EXPECT_FALSE(QFile::exists(users));
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].style, 4132);
    EXPECT_EQ(ui.boxes[0].title, QStringLiteral("Vellumo"));
}

TEST_F(FrmMainTest, TheHelpButtonShowsTheHelpBalloon) {
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    auto* help = w.findChild<PushButton*>(QStringLiteral("HelpMnu"));
    ASSERT_NE(help, nullptr);
    help->click();
    ASSERT_NE(trayIcon(), nullptr);
    EXPECT_EQ(trayIcon()->info, state->GetString(2, QString()));
    EXPECT_EQ(trayIcon()->infoTitle, state->GetString(3, QString()));
    EXPECT_EQ(trayIcon()->infoFlags & 3u, 2u);
}

TEST_F(FrmMainTest, ScreenshotOfAReceivedMessage) {
    addRows({{"POSTE-COMPTA", "POSTE-ACCUEIL;", "10/12/2026 à 09:15:00", "Bonjour, la réunion est déplacée à 14 h.",
              "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red192\\green0\\blue0;}"
              "\\f0\\fs24 Bonjour,\\par la r\\'e9union est \\b d\\'e9plac\\'e9e\\b0  \\cf1 \\'e0 14 h\\cf0 .\\par}",
              kToday}});
    frmMain& w = start();
    ASSERT_TRUE(loaded);
    w.StatusBar1_SimpleText(QStringLiteral("POSTE-COMPTA à reçu le message"), 0, false);
    w.show();
    QCoreApplication::processEvents();
    const QString dir = QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots");
    QDir().mkpath(dir);
    EXPECT_TRUE(w.grab().save(dir + QStringLiteral("/main_window.png")));
    EXPECT_TRUE(w.statusLine().grab().save(dir + QStringLiteral("/status_line.png")));
}

} // namespace
} // namespace vellumo
