#include "platform/tray/tray_shell.h"

#include "platform/tray/qt_tray_shell.h"

#include <QCoreApplication>
#include <QPointer>

namespace vellumo {

namespace {
TrayShell* g_current = nullptr;
} // namespace

TrayShell& trayShell() {
    if (g_current)
        return *g_current;
    // Made on first use and owned by the application object, so that it goes before Qt does.
    static QPointer<QtTrayShell> desktop;
    if (!desktop) {
        desktop = new QtTrayShell;
        desktop->setParent(QCoreApplication::instance());
    }
    return *desktop;
}

void setTrayShell(TrayShell* shell) {
    g_current = shell;
}

ScopedTrayShell::ScopedTrayShell(TrayShell& shell) : previous_(g_current) {
    g_current = &shell;
}
ScopedTrayShell::~ScopedTrayShell() {
    g_current = previous_;
}

} // namespace vellumo
