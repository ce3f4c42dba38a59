#include "platform/widgets/qt_ui_hooks.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <utility>
#include <vector>

namespace vellumo {

void QtUiHooks::beep() {
    QApplication::beep();
}

int QtUiHooks::messageBox(const QString& prompt, int style, const QString& title) {
    QMessageBox box;
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
    if (style & mb::SystemModal)
        box.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box.exec();
    for (std::size_t i = 0; i < made.size(); ++i) {
        if (box.clickedButton() == made[i])
            return buttons[i].second;
    }
    return safeAnswer(style);
}

} // namespace vellumo
