#include "platform/widgets/qt_ui_hooks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QWidget>

#include <utility>
#include <vector>

namespace vellumo {

void QtUiHooks::beep() {
    QApplication::beep();
}

QWidget* QtUiHooks::BoxOwner() {
    // The window the box answers to: the modal window running now (a dialog, or another box), else the
    // active window, else the window that holds the focus.
    QWidget* owner = QApplication::activeModalWidget();
    if (!owner)
        owner = QApplication::activeWindow();
    if (!owner && QApplication::focusWidget())
        owner = QApplication::focusWidget()->window();
    if (owner && (!owner->isVisible() || owner->windowType() == Qt::Popup || owner->windowType() == Qt::ToolTip))
        owner = nullptr;
    return owner;
}

int QtUiHooks::messageBox(const QString& prompt, int style, const QString& title) {
    // The box belongs to the window that opened it (the window manager keeps it above that window and
    // centres it there), and is on top as that window is: a box mapped under an always-on-top window
    // would take the keys unseen.
    QWidget* owner = BoxOwner();
    // On the heap: a window that goes while its box is open (the program ending meanwhile) takes the
    // box with it.
    QPointer<QMessageBox> held = new QMessageBox(owner);
    QMessageBox& box = *held;
    box.setWindowTitle(title);
    box.setText(prompt);
    switch (style & mb::IconMask) {
    case mb::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case mb::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case mb::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case mb::Information:
        box.setIcon(QMessageBox::Information);
        break;
    default:
        break;
    }
    std::vector<std::pair<QMessageBox::StandardButton, int>> buttons;
    switch (style & mb::ButtonsMask) {
    case mb::OkCancel:
        buttons = {{QMessageBox::Ok, mb::Ok}, {QMessageBox::Cancel, mb::Cancel}};
        break;
    case mb::AbortRetryIgnore:
        buttons = {{QMessageBox::Abort, mb::Abort}, {QMessageBox::Retry, mb::Retry}, {QMessageBox::Ignore, mb::Ignore}};
        break;
    case mb::YesNoCancel:
        buttons = {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}, {QMessageBox::Cancel, mb::Cancel}};
        break;
    case mb::YesNo:
        buttons = {{QMessageBox::Yes, mb::Yes}, {QMessageBox::No, mb::No}};
        break;
    case mb::RetryCancel:
        buttons = {{QMessageBox::Retry, mb::Retry}, {QMessageBox::Cancel, mb::Cancel}};
        break;
    default:
        buttons = {{QMessageBox::Ok, mb::Ok}};
        break;
    }
    std::vector<QAbstractButton*> made;
    for (const auto& b : buttons) {
        QAbstractButton* button = box.addButton(b.first);
        if (buttonText_) {
            if (const QString caption = buttonText_(b.second); !caption.isEmpty())
                button->setText(caption);
        }
        made.push_back(button);
    }
    const std::size_t def = static_cast<std::size_t>((style & mb::DefaultMask) / 256);
    if (def < made.size())
        box.setDefaultButton(static_cast<QPushButton*>(made[def]));
    if ((style & mb::SystemModal) || (owner && owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint)))
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    if (!held)
        return safeAnswer(style);
    int answer = safeAnswer(style);
    for (std::size_t i = 0; i < made.size(); ++i) {
        if (box.clickedButton() == made[i])
            answer = buttons[i].second;
    }
    delete held.data();
    return answer;
}

} // namespace vellumo
