#pragma once
// XSession: a desktop of its own for one scenario, as a person has it: an X server (Xvfb), a window
// manager (openbox) and a tray host (trayer). It reads the screen back the way a person checks it
// (where a window is, its frame and title bar, which window is active, what is drawn) and drives it
// with the mouse and the keyboard (xdotool), so that the program under test is used from outside,
// through X only.
//
// Xvfb is started with -displayfd, so parallel sessions never collide on a display number, and with
// -nolisten tcp: clients reach it through its socket file in /tmp/.X11-unix, which a client started
// in another network namespace reaches as well (the abstract socket of the same name is per
// namespace, and the X library falls back to the file when it is refused).
//
// Everything the session starts runs in its own temporary HOME; it is ended by its process id when
// the session goes. Every wait is bounded.

#include <QImage>
#include <QMargins>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace vellumo::desktop {

// A top-level window as X and the window manager show it.
struct XWindow {
    quint64 id = 0;
    QString title;
    QRect client;   // absolute, in screen pixels
    QMargins frame; // the window manager's decoration around the client (_NET_FRAME_EXTENTS)
    bool viewable = false;
    // Not managed by the window manager: pop-up menus, tooltips, balloons, tray icons.
    bool overrideRedirect = false;
    // The window's types (_NET_WM_WINDOW_TYPE) without their prefix: "NORMAL", "DIALOG", "TOOLTIP", ...
    QStringList types;
    // A pop-up menu: a window of its own over the others, not managed, neither tooltip nor balloon.
    bool isMenu() const { return overrideRedirect && !types.contains(QStringLiteral("TOOLTIP")); }
    // The whole window with its decoration.
    QRect outer() const { return client.marginsAdded(frame); }
    // The title bar: the strip of the frame above the client.
    QRect titleBar() const { return QRect(outer().left(), outer().top(), outer().width(), frame.top()); }
};

class XSession {
public:
    static constexpr QSize ScreenSize{1280, 800};

    XSession();
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // The size of the screen the session starts with (ScreenSize unless changed before start()).
    void setScreenSize(QSize size) { screenSize_ = size; }
    QSize screenSize() const { return screenSize_; }

    // Whether the programs of a session are installed; if not, says which is missing.
    static bool installed(QString* missing);
    // Starts Xvfb, openbox and trayer and waits until the tray host is up. On failure returns false
    // and says why (a missing program, a server that does not come up).
    bool start(QString* why);
    // ":N"
    QString display() const { return display_; }
    // The environment for a client of this display: DISPLAY set, no session bus (the tray icon then
    // goes to the XEmbed tray host), the given HOME.
    QProcessEnvironment clientEnvironment(const QString& home) const;

    // ---- reading the screen ----
    // The mapped windows of a process whose title matches the pattern (a regular expression, empty for
    // any): the windows the window manager manages, or with popups also menus, balloons and icons.
    std::vector<XWindow> windowsOf(qint64 pid, const QString& titlePattern = {}, bool popups = false) const;
    // One window by id (nullopt when gone).
    std::optional<XWindow> window(quint64 id) const;
    // The window that has the keyboard focus as the window manager says (0 when none).
    quint64 activeWindow() const;
    // The managed windows from the bottom of the stack to its top, as the window manager keeps them
    // (_NET_CLIENT_LIST_STACKING).
    std::vector<quint64> stackingOrder() const;
    // Whether window a lies above window b in that order (false when either is not in it).
    bool above(quint64 a, quint64 b) const;
    // The windows of the display as a tree (xwininfo -root -tree), for a failure's report.
    QByteArray tree() const;
    // The tray host's panel.
    std::optional<XWindow> trayHost() const;
    // Icon windows of a process that sit inside the tray host's panel.
    std::vector<XWindow> trayIconsOf(qint64 pid) const;
    // The whole screen as it is now.
    QImage grab() const;
    // One window's client area as drawn now (cut from the screen).
    QImage grab(const XWindow& w) const;
    // Saves the screen to <build>/screenshots/desktop/<name>.png.
    void screenshot(const QString& name) const;

    // Holds the tray host still for ms milliseconds (SIGSTOP, then SIGCONT from the event loop), as a
    // busy desktop does: an icon shown meanwhile is taken into the tray only afterwards.
    void holdTrayHost(int ms);

    // ---- driving ----
    void moveMouse(QPoint at) const;
    void click(QPoint at, int button = 1) const;
    void doubleClick(QPoint at) const;
    // Keys in xdotool's names ("Return", "ctrl+a", "Down"), one after the other, to the focused window.
    void keys(const QStringList& names) const;
    void type(const QString& text) const;

    // Starts a client program of this display (another application beside the program under test);
    // null when it does not start. The caller ends it (QProcess ends it by its id when it goes).
    std::unique_ptr<QProcess> startProgram(const QString& program, const QStringList& arguments) const;

    // Runs an X client tool of this display; its standard output, or an empty array on failure.
    QByteArray tool(const QString& program, const QStringList& arguments, int* exitCode = nullptr,
                    int timeoutMs = 15000) const;

private:
    bool startOnce(QString* why);
    std::unique_ptr<QProcess> startClient(const QString& program, const QStringList& arguments) const;
    void stop(std::unique_ptr<QProcess>& process);

    QTemporaryDir home_;
    QString display_;
    QSize screenSize_ = ScreenSize;
    std::unique_ptr<QProcess> xvfb_, windowManager_, trayHost_;
};

// Waits for a condition, running the test's event loop meanwhile, up to timeoutMs.
bool waitFor(const std::function<bool()>& condition, int timeoutMs);
// The first window of a process with the title, waiting for it to be mapped.
std::optional<XWindow> waitForWindow(const XSession& x, qint64 pid, const QString& titlePattern, int timeoutMs);
// Whether the colour is close to another one (each channel within tolerance).
bool nearColour(QRgb a, QRgb b, int tolerance = 24);

} // namespace vellumo::desktop
