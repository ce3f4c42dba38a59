#include "platform/shell/process_shell_start.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QVariantMap>

#include <fcntl.h>
#include <unistd.h>

namespace vellumo {

namespace {

// An executable image or script that merely lacks its execute right.
bool looksExecutable(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = f.read(4);
    return head == QByteArrayLiteral("\x7f"
                                     "ELF") ||
           head.startsWith("#!");
}

} // namespace

int ProcessShellStart::open(const QString& file, const QString& parameters, const QString& directory, int showCommand) {
    if (file.isEmpty())
        return shellresult::FileNotFound;
    if (!directory.isEmpty() && !QFileInfo(directory).isDir())
        return shellresult::PathNotFound;
    const QDir base = directory.isEmpty() ? QDir::current() : QDir(directory);

    QString path;
    if (file.contains(u'/')) {
        path = base.absoluteFilePath(file);
    } else if (QFileInfo::exists(base.absoluteFilePath(file))) {
        path = base.absoluteFilePath(file);
    } else {
        path = QStandardPaths::findExecutable(file);
        if (path.isEmpty())
            return shellresult::FileNotFound;
    }
    const QFileInfo info(path);
    if (!info.exists())
        return info.absoluteDir().exists() ? shellresult::FileNotFound : shellresult::PathNotFound;
    if (!info.isReadable() && !info.isDir())
        return shellresult::AccessDenied;
    const QString workingFolder = directory.isEmpty() ? info.absolutePath() : directory;

    if (info.isFile() && info.isExecutable()) {
        if (QProcess::startDetached(path, QProcess::splitCommand(parameters), workingFolder))
            return shellresult::Success;
        return shellresult::BadFormat;
    }
    if (info.isFile() && looksExecutable(path))
        return shellresult::AccessDenied;

    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty() || !QProcess::startDetached(opener, {path}, workingFolder))
        return shellresult::NoAssociation;
    return shellresult::Success;
}

int ProcessShellStart::openWith(const QString& file, const QString& directory, int /*showCommand*/) {
    const QDir base = directory.isEmpty() ? QDir::current() : QDir(directory);
    const QString path = base.absoluteFilePath(file);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !QFileInfo(path).isFile())
        return shellresult::NoAssociation;
    // The portal opens what it is handed, not a name: the document goes as an open descriptor.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return shellresult::AccessDenied;
    const QDBusUnixFileDescriptor descriptor(fd); // keeps a copy of its own
    ::close(fd);
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"), QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.OpenURI"), QStringLiteral("OpenFile"));
    call << QString() << QVariant::fromValue(descriptor)
         << QVariantMap{{QStringLiteral("ask"), true}, {QStringLiteral("writable"), false}};
    // The window stays live while the portal answers.
    const QDBusMessage reply = bus.call(call, QDBus::BlockWithGui, PortalTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage ? shellresult::Success : shellresult::NoAssociation;
}

} // namespace vellumo
