#pragma once
// WindowFixture: what a test of the program's windows stands on, in process on the offscreen platform:
// a temporary copy of the built program folder (templates, languages, control libraries), message
// boxes answered by script, the tray recorded instead of shown, a fake registry and a fake shell
// start, and the module-level state and the control loader made over them. A test fixture derives
// from it (after ::testing::Test) and calls makeState() once the folder holds what the test wants.
//
// Its members are made before the deriving fixture's own and go after them, so the windows a test
// holds go while the state, the scripted boxes and the folder are still there. Header only: each
// test program links the rooms it tests.

#include "app/core/mod_vellumo.h"
#include "platform/hosting/control_loader.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/tray/tray_shell.h"
#include "tests/support/fake_registry.h"
#include "tests/support/fake_shell_start.h"
#include "tests/support/program_folder.h"
#include "tests/support/recording_tray_shell.h"
#include "tests/support/scripted_ui_hooks.h"

#include <memory>
#include <optional>

namespace vellumo::test {

class WindowFixture {
protected:
    WindowFixture() : folder(QStringLiteral(VELLUMO_PROGRAM_DIR)), uiScope(ui), trayScope(tray) {}

    // The module-level state and the control loader, made afresh over the folder as it stands now
    // (the settings file is read by the windows or the station, not here).
    modVellumo& makeState() {
        loader.reset();
        state.reset();
        state.emplace(folder.path(), registry, shell);
        loader = std::make_unique<ControlLoader>(folder.path());
        return *state;
    }

    ProgramFolder folder;
    ScriptedUiHooks ui;
    ScopedUiHooks uiScope;
    RecordingTrayShell tray;
    ScopedTrayShell trayScope;
    FakeRegistry registry;
    FakeShellStart shell;
    std::optional<modVellumo> state;
    std::unique_ptr<ControlLoader> loader;
};

} // namespace vellumo::test
