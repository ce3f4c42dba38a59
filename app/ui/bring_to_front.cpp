#include "app/ui/bring_to_front.h"

#include "platform/runtime/ui_hooks.h"
#include "platform/widgets/top_most.h"

#include <QWidget>

namespace vellumo {

void BringToFront(QWidget& window, bool IsAlwaysOnTop) {
    window.show();
    if (IsAlwaysOnTop)
        return;
    SetTopMost(&window);
    ui().doEvents();
    SetNotTopMost(&window);
}

} // namespace vellumo
