#include "launcher/mod_main.h"

#include "app/operations_fichiers.h"
#include "launcher/frm_start.h"
#include "platform/runtime/user_folders.h"

namespace vellumo::ModMain {

QString ArgumentText(const QStringList& arguments) {
    return arguments.join(u' ');
}

bool IsRestart(const QString& argumentText) {
    return argumentText.trimmed().toLower() == QStringLiteral("/t");
}

bool Main(frmStart& form, const QString& argumentText) {
    form.Form_Load();
    if (IsRestart(argumentText)) {
        form.Timer1.start();
        return true;
    }
    // The main program's settings: in the launcher's folder, or the user's for an installed copy.
    const QString settings = OperationsFichiers::PathWithSlash(UserFolders(form.ProgramFolder()).configFolder()) +
                             frmStart::SettingsFileName();
    const QString startWithWindows = OperationsFichiers::IniRead(
        QStringLiteral("Vellumo"), QStringLiteral("StartWithWindows"), QStringLiteral("0"), settings);
    if (startWithWindows != QStringLiteral("0"))
        form.StartMainProgram();
    form.Unload();
    return false;
}

} // namespace vellumo::ModMain
