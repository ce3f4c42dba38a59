#pragma once
// QtUiHooks: the desktop implementation of UiHooks. Message boxes are QMessageBox dialogs with the
// buttons, icon and default button of the style; system-modal boxes stay on top of every window.

#include "platform/runtime/ui_hooks.h"

namespace vellumo {

class QtUiHooks : public ConsoleUiHooks {
public:
    int messageBox(const QString& prompt, int style, const QString& title) override;
};

} // namespace vellumo
