#pragma once
// QtUiHooks: the desktop implementation of UiHooks. The beep is the desktop's (QApplication::beep).
// Message boxes are QMessageBox dialogs with the buttons, icon and default button of the style. Each
// box belongs to the window that opened it (BoxOwner: the modal window running, else the active one),
// so the window manager maps it above that window; it stays on top of every window when it is
// system-modal or when that window is kept on top. The standard buttons are captioned in the program's language: the
// holder gives the caption of each button by the answer it gives (mb::Ok ... mb::No), asked afresh for every box, so a
// string table loaded after installation is followed; without it, or for an empty caption, Qt's own stays.

#include "platform/runtime/ui_hooks.h"

#include <functional>

class QWidget;

namespace vellumo {

class QtUiHooks : public ConsoleUiHooks {
public:
    using ButtonText = std::function<QString(int answer)>;

    int messageBox(const QString& prompt, int style, const QString& title) override;
    void beep() override;
    void setButtonText(ButtonText buttonText) { buttonText_ = std::move(buttonText); }
    // The window a box opened now belongs to; null when no window of the program is active.
    static QWidget* BoxOwner();

private:
    ButtonText buttonText_;
};

} // namespace vellumo
