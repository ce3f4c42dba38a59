// vellumo: the main program. Everything it does lives in the app libraries; this only makes the
// application object, the module-level state, the station and its window, and runs the message loop.
#include "app/core/mod_vellumo.h"
#include "app/core/text_ids.h"
#include "app/station/station.h"
#include "app/windows/main/frm_main.h"
#include "platform/hosting/control_loader.h"
#include "platform/runtime/termination_signals.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/settings/file_registry.h"
#include "platform/shell/process_shell_start.h"
#include "platform/widgets/qt_ui_hooks.h"
#include "platform/widgets/screen_fit.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    // The launcher hands the program its own output and ends; when that output was a pipe whose reader
    // has gone, a line written to it must fail quietly, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    // A request to end (SIGTERM, SIGINT, SIGHUP) goes through the program's own quit path once the
    // window is there; one that comes before waits for it.
    vellumo::TerminationSignals endRequests;
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
    // Every window opens wholly on the screen, however small the screen or large the scale.
    vellumo::ScreenFit screenFit;
    app.installEventFilter(&screenFit);

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
    // A document that no program opens, on a desktop that offers no chooser: the user is told.
    vellumo::setNoProgramNotice([&state](const QString& file) {
        vellumo::ui().messageBox(state
                                     .GetString(vellumo::txt::NoProgramForDocument,
                                                QStringLiteral("Aucun programme ne sait ouvrir ce document :|%1"))
                                     .replace(QStringLiteral("%1"), file),
                                 vellumo::mb::Information, QStringLiteral("Vellumo"));
    });

    vellumo::Station station(state);
    // Started from a terminal, the program says where it listens; started by the launcher or the
    // desktop's log-on, its output is no terminal and it says nothing.
    if (::isatty(STDERR_FILENO))
        station.setListeningNotice([](const QString& line) { std::fprintf(stderr, "%s\n", qUtf8Printable(line)); });
    if (!station.Start()) {
        if (station.StartFailure().isEmpty())
            return 0; // another copy runs in this folder
        std::fprintf(stderr, "vellumo: cannot take the lock of the program folder: %s\n",
                     station.StartFailure().toLocal8Bit().constData());
        return 1;
    }
    vellumo::frmMain window(station, loader);
    window.Form_Load();

    // The end of the desktop session and the termination signals quit as a Yes to the quit question
    // does: the other windows closed, the tray icon removed, the lock released; the store closes as
    // the station goes, after the loop.
    QObject::connect(&endRequests, &vellumo::TerminationSignals::Received, &window,
                     [&window] { window.EndWithoutAsking(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &window, [&window] { window.EndWithoutAsking(); });
    endRequests.watch();

    const int code = app.exec();
    vellumo::setUiHooks(nullptr);
    return code;
}
