// kippler: the launcher. Everything it does lives in the launcher library; this makes the (window-
// less) application object and frmStart, runs ModMain::Main and, for a restart, the event loop
// until frmStart's timer has started the main program.
#include "launcher/frm_start.h"
#include "launcher/mod_main.h"
#include "platform/shell/process_shell_start.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Kippler"));

    vellumo::ProcessShellStart shell;
    vellumo::frmStart form(QCoreApplication::applicationDirPath(), shell, [] { QCoreApplication::exit(0); });
    if (!vellumo::ModMain::Main(form, vellumo::ModMain::ArgumentText(app.arguments().mid(1))))
        return 0;
    return app.exec();
}
