#include "launcher/frm_start.h"

#include "operations_fichiers/operations_fichiers.h"
#include "platform/runtime/runtime_error.h"
#include "platform/shell/shell_start.h"

namespace vellumo {

frmStart::frmStart(QString programFolder, ShellStart& shell, std::function<void()> endProgram)
    : programFolder_(std::move(programFolder)), shell_(shell), endProgram_(std::move(endProgram)) {
    Timer1.setInterval(Timer1Interval);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });
}

void frmStart::Form_Load() {}

void frmStart::Unload() {
    Timer1.stop();
}

void frmStart::Timer1_Timer() {
    // The run ends within this call; stopping first keeps it to one start even if the end is late.
    Timer1.stop();
    StartMainProgram();
    EndProgram();
}

void frmStart::StartMainProgram() {
    const QString folder = OperationsFichiers::PathWithSlash(programFolder_);
    QString directory = folder;
    try {
        ShellExecuteOpen(this, folder + MainProgramName(), QString(), directory, 1, false, shell_);
    } catch (const RuntimeError&) {
        // Never raised without RaiseErrors; the launcher reports nothing in any case.
    }
}

void frmStart::EndProgram() {
    if (endProgram_)
        endProgram_();
}

} // namespace vellumo
