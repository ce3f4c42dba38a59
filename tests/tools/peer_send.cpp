// peer_send: a test tool that sends one message with the program's own sender, as the compose window
// does for one recipient, and prints what the sender reports. Used by tests that run whole stations
// (network namespaces) and by the receive benchmark.
//
//   peer_send <program folder> <recipient> <text>
//
// The settings (Port, Key, CryptAll) are read from the program folder's Vellumo.ini. Exit code 0 when
// the recipient reported the message stored, 1 otherwise, 2 for bad arguments.
#include "app/core/mod_vellumo.h"
#include "app/messaging/frm_to_send.h"
#include "app/messaging/sender_reports.h"
#include "platform/settings/file_registry.h"
#include "platform/shell/process_shell_start.h"

#include <QCoreApplication>
#include <QDir>
#include <QHostInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

class PrintedReports : public vellumo::SenderReports {
public:
    void StatusBar1_SimpleText(const QString& strText, std::int16_t intColor, bool) override {
        std::printf("%s\n", qUtf8Printable(strText));
        delivered = intColor == 0;
        done = true;
    }
    void ShowSystrayMessage(const QString& Message, const QString& Titre, int) override {
        std::printf("[%s] %s\n", qUtf8Printable(Titre), qUtf8Printable(Message));
    }
    bool delivered = false;
    bool done = false;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: peer_send <program folder> <recipient> <text>\n");
        return 2;
    }
    QTemporaryDir registryRoot;
    vellumo::FileRegistry registry(registryRoot.path());
    vellumo::ProcessShellStart shell;
    vellumo::modVellumo state(QDir(args[1]).absolutePath(), registry, shell);
    state.Settings.LoadAtStartUp(false, registry);
    state.Settings.ShowBalloon = false;
    state.Settings.LocalStationName = QHostInfo::localHostName();

    PrintedReports reports;
    const int slot = state.Slots.FindFreeSendSlot();
    auto* sender = new vellumo::frmToSend(state.Settings, state.Localisation, state.Slots, reports);
    state.Slots.Take(slot, sender);
    sender->Index = static_cast<std::int16_t>(slot);
    sender->UserSendTo = args[2];
    sender->UserTo = args[2] + QLatin1Char(';');
    sender->UserTextMessage = args[3];
    sender->UserRTFMessage = QStringLiteral("{\\rtf1 ") + args[3] + QLatin1Char('}');
    sender->Send();
    while (!reports.done)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    QCoreApplication::processEvents();
    return reports.delivered ? 0 : 1;
}
