#pragma once
// DesktopFixture: the base of every desktop scenario. It gives the scenario a desktop of its own
// (XSession), network namespaces for two stations when it asks for them, and the moves and checks a
// person makes: double-click the tray icon, pick an item of the tray menu, click a toolbar button,
// see a window on screen with its title bar, see which window has the focus, see the buttons of a
// dialog, answer a question box. A scenario is one TEST_F (or TEST_P) of a fixture derived from this.
//
// Where a control is, is read from the screen where a person would read it (a dialog's row of
// buttons), or taken from the window's design where the design fixes it (the compose window's fixed
// places; a toolbar's buttons, whose places follow from its sequence of buttons and separators and
// are measured on a toolbar built the same way).
//
// The fixture skips the scenario, with the reason, where it cannot run: no X server or window
// manager or tray host installed, or (for the scenarios that need two stations or a network) no
// network namespaces (not root).

#include "app/windows/compose/compose_toolbar.h"
#include "app/windows/history/history_toolbar.h"
#include "app/windows/main/main_toolbar.h"
#include "tests/desktop/station.h"
#include "tests/desktop/x_session.h"

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QString>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>
#include <vector>

// Texts in the scenarios' failure messages as text, not as arrays of characters.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace vellumo::desktop {

// Titles of the program's windows (regular expressions for xdotool), in the language the program
// starts with (English when its language file is there) or in its own French.
namespace title {
inline const QString Main = QStringLiteral("^Vellumo$");
inline const QString Compose = QStringLiteral("^Vellumo - (Envoyer un message|Send a message)$");
inline const QString History = QStringLiteral("^(Messages envoy|Sent messages)");
inline const QString Options = QStringLiteral("^Options$");
inline const QString Purge = QStringLiteral("^(Purger les anciens messages|Purge old messages)$");
inline const QString PeerScan = QStringLiteral("^(Recherche des utilisateurs|Searching for connected)");
inline const QString NetworkBrowser = QStringLiteral("^(Explorateur r|Network explorer)");
inline const QString QuitQuestion = QStringLiteral("^(Quitter Vellumo|Quit Vellumo)");
inline const QString DeleteQuestion = QStringLiteral("^(Supprimer un message|Delete a message)");
inline const QString Error = QStringLiteral("^(Erreur|Error)$");
// The windows of the desktop probe (another application on the same desktop).
inline const QString TypingProbe = QStringLiteral("^Probe - typing$");
inline const QString TopMostProbe = QStringLiteral("^Probe - top most$");
} // namespace title

// A window's toolbar as designed: its sequence of buttons, one character per number from 1 ('B' a
// button, '-' a separator, 'h' a button or separator kept hidden; the numbers are named in the
// windows' own headers: MainToolbar, ComposeToolbar, HistoryToolbar), where it sits in the window's
// client area, and its height when the window fixes it (0: its own).
struct ToolbarDesign {
    QString buttons;
    QPoint origin;
    int fixedHeight;
};
namespace toolbar {
inline const ToolbarDesign Main{QStringLiteral("BBB-B-hhBBBBB-B-B-BB-B-B"), QPoint(4, 4), 0};
inline const ToolbarDesign Compose{QStringLiteral("B-B-BBB-B---------B"), QPoint(0, 0), 30};
inline const ToolbarDesign History{QStringLiteral("BBh-Bhh-BBBBB-hhhhhhhB"), QPoint(4, 4), 0};
} // namespace toolbar

// Places of the compose window's design (its size is fixed), in its client area.
namespace compose {
inline const QPoint RecipientsLine(235, 47);
inline const QPoint PeerScanButton(453, 47); // Command1(3), "@"
inline const QPoint Editor(250, 260);
// The colour buttons: the place of the first, the step to the next.
inline const QRect FirstColourButton(372, 64, 23, 24);
constexpr int ColourStep = 25;
} // namespace compose

// Counts the pixels of an image near a colour.
int pixelsNear(const QImage& image, QRgb colour, int tolerance = 40);
// Counts the pixels of an area that differ between two images of the same window.
int differingPixels(const QImage& a, const QImage& b, const QRect& area, int tolerance = 8);

class DesktopFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // The size of the scenario's screen.
    virtual QSize screenSize() const { return XSession::ScreenSize; }

    // Makes the namespaces; false (and the scenario should GTEST_SKIP) when they cannot be made.
    bool makeNetwork();
    // Starts a station: in namespace i when the network is made, else on the loopback.
    Station& startStation(int i, const QString& extraSettings = {});
    // The same in two steps, for a scenario that prepares the station's folder before it starts.
    Station& addStation(int i, const QString& extraSettings = {});
    void start(Station& s);

    // ---- what a person does ----
    // Double-clicks the station's tray icon.
    void doubleClickTray(Station& s);
    // Brings the station's main window up from the tray (double-click), checks it on screen with the
    // focus, and returns it.
    XWindow openMain(Station& s);
    // Opens the tray menu and picks its item number (1 "Afficher Vellumo", 2 "Options", 3 "Quitter").
    void trayMenu(Station& s, int item);
    // Waits for a pop-up menu of the station.
    bool waitForMenu(Station& s) const;
    // The centre of toolbar button n of a window, on the screen.
    QPoint toolbarButton(const XWindow& w, const ToolbarDesign& design, int n) const;
    void clickToolbar(const XWindow& w, const ToolbarDesign& design, int n);
    // Clicks at a point of a window's client area.
    void clickIn(const XWindow& w, QPoint at);
    // Picks item n (from 1, separators not counted) of the main window's tools menu.
    void toolsMenu(Station& s, const XWindow& main, int item);
    // Picks item n of the pop-up menu open now, by the keyboard.
    void chooseMenuItem(int item);
    // Clicks button i (from 0, left to right) of the row at the bottom of a dialog or box.
    void clickBottomButton(const XWindow& w, std::size_t i);
    // Waits for a question box of the program, checks it on screen, and presses the keys on it.
    void answerBox(Station& s, const QString& titlePattern, const QStringList& keys, const QString& shot);
    // Types text in the empty password box of the options' security tab (shown), once it is seen.
    void typeInPasswordBox(const XWindow& options, const QString& text);
    // Another station's message, posted to the station's server as a peer posts it (a station on the
    // loopback only); true when the station answered 200.
    bool postMessage(Station& s, const QString& from, const QString& text);
    // Another application with a one-line text box, active, holding the focus: what is typed into it
    // is written to textFile. Its window is returned in window.
    std::unique_ptr<QProcess> startTypingProbe(const QString& textFile, XWindow* window);
    static QString readText(const QString& file);

    // ---- what a person checks ----
    // The window is mapped with its whole title bar and frame on the screen.
    static ::testing::AssertionResult onScreen(const XWindow& w, QSize screenSize = XSession::ScreenSize);
    // The window has the keyboard focus (waits a little for the window manager).
    ::testing::AssertionResult active(const XWindow& w) const;
    // The window is still mapped after ms milliseconds.
    ::testing::AssertionResult staysMapped(Station& s, const QString& titlePattern, int ms) const;
    // The buttons seen in the bottom row of a dialog, left to right, in screen coordinates; empty when
    // the bottom of the dialog shows no row of buttons.
    std::vector<QRect> bottomButtons(const XWindow& w) const;
    // The lines of dark text seen in the upper half of a window, top to bottom, in screen coordinates
    // (a list's header, then its items).
    std::vector<QRect> textLines(const XWindow& w) const;
    // The empty one-line text boxes seen in a window (white bands at least minWidth wide, 16 to 40
    // high), top to bottom, in screen coordinates.
    std::vector<QRect> emptyBoxes(const XWindow& w, int minWidth = 60) const;
    // A window's client area as drawn now, with the pointer out of the way (no button lit by it).
    QImage look(const XWindow& w) const;
    // The main window's status line, in its client area.
    static QRect statusLine(const XWindow& main);
    // The horizontal extent of the status line's text in the failure colour (dark red), once it reads
    // the same twice in a row; 0 when there is none.
    int failureTextWidth(const XWindow& main) const;
    // Waits for a window of the station with the title, on screen.
    XWindow expectWindow(Station& s, const QString& titlePattern, int timeoutMs = 30000);
    // The same for a window of another process.
    XWindow expectWindowOf(qint64 pid, const QString& titlePattern, int timeoutMs = 30000);
    // The same, and checks it on screen with its whole frame and with the focus.
    XWindow expectFocusedWindow(Station& s, const QString& titlePattern);
    // Waits for a window of the station with the title other than the given one (a box titled like
    // the window it belongs to).
    XWindow expectOtherWindow(Station& s, const QString& titlePattern, quint64 notThis, int timeoutMs = 30000);
    // Waits until no window of the station has the title.
    bool waitGone(Station& s, const QString& titlePattern, int timeoutMs = 30000) const;

    void shot(const QString& step) const;
    // The window once the window manager has framed it.
    XWindow framed(const XWindow& w) const;

    // ---- the compose window ----
    // Opens the compose window from the main window's toolbar (the main window brought up from the tray).
    XWindow openCompose(Station& s);
    // Types the body and sends; the compose window closes.
    void writeAndSend(Station& s, const XWindow& compose, const QString& body);
    // A whole message: the compose window opened, the recipients line and the body typed, sent.
    void sendMessage(Station& s, const QString& recipients, const QString& body);

    XSession x;
    std::unique_ptr<StationNetwork> network;
    std::vector<std::unique_ptr<Station>> stations;
};

// The scenarios with two stations, each in a network namespace of its own; skipped without root.
class TwoStationDesktop : public DesktopFixture {
protected:
    void SetUp() override;
};

} // namespace vellumo::desktop
