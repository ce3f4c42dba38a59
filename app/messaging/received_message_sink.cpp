#include "app/messaging/received_message_sink.h"

#include "platform/runtime/ui_hooks.h"
#include "platform/widgets/top_most.h"

#include <QWidget>

namespace vellumo {

void ReceivedMessageSink::BringToFront(QWidget& window, bool IsAlwaysOnTop) {
    window.show();
    if (IsAlwaysOnTop)
        return;
    SetTopMost(&window);
    ui().doEvents();
    SetNotTopMost(&window);
}

} // namespace vellumo
