// "Open With" through the desktop portal: a private session bus (dbus-daemon) with a portal of the
// test's own that records what it is asked. The document goes as an open descriptor, with "ask" on so
// that the portal shows its chooser.
#include "platform/shell/process_shell_start.h"

#include "platform/shell/shell_start.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QDBusUnixFileDescriptor>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <unistd.h>

namespace vellumo {
namespace {

class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.OpenURI")
public:
    QByteArray content;
    bool ask = false;
    int calls = 0;

public Q_SLOTS:
    Q_SCRIPTABLE QDBusObjectPath OpenFile(const QString& /*parent*/, const QDBusUnixFileDescriptor& fd,
                                          const QVariantMap& options) {
        ++calls;
        ask = options.value(QStringLiteral("ask")).toBool();
        QFile file;
        if (fd.isValid() && file.open(::dup(fd.fileDescriptor()), QIODevice::ReadOnly, QFile::AutoCloseHandle))
            content = file.readAll();
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/1_1/t"));
    }
};

TEST(OpenWithPortal, TheDocumentGoesToThePortalsChooser) {
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QTemporaryDir dir;
    QFile config(dir.filePath(QStringLiteral("bus.conf")));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                 "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\"><busconfig><type>session</type>"
                 "<listen>unix:dir=" +
                 QFile::encodeName(dir.path()) +
                 "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\" "
                 "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    config.close();
    QProcess bus;
    bus.start(daemon, {QStringLiteral("--config-file=") + config.fileName(), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address=1")});
    ASSERT_TRUE(bus.waitForStarted(5000));
    ASSERT_TRUE(bus.waitForReadyRead(5000)) << "the bus did not start";
    const QByteArray address = bus.readLine().trimmed();
    ASSERT_FALSE(address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);

    FakePortal portal;
    QDBusConnection side = QDBusConnection::connectToBus(QString::fromLatin1(address), QStringLiteral("portal"));
    ASSERT_TRUE(side.isConnected());
    ASSERT_TRUE(side.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));
    ASSERT_TRUE(side.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                    QDBusConnection::ExportScriptableSlots));

    const QString document = dir.filePath(QStringLiteral("notes.xyz"));
    QFile file(document);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("le contenu\n");
    file.close();

    ProcessShellStart shell;
    EXPECT_EQ(shell.openWith(QStringLiteral("notes.xyz"), dir.path(), 1), shellresult::Success);
    EXPECT_EQ(portal.calls, 1);
    EXPECT_TRUE(portal.ask);
    EXPECT_EQ(portal.content, QByteArray("le contenu\n"));

    // A portal that is not there: no chooser.
    side.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
    EXPECT_EQ(shell.openWith(QStringLiteral("notes.xyz"), dir.path(), 1), shellresult::NoAssociation);
    QDBusConnection::disconnectFromBus(QStringLiteral("portal"));
    bus.kill();
    bus.waitForFinished(5000);
}

} // namespace
} // namespace vellumo

#include "open_with_portal_test.moc"
