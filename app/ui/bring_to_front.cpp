#include "app/ui/bring_to_front.h"

#include "platform/runtime/ui_hooks.h"
#include "platform/widgets/top_most.h"

#include <QWidget>

namespace vellumo {

void BringToFront(QWidget& window, bool IsAlwaysOnTop) {
    // The window comes up without the focus: the user may be typing elsewhere when a message arrives.
    // SetTopMost shows a hidden window so and raises it; a plain show first would activate it.
    SetTopMost(&window);
    if (IsAlwaysOnTop)
        return;
    ui().doEvents();
    SetNotTopMost(&window);
}

} // namespace vellumo
