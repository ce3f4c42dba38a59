#include "platform/runtime/ui_hooks.h"

#include <QCoreApplication>

#include <cstdio>
#include <syslog.h>

namespace vellumo {

namespace {
ConsoleUiHooks& consoleHooks() {
    static ConsoleUiHooks hooks;
    return hooks;
}
UiHooks* g_current = nullptr;
} // namespace

int ConsoleUiHooks::safeAnswer(int style) {
    switch (style & mb::ButtonsMask) {
    case mb::OkCancel:
    case mb::RetryCancel:
    case mb::YesNoCancel:
        return mb::Cancel;
    case mb::AbortRetryIgnore:
        return mb::Abort;
    case mb::YesNo:
        return mb::No;
    default:
        return mb::Ok;
    }
}

int ConsoleUiHooks::messageBox(const QString& prompt, int style, const QString& title) {
    std::fprintf(stderr, "[%s] %s\n", qUtf8Printable(title), qUtf8Printable(prompt));
    return safeAnswer(style);
}

void ConsoleUiHooks::logEvent(EventLogType type, const QString& source, const QString& text) {
    const int priority = type == EventLogType::Error ? LOG_ERR : type == EventLogType::Warning ? LOG_WARNING : LOG_INFO;
    const QByteArray src = source.toUtf8();
    openlog(src.constData(), LOG_PID, LOG_USER);
    syslog(priority, "%s", text.toUtf8().constData());
    closelog();
}

void ConsoleUiHooks::doEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

UiHooks& ui() {
    return g_current ? *g_current : consoleHooks();
}

void setUiHooks(UiHooks* hooks) {
    g_current = hooks;
}

ScopedUiHooks::ScopedUiHooks(UiHooks& hooks) : previous_(g_current) {
    g_current = &hooks;
}
ScopedUiHooks::~ScopedUiHooks() {
    g_current = previous_;
}

} // namespace vellumo
