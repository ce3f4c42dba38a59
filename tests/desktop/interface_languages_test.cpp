// Every window of the program in one interface language, as a person goes through them: the tray and
// tools menus, the main window, the options' three tabs, the update check, the purge, the questions,
// the history, the compose window with its emoticons, the peer scan and the network browser, the
// refusal box, the send reports on the status line and in balloons, the change of language and the
// quit question. The titles are read through X and must be those of the language; every step leaves a
// screenshot (build/screenshots/desktop/Desktop_InterfaceLanguages_Tour_<language>-<step>.png) to be
// looked at for texts of the other language.
//
// The station runs in a network namespace of its own: the peer scan, the network browser and the
// update check then reach nothing but that namespace.
#include "tests/desktop/desktop_fixture.h"

namespace vellumo::desktop {
namespace {

// Titles of one language, as patterns that the other language's titles do not match.
struct LanguageCase {
    const char* name;
    QString compose, history, purge, peerScan, networkBrowser, deleteQuestion, quitQuestion, error, updateFailure;
};
void PrintTo(const LanguageCase& c, std::ostream* os) {
    *os << c.name;
}

const LanguageCase kLanguages[] = {
    {"French", QStringLiteral("^Vellumo - Envoyer un message$"), QStringLiteral("^Messages envoy"),
     QStringLiteral("^Purger les anciens messages$"), QStringLiteral("^Recherche des utilisateurs"),
     QStringLiteral("^Explorateur r"), QStringLiteral("^Supprimer un message"), QStringLiteral("^Quitter Vellumo"),
     QStringLiteral("^Erreur$"), QStringLiteral("^Erreur de connection")},
    {"English", QStringLiteral("^Vellumo - Send a message$"), QStringLiteral("^Sent messages$"),
     QStringLiteral("^Purge old messages$"), QStringLiteral("^Searching for connected"),
     QStringLiteral("^Network explorer$"), QStringLiteral("^Delete a message"), QStringLiteral("^Quit Vellumo"),
     QStringLiteral("^Error$"), QStringLiteral("^Connection error")},
};

class InterfaceLanguages : public TwoStationDesktop, public ::testing::WithParamInterface<LanguageCase> {
protected:
    // A box on screen with the focus, shot, answered with button i of its bottom row: false when it
    // is not there or stays.
    bool answerWithButton(const XWindow& box, std::size_t i, const QString& step) {
        if (box.id == 0)
            return false;
        EXPECT_TRUE(onScreen(box));
        EXPECT_TRUE(active(box));
        shot(step);
        clickBottomButton(box, i);
        const bool gone = waitFor(
            [&] {
                const auto now = x.window(box.id);
                return !now || !now->viewable;
            },
            20000);
        EXPECT_TRUE(gone) << "\"" << box.title.toStdString() << "\" stayed open";
        return gone;
    }
};

TEST_P(InterfaceLanguages, Tour) {
    const LanguageCase& c = GetParam();
    Station& a =
        addStation(0, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0\r\nLanguage=") + QString::fromLatin1(c.name));
    // A message received and one sent, both old: the main window, the history and the delete question
    // have something to show.
    const QDateTime old(QDate(2020, 3, 2), QTime(9, 30));
    const QString rtf = QStringLiteral("{\\rtf1\\ansi Vellumo\\par}");
    ASSERT_TRUE(a.storeMessage("Recived",
                               {QStringLiteral("ancien-poste"), a.name() + u';', QStringLiteral("Vellumo"), rtf}, old));
    ASSERT_TRUE(
        a.storeMessage("Sended", {a.name(), QStringLiteral("ancien-poste;"), QStringLiteral("Vellumo"), rtf}, old));
    start(a);
    ASSERT_FALSE(HasFailure());
    // Another station's name, known in the namespaces, where nothing runs: a send to it is refused.
    const QString away = network->member(1).name;

    // The tray menu.
    const auto icon = a.trayIcon();
    ASSERT_TRUE(icon);
    x.click(icon->client.center(), 3);
    ASSERT_TRUE(waitForMenu(a));
    shot(QStringLiteral("01-tray-menu"));
    x.keys({QStringLiteral("Escape")});

    // The main window, its tools menu and the language menu, with the language in use ticked.
    const XWindow main = openMain(a);
    shot(QStringLiteral("02-main"));
    clickToolbar(main, toolbar::Main, MainToolbar::Tools);
    ASSERT_TRUE(waitForMenu(a));
    x.keys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Right")});
    waitFor([] { return false; }, 500); // the submenu opens on its own time
    shot(QStringLiteral("03-language-menu"));
    x.keys({QStringLiteral("Escape"), QStringLiteral("Escape")});

    // Help: a balloon.
    toolsMenu(a, main, 4);
    waitFor([] { return false; }, 1000);
    shot(QStringLiteral("04-help-balloon"));

    // About: the options on their third tab, then the two others; a password typed is masked.
    toolsMenu(a, main, 6);
    const XWindow options = expectWindow(a, title::Options);
    EXPECT_TRUE(active(options));
    shot(QStringLiteral("05-options-about"));
    x.keys({QStringLiteral("ctrl+Tab")});
    waitFor([] { return false; }, 300);
    shot(QStringLiteral("06-options"));
    x.keys({QStringLiteral("ctrl+Tab")});
    ASSERT_NO_FATAL_FAILURE(typeInPasswordBox(options, QStringLiteral("motdepasse")));
    shot(QStringLiteral("07-options-security"));
    clickBottomButton(options, 1); // Annuler
    ASSERT_TRUE(waitGone(a, title::Options));

    // The update check: the publisher's server is out of reach here.
    toolsMenu(a, main, 5);
    ASSERT_TRUE(answerWithButton(expectWindow(a, c.updateFailure), 1, QStringLiteral("08-update-failure")));

    // The purge and its question (No: the window stays), then Annuler.
    toolsMenu(a, main, 1);
    const XWindow purge = expectWindow(a, c.purge);
    EXPECT_TRUE(active(purge));
    shot(QStringLiteral("09-purge"));
    clickBottomButton(purge, 0); // Valider
    ASSERT_TRUE(answerWithButton(expectOtherWindow(a, title::Main, main.id), 1, QStringLiteral("10-purge-question")));
    ASSERT_TRUE(staysMapped(a, c.purge, 300));
    clickBottomButton(purge, 1); // Annuler
    ASSERT_TRUE(waitGone(a, c.purge));

    // The favourites' delete question, the message's delete question: No.
    toolsMenu(a, main, 2);
    ASSERT_TRUE(
        answerWithButton(expectOtherWindow(a, title::Main, main.id), 1, QStringLiteral("11-favourites-question")));
    clickToolbar(main, toolbar::Main, MainToolbar::Delete);
    ASSERT_TRUE(answerWithButton(expectWindow(a, c.deleteQuestion), 1, QStringLiteral("12-delete-question")));
    EXPECT_EQ(a.received().size(), 1u);

    // The history.
    clickToolbar(main, toolbar::Main, MainToolbar::SentMessages);
    const XWindow history = expectWindow(a, c.history);
    EXPECT_TRUE(active(history));
    shot(QStringLiteral("13-history"));
    clickToolbar(history, toolbar::History, HistoryToolbar::Close);
    ASSERT_TRUE(waitGone(a, c.history));

    // The compose window, its emoticons, the peer scan and the network browser.
    clickToolbar(main, toolbar::Main, MainToolbar::New);
    const XWindow compose = expectWindow(a, c.compose);
    EXPECT_TRUE(active(compose));
    shot(QStringLiteral("14-compose"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Emoticons);
    waitFor([] { return false; }, 1500); // the panel slides up
    shot(QStringLiteral("15-emoticons"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Emoticons);
    waitFor([] { return false; }, 1500); // and down
    clickIn(compose, compose::PeerScanButton);
    const XWindow scan = expectWindow(a, c.peerScan);
    ASSERT_TRUE(waitFor([&] { return bottomButtons(scan).size() == 3; }, 30000)) << "the scan did not end";
    ASSERT_TRUE(answerWithButton(scan, 2, QStringLiteral("16-peer-scan")));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::NetworkBrowser);
    const XWindow browser = expectWindow(a, c.networkBrowser);
    ASSERT_TRUE(waitFor([&] { return bottomButtons(browser).size() == 3; }, 30000)) << "the browser did not end";
    ASSERT_TRUE(answerWithButton(browser, 2, QStringLiteral("17-network-browser")));

    // The refusal of the separator; then the message sent to a name without address and to a station
    // that does not answer: the status line and the balloons report both.
    clickIn(compose, compose::RecipientsLine);
    x.type(QStringLiteral("nobody-here;") + away + u';');
    clickIn(compose, compose::Editor);
    x.type(QStringLiteral("#Separator#"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    ASSERT_TRUE(answerWithButton(expectWindow(a, c.error), 0, QStringLiteral("18-separator-refused")));
    clickIn(compose, compose::Editor);
    x.keys({QStringLiteral("ctrl+a")});
    x.type(QStringLiteral("Vellumo"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    ASSERT_TRUE(waitGone(a, c.compose));
    const XWindow shown = openMain(a);
    EXPECT_TRUE(waitFor([&] { return failureTextWidth(shown) > 0; }, 30000)) << "no report on the status line";
    waitFor([] { return false; }, 1000); // both senders report
    shot(QStringLiteral("19-send-failures"));

    // A message to this station itself: delivered, and shown.
    sendMessage(a, a.name() + u';', QStringLiteral("Vellumo"));
    ASSERT_TRUE(waitFor([&] { return a.received().size() == 2; }, 20000));
    const XWindow shownAgain = expectWindow(a, title::Main);
    waitFor([] { return false; }, 1000); // the balloon comes up
    shot(QStringLiteral("20-received"));

    // The other language chosen in the language menu: the box that asks for a restart, then the quit
    // question, answered No. The menu lists the language files in the folder's order: the language
    // in use, chosen again, asks nothing.
    std::optional<XWindow> relaunch;
    for (int item = 1; item <= 2 && !relaunch; ++item) {
        clickToolbar(shownAgain, toolbar::Main, MainToolbar::Tools);
        ASSERT_TRUE(waitForMenu(a));
        x.keys({QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Right")});
        waitFor([] { return false; }, 300); // the submenu opens on its own time
        x.keys(item == 2 ? QStringList{QStringLiteral("Down"), QStringLiteral("Return")}
                         : QStringList{QStringLiteral("Return")});
        waitFor(
            [&] {
                for (const XWindow& w : x.windowsOf(a.pid(), title::Main))
                    if (w.id != shownAgain.id)
                        relaunch = framed(w);
                return relaunch.has_value();
            },
            item == 1 ? 3000 : 20000);
    }
    ASSERT_TRUE(relaunch) << "choosing the other language asked for no restart";
    ASSERT_TRUE(answerWithButton(*relaunch, 0, QStringLiteral("21-restart-box")));
    ASSERT_TRUE(answerWithButton(expectWindow(a, c.quitQuestion), 1, QStringLiteral("22-quit-question")));
    EXPECT_TRUE(staysMapped(a, title::Main, 300)) << "the program ended on No";
}

INSTANTIATE_TEST_SUITE_P(Desktop, InterfaceLanguages, ::testing::ValuesIn(kLanguages),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo::desktop
