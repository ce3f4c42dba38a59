#include "tests/desktop/x_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace vellumo::desktop {

namespace {

QString screenshotFolder() {
    return QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots/desktop");
}

// A number after "label" in xwininfo's output.
int field(const QString& text, const QString& label) {
    const QRegularExpression re(QRegularExpression::escape(label) + QStringLiteral(":\\s*(-?\\d+)"));
    const auto m = re.match(text);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

} // namespace

XSession::XSession() = default;

XSession::~XSession() {
    stop(trayHost_);
    stop(windowManager_);
    stop(xvfb_);
}

void XSession::stop(std::unique_ptr<QProcess>& process) {
    if (!process)
        return;
    if (process->state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(process->processId()), SIGCONT); // one held still takes the end at once
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished(5000);
        }
    }
    process.reset();
}

void XSession::holdTrayHost(int ms) {
    if (!trayHost_ || trayHost_->state() != QProcess::Running)
        return;
    const auto pid = static_cast<pid_t>(trayHost_->processId());
    ::kill(pid, SIGSTOP);
    QTimer::singleShot(ms, trayHost_.get(), [pid] { ::kill(pid, SIGCONT); });
}

QProcessEnvironment XSession::clientEnvironment(const QString& home) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // No session bus: the tray icon docks in the XEmbed tray host, and nothing reaches the desktop
    // the tests run on.
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    QDir().mkpath(home + QStringLiteral("/run"));
    QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return env;
}

std::unique_ptr<QProcess> XSession::startClient(const QString& program, const QStringList& arguments) const {
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(clientEnvironment(home_.path()));
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->setStandardOutputFile(QDir(home_.path()).filePath(program + QStringLiteral(".log")));
    p->start(program, arguments);
    if (!p->waitForStarted(10000))
        return nullptr;
    return p;
}

bool XSession::installed(QString* missing) {
    for (const char* program : {"Xvfb", "openbox", "trayer", "xdotool", "xwininfo", "xprop", "import"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(program)).isEmpty()) {
            *missing =
                QStringLiteral("%1 is not installed (scripts/setup.sh installs it)").arg(QString::fromLatin1(program));
            return false;
        }
    }
    return true;
}

bool XSession::start(QString* why) {
    // A server that another one started at the same moment pushed off its display, or a window
    // manager that could not reach the new server, is a bad start: the next attempt takes a new display.
    QStringList failures;
    for (int attempt = 0; attempt < 3; ++attempt) {
        QString failure;
        if (startOnce(&failure))
            return true;
        failures << failure;
        std::cerr << "desktop start, attempt " << attempt + 1 << ": " << failure.toStdString() << "\n";
        stop(trayHost_);
        stop(windowManager_);
        stop(xvfb_);
        display_.clear();
    }
    *why = failures.join(QStringLiteral("\n"));
    return false;
}

bool XSession::startOnce(QString* why) {
    if (!home_.isValid()) {
        *why = QStringLiteral("no temporary folder");
        return false;
    }
    // Xvfb writes the display number it took to the given descriptor: a pipe read here.
    int fds[2];
    if (::pipe(fds) != 0) {
        *why = QStringLiteral("no pipe");
        return false;
    }
    xvfb_ = std::make_unique<QProcess>();
    xvfb_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const int writeEnd = fds[1];
    xvfb_->setChildProcessModifier([writeEnd] {
        // The write end goes to the child as descriptor 3, not closed on exec.
        ::dup2(writeEnd, 3);
    });
    xvfb_->start(QStringLiteral("Xvfb"),
                 {QStringLiteral("-displayfd"), QStringLiteral("3"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                  QStringLiteral("-screen"), QStringLiteral("0"),
                  QStringLiteral("%1x%2x24").arg(screenSize_.width()).arg(screenSize_.height()), QStringLiteral("-dpi"),
                  QStringLiteral("96"), QStringLiteral("-nocursor")});
    ::close(fds[1]);
    const bool started = xvfb_->waitForStarted(10000);
    QByteArray number;
    if (started) {
        // Bounded read of the display number (Xvfb writes it once it listens).
        QElapsedTimer t;
        t.start();
        char c;
        ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
        while (t.elapsed() < 30000 && !number.endsWith('\n') && xvfb_->state() == QProcess::Running) {
            const ssize_t n = ::read(fds[0], &c, 1);
            if (n == 1)
                number.append(c);
            else if (n == 0)
                break;
            else
                QThread::msleep(10);
        }
    }
    ::close(fds[0]);
    number = number.trimmed();
    if (!started || number.isEmpty()) {
        *why = QStringLiteral("Xvfb did not come up");
        return false;
    }
    display_ = QStringLiteral(":") + QString::fromLatin1(number);
    int reached = -1;
    tool(QStringLiteral("xprop"), {"-root", "-len", "1", "_NET_SUPPORTING_WM_CHECK"}, &reached);
    if (reached != 0 || xvfb_->state() != QProcess::Running) {
        *why = QStringLiteral("Xvfb on %1 cannot be reached").arg(display_);
        return false;
    }

    windowManager_ = startClient(QStringLiteral("openbox"), {});
    if (!windowManager_) {
        *why = QStringLiteral("openbox did not start");
        return false;
    }
    // The window manager is up when it has claimed the screen (its check window names it).
    if (!waitFor(
            [this] {
                return tool(QStringLiteral("xprop"), {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
            },
            30000)) {
        QFile log(QDir(home_.path()).filePath(QStringLiteral("openbox.log")));
        log.open(QIODevice::ReadOnly);
        *why =
            QStringLiteral("openbox did not take the screen %1 (%2): %3")
                .arg(display_,
                     windowManager_->state() == QProcess::Running ? QStringLiteral("running") : QStringLiteral("ended"),
                     QString::fromUtf8(log.readAll()));
        return false;
    }
    // The tray host now and then leaves its panel unmapped when it starts right after the window
    // manager: it is started again, a few times, before the whole desktop is.
    for (int attempt = 0; attempt < 3 && !trayHost(); ++attempt) {
        stop(trayHost_);
        trayHost_ = startClient(QStringLiteral("trayer"),
                                {"--edge",   "bottom",   "--align",       "right",         "--widthtype",
                                 "pixel",    "--width",  "160",           "--heighttype",  "pixel",
                                 "--height", "28",       "--SetDockType", "true",          "--SetPartialStrut",
                                 "true",     "--expand", "false",         "--transparent", "false",
                                 "--tint",   "0xc0c0c0"});
        if (trayHost_)
            waitFor([this] { return trayHost().has_value(); }, 10000);
    }
    if (!trayHost()) {
        QFile log(QDir(home_.path()).filePath(QStringLiteral("trayer.log")));
        log.open(QIODevice::ReadOnly);
        *why = QStringLiteral("trayer did not come up on %1 (%2): %3\n%4")
                   .arg(display_,
                        trayHost_ && trayHost_->state() == QProcess::Running ? QStringLiteral("running")
                                                                             : QStringLiteral("ended"),
                        QString::fromUtf8(log.readAll()), QString::fromUtf8(tree()));
        return false;
    }
    return true;
}

QByteArray XSession::tool(const QString& program, const QStringList& arguments, int* exitCode, int timeoutMs) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_);
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    if (!p.waitForStarted(10000)) {
        if (exitCode)
            *exitCode = -1;
        return {};
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        if (exitCode)
            *exitCode = -1;
        return {};
    }
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return p.readAllStandardOutput();
}

std::optional<XWindow> XSession::window(quint64 id) const {
    int code = 0;
    const QString info = QString::fromUtf8(tool(QStringLiteral("xwininfo"), {"-id", QString::number(id)}, &code));
    if (code != 0 || info.isEmpty())
        return std::nullopt;
    XWindow w;
    w.id = id;
    w.client = QRect(field(info, QStringLiteral("Absolute upper-left X")),
                     field(info, QStringLiteral("Absolute upper-left Y")), field(info, QStringLiteral("Width")),
                     field(info, QStringLiteral("Height")));
    w.viewable = info.contains(QStringLiteral("Map State: IsViewable"));
    w.overrideRedirect = info.contains(QStringLiteral("Override Redirect State: yes"));
    const auto title = QRegularExpression(QStringLiteral("Window id: \\S+ \"(.*)\"\\n")).match(info);
    if (title.hasMatch())
        w.title = title.captured(1);
    const QString props = QString::fromUtf8(
        tool(QStringLiteral("xprop"), {"-id", QString::number(id), "_NET_FRAME_EXTENTS", "_NET_WM_WINDOW_TYPE"}));
    for (const auto& type : QRegularExpression(QStringLiteral("_NET_WM_WINDOW_TYPE_(\\w+)")).globalMatch(props))
        w.types << type.captured(1);
    const auto m =
        QRegularExpression(QStringLiteral("_NET_FRAME_EXTENTS\\(CARDINAL\\) = (\\d+), (\\d+), (\\d+), (\\d+)"))
            .match(props);
    if (m.hasMatch())
        w.frame = QMargins(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(2).toInt(), m.captured(4).toInt());
    return w;
}

std::vector<XWindow> XSession::windowsOf(qint64 pid, const QString& titlePattern, bool popups) const {
    QStringList args = {"search", "--all", "--onlyvisible", "--pid", QString::number(pid)};
    if (!titlePattern.isEmpty())
        args << "--name" << titlePattern;
    std::vector<XWindow> found;
    const QList<QByteArray> ids = tool(QStringLiteral("xdotool"), args).split('\n');
    for (const QByteArray& id : ids) {
        if (id.trimmed().isEmpty())
            continue;
        if (auto w = window(id.trimmed().toULongLong()); w && w->viewable && (popups || !w->overrideRedirect))
            found.push_back(*w);
    }
    return found;
}

quint64 XSession::activeWindow() const {
    int code = 0;
    const QByteArray out = tool(QStringLiteral("xdotool"), {"getactivewindow"}, &code).trimmed();
    return code == 0 ? out.toULongLong() : 0;
}

std::vector<quint64> XSession::stackingOrder() const {
    std::vector<quint64> order;
    const QString out = QString::fromLatin1(tool(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"}));
    for (const auto& m : QRegularExpression(QStringLiteral("0x[0-9a-fA-F]+")).globalMatch(out))
        order.push_back(m.captured(0).toULongLong(nullptr, 16));
    return order;
}

bool XSession::above(quint64 a, quint64 b) const {
    const auto order = stackingOrder();
    const auto ia = std::find(order.begin(), order.end(), a);
    const auto ib = std::find(order.begin(), order.end(), b);
    return ia != order.end() && ib != order.end() && ia > ib;
}

std::unique_ptr<QProcess> XSession::startProgram(const QString& program, const QStringList& arguments) const {
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(clientEnvironment(home_.path()));
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(program, arguments);
    if (!p->waitForStarted(10000))
        return nullptr;
    return p;
}

QByteArray XSession::tree() const {
    return tool(QStringLiteral("xwininfo"), {"-root", "-tree"});
}

std::optional<XWindow> XSession::trayHost() const {
    const QList<QByteArray> ids =
        tool(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--class", "^trayer$"}).split('\n');
    for (const QByteArray& id : ids) {
        if (id.trimmed().isEmpty())
            continue;
        if (auto w = window(id.trimmed().toULongLong()); w && w->viewable && w->client.width() > 20)
            return w;
    }
    return std::nullopt;
}

std::vector<XWindow> XSession::trayIconsOf(qint64 pid) const {
    std::vector<XWindow> icons;
    const auto host = trayHost();
    if (!host)
        return icons;
    for (const XWindow& w : windowsOf(pid, {}, true))
        if (host->client.contains(w.client) && w.client.width() > 0 && w.client.height() > 0)
            icons.push_back(w);
    return icons;
}

QImage XSession::grab() const {
    QImage image;
    image.loadFromData(tool(QStringLiteral("import"), {"-window", "root", "png:-"}, nullptr, 30000), "PNG");
    return image;
}

QImage XSession::grab(const XWindow& w) const {
    return grab().copy(w.client);
}

void XSession::screenshot(const QString& name) const {
    QDir().mkpath(screenshotFolder());
    grab().save(screenshotFolder() + QLatin1Char('/') + name + QStringLiteral(".png"));
}

void XSession::moveMouse(QPoint at) const {
    // Without --sync: that waits for the pointer to move, forever when it is already there.
    tool(QStringLiteral("xdotool"), {"mousemove", QString::number(at.x()), QString::number(at.y())});
}

void XSession::click(QPoint at, int button) const {
    moveMouse(at);
    tool(QStringLiteral("xdotool"), {"click", QString::number(button)});
}

void XSession::doubleClick(QPoint at) const {
    moveMouse(at);
    tool(QStringLiteral("xdotool"), {"click", "--repeat", "2", "--delay", "80", "1"});
}

void XSession::keys(const QStringList& names) const {
    for (const QString& name : names)
        tool(QStringLiteral("xdotool"), {"key", "--delay", "40", name});
}

void XSession::type(const QString& text) const {
    tool(QStringLiteral("xdotool"), {"type", "--delay", "20", text});
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!condition()) {
        if (t.elapsed() >= timeoutMs)
            return condition();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(100);
    }
    return true;
}

std::optional<XWindow> waitForWindow(const XSession& x, qint64 pid, const QString& titlePattern, int timeoutMs) {
    std::optional<XWindow> found;
    waitFor(
        [&] {
            const auto windows = x.windowsOf(pid, titlePattern);
            if (windows.empty())
                return false;
            found = windows.front();
            return true;
        },
        timeoutMs);
    return found;
}

bool nearColour(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

} // namespace vellumo::desktop
