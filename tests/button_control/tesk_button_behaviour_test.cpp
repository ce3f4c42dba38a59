// The button's behaviour through its widget's Qt events: the events it raises and their order, the
// repaints they ask for, check-box toggling, keys, focus, access keys and the hover timer.
#include "tests/button_control/button_fixture.h"

#include "tests/support/event_loop.h"

#include <QShortcut>

namespace vellumo::test {
namespace {

class ButtonBehaviour : public ButtonTest {
protected:
    void SetUp() override {
        makeShown(80, 24);
        cursor = QPoint(-1000, -1000); // away from every window
        button->cursorPosition = [this] { return cursor; };
        paints.clear();
    }
    void cursorOverButton() { cursor = button->mapToGlobal(QPoint(40, 12)); }

    QPoint cursor;
};

TEST_F(ButtonBehaviour, ALeftClickRaisesMouseDownMouseUpThenClick) {
    press(button.get(), {5, 6});
    release(button.get(), {5, 6});
    EXPECT_EQ(events, (QStringList{"MouseDown 1 0 5,6", "MouseUp 1 0 5,6", "Click"}));
    // down, up; the click's forced repaint comes before Click is raised
    EXPECT_EQ(paints, (QStringList{"paint 2", "paint 0", "paint 0"}));
}

TEST_F(ButtonBehaviour, ARightClickPaintsNothingAndRaisesNoClick) {
    press(button.get(), {5, 6}, Qt::RightButton);
    release(button.get(), {5, 6}, Qt::RightButton);
    EXPECT_EQ(events, (QStringList{"MouseDown 2 0 5,6", "MouseUp 2 0 5,6"}));
    EXPECT_TRUE(paints.isEmpty());
}

TEST_F(ButtonBehaviour, AMiddleClickPaintsButRaisesNoClick) {
    press(button.get(), {5, 6}, Qt::MiddleButton);
    release(button.get(), {5, 6}, Qt::MiddleButton);
    EXPECT_EQ(events, (QStringList{"MouseDown 4 0 5,6", "MouseUp 4 0 5,6"}));
}

TEST_F(ButtonBehaviour, ADoubleClickPaintsTheButtonDownAgain) {
    press(button.get(), {5, 6});
    release(button.get(), {5, 6});
    mouse(button.get(), QEvent::MouseButtonDblClick, {5, 6}, Qt::LeftButton, Qt::LeftButton);
    release(button.get(), {5, 6});
    EXPECT_EQ(events,
              (QStringList{"MouseDown 1 0 5,6", "MouseUp 1 0 5,6", "Click", "MouseDown 1 0 0,0", "MouseUp 1 0 5,6"}));
    EXPECT_EQ(paints, (QStringList{"paint 2", "paint 0", "paint 0", "paint 2", "paint 0"}));
}

TEST_F(ButtonBehaviour, ARightDoubleClickDoesNothingMore) {
    press(button.get(), {5, 6}, Qt::RightButton);
    release(button.get(), {5, 6}, Qt::RightButton);
    mouse(button.get(), QEvent::MouseButtonDblClick, {5, 6}, Qt::RightButton, Qt::RightButton);
    release(button.get(), {5, 6}, Qt::RightButton);
    EXPECT_EQ(events, (QStringList{"MouseDown 2 0 5,6", "MouseUp 2 0 5,6", "MouseUp 2 0 5,6"}));
}

TEST_F(ButtonBehaviour, ACheckBoxFlipsItsValueOnEachClickAndStaysDown) {
    button->setCheckBoxBehaviour(true);
    notified.clear();
    press(button.get(), {5, 6});
    release(button.get(), {5, 6});
    EXPECT_TRUE(button->Value());
    EXPECT_EQ(button->currentState(), 2); // painted down until the next click
    press(button.get(), {5, 6});
    release(button.get(), {5, 6});
    EXPECT_FALSE(button->Value());
    EXPECT_EQ(button->currentState(), 0);
    EXPECT_TRUE(notified.isEmpty()); // a toggle changes the field only
}

TEST_F(ButtonBehaviour, ADisabledButtonHasNoClickEffect) {
    button->setCheckBoxBehaviour(true);
    button->setEnabledProperty(false);
    button->UserControl_MouseDown(1, 0, 1, 1);
    button->UserControl_Click();
    EXPECT_FALSE(button->Value());
    EXPECT_FALSE(events.contains("Click"));
}

TEST_F(ButtonBehaviour, SpacePaintsDownAndItsReleaseClicks) {
    key(button.get(), QEvent::KeyPress, Qt::Key_Space, " ");
    EXPECT_EQ(button->currentState(), 2);
    key(button.get(), QEvent::KeyRelease, Qt::Key_Space, " ");
    EXPECT_EQ(events, (QStringList{"KeyDown 32 0", "KeyPress 32", "KeyUp 32 0", "Click"}));
    EXPECT_EQ(button->currentState(), 0);
}

TEST_F(ButtonBehaviour, ReleasingAnotherKeyAfterSpaceDoesNotClick) {
    key(button.get(), QEvent::KeyPress, Qt::Key_Space, " ");
    key(button.get(), QEvent::KeyPress, Qt::Key_A, "a");
    key(button.get(), QEvent::KeyRelease, Qt::Key_Space, " ");
    key(button.get(), QEvent::KeyRelease, Qt::Key_A, "a");
    EXPECT_FALSE(events.contains("Click"));
}

TEST_F(ButtonBehaviour, SpaceTogglesACheckBox) {
    button->setCheckBoxBehaviour(true);
    key(button.get(), QEvent::KeyPress, Qt::Key_Space, " ");
    key(button.get(), QEvent::KeyRelease, Qt::Key_Space, " ");
    EXPECT_TRUE(button->Value());
}

TEST_F(ButtonBehaviour, ArrowKeysMoveTheFocusAfterKeyDown) {
    TeskButtonConcept second(container.get(), &site);
    second.InitProperties();
    second.setGeometry(10, 50, 80, 24);
    second.show();
    container->activateWindow();
    QApplication::setActiveWindow(container.get());
    button->setFocus();
    ASSERT_TRUE(waitUntil([&] { return button->hasFocus(); }, 2000));
    key(button.get(), QEvent::KeyPress, Qt::Key_Right);
    EXPECT_TRUE(second.hasFocus());
    EXPECT_EQ(events.value(0), QStringLiteral("KeyDown 39 0"));
    key(&second, QEvent::KeyPress, Qt::Key_Up);
    EXPECT_TRUE(button->hasFocus());
    key(button.get(), QEvent::KeyPress, Qt::Key_Down);
    EXPECT_TRUE(second.hasFocus());
    key(&second, QEvent::KeyPress, Qt::Key_Left);
    EXPECT_TRUE(button->hasFocus());
}

TEST_F(ButtonBehaviour, FocusRepaintsTheCurrentState) {
    button->UserControl_GotFocus();
    button->UserControl_LostFocus();
    EXPECT_EQ(paints, (QStringList{"paint 0", "paint 0"}));
}

TEST_F(ButtonBehaviour, TheAccessKeyClicksTheButton) {
    button->setCaption("&Ok");
    const auto shortcuts = button->findChildren<QShortcut*>();
    ASSERT_EQ(shortcuts.size(), 1);
    EXPECT_EQ(shortcuts[0]->key(), QKeySequence(QStringLiteral("Alt+O")));
    emit shortcuts[0]->activated();
    EXPECT_EQ(events, QStringList{"Click"});
    // A right press before does not stop it: the access key counts as the left button.
    press(button.get(), {5, 6}, Qt::RightButton);
    events.clear();
    emit shortcuts[0]->activated();
    EXPECT_EQ(events, QStringList{"Click"});
    button->setCaption("A&&B");
    EXPECT_TRUE(button->findChildren<QShortcut*>().isEmpty());
}

TEST_F(ButtonBehaviour, HoverRaisesMouseOverOnceAndMouseOutWhenTheCursorLeaves) {
    cursorOverButton();
    move(button.get(), {40, 12});
    move(button.get(), {41, 12});
    EXPECT_EQ(events, (QStringList{"MouseMove 0 0 40,12", "MouseOver", "MouseMove 0 0 41,12"}));
    EXPECT_TRUE(button->hovering());
    EXPECT_TRUE(button->overTimerActive());
    test::runEventLoopFor(20); // ticks while the cursor stays over do nothing
    EXPECT_EQ(events.size(), 3);
    cursor = QPoint(-1000, -1000);
    ASSERT_TRUE(waitUntil([&] { return events.contains("MouseOut"); }, 2000));
    EXPECT_FALSE(button->hovering());
    EXPECT_FALSE(button->overTimerActive());
    EXPECT_EQ(events.count("MouseOut"), 1);
}

TEST_F(ButtonBehaviour, DraggingOutAndBackPaintsUpAndDownWithoutAClick) {
    cursorOverButton();
    press(button.get(), {40, 12});
    cursor = QPoint(-1000, -1000);
    move(button.get(), {-30, 12}, Qt::LeftButton);
    EXPECT_EQ(button->currentState(), 0);
    cursorOverButton();
    move(button.get(), {40, 12}, Qt::LeftButton);
    EXPECT_EQ(button->currentState(), 2);
    EXPECT_FALSE(events.contains("Click"));
    EXPECT_FALSE(button->hovering()); // the drag clears the hovering flag
    release(button.get(), {40, 12});
    EXPECT_EQ(events.count("Click"), 1);
    // The next move without a button hovers again, with no MouseOut in between.
    move(button.get(), {40, 12});
    EXPECT_EQ(events.count("MouseOver"), 1);
    EXPECT_EQ(events.count("MouseOut"), 0);
}

TEST_F(ButtonBehaviour, RepeatedMovesOverAPressedButtonDrawNothing) {
    cursorOverButton();
    press(button.get(), {40, 12});
    paints.clear();
    move(button.get(), {41, 12}, Qt::LeftButton);
    move(button.get(), {42, 12}, Qt::LeftButton);
    EXPECT_TRUE(paints.isEmpty());
}

TEST_F(ButtonBehaviour, HidingStopsPaintingUntilShownOrRefreshed) {
    button->hide();
    EXPECT_FALSE(button->paintFlag());
    button->setCaption("x");
    EXPECT_TRUE(paints.isEmpty());
    button->Refresh();
    EXPECT_EQ(paints, QStringList{"paint 0"});
    button->DisableRefresh();
    button->setBackColor(0x00FF00);
    EXPECT_EQ(paints, QStringList{"paint 0"});
    button->show();
    EXPECT_EQ(paints, (QStringList{"paint 0", "paint 0"}));
}

TEST_F(ButtonBehaviour, MouseOverAndMouseOutReachAHostThroughTheGenericEvents) {
    HostedControl& control = *button;
    QStringList seen;
    control.events().MouseOver = [&] { seen << "MouseOver"; };
    control.events().MouseOut = [&] { seen << "MouseOut"; };
    cursorOverButton();
    move(button.get(), {40, 12});
    cursor = QPoint(-1000, -1000);
    ASSERT_TRUE(waitUntil([&] { return seen.contains("MouseOut"); }, 2000));
    EXPECT_EQ(seen, (QStringList{"MouseOver", "MouseOut"}));
}

TEST_F(ButtonBehaviour, TheContainersAmbientChangesRepaintTheButton) {
    site.attach(*button, container.get());
    site.setAmbientProperty(QStringLiteral("DisplayAsDefault"), true);
    EXPECT_EQ(paints, QStringList{"paint 0"});
    EXPECT_EQ(pixel(0, 0), 0x404040) << "the default button's dark frame";

    button->setColorScheme(UseContainer);
    paints.clear();
    QPalette palette = container->palette();
    palette.setColor(QPalette::Window, QColor(0, 128, 255));
    container->setPalette(palette);
    EXPECT_EQ(button->workingColors().face, 0xFF8000);
    EXPECT_FALSE(paints.isEmpty());
    EXPECT_EQ(pixel(10, 10), 0xFF8000);

    paints.clear();
    QFont font = container->font();
    font.setPointSize(15);
    container->setFont(font);
    EXPECT_EQ(site.ambientFont().pointSize(), 15);
    EXPECT_EQ(paints, QStringList{"paint 0"});
}

TEST_F(ButtonBehaviour, ResizingRepaintsAndAZeroHeightPaintsNothing) {
    button->resize(90, 30);
    EXPECT_EQ(paints, QStringList{"paint 0"});
    EXPECT_EQ(button->surfaceImage().size(), QSize(90, 30));
    EXPECT_EQ(button->focusRect(), (ButtonRect{4, 4, 86, 26}));
    button->setButtonType(KDE2);
    EXPECT_EQ(button->focusRect(), (ButtonRect{6, 6, 86, 26}));
    button->setButtonType(OfficeXP);
    EXPECT_EQ(button->focusRect(), (ButtonRect{3, 3, 87, 27}));
    paints.clear();
    button->resize(90, 0);
    button->Redraw(0, true);
    EXPECT_TRUE(paints.isEmpty());
}

} // namespace
} // namespace vellumo::test
