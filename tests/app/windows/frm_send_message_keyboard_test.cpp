// The compose window from the keyboard, in process on the offscreen platform: the tab order from the
// recipients line through the editor to the toolbar, Ctrl+Tab typing a tab in the text, and a colour
// button that gives the focus back to the text so that what is typed next takes the colour.
#include "app/windows/compose/compose_toolbar.h"
#include "app/windows/compose/frm_send_message.h"

#include "app/messaging/lan_server_source.h"
#include "app/ui/push_button.h"
#include "platform/richtext/rich_text_editor.h"
#include "platform/widgets/tesk_toolbar.h"
#include "tests/support/event_loop.h"
#include "tests/support/recording_sender_reports.h"
#include "tests/support/window_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <vector>

namespace vellumo {
namespace {

class NoLan : public LanServerSource {
public:
    ServerList EnumServers(std::int32_t) override { return {true, 0, {}}; }
};

class ComposeKeyboard : public ::testing::Test, protected test::WindowFixture {
protected:
    void SetUp() override {
        makeState();
        window = new frmSendMessage(*state, *loader, reports, lan, nullptr);
        window->ShowCompose();
        QApplication::setActiveWindow(window);
        ASSERT_TRUE(test::waitUntil([&] { return window->text1().hasFocus(); }, 2000))
            << "the window opens with the focus elsewhere than on the recipients line";
    }
    void TearDown() override { delete window.data(); }

    static void key(QWidget* w, int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent down(QEvent::KeyPress, k, modifiers, text);
        QCoreApplication::sendEvent(w, &down);
        // The release goes where the focus is then, as the desktop sends it.
        QKeyEvent up(QEvent::KeyRelease, k, modifiers, text);
        QCoreApplication::sendEvent(QApplication::focusWidget() ? QApplication::focusWidget() : w, &up);
    }
    // The name of the control that has the focus, with its index when it has one.
    static QString focused() {
        QWidget* w = QApplication::focusWidget();
        for (QWidget* up = w; up; up = up->parentWidget()) {
            if (qobject_cast<PushButton*>(up))
                return up->objectName() + QLatin1Char('(') + up->property("Index").toString() + QLatin1Char(')');
            if (up->objectName() == QStringLiteral("TXTextControl1") || up->objectName() == QStringLiteral("Text1"))
                return up->objectName();
        }
        return w ? QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(':') + w->objectName() : QString();
    }

    test::RecordingSenderReports reports;
    NoLan lan;
    QPointer<frmSendMessage> window;
};

TEST_F(ComposeKeyboard, TabRunsFromTheRecipientsLineThroughTheTextToSend) {
    QStringList order;
    std::vector<QWidget*> widgets;
    for (int i = 0; i < 16; ++i) {
        key(QApplication::focusWidget(), Qt::Key_Tab);
        order << focused();
        widgets.push_back(QApplication::focusWidget());
    }
    const std::string seen = order.join(u' ').toStdString();
    const qsizetype editor = order.indexOf(QStringLiteral("TXTextControl1"));
    ASSERT_GE(editor, 0) << seen;
    EXPECT_EQ(order.first(), QStringLiteral("Command1(1)")) << seen;
    EXPECT_TRUE(order.mid(0, editor).contains(QStringLiteral("ChoixCouleur(1)"))) << seen;
    // Next after the text: the toolbar's "Envoyer...".
    ASSERT_LT(editor + 1, order.size()) << seen;
    QWidget* send = window->toolbar().widgetForAction(window->toolbar().buttonAction(ComposeToolbar::Send));
    EXPECT_EQ(widgets[static_cast<std::size_t>(editor + 1)], send) << seen;
}

TEST_F(ComposeKeyboard, CtrlTabTypesATabInTheText) {
    window->editor().setFocus(Qt::TabFocusReason);
    key(&window->editor(), Qt::Key_Tab, Qt::ControlModifier, QStringLiteral("\t"));
    EXPECT_EQ(window->editor().toPlainText(), QStringLiteral("\t"));
    EXPECT_TRUE(window->editor().hasFocus());
}

TEST_F(ComposeKeyboard, AColourButtonGivesTheFocusBackAndColoursWhatIsTypedNext) {
    window->editor().setFocus(Qt::MouseFocusReason);
    window->editor().textCursor().insertText(QStringLiteral("noir "));
    // A click on the red button: the press gives it the focus, the click colours.
    for (PushButton* b : window->findChildren<PushButton*>()) {
        if (b->objectName() == QStringLiteral("ChoixCouleur") && b->property("Index").toInt() == 1)
            b->focusTarget()->setFocus(Qt::MouseFocusReason);
    }
    ASSERT_FALSE(window->editor().hasFocus());
    window->ChoixCouleur_Click(1);
    EXPECT_TRUE(window->editor().hasFocus());
    window->editor().textCursor().insertText(QStringLiteral("rouge"));
    QTextCursor c(window->editor().document());
    c.setPosition(window->editor().document()->characterCount() - 2);
    c.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
    EXPECT_EQ(c.charFormat().foreground().color(), QColor(255, 0, 0));
}

} // namespace
} // namespace vellumo
