#include "frame_control/error_log.h"

#include "platform/hosting/control_library.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/runtime/user_folders.h"
#include "platform/runtime/windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

extern char** environ;

namespace vellumo {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}
} // namespace

QString ErrorLog::libraryFile() {
    return libraryFileOf(reinterpret_cast<const void*>(&ErrorLog::libraryFile));
}

QString ErrorLog::libraryFolder() {
    const QString file = libraryFile();
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

// An installed program folder is not the user's to write: the log goes with the user's other files.
QString ErrorLog::folderFor(const QString& libraryFolder) {
    return UserFolders(libraryFolder).dataFolder();
}

ErrorLog::ErrorLog() : folder_(folderFor(libraryFolder())) {}

ErrorLog::ErrorLog(QString folder) : folder_(std::move(folder)) {}

QString ErrorLog::filePath() const {
    return QDir(folder_).filePath(QStringLiteral("ErrorLog.txt"));
}

QString ErrorLog::messageText(const QString& number, const QString& description, const QString& module,
                              const QString& procedure) {
    QString text = QStringLiteral("Error occured: ");
    text += number.isEmpty() ? kCrLf : number + kCrLf;
    if (!description.isEmpty())
        text += QStringLiteral("Description: ") + description + kCrLf;
    if (!module.isEmpty())
        text += QStringLiteral("Module: ") + module + kCrLf;
    if (!procedure.isEmpty())
        text += QStringLiteral("Function: ") + procedure;
    return text;
}

QByteArray ErrorLog::record(const QDateTime& when, const QString& number, const QString& description,
                            const QString& module, const QString& procedure, const QString& user,
                            const QString& computer) {
    const bool midnight = when.time() == QTime(0, 0, 0);
    const QString stamp =
        when.toString(midnight ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const QString line = QLatin1Char('#') + stamp + QLatin1Char('#') + QLatin1Char(',') + quoted(number) +
                         QLatin1Char(',') + quoted(description) + QLatin1Char(',') + quoted(module) + QLatin1Char(',') +
                         quoted(procedure) + QLatin1Char(',') +
                         quoted(libraryTitle() + QStringLiteral(" v") + libraryVersion()) + QLatin1Char(',') +
                         quoted(user) + QLatin1Char(',') + quoted(computer) + kCrLf;
    return cp1252::encode(line);
}

QString ErrorLog::environment(const QString& name) {
    const QByteArray exact = qgetenv(name.toLocal8Bit().constData());
    if (!exact.isEmpty())
        return QString::fromLocal8Bit(exact);
    for (char** entry = environ; entry && *entry; ++entry) {
        const QString pair = QString::fromLocal8Bit(*entry);
        const qsizetype eq = pair.indexOf(QLatin1Char('='));
        if (eq > 0 && pair.left(eq).compare(name, Qt::CaseInsensitive) == 0)
            return pair.mid(eq + 1);
    }
    return QString();
}

void ErrorLog::LogError(bool show, const QString& number, const QString& description, const QString& module,
                        const QString& procedure) const {
    if (show)
        ui().messageBox(messageText(number, description, module, procedure), mb::Critical | mb::OkOnly,
                        libraryTitle() + QStringLiteral(" - ERROR"));
    QFile file(filePath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return; // the record is dropped; the caller goes on
    file.write(record(QDateTime::currentDateTime(), number, description, module, procedure,
                      environment(QStringLiteral("username")), environment(QStringLiteral("computername"))));
    file.close();
}

} // namespace vellumo
