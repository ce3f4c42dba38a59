// The keyboard focus on a real desktop: a message that arrives while the user types in another
// application; the program's boxes, each above the window that opened it; the compose window's
// colours and its use from the keyboard alone; the dialogs' Enter and Escape; and windows that fit a
// small screen at a large scale. One station on the loopback in each scenario (messages from "other
// stations" are posted to it as a peer posts them, and sent ones go to "localhost", the station
// itself); checked through X (focus, stacking order, places), the typed text and the station's store.
#include "tests/desktop/desktop_fixture.h"

#include <QRegularExpression>
#include <QTemporaryDir>

namespace vellumo::desktop {
namespace {

QString settings(bool alwaysOnTop) {
    return QStringLiteral("[Vellumo]\r\nIsAlwaysOnTop=") + (alwaysOnTop ? QLatin1Char('1') : QLatin1Char('0'));
}

// The colour of the text just before the first occurrence of word in an RTF body: the entry of the
// colour table that the last \cf before it names (black when there is none).
QRgb textColourOf(const QString& rtf, const QString& word) {
    const qsizetype table = rtf.indexOf(QStringLiteral("{\\colortbl"));
    std::vector<QRgb> colours;
    qsizetype afterTable = 0;
    if (table >= 0) {
        const qsizetype end = rtf.indexOf(u'}', table);
        const QString entries = rtf.mid(table + 10, end - table - 10);
        static const QRegularExpression component(QStringLiteral("\\\\red(\\d+)\\\\green(\\d+)\\\\blue(\\d+)"));
        for (const QString& entry : entries.split(u';')) {
            const auto m = component.match(entry);
            colours.push_back(m.hasMatch() ? qRgb(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt())
                                           : qRgb(0, 0, 0));
        }
        afterTable = end;
    }
    const qsizetype at = rtf.indexOf(word, afterTable);
    if (at < 0)
        return qRgba(0, 0, 0, 0);
    int index = 0;
    static const QRegularExpression cf(QStringLiteral("\\\\cf(\\d+)"));
    for (const auto& m : cf.globalMatch(rtf.left(at)))
        index = m.captured(1).toInt();
    return index < static_cast<int>(colours.size()) ? colours[static_cast<std::size_t>(index)] : qRgb(0, 0, 0);
}

class FocusAndBoxes : public DesktopFixture {
protected:
    // A box of the program: on screen, with the focus, and above the window that opened it.
    void expectBoxAbove(const XWindow& box, const XWindow& owner, const QString& step) {
        shot(step);
        EXPECT_TRUE(onScreen(box));
        EXPECT_TRUE(waitFor([&] { return x.above(box.id, owner.id); }, 5000))
            << "the box \"" << box.title.toStdString() << "\" is mapped under the window \""
            << owner.title.toStdString() << "\" that opened it";
        EXPECT_TRUE(active(box));
    }
};

// ---- a message arrives while the user types elsewhere ---------------------------------------------

struct ArrivalCase {
    const char* name;
    bool alwaysOnTop;
};
void PrintTo(const ArrivalCase& c, std::ostream* os) {
    *os << c.name;
}
class MessageArrival : public FocusAndBoxes, public ::testing::WithParamInterface<ArrivalCase> {};

// Another application holds the focus and the user types into it; a message arrives: the main window
// comes up on screen above it, the typing goes on into the other application. Once more after the user
// has opened the main window (it takes the focus then) and sent it to the tray again.
TEST_P(MessageArrival, ThePopUpComesAboveWithoutTakingTheTyping) {
    Station& a = startStation(0, settings(GetParam().alwaysOnTop));
    ASSERT_FALSE(HasFailure());
    QTemporaryDir dir;
    const QString typed = dir.filePath(QStringLiteral("typed.txt"));
    XWindow other;
    std::unique_ptr<QProcess> probe = startTypingProbe(typed, &other);
    ASSERT_FALSE(HasFailure());
    x.type(QStringLiteral("un "));

    ASSERT_TRUE(postMessage(a, QStringLiteral("poste-distant"), QStringLiteral("Premier message")));
    XWindow popup = expectWindow(a, title::Main);
    shot(QStringLiteral("1-arrived"));
    EXPECT_TRUE(onScreen(popup));
    EXPECT_TRUE(waitFor([&] { return x.above(popup.id, other.id); }, 10000)) << "the pop-up is behind";
    waitFor([] { return false; }, 700);
    EXPECT_EQ(x.activeWindow(), other.id) << "the message took the focus";
    x.type(QStringLiteral("deux "));

    // The user opens the main window (with the focus), hides it, and goes back to typing.
    clickToolbar(openMain(a), toolbar::Main, MainToolbar::Hide);
    ASSERT_TRUE(waitGone(a, title::Main));
    x.click(other.client.center());
    ASSERT_TRUE(active(other));
    x.keys({QStringLiteral("End")});
    ASSERT_TRUE(postMessage(a, QStringLiteral("poste-distant"), QStringLiteral("Second message")));
    popup = expectWindow(a, title::Main);
    shot(QStringLiteral("2-arrived-again"));
    EXPECT_TRUE(onScreen(popup));
    EXPECT_TRUE(waitFor([&] { return x.above(popup.id, other.id); }, 10000)) << "the pop-up is behind";
    waitFor([] { return false; }, 700);
    EXPECT_EQ(x.activeWindow(), other.id) << "the second message took the focus";
    x.type(QStringLiteral("trois"));
    EXPECT_TRUE(waitFor([&] { return readText(typed) == QStringLiteral("un deux trois"); }, 10000))
        << "typed into the other application: \"" << readText(typed).toStdString() << "\"";
    EXPECT_EQ(a.received().size(), 2u);
}

const ArrivalCase kArrivalCases[] = {{"AlwaysOnTop", true}, {"NotOnTop", false}};
INSTANTIATE_TEST_SUITE_P(Desktop, MessageArrival, ::testing::ValuesIn(kArrivalCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- boxes ------------------------------------------------------------------------------------------

// With the windows kept on top: the delete question over the main window (Escape answers No), the
// refusal of a message holding "#Separator#" over the compose window, the purge question over the
// purge window. Each is mapped above its window, on screen, with the focus.
TEST_F(FocusAndBoxes, EveryBoxShowsAboveTheWindowThatOpenedIt) {
    Station& a = addStation(0, settings(true));
    ASSERT_TRUE(a.storeMessage("Recived",
                               {QStringLiteral("poste-distant"), QStringLiteral("ici;"), QStringLiteral("A garder"),
                                QStringLiteral("{\\rtf1\\ansi A garder\\par}")},
                               QDateTime(QDate(2024, 5, 6), QTime(10, 0))));
    start(a);
    ASSERT_FALSE(HasFailure());

    const XWindow main = openMain(a);
    clickToolbar(main, toolbar::Main, MainToolbar::Delete);
    expectBoxAbove(expectWindow(a, title::DeleteQuestion), main, QStringLiteral("1-delete-question"));
    x.keys({QStringLiteral("Escape")});
    EXPECT_TRUE(waitGone(a, title::DeleteQuestion)) << "Escape did not close the question";
    EXPECT_EQ(a.received().size(), 1u) << "Escape deleted the message";

    clickToolbar(main, toolbar::Main, MainToolbar::New);
    const XWindow compose = expectFocusedWindow(a, title::Compose);
    clickIn(compose, compose::RecipientsLine);
    x.type(QStringLiteral("localhost;"));
    clickIn(compose, compose::Editor);
    x.type(QStringLiteral("avant #Separator# apres"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    expectBoxAbove(expectWindow(a, title::Error), compose, QStringLiteral("2-separator-refused"));
    x.keys({QStringLiteral("Return")});
    EXPECT_TRUE(waitGone(a, title::Error));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Close);
    ASSERT_TRUE(waitGone(a, title::Compose));

    toolsMenu(a, main, 1); // "Purger la base de messages"
    const XWindow purge = expectFocusedWindow(a, title::Purge);
    clickBottomButton(purge, 0); // Valider
    expectBoxAbove(expectOtherWindow(a, title::Main, main.id, 20000), purge, QStringLiteral("3-purge-question"));
    x.keys({QStringLiteral("Escape")});
    EXPECT_TRUE(waitFor([&] { return a.received().size() == 1; }, 3000));
}

// ---- the compose window -----------------------------------------------------------------------------

// Click in the text, type, click the red button, type: the second word is red in the message sent,
// and nothing typed is lost on the button.
TEST_F(FocusAndBoxes, AColourClickedThenTypedColoursWhatIsTyped) {
    Station& a = startStation(0, settings(false));
    ASSERT_FALSE(HasFailure());
    const XWindow compose = openCompose(a);
    clickIn(compose, compose::RecipientsLine);
    x.type(QStringLiteral("localhost;"));
    clickIn(compose, compose::Editor);
    x.type(QStringLiteral("noir "));
    clickIn(compose, compose::FirstColourButton.center()); // red
    x.type(QStringLiteral("rouge"));
    shot(QStringLiteral("1-red-typed"));
    clickToolbar(compose, toolbar::Compose, ComposeToolbar::Send);
    ASSERT_TRUE(waitGone(a, title::Compose)) << "nothing sent";
    ASSERT_TRUE(waitFor([&] { return a.sent().size() == 1; }, 10000));
    const StoredMessage sent = a.sent().front();
    EXPECT_TRUE(sent.text.contains(QStringLiteral("noir rouge"))) << sent.text.toStdString();
    EXPECT_EQ(textColourOf(sent.rtf, QStringLiteral("rouge")), qRgb(255, 0, 0)) << sent.rtf.toStdString();
    EXPECT_EQ(textColourOf(sent.rtf, QStringLiteral("noir")), qRgb(0, 0, 0)) << sent.rtf.toStdString();
}

// The main window opened from the tray; from there the keyboard alone: Space on the focused "Nouveau"
// button, the recipients line typed, Tab to the first button of the line (which shows its focus mark),
// Tab on to the text, the body typed, Tab to "Envoyer..." and Enter.
TEST_F(FocusAndBoxes, ComposeAndSendWithTheKeyboardAlone) {
    Station& a = startStation(0, settings(false));
    ASSERT_FALSE(HasFailure());
    openMain(a);
    x.keys({QStringLiteral("space")});
    const XWindow compose = expectFocusedWindow(a, title::Compose);
    ASSERT_NE(compose.id, 0u) << "Space on the main window opened no compose window";
    x.type(QStringLiteral("localhost;"));
    const QRect firstButton(384, 36, 26, 22); // Command1(1), "..."
    const QImage before = look(compose);
    x.keys({QStringLiteral("Tab")});
    const QImage focused = look(compose);
    shot(QStringLiteral("1-button-focused"));
    EXPECT_GT(differingPixels(before, focused, firstButton), 10) << "the focused button shows no focus mark";
    // On through the line's other buttons, the formatting bar's two lists and the five colours.
    QStringList tabs;
    for (int i = 0; i < 11; ++i)
        tabs << QStringLiteral("Tab");
    x.keys(tabs);
    x.type(QStringLiteral("Au clavier"));
    x.keys({QStringLiteral("Tab")});
    shot(QStringLiteral("2-send-focused"));
    x.keys({QStringLiteral("Return")});
    ASSERT_TRUE(waitGone(a, title::Compose, 10000)) << "Enter on \"Envoyer...\" sent nothing";
    ASSERT_TRUE(waitFor([&] { return a.sent().size() == 1; }, 10000));
    EXPECT_EQ(a.sent().front().to, QStringLiteral("localhost;"));
    EXPECT_TRUE(a.sent().front().text.contains(QStringLiteral("Au clavier"))) << a.sent().front().text.toStdString();
}

// Escape closes the options, Enter takes them (OK, the default button); Escape closes the purge window.
TEST_F(FocusAndBoxes, DialogsTakeEnterAndEscape) {
    Station& a = startStation(0, settings(false));
    ASSERT_FALSE(HasFailure());
    trayMenu(a, 2); // "Options"
    expectFocusedWindow(a, title::Options);
    x.keys({QStringLiteral("Escape")});
    EXPECT_TRUE(waitGone(a, title::Options, 5000)) << "Escape did not close the options";
    trayMenu(a, 2);
    expectFocusedWindow(a, title::Options);
    x.keys({QStringLiteral("Return")});
    EXPECT_TRUE(waitGone(a, title::Options, 5000)) << "Enter did not take the options";

    const XWindow main = openMain(a);
    toolsMenu(a, main, 1);
    expectFocusedWindow(a, title::Purge);
    x.keys({QStringLiteral("Escape")});
    EXPECT_TRUE(waitGone(a, title::Purge, 5000)) << "Escape did not close the purge window";
}

// ---- a small screen at a large scale ------------------------------------------------------------------

class SmallScreen : public FocusAndBoxes {
protected:
    QSize screenSize() const override { return {1024, 768}; }
};

// At QT_SCALE_FACTOR=2 on 1024x768 the main window and the compose window open wholly on the screen.
TEST_F(SmallScreen, WindowsFitTheScreenAtDoubleScale) {
    Station& a = addStation(0, settings(false));
    a.setEnvironment(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("2"));
    start(a);
    ASSERT_FALSE(HasFailure());
    doubleClickTray(a);
    const XWindow main = expectWindow(a, title::Main);
    shot(QStringLiteral("1-main"));
    EXPECT_TRUE(onScreen(main, x.screenSize()));
    ASSERT_TRUE(active(main));
    x.keys({QStringLiteral("space")}); // "Nouveau", which has the focus
    const XWindow compose = expectWindow(a, title::Compose);
    shot(QStringLiteral("2-compose"));
    EXPECT_TRUE(onScreen(compose, x.screenSize()));
}

} // namespace
} // namespace vellumo::desktop
