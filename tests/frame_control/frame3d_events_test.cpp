#include "tests/frame_control/frame_fixture.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QShortcut>

namespace vellumo::test {
namespace {

class FrameEvents : public FrameTest {
protected:
    void SetUp() override {
        Frame3D& f = makeNew();
        f.resize(300, 24);
        f.setCaption("Prêt");
        f.show();
        auto mouse = [this](const char* name) {
            return [this, name](std::int16_t& b, std::int16_t& s, float& x, float& y) {
                events << QStringLiteral("%1 %2 %3 %4,%5").arg(QLatin1String(name)).arg(b).arg(s).arg(x).arg(y);
            };
        };
        ControlEvents& e = f.events();
        e.Click = [this] { events << "Click"; };
        e.DblClick = [this] { events << "DblClick"; };
        e.MouseDown = mouse("MouseDown");
        e.MouseMove = mouse("MouseMove");
        e.MouseUp = mouse("MouseUp");
        e.KeyDown = [this](std::int16_t& k, std::int16_t& s) {
            events << QStringLiteral("KeyDown %1 %2").arg(k).arg(s);
        };
        e.KeyUp = [this](std::int16_t& k, std::int16_t& s) { events << QStringLiteral("KeyUp %1 %2").arg(k).arg(s); };
        e.KeyPress = [this](std::int16_t& a) { events << QStringLiteral("KeyPress %1").arg(a); };
    }
    void TearDown() override { frame.reset(); }

    static void send(QWidget* to, QEvent::Type type, QPointF at, Qt::MouseButton button = Qt::LeftButton) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease || type == QEvent::MouseMove
                                          ? Qt::MouseButtons(Qt::NoButton)
                                          : Qt::MouseButtons(button);
        QMouseEvent e(type, at, to->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : button, held,
                      Qt::NoModifier);
        QApplication::sendEvent(to, &e);
    }
    static void click(QWidget* to, QPointF at) {
        send(to, QEvent::MouseButtonPress, at);
        send(to, QEvent::MouseButtonRelease, at);
    }

    QStringList events;
};

TEST_F(FrameEvents, AClickOnTheCaptionIsOneClickOnTheFrameInTheLabelsCoordinates) {
    click(&frame->lblCaption(), {2, 3});
    EXPECT_EQ(events, (QStringList{"MouseDown 1 0 2,3", "MouseUp 1 0 2,3", "Click"}));
    events.clear();
    click(frame.get(), {250, 10});
    EXPECT_EQ(events, (QStringList{"MouseDown 1 0 250,10", "MouseUp 1 0 250,10", "Click"}));
}

TEST_F(FrameEvents, MouseMoveOverALabelReportsTheLabelsOwnCoordinates) {
    frame->lblCaption().move(40, 5);
    send(&frame->lblCaption(), QEvent::MouseMove, {0, 0});
    frame->lblCaptionShadow().move(41, 6);
    frame->lblCaptionShadow().show();
    send(&frame->lblCaptionShadow(), QEvent::MouseMove, {1.5, 2});
    frame->lblCaptionBlank().show();
    send(&frame->lblCaptionBlank(), QEvent::MouseMove, {3, 4});
    EXPECT_EQ(events, (QStringList{"MouseMove 0 0 0,0", "MouseMove 0 0 1.5,2", "MouseMove 0 0 3,4"}));
}

TEST_F(FrameEvents, ADoubleClickComesAfterTheFirstClick) {
    QWidget* label = &frame->lblCaption();
    send(label, QEvent::MouseButtonPress, {1, 1});
    send(label, QEvent::MouseButtonRelease, {1, 1});
    send(label, QEvent::MouseButtonDblClick, {1, 1});
    send(label, QEvent::MouseButtonRelease, {1, 1});
    EXPECT_EQ(events, (QStringList{"MouseDown 1 0 1,1", "MouseUp 1 0 1,1", "Click", "DblClick", "MouseUp 1 0 1,1"}));
}

TEST_F(FrameEvents, KeysOfTheSurfaceComeAsKeyDownKeyPressKeyUp) {
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QApplication::sendEvent(frame.get(), &down);
    QApplication::sendEvent(frame.get(), &up);
    EXPECT_EQ(events, (QStringList{"KeyDown 13 0", "KeyPress 13", "KeyUp 13 0"}));
}

TEST_F(FrameEvents, AnAccessKeyPressRaisesClickOnly) {
    std::int16_t key = 's';
    frame->UserControl_AccessKeyPress(key);
    EXPECT_EQ(events, QStringList{"Click"});
}

TEST_F(FrameEvents, TheCaptionsMarkedKeyInTheWindowClicksTheFrame) {
    frame->setCaption(QStringLiteral("&Statut"));
    EXPECT_TRUE(frame->findChildren<QShortcut*>().isEmpty()) << "without UseMnemonic the & is text";
    frame->setUseMnemonic(true);
    const auto shortcuts = frame->findChildren<QShortcut*>();
    ASSERT_EQ(shortcuts.size(), 1);
    EXPECT_EQ(shortcuts[0]->key(), QKeySequence(QStringLiteral("Alt+S")));
    emit shortcuts[0]->activated();
    EXPECT_EQ(events, QStringList{"Click"});
    frame->setCaption(QStringLiteral("A&&B"));
    EXPECT_TRUE(frame->findChildren<QShortcut*>().isEmpty());
}

struct MnemonicCase {
    const char* name;
    const char* caption;
    bool useMnemonic;
    const char* key;
};
void PrintTo(const MnemonicCase& c, std::ostream* os) {
    *os << c.name;
}

class FrameAccessKey : public FrameTest, public testing::WithParamInterface<MnemonicCase> {};

TEST_P(FrameAccessKey, ComesFromTheCaptionsMark) {
    Frame3D& f = makeNew();
    f.setUseMnemonic(GetParam().useMnemonic);
    f.setCaption(QString::fromUtf8(GetParam().caption));
    EXPECT_EQ(f.accessKeys(), QString::fromUtf8(GetParam().key));
}

const MnemonicCase kMnemonics[] = {
    {"Marked", "&Ok", true, "o"},           // the marked character, in lower case
    {"NoMnemonic", "&Ok", false, ""},       // the & is text
    {"Literal", "A&&B", true, ""},          // && shows one &
    {"AfterALiteral", "a&&b&c", true, "c"}, // the first single mark
    {"Trailing", "Save&", true, ""},        // nothing after the mark
    {"FirstMarkWins", "&x&y", true, "x"},   // the first mark counts
};
INSTANTIATE_TEST_SUITE_P(Captions, FrameAccessKey, testing::ValuesIn(kMnemonics),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameTest, TheShownPercentageReplacesTheCaptionsAccessKey) {
    Frame3D& f = makeNew();
    f.setUseMnemonic(true);
    f.setCaption(QStringLiteral("&Prêt"));
    EXPECT_EQ(f.accessKeys(), QStringLiteral("p"));
    f.setFloodShowPct(true);
    EXPECT_EQ(f.accessKeys(), QString());
    PropertyBag bag;
    f.setFloodShowPct(false);
    f.setCaption(QStringLiteral("&Envoi"));
    f.WriteProperties(bag);
    make().ReadProperties(bag);
    EXPECT_EQ(frame->accessKeys(), QStringLiteral("e"));
}

} // namespace
} // namespace vellumo::test
