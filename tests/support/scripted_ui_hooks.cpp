#include "tests/support/scripted_ui_hooks.h"

#include <QCoreApplication>

namespace vellumo::test {

int ScriptedUiHooks::messageBox(const QString& prompt, int style, const QString& title) {
    boxes.push_back({prompt, style, title});
    if (onBox)
        onBox(boxes.back());
    if (answers.empty())
        return ConsoleUiHooks::safeAnswer(style);
    const int reply = answers.front();
    answers.pop_front();
    return reply;
}

void ScriptedUiHooks::logEvent(EventLogType type, const QString& source, const QString& text) {
    events.push_back({type, source, text});
}

void ScriptedUiHooks::doEvents() {
    ++doEventsCalls;
    if (runEventLoop && QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace vellumo::test
