// The user's paths of the message mends on a real desktop: two stations in network namespaces, driven
// through X, checked through X and the stations' stores.
#include "tests/desktop/desktop_fixture.h"

namespace vellumo::desktop {
namespace {

class MessagePaths : public TwoStationDesktop {};

// A shows a message received from B; the user clicks Delete and the question is open when B sends A a
// new message. Yes deletes the message that was shown; the new one stays. Deleting that one too
// leaves A's main window as an empty store shows it (B's, which has received nothing).
TEST_F(MessagePaths, DeleteWhileAMessageArrives) {
    Station& a = startStation(0, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    Station& b = startStation(1, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    ASSERT_FALSE(HasFailure());
    const QImage emptyLook = look(openMain(b));

    sendMessage(b, a.name() + QLatin1Char(';'), QStringLiteral("Premier message"));
    ASSERT_TRUE(waitFor([&] { return a.received().size() == 1; }, 20000)) << "A stored no message";
    const XWindow mainA = openMain(a);
    shot(QStringLiteral("1-shown"));

    clickToolbar(mainA, toolbar::Main, MainToolbar::Delete);
    const XWindow question = expectWindow(a, title::DeleteQuestion);
    shot(QStringLiteral("2-question"));

    sendMessage(b, a.name() + QLatin1Char(';'), QStringLiteral("Second message"));
    ASSERT_TRUE(waitFor([&] { return a.received().size() == 2; }, 20000)) << "A stored no second message";
    shot(QStringLiteral("3-arrived"));
    ASSERT_TRUE(x.window(question.id).has_value()) << "the question went while the message arrived";

    // Yes, clicked on the question (brought to the front by its title bar first, as a person does).
    x.click(question.titleBar().center());
    EXPECT_TRUE(active(question));
    clickBottomButton(question, 0);
    ASSERT_TRUE(waitGone(a, title::DeleteQuestion)) << "the question stayed open";
    shot(QStringLiteral("4-deleted"));
    ASSERT_TRUE(waitFor([&] { return a.received().size() == 1; }, 10000)) << "nothing was deleted";
    EXPECT_TRUE(a.received().front().text.contains(QStringLiteral("Second message")))
        << "the new message was deleted instead of the shown one: " << a.received().front().text.toStdString();

    // The last one: nothing left to show.
    clickToolbar(mainA, toolbar::Main, MainToolbar::Delete);
    answerBox(a, title::DeleteQuestion, {QStringLiteral("Return")}, QStringLiteral("5-delete-last"));
    ASSERT_TRUE(waitFor([&] { return a.received().empty(); }, 10000)) << "the last message was not deleted";
    const QRect face(0, 0, mainA.client.width(), statusLine(mainA).top());
    int changed = 0;
    EXPECT_TRUE(waitFor(
        [&] {
            changed = differingPixels(look(mainA), emptyLook, face);
            return changed == 0;
        },
        10000))
        << changed << " pixels of A's main window differ from an empty one's after the last message went";
    shot(QStringLiteral("6-empty"));
}

// The recipients line as the user types it, reply to all, the main window's network browser and the
// history's two compose buttons:
// - "nobody-here;<B>" (no final ";") reaches B, and A's sent row keeps the line as typed;
// - a message from A to "<B>;<A>;" answered to all on B reaches A once;
// - Valider in the network browser leaves the focus in the compose window's editor;
// - the history's "Nouveau Message" opens the compose window; "Ré-envoyer" opens it with the line and
//   the body, which sent on reach B again and are stored once more in Sended.
TEST_F(MessagePaths, RecipientsLineReplyToAllAndHistory) {
    Station& a = startStation(0, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    Station& b = startStation(1, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    ASSERT_FALSE(HasFailure());
    const QString lastWithoutSemicolon = QStringLiteral("nobody-here;") + b.name();
    const QString toBoth = b.name() + QLatin1Char(';') + a.name() + QLatin1Char(';');

    sendMessage(a, lastWithoutSemicolon, QStringLiteral("Au dernier de la ligne"));
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 1; }, 20000)) << "the last recipient was dropped";
    EXPECT_TRUE(b.received().front().text.contains(QStringLiteral("Au dernier de la ligne")));
    ASSERT_EQ(a.sent().size(), 1u);
    EXPECT_EQ(a.sent().front().to, lastWithoutSemicolon);
    shot(QStringLiteral("1-last-recipient"));

    sendMessage(a, toBoth, QStringLiteral("A nous deux"));
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 2 && a.received().size() == 1; }, 20000));

    // B answers A's message to all: the line names A once.
    const XWindow mainB = openMain(b);
    clickToolbar(mainB, toolbar::Main, MainToolbar::ReplyToAll);
    XWindow compose = expectWindow(b, title::Compose);
    EXPECT_TRUE(active(compose));
    x.type(QStringLiteral("Reponse a tous"));
    shot(QStringLiteral("2-reply-to-all"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    EXPECT_TRUE(waitGone(b, title::Compose));
    ASSERT_TRUE(waitFor([&] { return a.received().size() >= 2; }, 20000)) << "A stored no reply to all";
    ASSERT_EQ(b.sent().size(), 1u);
    EXPECT_EQ(b.sent().front().to, a.name() + QLatin1Char(';'));

    // The main window's network browser: Valider opens the compose window with the focus in the
    // editor, where the user types the body at once (nothing checked: the line is empty).
    const XWindow mainA = openMain(a);
    clickToolbar(mainA, toolbar::Main, MainToolbar::NetworkBrowser);
    const XWindow browser = expectWindow(a, title::NetworkBrowser);
    ASSERT_NE(browser.id, 0u) << "the network browser did not open";
    ASSERT_TRUE(waitFor([&] { return bottomButtons(browser).size() == 3; }, 30000)) << "the browser did not end";
    clickBottomButton(browser, 1); // Valider
    compose = expectWindow(a, title::Compose);
    ASSERT_NE(compose.id, 0u) << "Valider opened no compose window";
    EXPECT_TRUE(active(compose));
    x.type(QStringLiteral("Depuis l'explorateur"));
    clickIn(compose, compose::RecipientsLine);
    x.type(b.name() + QLatin1Char(';'));
    shot(QStringLiteral("3-from-the-browser"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    ASSERT_TRUE(waitGone(a, title::Compose)) << "nothing to send: the body was not typed in the editor";
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 3; }, 20000)) << "B stored nothing from the browser";
    EXPECT_TRUE(b.received().back().text.contains(QStringLiteral("Depuis l'explorateur")));

    // A's history: "Nouveau Message" opens the compose window, empty; closed again.
    clickToolbar(openMain(a), toolbar::Main, MainToolbar::SentMessages);
    const XWindow history = expectWindow(a, title::History);
    EXPECT_TRUE(active(history));
    clickToolbar(history, toolbar::History, HistoryToolbar::NewMessage);
    compose = expectFocusedWindow(a, title::Compose);
    ASSERT_NE(compose.id, 0u) << "\"Nouveau Message\" opened no compose window";
    shot(QStringLiteral("4-new-message"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Close);
    ASSERT_TRUE(waitGone(a, title::Compose)) << "Quitter did not close the compose window";

    // "Ré-envoyer" on the message before the newest (to B and A): the same line and body, the focus in
    // the editor; sent on as it is.
    clickToolbar(history, toolbar::History, HistoryToolbar::Previous);
    clickToolbar(history, toolbar::History, HistoryToolbar::SendAgain);
    compose = expectFocusedWindow(a, title::Compose);
    ASSERT_NE(compose.id, 0u) << "\"Ré-envoyer\" opened no compose window";
    shot(QStringLiteral("5-send-again"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    EXPECT_TRUE(waitGone(a, title::Compose)) << "the compose window stayed open after sending";
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 4 && a.received().size() >= 3; }, 20000))
        << "the message sent again did not reach B and A";
    EXPECT_TRUE(b.received().back().text.contains(QStringLiteral("A nous deux")));
    ASSERT_EQ(a.sent().size(), 4u);
    EXPECT_EQ(a.sent().back().to, toBoth);
    EXPECT_TRUE(a.sent().back().text.contains(QStringLiteral("A nous deux")));

    // By now the reply to all has long arrived: once.
    int fromB = 0;
    for (const StoredMessage& m : a.received())
        fromB += m.from == b.name() ? 1 : 0;
    EXPECT_EQ(fromB, 1) << "the reply to all reached A " << fromB << " times";
}

// A message holding "#Separator#" gets the refusal box: nothing stored in Sended, nothing at B; the
// window stays open for the user to change it, and the changed message goes. Then B's user sets
// another access key in the options (the password box masks it): A's next message is refused by B,
// and A's status line says so, at more length than it says that a station is not there.
TEST_F(MessagePaths, SeparatorAndAnotherKeyAreRefused) {
    Station& a = startStation(0, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    Station& b = startStation(1, QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=0"));
    ASSERT_FALSE(HasFailure());

    XWindow compose = openCompose(a);
    clickIn(compose, compose::RecipientsLine);
    x.type(b.name() + QLatin1Char(';'));
    clickIn(compose, compose::Editor);
    x.type(QStringLiteral("avant #Separator# apres"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    answerBox(a, title::Error, {QStringLiteral("Return")}, QStringLiteral("1-separator-refused"));
    ASSERT_TRUE(staysMapped(a, title::Compose, 500)) << "the compose window closed on the refused message";
    EXPECT_TRUE(a.sent().empty()) << "the refused message was stored in Sended";

    clickIn(compose, compose::Editor);
    x.keys({QStringLiteral("ctrl+a")});
    x.type(QStringLiteral("Sans le mot reserve"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    ASSERT_TRUE(waitGone(a, title::Compose)) << "the changed message was not sent";
    ASSERT_TRUE(waitFor([&] { return b.received().size() == 1; }, 20000)) << "B stored nothing";
    // The refused message went nowhere: B has the changed one only, A's Sended that one only.
    EXPECT_TRUE(b.received().front().text.contains(QStringLiteral("Sans le mot reserve")));
    ASSERT_EQ(a.sent().size(), 1u);
    EXPECT_FALSE(a.sent().front().text.contains(QStringLiteral("#Separator#")));

    // B's user types another access key in the options' security tab.
    trayMenu(b, 2);
    const XWindow options = expectWindow(b, title::Options);
    EXPECT_TRUE(active(options));
    x.keys({QStringLiteral("ctrl+Tab")});
    ASSERT_NO_FATAL_FAILURE(typeInPasswordBox(options, QStringLiteral("une-autre-cle")));
    shot(QStringLiteral("2-password-masked"));
    const auto buttons = bottomButtons(options);
    ASSERT_EQ(buttons.size(), 3u) << "OK, Annuler, Appliquer";
    x.click(buttons[0].center());
    ASSERT_TRUE(waitGone(b, title::Options));

    sendMessage(a, b.name() + QLatin1Char(';'), QStringLiteral("Avec l'ancienne cle"));
    XWindow mainA = openMain(a);
    int refused = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            refused = failureTextWidth(mainA);
            return refused > 0;
        },
        20000))
        << "A's status line reports no failure";
    shot(QStringLiteral("3-key-refused"));
    // B has answered by now, and stored nothing.
    EXPECT_EQ(b.received().size(), 1u) << "B stored a message sent with another key";

    // The same station gone: "not connected", a shorter report than the refusal.
    b.stop();
    sendMessage(a, b.name() + QLatin1Char(';'), QStringLiteral("Plus personne"));
    mainA = openMain(a);
    int away = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            away = failureTextWidth(mainA);
            return away > 0 && away != refused;
        },
        30000))
        << "A's status line does not report the station gone";
    shot(QStringLiteral("4-station-gone"));
    EXPECT_GT(refused - away, 100) << "the refused key (" << refused << " px of report) is reported like a station "
                                   << "that is not there (" << away << " px)";
}

} // namespace
} // namespace vellumo::desktop
