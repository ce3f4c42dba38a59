#include "platform/shell/shell_start.h"

#include "platform/runtime/runtime_error.h"
#include "platform/shell/process_shell_start.h"

namespace vellumo {

namespace {

[[noreturn]] void raise(int number, const char* description) {
    throw RuntimeError(number, QStringLiteral("API"), QString::fromLatin1(description));
}

std::function<void(const QString&)>& noProgramNotice() {
    static std::function<void(const QString&)> notice;
    return notice;
}

} // namespace

void setNoProgramNotice(std::function<void(const QString& file)> notice) {
    noProgramNotice() = std::move(notice);
}

ShellStart& systemShell() {
    static ProcessShellStart shell;
    return shell;
}

void ShellExecuteOpen(QObject* Owner, const QString& FileName, const QString& Parameters, QString& Directory,
                      int ShowCommand, bool RaiseErrors, ShellStart& shell) {
    if (Directory.isEmpty())
        Directory = FileName.left(FileName.lastIndexOf(u'/') + 1);
    const int result = shell.open(FileName, Parameters, Directory, ShowCommand);
    if (result > 32 || result < 0)
        return;
    if (result == shellresult::NoAssociation) {
        const int chooser = shell.openWith(FileName, Directory, ShowCommand);
        if (chooser <= 32 && chooser >= 0 && noProgramNotice())
            noProgramNotice()(FileName);
        return;
    }
    if (!RaiseErrors)
        return;
    switch (result) {
    case shellresult::OutOfMemory:
    case shellresult::NotEnoughMemory:
        raise(7, "Out of memory");
    case shellresult::FileNotFound:
        raise(53, "File not found");
    case shellresult::PathNotFound:
        raise(76, "Path not found");
    case shellresult::AccessDenied:
        raise(70, "Permission denied");
    case shellresult::BadFormat:
        raise(321, "Invalid file format");
    case shellresult::SharingViolation:
        raise(26, "A Sharing violation occurred.");
    case shellresult::AssociationIncomplete:
        raise(27, "The filename association is incomplete or invalid.");
    case shellresult::DdeTimeout:
        raise(25, "The DDE transaction could not be completed because the request timed out.");
    case shellresult::DdeFail:
        raise(29, "The DDE transaction failed.");
    case shellresult::DdeBusy:
        raise(30, "The DDE transaction could not be completed because other DDE transactions were being "
                  "processed.");
    case shellresult::DllNotFound:
        raise(48, "Error in loading DLL");
    default:
        return;
    }
}

} // namespace vellumo
