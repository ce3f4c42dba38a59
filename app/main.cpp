// vellumo: the main program. Everything it does lives in the app library; this only makes the
// application object, the module-level state and the main window, and runs the message loop.
#include "app/core/mod_vellumo.h"
#include "app/windows/main/frm_main.h"
#include "platform/hosting/control_loader.h"
#include "platform/settings/file_registry.h"
#include "platform/shell/process_shell_start.h"
#include "platform/widgets/qt_ui_hooks.h"

#include <QApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char** argv) {
    // The launcher hands the program its own output and ends; when that output was a pipe whose reader
    // has gone, a line written to it must fail quietly, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    const bool noDisplay = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (noDisplay && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        std::fprintf(stderr, "vellumo: no display found; running without windows on the offscreen platform. "
                             "Messages are still received and stored.\n");
    }
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Vellumo"));
    // The program lives in the tray: hiding the last window does not end it.
    app.setQuitOnLastWindowClosed(false);

    vellumo::QtUiHooks desktopHooks;
    if (QApplication::platformName() != QStringLiteral("offscreen"))
        vellumo::setUiHooks(&desktopHooks);

    const QString programFolder = QCoreApplication::applicationDirPath();
    vellumo::FileRegistry registry;
    vellumo::ProcessShellStart shell;
    vellumo::modVellumo state(programFolder, registry, shell);
    // An installed copy keeps the user's files in the user's own folders; the first run makes them.
    QString folderError;
    if (!state.Folders().make(&folderError)) {
        std::fprintf(stderr, "vellumo: cannot make the folder of your files, %s\n", qUtf8Printable(folderError));
        return 1;
    }
    // The boxes' standard buttons speak the program's language, once its string table is loaded.
    desktopHooks.setButtonText([&state](int answer) { return state.Localisation.ButtonText(answer); });
    vellumo::ControlLoader loader(programFolder);

    vellumo::frmMain window(state, loader);
    if (!window.Form_Load()) {
        if (window.StartFailure().isEmpty())
            return 0; // another copy runs in this folder
        std::fprintf(stderr, "vellumo: cannot take the lock of the program folder: %s\n",
                     window.StartFailure().toLocal8Bit().constData());
        return 1;
    }
    const int code = app.exec();
    vellumo::setUiHooks(nullptr);
    return code;
}
