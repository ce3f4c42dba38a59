#include "launcher/mod_main.h"

#include "launcher/frm_start.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/runtime/user_folders.h"

namespace vellumo::ModMain {

QString ArgumentText(const QStringList& arguments) {
    return arguments.join(u' ');
}

namespace {

// Only blanks are trimmed: a tab or a line break is part of the argument, so "\t/t" is no restart.
QString trimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.mid(first, last - first);
}

} // namespace

bool IsRestart(const QString& argumentText) {
    return trimBlanks(argumentText).toLower() == QStringLiteral("/t");
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
