// cSystray against the recording shell: the main window's start-up sequence, record sizes and
// balloons per shell version, texts cut to their fields, the balloon timer, the taskbar coming
// back, every notification code as its event, the forward procedure, and the object destroyed by
// one of its own events.

#include "tray/c_systray.h"

#include "platform/tray/callback_table.h"
#include "tests/support/event_loop.h"
#include "tests/support/recording_tray_shell.h"
#include "tests/support/scripted_ui_hooks.h"

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo {
namespace {

using test::RecordingTrayShell;
using test::ShellCall;

QIcon someIcon() {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::blue);
    return QIcon(QPixmap::fromImage(image));
}

void deliverPosted() {
    QCoreApplication::sendPostedEvents();
}

// Records every event of the object as text ("MouseUp 2", "BalloonShown", ...).
void recordEvents(cSystray& tray, QStringList& events) {
    QObject::connect(&tray, &cSystray::MouseMove, [&] { events << "MouseMove"; });
    QObject::connect(&tray, &cSystray::MouseDown, [&](qint16& b) { events << QStringLiteral("MouseDown %1").arg(b); });
    QObject::connect(&tray, &cSystray::MouseUp, [&](qint16& b) { events << QStringLiteral("MouseUp %1").arg(b); });
    QObject::connect(&tray, &cSystray::MouseDblClick,
                     [&](qint16& b) { events << QStringLiteral("MouseDblClick %1").arg(b); });
    QObject::connect(&tray, &cSystray::BalloonClose, [&] { events << "BalloonClose"; });
    QObject::connect(&tray, &cSystray::BalloonClick, [&] { events << "BalloonClick"; });
    QObject::connect(&tray, &cSystray::BalloonShown, [&] { events << "BalloonShown"; });
    QObject::connect(&tray, &cSystray::BalloonHide, [&] { events << "BalloonHide"; });
}

class SystrayTest : public ::testing::Test {
protected:
    // The number of modify calls that take the balloon away (info flag, empty text).
    int balloonHides() const {
        int n = 0;
        for (const ShellCall& c : shell.calls)
            n += c.message == TrayShell::NIM_MODIFY && c.flags == TrayShell::NIF_INFO && c.info.isEmpty();
        return n;
    }

    test::ScriptedUiHooks hooks;
    ScopedUiHooks scopedUi{hooks};
    RecordingTrayShell shell{6};
    std::unique_ptr<cSystray> tray = std::make_unique<cSystray>(shell);
};

TEST_F(SystrayTest, StartUpSequenceOfTheMainWindow) {
    const QIcon icon = someIcon();
    ASSERT_TRUE(tray->IsBalloonCapable());
    tray->setBalloonIcon(4);
    tray->setBalloonText(QStringLiteral("En attente de message..."));
    tray->setBalloonTitle(QStringLiteral("Vellumo"));
    tray->SysTrayIconFromHandle(icon);
    tray->setSysTrayToolTip(QStringLiteral("Vellumo"));
    tray->SysTrayShow(true);
    EXPECT_TRUE(tray->BalloonShow(true, 10000, false));

    // Before the first add the record names no icon yet: the shell refuses those modifies.
    ASSERT_EQ(shell.calls.size(), 7u);
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(shell.calls[i].message, TrayShell::NIM_MODIFY);
        EXPECT_EQ(shell.calls[i].flags, i < 3 ? 20u : 4u);
        EXPECT_EQ(shell.calls[i].size, 0u);
        EXPECT_FALSE(shell.calls[i].accepted);
    }
    const ShellCall& add = shell.calls[4];
    EXPECT_EQ(add.message, TrayShell::NIM_ADD);
    EXPECT_EQ(add.flags, 7u);
    EXPECT_EQ(add.size, 504u);
    EXPECT_EQ(add.hWnd, tray->lhWnd());
    EXPECT_EQ(add.uID, tray->iconId());
    EXPECT_EQ(add.callbackMessage, 512u);
    EXPECT_EQ(add.timeoutOrVersion, 3u);
    EXPECT_EQ(add.tip, QStringLiteral("Vellumo"));
    EXPECT_EQ(add.iconKey, icon.cacheKey());
    EXPECT_TRUE(add.accepted);
    // BalloonShow takes any balloon away first, then shows its own, with sound.
    EXPECT_EQ(shell.calls[5].flags, 16u);
    EXPECT_TRUE(shell.calls[5].info.isEmpty());
    EXPECT_EQ(shell.calls[6].flags, 16u);
    EXPECT_EQ(shell.calls[6].info, QStringLiteral("En attente de message..."));
    EXPECT_EQ(shell.calls[6].infoTitle, QStringLiteral("Vellumo"));
    EXPECT_EQ(shell.calls[6].infoFlags, 4u);
    EXPECT_TRUE(shell.calls[6].accepted);

    const auto* shown = shell.icon(tray->lhWnd(), tray->iconId());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->tip, QStringLiteral("Vellumo"));
    EXPECT_EQ(shown->info, QStringLiteral("En attente de message..."));

    // Closing the main window removes the icon.
    tray.reset();
    EXPECT_EQ(shell.calls.back().message, TrayShell::NIM_DELETE);
    EXPECT_TRUE(shell.icons.empty());
    EXPECT_TRUE(hooks.events.empty());
}

struct VersionCase {
    const char* name;
    int version;
    quint32 size;
    bool balloons;
};

class SystrayVersions : public ::testing::TestWithParam<VersionCase> {};

TEST_P(SystrayVersions, RecordSizeAndBalloons) {
    const VersionCase& c = GetParam();
    RecordingTrayShell shell(c.version);
    cSystray tray(shell);
    EXPECT_EQ(tray.recordSize(), c.size);
    EXPECT_EQ(tray.IsBalloonCapable(), c.balloons);
    tray.SysTrayShow(true);
    ASSERT_EQ(shell.calls.size(), 1u);
    EXPECT_EQ(shell.calls[0].size, c.size);

    tray.setBalloonText(QStringLiteral("Bonjour"));
    tray.setBalloonTitle(QStringLiteral("Titre"));
    tray.setBalloonIcon(2);
    EXPECT_EQ(tray.BalloonShow(true, 10000, false), c.balloons);
    EXPECT_EQ(tray.BalloonShow(false, -1, false), c.balloons);
    // Without balloons the properties keep their values and nothing goes to the shell.
    EXPECT_EQ(tray.BalloonText(), c.balloons ? QStringLiteral("Bonjour") : QString());
    EXPECT_EQ(tray.BalloonTitle(), c.balloons ? QStringLiteral("Titre") : QString());
    EXPECT_EQ(tray.BalloonIcon(), c.balloons ? 2 : 0);
    EXPECT_EQ(shell.calls.size(), c.balloons ? 7u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Systray, SystrayVersions,
                         ::testing::Values(VersionCase{"Shell4", 4, 88, false}, VersionCase{"Shell5", 5, 488, true},
                                           VersionCase{"Shell6", 6, 504, true}, VersionCase{"Shell7", 7, 504, true},
                                           VersionCase{"Unknown", 0, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SystrayTest, TextsAreCutToTheirFieldsInTheCodePage) {
    const QString tip = QString(130, QChar(0xE9)); // é: one byte in the code page
    tray->setSysTrayToolTip(QStringLiteral("   ") + tip + QStringLiteral("  "));
    EXPECT_EQ(tray->SysTrayToolTip(), tip); // spaces trimmed, nothing cut
    EXPECT_EQ(shell.calls.back().rawTip, QByteArray(127, '\xE9'));

    tray->setBalloonText(QString(300, QLatin1Char('t')));
    EXPECT_EQ(shell.calls.back().rawInfo.size(), 255);
    tray->setBalloonTitle(QString(100, QChar(0x20AC))); // €: 0x80
    EXPECT_EQ(shell.calls.back().rawTitle, QByteArray(63, '\x80'));
    EXPECT_EQ(tray->BalloonTitle().size(), 100);

    tray->SysTrayShow(true);
    tray->BalloonShow(true, -1, true);
    EXPECT_EQ(shell.calls.back().rawInfo.size(), 255);
    EXPECT_EQ(shell.calls.back().rawTitle.size(), 63);
    EXPECT_EQ(shell.calls.back().infoFlags, 16u); // icon 0, no sound
    EXPECT_EQ(shell.icon(tray->lhWnd(), tray->iconId())->tip, tip.left(127));
}

TEST_F(SystrayTest, BalloonTimerHidesTheBalloonOnce) {
    QStringList events;
    recordEvents(*tray, events);
    tray->setBalloonText(QStringLiteral("Bonjour"));
    tray->SysTrayShow(true);
    tray->BalloonShow(true, 30, false);
    const int hidesBefore = balloonHides();
    ASSERT_TRUE(shell.inject(TrayShell::NIN_BALLOONSHOW));
    deliverPosted();
    EXPECT_EQ(events, QStringList({"BalloonShown"}));
    ASSERT_TRUE(test::waitUntil([&] { return balloonHides() > hidesBefore; }));
    test::runEventLoopFor(120);
    EXPECT_EQ(balloonHides(), hidesBefore + 1);
    EXPECT_EQ(events, QStringList({"BalloonShown"})); // the object's own hide raises nothing
    // The shell's hide notification does.
    shell.inject(TrayShell::NIN_BALLOONHIDE);
    deliverPosted();
    EXPECT_EQ(events, QStringList({"BalloonShown", "BalloonHide"}));
}

TEST_F(SystrayTest, BalloonWithoutTimeOutOrClosedByTheShellStartsNoHide) {
    tray->setBalloonText(QStringLiteral("Bonjour"));
    tray->SysTrayShow(true);
    tray->BalloonShow(true, -1, false);
    const int hides = balloonHides();
    shell.inject(TrayShell::NIN_BALLOONSHOW);
    deliverPosted();
    test::runEventLoopFor(60);
    EXPECT_EQ(balloonHides(), hides);

    // A balloon the user clicks before its time-out: the timer stops with the click.
    tray->BalloonShow(true, 30, false);
    const int hidesAfterShow = balloonHides();
    shell.inject(TrayShell::NIN_BALLOONSHOW);
    shell.inject(TrayShell::NIN_BALLOONUSERCLICK);
    deliverPosted();
    test::runEventLoopFor(100);
    EXPECT_EQ(balloonHides(), hidesAfterShow);
}

TEST_F(SystrayTest, TaskbarRecreatedBringsAShownIconBackWithItsIconAndTooltip) {
    const QIcon icon = someIcon();
    tray->SysTrayIconFromHandle(icon);
    tray->setSysTrayToolTip(QStringLiteral("Vellumo"));
    tray->SysTrayShow(true);
    shell.recreateTaskbar();
    ASSERT_EQ(shell.icon(tray->lhWnd(), tray->iconId()), nullptr);
    deliverPosted();
    const auto* back = shell.icon(tray->lhWnd(), tray->iconId());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->tip, QStringLiteral("Vellumo"));
    EXPECT_EQ(back->iconKey, icon.cacheKey());
    EXPECT_EQ(shell.calls.back().message, TrayShell::NIM_ADD);
    EXPECT_EQ(shell.calls.back().flags, 7u);
}

TEST_F(SystrayTest, TaskbarRecreatedLeavesAnIconNotShownAway) {
    tray->SysTrayShow(true);
    tray->SysTrayShow(false);
    tray->SysTrayShow(false); // nothing to delete a second time
    const std::size_t calls = shell.calls.size();
    EXPECT_EQ(shell.callsOf(TrayShell::NIM_DELETE).size(), 1u);
    shell.recreateTaskbar();
    deliverPosted();
    EXPECT_EQ(shell.calls.size(), calls);
    EXPECT_TRUE(shell.icons.empty());
}

TEST_F(SystrayTest, ShellRefusalsAreIgnored) {
    shell.fail = true;
    tray->SysTrayShow(true);
    tray->SysTrayShow(true);
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].message, TrayShell::NIM_MODIFY); // the object counts itself shown
}

struct CodeCase {
    const char* name;
    qintptr code;
    const char* event; // "" for none
};

class SystrayCodes : public SystrayTest, public ::testing::WithParamInterface<CodeCase> {};

TEST_P(SystrayCodes, NotificationBecomesItsEventThenGoesToTheForwardProcedure) {
    const CodeCase& c = GetParam();
    QStringList events;
    recordEvents(*tray, events);
    QStringList forwarded;
    const qintptr forward = CallbackTable::add([&](std::span<const qintptr> a) -> qintptr {
        forwarded << QStringLiteral("%1 %2 %3 %4 after %5").arg(a[0]).arg(a[1]).arg(a[2]).arg(a[3]).arg(events.size());
        return 0;
    });
    tray->SetProc(forward);
    tray->setExtraParam(77);
    tray->SysTrayShow(true);
    ASSERT_TRUE(shell.inject(c.code));
    deliverPosted();
    EXPECT_EQ(events, *c.event ? QStringList({QString::fromLatin1(c.event)}) : QStringList());
    EXPECT_EQ(
        forwarded,
        QStringList({QStringLiteral("%1 %2 77 0 after %3").arg(tray->lhWnd()).arg(c.code).arg(*c.event ? 1 : 0)}));
    CallbackTable::remove(forward);
}

INSTANTIATE_TEST_SUITE_P(
    Systray, SystrayCodes,
    ::testing::Values(CodeCase{"Move", 512, "MouseMove"}, CodeCase{"LeftDown", 513, "MouseDown 1"},
                      CodeCase{"LeftUp", 514, "MouseUp 1"}, CodeCase{"LeftDouble", 515, "MouseDblClick 1"},
                      CodeCase{"RightDown", 516, "MouseDown 2"}, CodeCase{"RightUp", 517, "MouseUp 2"},
                      CodeCase{"RightDouble", 518, "MouseDblClick 2"}, CodeCase{"MiddleDown", 519, "MouseDown 4"},
                      CodeCase{"MiddleUp", 520, "MouseUp 4"}, CodeCase{"MiddleDouble", 521, "MouseDblClick 4"},
                      CodeCase{"BalloonShown", 1026, "BalloonShown"}, CodeCase{"BalloonHidden", 1027, "BalloonHide"},
                      CodeCase{"BalloonTimedOut", 1028, "BalloonClose"},
                      CodeCase{"BalloonClicked", 1029, "BalloonClick"}, CodeCase{"Unknown", 1030, ""},
                      CodeCase{"BelowTheMouse", 511, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SystrayTest, EventHandlerThatDestroysTheObject) {
    bool forwarded = false;
    const qintptr forward = CallbackTable::add([&](std::span<const qintptr>) -> qintptr {
        forwarded = true;
        return 0;
    });
    tray->SetProc(forward);
    tray->SysTrayShow(true);
    const WindowHandle window = tray->lhWnd();
    tray->BalloonShow(true, 10000, false);
    shell.inject(TrayShell::NIN_BALLOONSHOW); // the balloon timer runs
    deliverPosted();
    ASSERT_TRUE(forwarded);
    forwarded = false;
    QObject::connect(tray.get(), &cSystray::MouseDblClick, [&](qint16&) { tray.reset(); });
    shell.inject(515);
    shell.inject(513); // already queued when the object goes: dropped with its window
    deliverPosted();
    EXPECT_EQ(tray, nullptr);
    EXPECT_FALSE(forwarded);
    EXPECT_FALSE(MessageWindow::isWindow(window));
    EXPECT_EQ(shell.calls.back().message, TrayShell::NIM_DELETE);
    EXPECT_TRUE(hooks.events.empty());
    CallbackTable::remove(forward);
}

TEST_F(SystrayTest, IconsFromFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString png = dir.filePath(QStringLiteral("icon.png"));
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(png));

    tray->SysTrayShow(true);
    EXPECT_TRUE(tray->SysTrayIconFromFile(png));
    EXPECT_EQ(shell.calls.back().flags, 2u);
    EXPECT_TRUE(shell.calls.back().hasIcon);
    EXPECT_TRUE(tray->SysTrayIconFromCompRes(png, 0));
    const std::size_t calls = shell.calls.size();
    EXPECT_FALSE(tray->SysTrayIconFromFile(dir.filePath(QStringLiteral("missing.ico"))));
    EXPECT_FALSE(tray->SysTrayIconFromCompRes(png, 1));
    EXPECT_FALSE(tray->SysTrayIconFromRes(QStringLiteral("NOSUCHICON")));
    EXPECT_EQ(shell.calls.size(), calls);
}

} // namespace
} // namespace vellumo
