// The desktop message box: its standard buttons carry the captions the holder gives for their
// answers (the program's language), and the button clicked gives its answer. The box is modal: a
// timer inside its own event loop reads it and clicks, as the user would.

#include "platform/widgets/qt_ui_hooks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>

namespace vellumo {
namespace {

const std::map<int, QString> kFrench = {{mb::Ok, QStringLiteral("OK")},
                                        {mb::Cancel, QStringLiteral("Annuler")},
                                        {mb::Abort, QStringLiteral("&Abandonner")},
                                        {mb::Retry, QStringLiteral("&Réessayer")},
                                        {mb::Ignore, QStringLiteral("&Ignorer")},
                                        {mb::Yes, QStringLiteral("&Oui")},
                                        {mb::No, QStringLiteral("&Non")}};

struct BoxCase {
    const char* name;
    int style;
    QStringList captions; // of the buttons, in order
    int clicked;          // index of the button to click
    int answer;
};

class DesktopBox : public ::testing::TestWithParam<BoxCase> {};

TEST_P(DesktopBox, StandardButtonsFollowTheProgramsLanguage) {
    const BoxCase& c = GetParam();
    QtUiHooks hooks;
    hooks.setButtonText([](int answer) {
        const auto it = kFrench.find(answer);
        return it == kFrench.end() ? QString() : it->second;
    });
    QStringList seen;
    bool found = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible())
                continue;
            found = true;
            const QList<QAbstractButton*> buttons = box->buttons();
            for (QAbstractButton* b : buttons)
                seen << b->text();
            // Clicked by its caption, so the order Qt lays the buttons out in does not matter.
            for (QAbstractButton* b : buttons)
                if (b->text() == c.captions.at(c.clicked))
                    b->click();
        }
    });
    const int answer = hooks.messageBox(QStringLiteral("Question ?"), c.style, QStringLiteral("Vellumo"));
    ASSERT_TRUE(found);
    seen.sort();
    QStringList expected = c.captions;
    expected.sort();
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(answer, c.answer);
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, DesktopBox,
    ::testing::Values(
        BoxCase{"yes_no", mb::YesNo | mb::Question | mb::SystemModal, {"&Oui", "&Non"}, 1, mb::No},
        BoxCase{"ok_only", mb::OkOnly | mb::Exclamation, {"OK"}, 0, mb::Ok},
        BoxCase{"ok_cancel", mb::OkCancel, {"OK", "Annuler"}, 1, mb::Cancel},
        BoxCase{"retry_cancel", mb::RetryCancel | mb::Critical, {"&Réessayer", "Annuler"}, 0, mb::Retry},
        BoxCase{"abort_retry_ignore", mb::AbortRetryIgnore, {"&Abandonner", "&Réessayer", "&Ignorer"}, 2, mb::Ignore},
        BoxCase{"yes_no_cancel", mb::YesNoCancel, {"&Oui", "&Non", "Annuler"}, 0, mb::Yes}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DesktopBoxWithoutCaptions, QtsOwnCaptionsStay) {
    QtUiHooks hooks;
    hooks.setButtonText([](int) { return QString(); });
    QString caption;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                caption = box->buttons().value(0)->text();
                box->buttons().value(0)->click();
            }
    });
    EXPECT_EQ(hooks.messageBox(QStringLiteral("Info"), mb::OkOnly, QStringLiteral("Vellumo")), mb::Ok);
    EXPECT_FALSE(caption.isEmpty());
}

// The box belongs to the active window, and is on top when that window is kept on top (the window
// manager then maps it above the window, never under it).
TEST(DesktopBoxOwner, TheActiveWindowOwnsTheBoxAndKeepsItOnTopWithIt) {
    for (const bool onTop : {true, false}) {
        SCOPED_TRACE(onTop ? "on top" : "not on top");
        QWidget window;
        window.setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
        window.resize(300, 200);
        window.show();
        window.activateWindow();
        QApplication::setActiveWindow(&window);
        QtUiHooks hooks;
        QWidget* parent = nullptr;
        bool stays = false;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                parent = box->parentWidget();
                stays = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                box->buttons().value(0)->click();
            }
        });
        EXPECT_EQ(hooks.messageBox(QStringLiteral("Attention"), mb::Exclamation, QStringLiteral("Vellumo")), mb::Ok);
        EXPECT_EQ(parent, &window);
        EXPECT_EQ(stays, onTop);
    }
}

// A window that goes while its box is open takes the box with it: the box answers as nobody clicked.
TEST(DesktopBoxOwner, AnOwnerThatGoesWhileTheBoxIsOpenEndsTheBox) {
    auto* window = new QWidget;
    window->show();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QtUiHooks hooks;
    QTimer::singleShot(0, [&] { delete window; });
    EXPECT_EQ(hooks.messageBox(QStringLiteral("Supprimer ?"), mb::YesNo | mb::Question, QStringLiteral("Vellumo")),
              ConsoleUiHooks::safeAnswer(mb::YesNo | mb::Question));
}

} // namespace
} // namespace vellumo
