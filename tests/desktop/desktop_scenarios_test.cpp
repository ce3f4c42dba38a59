// The program on a real desktop, used as a person uses it. Each scenario has a display of its own;
// the scenarios that need two stations run them in network namespaces made for the scenario.
// Screenshots of every step: build/screenshots/desktop/<scenario>-<step>.png.
//
// The ShortDesktop scenarios are the ones the sanitized build runs too.
#include "tests/desktop/desktop_fixture.h"

#include <QRegularExpression>
#include <QTimer>

namespace vellumo::desktop {
namespace {

// ---- scenarios of one station, short enough for the sanitized build -------------------------------

class ShortDesktop : public DesktopFixture {};

// Start, the icon in the tray, a double-click on it: the main window on screen, with the focus. Hidden
// from its toolbar and shown again from the tray menu: again on screen with the focus.
TEST_F(ShortDesktop, TrayIconOpensTheMainWindowOnScreenWithTheFocus) {
    Station& a = startStation(0);
    ASSERT_FALSE(HasFailure());
    const auto icon = a.trayIcon();
    ASSERT_TRUE(icon);
    EXPECT_GE(icon->client.width(), 16);
    shot(QStringLiteral("1-tray"));

    doubleClickTray(a);
    XWindow main = expectFocusedWindow(a, title::Main);
    shot(QStringLiteral("2-main"));

    clickToolbar(main, toolbar::Main, MainToolbar::Hide);
    ASSERT_TRUE(waitGone(a, title::Main));
    trayMenu(a, 1); // "Afficher Vellumo"
    main = expectFocusedWindow(a, title::Main);
    shot(QStringLiteral("3-shown-again"));
}

// Quit from the tray menu, then the launcher starts the program again, as after a change of language.
TEST_F(ShortDesktop, QuitFromTheTrayAndRestartThroughTheLauncher) {
    Station& a = startStation(0);
    ASSERT_FALSE(HasFailure());
    trayMenu(a, 3); // "Quitter"
    answerBox(a, title::QuitQuestion, {QStringLiteral("Return")}, QStringLiteral("1-quit-question"));
    ASSERT_TRUE(a.waitForEnd(30000)) << "the program did not end";
    EXPECT_FALSE(a.trayIcon());
    EXPECT_TRUE(a.sanitizerReports().isEmpty()) << a.sanitizerReports().toStdString();

    ASSERT_TRUE(a.startLauncher({QStringLiteral("/t")}));
    ASSERT_TRUE(waitFor([&] { return a.trayIcon().has_value(); }, 60000)) << "the launcher did not restart it";
    doubleClickTray(a);
    expectFocusedWindow(a, title::Main);
    shot(QStringLiteral("2-restarted"));
}

// The waiting balloon of start-up points at the icon in the tray, also when the tray host takes the
// icon in only a while after the program has shown it: it is never drawn at the screen's corner, where
// the icon stands until it is taken in.
TEST_F(ShortDesktop, TheWaitingBalloonShowsAtTheTrayIcon) {
    Station& a = addStation(0);
    // Every balloon of the program seen while it starts, and until the first is up.
    std::vector<QRect> balloons;
    const auto look = [&] {
        if (const qint64 pid = a.pid()) {
            for (const XWindow& w : x.windowsOf(pid, {}, true)) {
                if (w.types.contains(QStringLiteral("TOOLTIP")))
                    balloons.push_back(w.outer());
            }
        }
    };
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, look);
    watch.start();
    x.holdTrayHost(2500);
    start(a);
    ASSERT_FALSE(HasFailure());
    const auto icon = a.trayIcon();
    ASSERT_TRUE(icon);
    ASSERT_TRUE(waitFor([&] { return !balloons.empty(); }, 15000)) << "no balloon of the program on the screen";
    watch.stop();
    shot(QStringLiteral("1-balloon"));
    for (const QRect& balloon : balloons) {
        EXPECT_TRUE(balloon.adjusted(-40, -40, 40, 40).intersects(icon->client))
            << "a balloon at " << balloon.x() << "," << balloon.y() << ", far from the icon at " << icon->client.x()
            << "," << icon->client.y();
    }
}

// ---- scenarios of one station ---------------------------------------------------------------------

class Desktop : public DesktopFixture {};

// The options from the tray menu, the purge from the tools menu: each on screen with the focus and its
// buttons; Annuler closes the options, Valider and Yes close the purge. The store held only messages
// older than the proposed day: it is empty after the purge, and the main window shows what an empty
// store shows (the look of another station's main window over an empty store): no fields, no body,
// the navigation and delete buttons disabled. Only the status line differs, with the purge's count.
TEST_F(Desktop, OptionsAndPurge) {
    const QString settings = QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0");
    Station& a = addStation(0, settings);
    const QDateTime old(QDate(2020, 3, 2), QTime(9, 30));
    const auto message = [](const char* text) {
        return StoredMessage{QStringLiteral("ancien-poste"), QStringLiteral("ici;"), QString::fromLatin1(text),
                             QStringLiteral("{\\rtf1\\ansi %1\\par}").arg(QString::fromLatin1(text))};
    };
    ASSERT_TRUE(a.storeMessage("Recived", message("Un ancien message"), old));
    ASSERT_TRUE(a.storeMessage("Recived", message("Un autre ancien message"), old.addDays(1)));
    ASSERT_TRUE(a.storeMessage("Sended", message("Un ancien envoi"), old));
    start(a);
    Station& empty = startStation(1, settings);
    ASSERT_FALSE(HasFailure());

    const XWindow reference = openMain(empty);
    const QImage emptyLook = look(reference);
    clickToolbar(reference, toolbar::Main, MainToolbar::Hide);
    ASSERT_TRUE(waitGone(empty, title::Main));

    trayMenu(a, 2); // "Options"
    const XWindow options = expectFocusedWindow(a, title::Options);
    shot(QStringLiteral("1-options"));
    const auto optionButtons = bottomButtons(options);
    ASSERT_EQ(optionButtons.size(), 3u) << "OK, Annuler, Appliquer";
    x.click(optionButtons[1].center()); // Annuler
    EXPECT_TRUE(waitGone(a, title::Options));

    const XWindow main = openMain(a);
    const QRect face(0, 0, main.client.width(), statusLine(main).top());
    EXPECT_GT(differingPixels(look(main), emptyLook, face), 1000) << "the old messages are not shown";
    shot(QStringLiteral("2-old-messages"));
    toolsMenu(a, main, 1); // "Purger la base de messages"
    const XWindow purge = expectFocusedWindow(a, title::Purge);
    shot(QStringLiteral("3-purge"));
    const auto purgeButtons = bottomButtons(purge);
    ASSERT_EQ(purgeButtons.size(), 2u) << "Valider, Annuler";
    x.click(purgeButtons[0].center()); // Valider
    // The question has the main window's title: it is the other window of that title.
    const XWindow question = expectOtherWindow(a, title::Main, main.id, 20000);
    EXPECT_TRUE(onScreen(question));
    EXPECT_TRUE(active(question));
    shot(QStringLiteral("4-purge-question"));
    x.keys({QStringLiteral("Return")});
    EXPECT_TRUE(waitGone(a, title::Purge));

    EXPECT_TRUE(a.received().empty());
    EXPECT_TRUE(a.sent().empty());
    int changed = 0;
    EXPECT_TRUE(waitFor(
        [&] {
            changed = differingPixels(look(main), emptyLook, face);
            return changed == 0;
        },
        10000))
        << changed << " pixels of the main window differ from an empty one's after the purge";
    shot(QStringLiteral("5-purged"));
}

// ---- two stations ---------------------------------------------------------------------------------

// A rich-text message from A to B pops up at B and is stored; B replies, A replies to all, A looks at
// the sent history, B deletes a message after the confirmation.
TEST_F(TwoStationDesktop, MessageReplyReplyToAllHistoryAndDelete) {
    Station& a = startStation(0);
    // B keeps the default IsAlwaysOnTop off: a message brings its main window up with a topmost pulse.
    Station& b = startStation(1, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    ASSERT_FALSE(HasFailure());

    XWindow compose = openCompose(a);
    // The colour buttons show their colours: red, blue, green, black letters and a yellow highlight.
    const QImage face = x.grab(compose);
    const QRgb colours[5] = {qRgb(255, 0, 0), qRgb(0, 0, 223), qRgb(0, 255, 0), qRgb(0, 0, 0), qRgb(255, 255, 0)};
    for (int i = 0; i < 5; ++i) {
        const QImage button = face.copy(compose::FirstColourButton.translated(i * compose::ColourStep, 0));
        EXPECT_GE(pixelsNear(button, colours[i]), i == 4 ? 100 : 6) << "colour button " << i + 1 << " shows no colour";
    }
    clickIn(compose, compose::RecipientsLine);
    x.type(b.name() + QLatin1Char(';'));
    clickIn(compose, compose::Editor);
    x.type(QStringLiteral("Bonjour de A"));
    x.keys({QStringLiteral("ctrl+a")});
    clickIn(compose, compose::FirstColourButton.center()); // red
    shot(QStringLiteral("1-compose"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    EXPECT_TRUE(waitGone(a, title::Compose));

    const XWindow popup = expectWindow(b, title::Main);
    shot(QStringLiteral("2-received"));
    EXPECT_TRUE(onScreen(popup));
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 1; }, 20000)) << "B stored no message";
    const StoredMessage got = b.received().front();
    EXPECT_EQ(got.from, a.name());
    EXPECT_EQ(got.to, b.name() + QLatin1Char(';'));
    EXPECT_TRUE(got.text.contains(QStringLiteral("Bonjour de A")));
    EXPECT_TRUE(got.rtf.contains(QStringLiteral("\\red255\\green0\\blue0"))) << got.rtf.toStdString();
    ASSERT_TRUE(waitFor([&] { return a.sent().size() == 1; }, 10000));
    EXPECT_EQ(a.sent().front().to, b.name() + QLatin1Char(';'));

    // B replies, from its main window brought up from the tray.
    clickToolbar(openMain(b), toolbar::Main, MainToolbar::Reply);
    compose = expectFocusedWindow(b, title::Compose);
    x.type(QStringLiteral("Reponse de B"));
    shot(QStringLiteral("3-reply"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    EXPECT_TRUE(waitGone(b, title::Compose));
    ASSERT_TRUE(waitFor([&] { return a.received().size() == 1; }, 20000)) << "A stored no reply";
    EXPECT_EQ(a.received().front().from, b.name());
    EXPECT_TRUE(a.received().front().text.contains(QStringLiteral("Reponse de B")));

    // A replies to all: the line is B's name alone (A's own name leaves it). A's main window went to
    // the tray after A's send (IconizeAfterSend); the reply brought it up again.
    XWindow mainA = openMain(a);
    clickToolbar(mainA, toolbar::Main, MainToolbar::ReplyToAll);
    compose = expectWindow(a, title::Compose);
    EXPECT_TRUE(active(compose));
    x.type(QStringLiteral("A tous"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    EXPECT_TRUE(waitGone(a, title::Compose));
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 2; }, 20000)) << "B stored no reply to all";
    EXPECT_EQ(a.sent().back().to, b.name() + QLatin1Char(';'));

    // A's sent history.
    mainA = openMain(a);
    clickToolbar(mainA, toolbar::Main, MainToolbar::SentMessages);
    const XWindow history = expectFocusedWindow(a, title::History);
    shot(QStringLiteral("4-history"));
    clickToolbar(history, toolbar::History, HistoryToolbar::Close);
    EXPECT_TRUE(waitGone(a, title::History));

    // B deletes the newest message, after the question.
    clickToolbar(openMain(b), toolbar::Main, MainToolbar::Delete);
    answerBox(b, title::DeleteQuestion, {QStringLiteral("Return")}, QStringLiteral("5-delete"));
    EXPECT_TRUE(waitFor([&] { return b.received().size() == 1; }, 10000)) << "the message was not deleted";
}

// The two recipient sources that are dialogs of their own, opened from the compose window with the
// window kept on top and without: the dialog stays up, its buttons are there to click, Valider gives
// the compose window its recipients line back, and the program still takes input.
struct SourceCase {
    const char* name;
    bool alwaysOnTop;
};
void PrintTo(const SourceCase& c, std::ostream* os) {
    *os << c.name;
}

class RecipientSources : public TwoStationDesktop, public ::testing::WithParamInterface<SourceCase> {
protected:
    QString settings() const {
        return QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=") + (GetParam().alwaysOnTop ? "1" : "0");
    }
    // The dialog is up, stays up, and shows its row of buttons; returns them once the work is done
    // (three buttons: the refresh button shows again at the end).
    std::vector<QRect> dialogUp(Station& s, const QString& title) {
        const XWindow dialog = expectWindow(s, title);
        EXPECT_TRUE(onScreen(dialog));
        EXPECT_TRUE(staysMapped(s, title, 2500));
        std::vector<QRect> buttons;
        waitFor(
            [&] {
                buttons = bottomButtons(dialog);
                return buttons.size() == 3;
            },
            30000);
        shot(QStringLiteral("dialog"));
        EXPECT_EQ(buttons.size(), 3u) << "the dialog shows no row of three buttons";
        for (const QRect& r : buttons)
            EXPECT_GE(r.height(), 16) << "a button too low to click";
        return buttons;
    }
    // The program still takes input: the tray menu's "Afficher Vellumo" brings the main window up.
    void programTakesInput(Station& s) {
        trayMenu(s, 1);
        expectFocusedWindow(s, title::Main);
    }
};

TEST_P(RecipientSources, PeerScan) {
    Station& a = startStation(0, settings());
    Station& b = startStation(1);
    ASSERT_FALSE(HasFailure());
    const XWindow compose = openCompose(a);
    clickIn(compose, compose::PeerScanButton);
    const auto buttons = dialogUp(a, title::PeerScan);
    ASSERT_EQ(buttons.size(), 3u);
    // B is the one station found: check it (a click on its line, below the list's header) and take it.
    const XWindow dialog = expectWindow(a, title::PeerScan);
    const auto lines = textLines(dialog);
    ASSERT_GE(lines.size(), 2u) << "no station listed";
    x.click(QPoint(lines[1].x() + 180, lines[1].center().y()));
    x.click(buttons[1].center()); // Valider
    ASSERT_TRUE(waitGone(a, title::PeerScan)) << "Valider did not close the peer scan";
    EXPECT_TRUE(active(compose));
    shot(QStringLiteral("recipients"));
    writeAndSend(a, compose, QStringLiteral("Par la recherche"));
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 1; }, 20000)) << "B stored nothing";
    EXPECT_EQ(a.sent().front().to, b.name() + QLatin1Char(';'));
    programTakesInput(a);
}

TEST_P(RecipientSources, NetworkBrowser) {
    Station& a = startStation(0, settings());
    Station& b = startStation(1);
    ASSERT_FALSE(HasFailure());
    const XWindow compose = openCompose(a);
    clickIn(compose, compose::RecipientsLine);
    x.type(QStringLiteral("personne;"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::NetworkBrowser);
    const auto buttons = dialogUp(a, title::NetworkBrowser);
    ASSERT_EQ(buttons.size(), 3u);
    // Nothing checked (no SMB network here): Valider empties the line.
    x.click(buttons[1].center());
    ASSERT_TRUE(waitGone(a, title::NetworkBrowser)) << "Valider did not close the network browser";
    EXPECT_TRUE(active(compose));
    clickIn(compose, compose::RecipientsLine);
    x.type(b.name() + QLatin1Char(';'));
    writeAndSend(a, compose, QStringLiteral("Par l'explorateur"));
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 1; }, 20000)) << "B stored nothing";
    EXPECT_EQ(a.sent().front().to, b.name() + QLatin1Char(';'));
    programTakesInput(a);
}

const SourceCase kSourceCases[] = {{"AlwaysOnTop", true}, {"NotOnTop", false}};
INSTANTIATE_TEST_SUITE_P(Desktop, RecipientSources, ::testing::ValuesIn(kSourceCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo::desktop
