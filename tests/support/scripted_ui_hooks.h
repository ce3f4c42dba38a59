#pragma once
// ScriptedUiHooks: UiHooks for tests. Every message box is recorded and answered from a queue of
// scripted answers (or the safe answer when the queue is empty); beeps are counted; event-log lines are
// recorded; doEvents
// runs the Qt event loop once and counts the calls. Install it with a ScopedUiHooks.

#include "platform/runtime/ui_hooks.h"

#include <QString>

#include <deque>
#include <functional>
#include <vector>

namespace vellumo::test {

struct ShownBox {
    QString prompt;
    int style = 0;
    QString title;
};

struct LoggedEvent {
    EventLogType type;
    QString source;
    QString text;
};

class ScriptedUiHooks : public UiHooks {
public:
    int messageBox(const QString& prompt, int style, const QString& title) override;
    void beep() override { ++beeps; }
    void logEvent(EventLogType type, const QString& source, const QString& text) override;
    void doEvents() override;

    void answer(int reply) { answers.push_back(reply); }

    std::deque<int> answers;
    std::vector<ShownBox> boxes;
    std::vector<LoggedEvent> events;
    int doEventsCalls = 0;
    int beeps = 0;
    bool runEventLoop = true;
    // Called inside every box, before it answers (to act while a modal box is up).
    std::function<void(const ShownBox&)> onBox;
};

} // namespace vellumo::test
