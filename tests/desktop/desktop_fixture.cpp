#include "tests/desktop/desktop_fixture.h"

#include "app/messaging/peer_message.h"
#include "platform/widgets/tesk_toolbar.h"
#include "tests/support/peer_requests.h"
#include "tests/support/tcp_test_client.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace vellumo::desktop {

namespace {

QString scenarioName() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    QString name = QString::fromLatin1(info->test_suite_name()) + QLatin1Char('_') + QString::fromLatin1(info->name());
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    return name;
}

} // namespace

void DesktopFixture::SetUp() {
    // The screenshots of an earlier run of this scenario go: the folder shows this run only.
    const QDir shots(QStringLiteral(VELLUMO_PROGRAM_DIR) + QStringLiteral("/../screenshots/desktop"));
    for (const QString& old : shots.entryList({scenarioName() + QStringLiteral("-*.png")}, QDir::Files))
        QFile::remove(shots.filePath(old));
    QString missing;
    if (!XSession::installed(&missing))
        GTEST_SKIP() << "no desktop for the scenario: " << missing.toStdString();
    QString why;
    x.setScreenSize(screenSize());
    ASSERT_TRUE(x.start(&why)) << "the desktop did not come up: " << why.toStdString();
}

void DesktopFixture::TearDown() {
    if (HasFailure() && !x.display().isEmpty()) {
        shot(QStringLiteral("failed"));
        std::cerr << "---- windows of " << x.display().toStdString() << " ----\n" << x.tree().toStdString();
    }
    for (auto& s : stations) {
        if (HasFailure())
            std::cerr << "---- log of " << s->name().toStdString() << " ----\n" << s->log().toStdString() << "\n";
        s->stop();
        // Under the sanitizers: nothing reported while the scenario ran.
        EXPECT_TRUE(s->sanitizerReports().isEmpty()) << s->sanitizerReports().toStdString();
    }
    stations.clear();
    network.reset();
}

bool DesktopFixture::makeNetwork() {
    network = std::make_unique<StationNetwork>();
    QString why;
    if (!network->create(&why)) {
        network.reset();
        std::cerr << "network namespaces: " << why.toStdString() << "\n";
        return false;
    }
    return true;
}

Station& DesktopFixture::addStation(int i, const QString& extraSettings) {
    const StationNetwork::Member* member = network ? &network->member(i) : nullptr;
    stations.push_back(std::make_unique<Station>(x, member, extraSettings));
    return *stations.back();
}

void DesktopFixture::start(Station& s) {
    QString why;
    const bool started = s.start(&why);
    EXPECT_TRUE(started) << why.toStdString();
}

Station& DesktopFixture::startStation(int i, const QString& extraSettings) {
    Station& s = addStation(i, extraSettings);
    start(s);
    return s;
}

void DesktopFixture::shot(const QString& step) const {
    x.screenshot(scenarioName() + QLatin1Char('-') + step);
}

// ---- what a person does ---------------------------------------------------------------------------

void DesktopFixture::doubleClickTray(Station& s) {
    const auto icon = s.trayIcon();
    ASSERT_TRUE(icon) << "no tray icon of " << s.name().toStdString();
    x.doubleClick(icon->client.center());
}

XWindow DesktopFixture::openMain(Station& s) {
    doubleClickTray(s);
    return expectFocusedWindow(s, title::Main);
}

void DesktopFixture::trayMenu(Station& s, int item) {
    const auto icon = s.trayIcon();
    ASSERT_TRUE(icon) << "no tray icon of " << s.name().toStdString();
    x.click(icon->client.center(), 3);
    ASSERT_TRUE(waitForMenu(s)) << "the tray menu did not open";
    chooseMenuItem(item);
}

void DesktopFixture::chooseMenuItem(int item) {
    QStringList keys;
    for (int i = 0; i < item; ++i)
        keys << QStringLiteral("Down");
    keys << QStringLiteral("Return");
    x.keys(keys);
}

QPoint DesktopFixture::toolbarButton(const XWindow& w, const ToolbarDesign& design, int n) const {
    // The same toolbar built here, with the same sequence: its button n is where the window has it.
    TeskToolbar bar;
    const QIcon picture = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    for (int i = 0; i < design.buttons.size(); ++i) {
        const QChar kind = design.buttons[i];
        const int number = kind == u'-' ? bar.addSeparatorButton() : bar.addButton(QStringLiteral("b"), picture);
        if (kind == u'h')
            bar.setButtonVisible(number, false);
    }
    const int width = w.client.width() - 2 * design.origin.x();
    bar.resize(width, design.fixedHeight > 0 ? design.fixedHeight : bar.sizeHint().height());
    bar.show();
    QCoreApplication::processEvents();
    QWidget* button = bar.widgetForAction(bar.buttonAction(n));
    if (!button)
        return w.client.topLeft() + design.origin;
    return w.client.topLeft() + design.origin + button->geometry().center();
}

bool DesktopFixture::waitForMenu(Station& s) const {
    return waitFor(
        [&] {
            const auto host = x.trayHost();
            for (const XWindow& w : x.windowsOf(s.pid(), {}, true))
                if (w.isMenu() && !(host && host->client.contains(w.client)))
                    return true;
            return false;
        },
        20000);
}

void DesktopFixture::clickToolbar(const XWindow& w, const ToolbarDesign& design, int n) {
    x.click(toolbarButton(w, design, n));
}

void DesktopFixture::clickIn(const XWindow& w, QPoint at) {
    x.click(w.client.topLeft() + at);
}

void DesktopFixture::toolsMenu(Station& s, const XWindow& main, int item) {
    clickToolbar(main, toolbar::Main, MainToolbar::Tools);
    ASSERT_TRUE(waitForMenu(s)) << "the tools menu did not open";
    chooseMenuItem(item);
}

void DesktopFixture::clickBottomButton(const XWindow& w, std::size_t i) {
    std::vector<QRect> buttons;
    waitFor(
        [&] {
            buttons = bottomButtons(w);
            return buttons.size() > i;
        },
        10000);
    ASSERT_GT(buttons.size(), i) << "no button " << i + 1 << " at the bottom of \"" << w.title.toStdString() << "\"";
    x.click(buttons[i].center());
}

void DesktopFixture::answerBox(Station& s, const QString& titlePattern, const QStringList& keys, const QString& step) {
    const XWindow box = expectWindow(s, titlePattern);
    EXPECT_TRUE(active(box));
    shot(step);
    x.keys(keys);
    EXPECT_TRUE(waitGone(s, titlePattern)) << "the question box stayed open";
}

void DesktopFixture::typeInPasswordBox(const XWindow& options, const QString& text) {
    std::vector<QRect> boxes;
    ASSERT_TRUE(waitFor(
        [&] {
            boxes = emptyBoxes(options, 150);
            return !boxes.empty();
        },
        10000))
        << "no empty password box on the security tab";
    x.click(boxes.front().center());
    x.type(text);
}

// ---- what a person checks -------------------------------------------------------------------------

::testing::AssertionResult DesktopFixture::onScreen(const XWindow& w, QSize screenSize) {
    const QRect screen(QPoint(0, 0), screenSize);
    if (!w.viewable)
        return ::testing::AssertionFailure() << "window \"" << w.title.toStdString() << "\" is not mapped";
    if (w.frame.top() <= 0)
        return ::testing::AssertionFailure() << "window \"" << w.title.toStdString() << "\" has no title bar";
    if (!screen.contains(w.titleBar()) || !screen.contains(w.outer()))
        return ::testing::AssertionFailure()
               << "window \"" << w.title.toStdString() << "\" is not on the screen: frame at (" << w.outer().x() << ", "
               << w.outer().y() << ") size " << w.outer().width() << "x" << w.outer().height() << ", title bar "
               << w.frame.top() << " px high";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult DesktopFixture::active(const XWindow& w) const {
    quint64 now = 0;
    waitFor(
        [&] {
            now = x.activeWindow();
            return now == w.id;
        },
        10000);
    if (now == w.id)
        return ::testing::AssertionSuccess();
    const auto other = x.window(now);
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "window \"" << w.title.toStdString() << "\" does not have the focus; the active window is ";
    // Streamed in parts: a string built with operator+ here trips a -Wrestrict false positive of GCC 12 at -O3.
    if (other)
        failure << "\"" << other->title.toStdString() << "\"";
    else
        failure << "none";
    return failure;
}

::testing::AssertionResult DesktopFixture::staysMapped(Station& s, const QString& titlePattern, int ms) const {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        if (x.windowsOf(s.pid(), titlePattern).empty())
            return ::testing::AssertionFailure()
                   << "the window " << titlePattern.toStdString() << " went away after " << t.elapsed() << " ms";
        waitFor([] { return false; }, 200);
    }
    return ::testing::AssertionSuccess();
}

std::vector<QRect> DesktopFixture::bottomButtons(const XWindow& w) const {
    const QImage image = x.grab(w).convertToFormat(QImage::Format_RGB32);
    std::vector<QRect> buttons;
    if (image.width() < 40 || image.height() < 40)
        return buttons;
    // The dialog's face, in its bottom-left margin.
    const QRgb face = image.pixel(2, image.height() - 2);
    const auto rowMarked = [&](int y) {
        for (int x0 = 3; x0 < image.width() - 3; ++x0)
            if (!nearColour(image.pixel(x0, y), face, 6))
                return true;
        return false;
    };
    int bottom = -1;
    for (int y = image.height() - 3; y >= image.height() - 60 && y >= 0; --y) {
        if (rowMarked(y)) {
            bottom = y;
            break;
        }
    }
    if (bottom < 0)
        return buttons;
    int top = bottom;
    while (top > 0 && rowMarked(top - 1))
        --top;
    const int height = bottom - top + 1;
    // A row of buttons is a band of some height with the face above it; a band that runs far up is the
    // list above, reaching down to the bottom margin: no button there.
    if (height < 10 || height > 60)
        return buttons;
    int start = -1;
    for (int x0 = 3; x0 <= image.width() - 3; ++x0) {
        bool marked = false;
        if (x0 < image.width() - 3)
            for (int y = top; y <= bottom && !marked; ++y)
                marked = !nearColour(image.pixel(x0, y), face, 6);
        if (marked && start < 0)
            start = x0;
        if (!marked && start >= 0) {
            if (x0 - start >= 12)
                buttons.push_back(QRect(w.client.x() + start, w.client.y() + top, x0 - start, height));
            start = -1;
        }
    }
    return buttons;
}

std::vector<QRect> DesktopFixture::textLines(const XWindow& w) const {
    const QImage image = x.grab(w).convertToFormat(QImage::Format_RGB32);
    std::vector<QRect> lines;
    const auto dark = [&](int y) {
        for (int x0 = 20; x0 < image.width() - 20; ++x0) {
            const QRgb p = image.pixel(x0, y);
            if (qRed(p) < 90 && qGreen(p) < 90 && qBlue(p) < 90)
                return true;
        }
        return false;
    };
    int start = -1;
    for (int y = 0; y < image.height() / 2; ++y) {
        if (dark(y) && start < 0)
            start = y;
        if (!dark(y) && start >= 0) {
            lines.push_back(QRect(w.client.x(), w.client.y() + start, w.client.width(), y - start));
            start = -1;
        }
    }
    return lines;
}

std::vector<QRect> DesktopFixture::emptyBoxes(const XWindow& w, int minWidth) const {
    const QImage image = x.grab(w).convertToFormat(QImage::Format_RGB32);
    const auto white = [&](int x0, int y) {
        const QRgb p = image.pixel(x0, y);
        return qRed(p) >= 250 && qGreen(p) >= 250 && qBlue(p) >= 250;
    };
    const auto oneLine = [](const QRect& band) { return band.height() >= 16 && band.height() <= 40; };
    // Runs of white on each row, joined downwards while a run of the same ends follows.
    std::vector<QRect> open, boxes;
    for (int y = 0; y < image.height(); ++y) {
        std::vector<QRect> next;
        for (int x0 = 0; x0 < image.width();) {
            if (!white(x0, y)) {
                ++x0;
                continue;
            }
            int x1 = x0;
            while (x1 + 1 < image.width() && white(x1 + 1, y))
                ++x1;
            if (x1 - x0 + 1 >= minWidth) {
                QRect band(x0, y, x1 - x0 + 1, 1);
                for (const QRect& o : open)
                    if (std::abs(o.left() - x0) <= 2 && std::abs(o.right() - x1) <= 2)
                        band.setTop(o.top());
                next.push_back(band);
            }
            x0 = x1 + 1;
        }
        for (const QRect& o : open) {
            const bool continued = std::any_of(next.begin(), next.end(), [&](const QRect& n) {
                return n.top() == o.top() && std::abs(n.left() - o.left()) <= 2;
            });
            if (!continued && oneLine(o))
                boxes.push_back(o.translated(w.client.topLeft()));
        }
        open = next;
    }
    for (const QRect& o : open)
        if (oneLine(o))
            boxes.push_back(o.translated(w.client.topLeft()));
    std::sort(boxes.begin(), boxes.end(), [](const QRect& a, const QRect& b) { return a.top() < b.top(); });
    return boxes;
}

QImage DesktopFixture::look(const XWindow& w) const {
    x.moveMouse(QPoint(1, x.screenSize().height() - 1));
    // A button lit by the pointer goes dark again on its own time.
    waitFor([] { return false; }, 300);
    // Where the window is now.
    const auto now = x.window(w.id);
    return x.grab(now ? *now : w).convertToFormat(QImage::Format_RGB32);
}

QRect DesktopFixture::statusLine(const XWindow& main) {
    // The bottom strip of the window, without the help button at its right.
    return QRect(0, main.client.height() - 32, main.client.width() - 40, 32);
}

int DesktopFixture::failureTextWidth(const XWindow& main) const {
    // Read where the window is now (the window manager may still move a window just shown), and twice
    // in a row alike, so that a line caught while it is painted does not count.
    const auto read = [&]() {
        const auto now = x.window(main.id);
        if (!now || !now->viewable)
            return -1;
        const QImage image = x.grab(*now).convertToFormat(QImage::Format_RGB32);
        const QRect strip = statusLine(*now) & image.rect();
        int left = -1, right = -1;
        for (int y = strip.top(); y <= strip.bottom(); ++y)
            for (int x0 = strip.left(); x0 <= strip.right(); ++x0)
                if (nearColour(image.pixel(x0, y), qRgb(192, 0, 0), 48)) {
                    left = left < 0 ? x0 : std::min(left, x0);
                    right = std::max(right, x0);
                }
        return left < 0 ? 0 : right - left + 1;
    };
    int last = read();
    for (int attempt = 0; attempt < 20; ++attempt) {
        waitFor([] { return false; }, 200);
        const int now = read();
        if (now == last)
            return std::max(now, 0);
        last = now;
    }
    return 0;
}

XWindow DesktopFixture::expectWindow(Station& s, const QString& titlePattern, int timeoutMs) {
    const auto w = waitForWindow(x, s.pid(), titlePattern, timeoutMs);
    if (!w) {
        ADD_FAILURE() << "no window " << titlePattern.toStdString() << " of " << s.name().toStdString();
        return XWindow{};
    }
    return framed(*w);
}

XWindow DesktopFixture::expectWindowOf(qint64 pid, const QString& titlePattern, int timeoutMs) {
    const auto w = waitForWindow(x, pid, titlePattern, timeoutMs);
    if (!w) {
        ADD_FAILURE() << "no window " << titlePattern.toStdString() << " of process " << pid;
        return XWindow{};
    }
    return framed(*w);
}

XWindow DesktopFixture::framed(const XWindow& w) const {
    // The window manager frames a new window a moment after it is mapped.
    std::optional<XWindow> now = w;
    waitFor(
        [&] {
            now = x.window(w.id);
            return now && now->frame.top() > 0;
        },
        5000);
    return now ? *now : w;
}

XWindow DesktopFixture::openCompose(Station& s) {
    const XWindow main = openMain(s);
    clickToolbar(main, toolbar::Main, MainToolbar::New);
    return expectFocusedWindow(s, title::Compose);
}

void DesktopFixture::writeAndSend(Station& s, const XWindow& window, const QString& body) {
    clickIn(window, compose::Editor);
    x.type(body);
    clickToolbar(window, toolbar::Compose, ComposeToolbar::Send);
    EXPECT_TRUE(waitGone(s, title::Compose)) << "the compose window stayed open after sending";
}

void DesktopFixture::sendMessage(Station& s, const QString& recipients, const QString& body) {
    const XWindow window = openCompose(s);
    clickIn(window, compose::RecipientsLine);
    x.type(recipients);
    writeAndSend(s, window, body);
}

XWindow DesktopFixture::expectFocusedWindow(Station& s, const QString& titlePattern) {
    const XWindow window = expectWindow(s, titlePattern);
    EXPECT_TRUE(onScreen(window));
    EXPECT_TRUE(active(window));
    return window;
}

XWindow DesktopFixture::expectOtherWindow(Station& s, const QString& titlePattern, quint64 notThis, int timeoutMs) {
    std::optional<XWindow> found;
    waitFor(
        [&] {
            for (const XWindow& w : x.windowsOf(s.pid(), titlePattern))
                if (w.id != notThis)
                    found = w;
            return found.has_value();
        },
        timeoutMs);
    if (!found) {
        ADD_FAILURE() << "no second window " << titlePattern.toStdString() << " of " << s.name().toStdString();
        return XWindow{};
    }
    return framed(*found);
}

bool DesktopFixture::waitGone(Station& s, const QString& titlePattern, int timeoutMs) const {
    return waitFor([&] { return s.pid() == 0 || x.windowsOf(s.pid(), titlePattern).empty(); }, timeoutMs);
}

bool DesktopFixture::postMessage(Station& s, const QString& from, const QString& text) {
    if (s.port() <= 0)
        return false;
    PeerMessage message;
    message.FROM = from;
    message.OnDate = PeerMessage::DateText(QDateTime::currentDateTime());
    message.TO = s.name() + QLatin1Char(';');
    message.Text = text;
    message.RTF = QStringLiteral("{\\rtf1\\ansi %1\\par}").arg(text);
    test::TcpTestClient client(s.port());
    if (!client.connected())
        return false;
    client.send(test::authorisedPost("/MESSAGE", message.Body(false).toUtf8()));
    const auto reply = client.nextResponse(20000);
    return reply && reply->startsWith("HTTP/1.1 200");
}

std::unique_ptr<QProcess> DesktopFixture::startTypingProbe(const QString& textFile, XWindow* window) {
    auto probe = x.startProgram(QStringLiteral(VELLUMO_DESKTOP_PROBE), {QStringLiteral("typing"), textFile});
    if (!probe) {
        ADD_FAILURE() << "the probe did not start";
        return probe;
    }
    const auto w = waitForWindow(x, probe->processId(), title::TypingProbe, 30000);
    if (!w) {
        ADD_FAILURE() << "no window of the probe";
        return probe;
    }
    *window = framed(*w);
    EXPECT_TRUE(active(*window));
    return probe;
}

QString DesktopFixture::readText(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

void TwoStationDesktop::SetUp() {
    DesktopFixture::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    if (!makeNetwork())
        GTEST_SKIP() << "two stations need network namespaces (root); not run";
}

int differingPixels(const QImage& a, const QImage& b, const QRect& area, int tolerance) {
    if (a.size() != b.size())
        return area.width() * area.height();
    const QRect inside = area & a.rect();
    int count = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x0 = inside.left(); x0 <= inside.right(); ++x0)
            count += nearColour(a.pixel(x0, y), b.pixel(x0, y), tolerance) ? 0 : 1;
    return count;
}

int pixelsNear(const QImage& image, QRgb colour, int tolerance) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x0 = 0; x0 < image.width(); ++x0)
            count += nearColour(image.pixel(x0, y), colour, tolerance) ? 1 : 0;
    return count;
}

} // namespace vellumo::desktop
