// The push button of a window over the button library: in a layout it keeps the size of a dialog
// button of the design, wider for a long caption, also with the library's button (which says nothing
// of its own size).
#include "app/ui/push_button.h"

#include "platform/hosting/control_loader.h"
#include "tests/support/event_loop.h"
#include "tests/support/program_folder.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vellumo {
namespace {

struct SizeCase {
    const char* name;
    const char* caption;
    int minWidth;
};

void PrintTo(const SizeCase& c, std::ostream* os) {
    *os << c.name;
}

class PushButtonSize : public ::testing::TestWithParam<SizeCase> {};

// A dialog as the peer scan and the network browser lay theirs out: a list over a row of buttons.
TEST_P(PushButtonSize, KeepsItsDesignedSizeInALayout) {
    test::ProgramFolder folder(QStringLiteral(VELLUMO_PROGRAM_DIR));
    ControlLoader loader(folder.path());
    QWidget dialog;
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QListWidget(&dialog), 1);
    auto* row = new QHBoxLayout;
    auto* button =
        new PushButton(loader, QStringLiteral("Btn_Valider"), QString::fromUtf8(GetParam().caption), &dialog);
    row->addStretch(1);
    row->addWidget(button);
    layout->addLayout(row);
    dialog.resize(330, 380);
    dialog.show();
    ASSERT_TRUE(button->control()) << "the button library is in the program folder";
    EXPECT_EQ(button->height(), 25);
    EXPECT_GE(button->width(), GetParam().minWidth);
    EXPECT_TRUE(dialog.rect().contains(button->geometry()));
}

const SizeCase kSizeCases[] = {
    {"ShortCaption", "&Valider", 75},
    {"LongCaption", "Rechercher tous les utilisateurs connectés sur le réseau", 200},
};
INSTANTIATE_TEST_SUITE_P(PushButton, PushButtonSize, ::testing::ValuesIn(kSizeCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo

namespace vellumo {
namespace {

// A window as the options lay theirs out: a text box, then OK (default), Annuler (cancel) and
// Appliquer, each the library's button.
class PushButtonKeys : public ::testing::Test {
protected:
    void SetUp() override {
        loader = std::make_unique<ControlLoader>(folder.path());
        auto* layout = new QVBoxLayout(&window);
        edit = new QLineEdit(&window);
        layout->addWidget(edit);
        for (const char* name : {"cmdOK", "cmdCancel", "cmdApply"}) {
            auto* b = new PushButton(*loader, QString::fromLatin1(name), QString::fromLatin1(name), &window);
            const QString clicked = QString::fromLatin1(name);
            b->setClick([this, clicked] { clicks << clicked; });
            layout->addWidget(b);
            buttons.push_back(b);
        }
        buttons[0]->setDefault(true);
        buttons[1]->setCancel(true);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(buttons[0]->control()) << "the button library is in the program folder";
    }
    void focus(QWidget* w) {
        w->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(test::waitUntil([&] { return w->hasFocus(); }, 2000));
    }
    static void press(QWidget* w, int key, const QString& text = {}) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(w, &up);
    }

    test::ProgramFolder folder{QStringLiteral(VELLUMO_PROGRAM_DIR)};
    std::unique_ptr<ControlLoader> loader;
    QWidget window;
    QLineEdit* edit = nullptr;
    std::vector<PushButton*> buttons;
    QStringList clicks;
};

TEST_F(PushButtonKeys, EnterAndSpaceOnTheFocusedButtonClickIt) {
    focus(buttons[2]->focusTarget());
    press(buttons[2]->focusTarget(), Qt::Key_Return, QStringLiteral("\r"));
    press(buttons[2]->focusTarget(), Qt::Key_Space, QStringLiteral(" "));
    EXPECT_EQ(clicks, (QStringList{"cmdApply", "cmdApply"}));
}

TEST_F(PushButtonKeys, EnterInTheWindowClicksTheDefaultAndEscapeTheCancelButton) {
    focus(edit);
    press(edit, Qt::Key_Return, QStringLiteral("\r"));
    press(edit, Qt::Key_Escape);
    EXPECT_EQ(clicks, (QStringList{"cmdOK", "cmdCancel"}));
}

// The focused button shows as the default one (the library then draws its focus rectangle); the
// default button does so while no other button has the focus.
TEST_F(PushButtonKeys, TheFocusedButtonShowsAsTheDefaultOne) {
    focus(edit);
    EXPECT_TRUE(buttons[0]->shownAsDefault());
    EXPECT_FALSE(buttons[2]->shownAsDefault());
    const QImage unfocused = buttons[2]->focusTarget()->grab().toImage();
    focus(buttons[2]->focusTarget());
    EXPECT_TRUE(buttons[2]->shownAsDefault());
    EXPECT_FALSE(buttons[0]->shownAsDefault()) << "two buttons shown as the default one";
    EXPECT_NE(buttons[2]->focusTarget()->grab().toImage(), unfocused) << "the focus changes nothing on the button";
    press(buttons[2]->focusTarget(), Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(clicks, (QStringList{"cmdApply"})) << "Enter on a button clicked the default one";
}

} // namespace
} // namespace vellumo
