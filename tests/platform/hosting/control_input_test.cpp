#include "platform/hosting/control_input.h"

#include "platform/hosting/access_keys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

// Qt's own entry for a key press that may be a shortcut (what QTest uses to deliver shortcuts).
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text = QString(), bool autorep = false, ushort count = 1);

namespace vellumo {
namespace {

// A widget whose mouse and key events go through a ControlInput into a log of notifications.
class Recorder : public QWidget {
public:
    Recorder() {
        resize(100, 50);
        auto mouse = [this](const char* name) {
            return [this, name](std::int16_t& b, std::int16_t& s, float& x, float& y) {
                log << QStringLiteral("%1 %2 %3 %4,%5").arg(QLatin1String(name)).arg(b).arg(s).arg(x).arg(y);
            };
        };
        handlers.Click = [this] { log << "Click"; };
        handlers.DblClick = [this] { log << "DblClick"; };
        handlers.MouseDown = mouse("MouseDown");
        handlers.MouseUp = mouse("MouseUp");
        handlers.MouseMove = mouse("MouseMove");
        handlers.KeyDown = [this](std::int16_t& k, std::int16_t& s) {
            log << QStringLiteral("KeyDown %1 %2").arg(k).arg(s);
        };
        handlers.KeyUp = [this](std::int16_t& k, std::int16_t& s) {
            log << QStringLiteral("KeyUp %1 %2").arg(k).arg(s);
        };
        handlers.KeyPress = [this](std::int16_t& a) { log << QStringLiteral("KeyPress %1").arg(a); };
    }
    bool event(QEvent* e) override { return input.dispatch(e, *this, handlers) || QWidget::event(e); }

    void mouse(QEvent::Type type, Qt::MouseButton button, QPointF at, Qt::MouseButtons held = Qt::NoButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QMouseEvent e(type, at, mapToGlobal(at), button, held, mods);
        QApplication::sendEvent(this, &e);
    }
    void key(QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text, bool repeat = false) {
        QKeyEvent e(type, key, mods, text, repeat);
        QApplication::sendEvent(this, &e);
    }

    ControlInput input;
    ControlEvents handlers;
    QStringList log;
};

TEST(ControlInput, SingleAndDoubleClickComeInThePlatformsOrder) {
    Recorder w;
    w.mouse(QEvent::MouseButtonPress, Qt::LeftButton, {10, 20}, Qt::LeftButton, Qt::ShiftModifier);
    w.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {11, 21});
    w.mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, {11, 21}, Qt::LeftButton);
    w.mouse(QEvent::MouseButtonRelease, Qt::LeftButton, {11, 21});
    EXPECT_EQ(w.log,
              (QStringList{"MouseDown 1 1 10,20", "MouseUp 1 0 11,21", "Click", "DblClick", "MouseUp 1 0 11,21"}));
}

TEST(ControlInput, ButtonsAndShiftAreBitSetsAndAReleaseOutsideIsNoClick) {
    Recorder w;
    w.mouse(QEvent::MouseButtonPress, Qt::RightButton, {5, 5}, Qt::RightButton, Qt::ControlModifier | Qt::AltModifier);
    w.mouse(QEvent::MouseMove, Qt::NoButton, {6, 7}, Qt::RightButton | Qt::MiddleButton);
    w.mouse(QEvent::MouseButtonRelease, Qt::RightButton, {200, 7}); // outside the widget
    w.mouse(QEvent::MouseButtonPress, Qt::MiddleButton, {5, 5}, Qt::MiddleButton);
    w.mouse(QEvent::MouseButtonRelease, Qt::MiddleButton, {5, 5});
    EXPECT_EQ(w.log, (QStringList{"MouseDown 2 6 5,5", "MouseMove 6 0 6,7", "MouseUp 2 0 200,7", "MouseDown 4 0 5,5",
                                  "MouseUp 4 0 5,5", "Click"}));
}

TEST(ControlInput, KeysGiveVirtualKeyNumbersAndTypedCharacters) {
    Recorder w;
    w.key(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "A");
    w.key(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier, "A", true); // held: repeats
    w.key(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "A", true);
    w.key(QEvent::KeyRelease, Qt::Key_A, Qt::ShiftModifier, "A");
    w.key(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier, "");
    w.key(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QStringLiteral("é"));
    EXPECT_EQ(w.log, (QStringList{"KeyDown 65 1", "KeyPress 65", "KeyDown 65 1", "KeyPress 65", "KeyUp 65 1",
                                  "KeyDown 37 0", "KeyDown 0 0", "KeyPress 233"}));
}

struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers mods;
    std::int16_t vk;
};

void PrintTo(const KeyCase& c, std::ostream* os) {
    *os << c.name;
}

class VirtualKeys : public testing::TestWithParam<KeyCase> {};

TEST_P(VirtualKeys, MatchThePlatformsNumbers) {
    const auto& c = GetParam();
    QKeyEvent e(QEvent::KeyPress, c.key, c.mods);
    EXPECT_EQ(ControlInput::virtualKey(e), c.vk);
}

INSTANTIATE_TEST_SUITE_P(Keys, VirtualKeys,
                         testing::Values(KeyCase{"Digit5", Qt::Key_5, Qt::NoModifier, 53},
                                         KeyCase{"Keypad5", Qt::Key_5, Qt::KeypadModifier, 101},
                                         KeyCase{"F1", Qt::Key_F1, Qt::NoModifier, 112},
                                         KeyCase{"Return", Qt::Key_Return, Qt::NoModifier, 13},
                                         KeyCase{"Space", Qt::Key_Space, Qt::NoModifier, 32},
                                         KeyCase{"Delete", Qt::Key_Delete, Qt::NoModifier, 46},
                                         KeyCase{"Shift", Qt::Key_Shift, Qt::ShiftModifier, 16},
                                         KeyCase{"Semicolon", Qt::Key_Semicolon, Qt::NoModifier, 186},
                                         KeyCase{"Down", Qt::Key_Down, Qt::NoModifier, 40}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AccessKeys, APressRunsTheHandlerWithTheKeysCharacter) {
    QWidget owner;
    std::vector<int> pressed;
    AccessKeys keys(owner, [&](std::int16_t& keyAscii) { pressed.push_back(keyAscii); });
    keys.setKeys("Ok");
    EXPECT_EQ(keys.keys(), QStringLiteral("ok"));
    EXPECT_TRUE(keys.press(QLatin1Char('O')));
    EXPECT_FALSE(keys.press(QLatin1Char('x')));
    keys.setKeys("x");
    EXPECT_FALSE(keys.press(QLatin1Char('o')));
    EXPECT_TRUE(keys.press(QLatin1Char('x')));
    EXPECT_EQ(pressed, (std::vector<int>{'o', 'x'}));
    EXPECT_EQ(owner.findChildren<QObject*>().size(), 1); // one shortcut for the one key left
}

TEST(AccessKeys, AltAndTheKeyInTheControlsWindowRunsTheHandler) {
    QWidget window;
    auto* control = new QWidget(&window);
    window.show();
    QApplication::setActiveWindow(&window);
    int presses = 0;
    AccessKeys keys(*control, [&](std::int16_t& keyAscii) { presses += keyAscii == 's' ? 1 : 100; });
    keys.setKeys("s");
    EXPECT_TRUE(qt_sendShortcutOverrideEvent(control, 0, Qt::Key_S, Qt::AltModifier, QStringLiteral("s")));
    EXPECT_FALSE(qt_sendShortcutOverrideEvent(control, 0, Qt::Key_T, Qt::AltModifier, QStringLiteral("t")));
    EXPECT_EQ(presses, 1);
}

TEST(MousePointer, UnknownCodesAreRefused) {
    QWidget w;
    EXPECT_NO_THROW(applyMousePointer(w, 11, QImage()));
    EXPECT_EQ(w.cursor().shape(), Qt::WaitCursor);
    EXPECT_NO_THROW(applyMousePointer(w, 0, QImage()));
    EXPECT_ANY_THROW(applyMousePointer(w, 16, QImage()));
}

TEST(MousePointer, TheMouseIconPointsFromItsHotSpotOrItsCentre) {
    QWidget w;
    QImage icon(32, 24, QImage::Format_ARGB32);
    icon.fill(Qt::black);
    applyMousePointer(w, 99, icon);
    EXPECT_EQ(w.cursor().hotSpot(), QPoint(16, 12));
    setMouseIconHotSpot(icon, {5, 0});
    EXPECT_EQ(mouseIconHotSpot(icon), QPoint(5, 0));
    applyMousePointer(w, 99, icon);
    EXPECT_EQ(w.cursor().hotSpot(), QPoint(5, 0));
    setMouseIconHotSpot(icon, {40, 3}); // outside the picture: the centre
    EXPECT_EQ(mouseIconHotSpot(icon), QPoint(16, 12));
}

} // namespace
} // namespace vellumo
