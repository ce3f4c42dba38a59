#include "app/station/station.h"

#include "app/core/mod_vellumo.h"
#include "app/core/text_ids.h"
#include "app/messaging/receive_handler.h"
#include "app/station/mod_update.h"
#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "http_server/gossamer.h"
#include "platform/lan/curl_ftp_client.h"
#include "platform/net/socket_errors.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/shell/shell_start.h"
#include "platform/store/database.h"
#include "tray/c_systray.h"

#include <QDir>
#include <QFile>
#include <QHostInfo>
#include <QScopeGuard>

namespace vellumo {

namespace {
const QString kTitle = QStringLiteral("Vellumo");
// The waiting balloon shows the icon's own picture.
constexpr qint32 kIconOwnPicture = 4;
constexpr std::int16_t kFailureColour = 192;
} // namespace

Station::Station(modVellumo& state, QObject* parent)
    : QObject(parent), state_(state), lock_(state.DataFolder()),
      receiveHandler_(std::make_unique<ReceiveHandler>(state.Settings, *this)),
      ChilkatFtp21(std::make_unique<CurlFtpClient>()),
      update_(std::make_unique<modUpdate>(state, *ChilkatFtp21, this, nullptr)) {}

Station::~Station() {
    // The server goes first: no request reaches the handler or the store while they go.
    Gossamer1.reset();
    DataDB_.reset();
    db_.reset();
}

QIcon Station::ProgramIcon(const QString& programFolder) {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        const QString file = QDir(programFolder).filePath(QStringLiteral("System/Vellumo%1.png").arg(size));
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon;
}

// ---- start-up -------------------------------------------------------------------------------------

bool Station::Start() {
    // 1. One copy per data folder.
    if (!takeLock())
        return false;

    // 2., 3. The language, read only when a language file is there (the language menu then lists it),
    // and its string table; 5. Port (with its registry copy), Key and the five flags.
    AppSettings& settings = state_.Settings;
    const bool hasLanguages = !state_.Localisation.Languages().isEmpty();
    settings.LoadAtStartUp(hasLanguages, state_.RegistryService);
    if (hasLanguages && !settings.CurrentLanguage.isEmpty())
        state_.Localisation.LoadStrings(settings.CurrentLanguage);

    // 6. The message database.
    QString storeFailure;
    try {
        openMessageDatabase();
    } catch (const RuntimeError& e) {
        storeFailure = e.description();
    }

    // 7. The station's own name.
    settings.LocalStationName = QHostInfo::localHostName();

    // 8. The HTTP server.
    startServer();

    // 9. The tray icon and its waiting balloon.
    createSystray();

    // The failures the station would otherwise keep to itself: the program keeps running in the tray.
    if (!storeFailure.isEmpty()) {
        ui().logEvent(EventLogType::Error, kTitle, QStringLiteral("Message database: ") + storeFailure);
        startReports_ << state_.GetString(txt::StoreUnreachableAt, QStringLiteral("Base de messages inaccessible : ")) +
                             storeFailure;
    }
    if (Gossamer1->ConnectedToPort) {
        announceListening();
    } else {
        const QString text = PortFailureText(state_.Localisation, Gossamer1->Port, Gossamer1->BindError);
        ui().logEvent(EventLogType::Error, kTitle, text);
        startReports_ << text;
    }
    return true;
}

// Only a lock held by another copy means that one runs; a lock file that cannot be taken at all is a
// failure the user must see.
bool Station::takeLock() {
    switch (lock_.tryAcquire()) {
    case InstanceLock::Result::Acquired:
        return true;
    case InstanceLock::Result::HeldByAnother:
        return false;
    case InstanceLock::Result::Failed:
        break;
    }
    startFailure_ = lock_.path() + QStringLiteral(": ") + lock_.failure();
    ui().messageBox(state_
                        .GetString(txt::LockFailed, QStringLiteral("Vellumo ne peut pas démarrer : le fichier %1 ne "
                                                                   "peut pas être ouvert (%2)."))
                        .arg(lock_.path(), lock_.failure()),
                    mb::Critical | mb::OkOnly, kTitle);
    return false;
}

QString Station::PortFailureText(const modLocalisation& texts, std::int32_t port, std::int32_t bindError) {
    QString text;
    switch (bindError) {
    case sockerr::AddressInUse:
        text = texts.GetString(txt::PortInUse,
                               QStringLiteral("Le port %1 est déjà utilisé : aucun message ne peut être reçu."));
        break;
    case sockerr::AccessDenied:
        text = texts.GetString(txt::PortRefused,
                               QStringLiteral("L'accès au port %1 est refusé : aucun message ne peut être reçu."));
        break;
    case sockerr::AddressNotAvailable:
        text = texts.GetString(
            txt::PortAddressMissing,
            QStringLiteral("L'adresse d'écoute du port %1 n'est pas disponible : aucun message ne peut être reçu."));
        break;
    default:
        text = texts.GetString(
            txt::PortFailed,
            QStringLiteral("Le port %1 ne peut pas être ouvert (erreur %2) : aucun message ne peut être reçu."));
        break;
    }
    return text.replace(QStringLiteral("%1"), QString::number(port))
        .replace(QStringLiteral("%2"), QString::number(bindError));
}

QString Station::ListeningNotice(std::int32_t port, const QString& dataFolder) {
    return QStringLiteral("vellumo: listening on port %1; messages are kept in %2")
        .arg(port)
        .arg(QDir::toNativeSeparators(dataFolder));
}

void Station::announceListening() {
    if (announced_)
        return;
    announced_ = true;
    if (listeningNotice_)
        listeningNotice_(ListeningNotice(Gossamer1->Port, state_.DataFolder()));
}

void Station::openMessageDatabase() {
    db_ = std::make_unique<Database>(MessageStore::openMessages(state_.DataFolder(), state_.ProgramFolder()));
    DataDB_ = db_->openRecordset(QString::fromLatin1(StoreStatements::SelectRecived));
}

void Station::startServer() {
    Gossamer1 = std::make_unique<Gossamer>();
    Gossamer1->setHost(this);
    Gossamer1->Port = state_.Settings.Port;
    try {
        Gossamer1->StartListening();
    } catch (const RuntimeError& e) {
        ui().logEvent(EventLogType::Error, kTitle, e.description());
    }
}

void Station::createSystray() {
    f_cSystray = std::make_unique<cSystray>();
    connect(f_cSystray.get(), &cSystray::MouseDblClick, this, [this](qint16& Button) {
        if (view_)
            view_->f_cSystray_MouseDblClick(Button);
    });
    connect(f_cSystray.get(), &cSystray::MouseUp, this, [this](qint16& Button) {
        if (view_)
            view_->f_cSystray_MouseUp(Button);
    });
    const QString waiting = state_.GetString(txt::Waiting, QStringLiteral("En attente de message..."));
    const bool balloons = f_cSystray->IsBalloonCapable();
    if (balloons) {
        f_cSystray->setBalloonIcon(kIconOwnPicture);
        f_cSystray->setBalloonText(waiting);
        f_cSystray->setBalloonTitle(kTitle);
    }
    // The icon of the main window's picture (32 by 32).
    f_cSystray->SysTrayIconFromHandle(QIcon(ProgramIcon(state_.ProgramFolder()).pixmap(32, 32)));
    f_cSystray->setSysTrayToolTip(kTitle);
    f_cSystray->SysTrayShow(true);
    if (balloons)
        f_cSystray->BalloonShow(true, BalloonTimeoutMs, false);
}

// ---- the tray -------------------------------------------------------------------------------------

void Station::ShowSystrayMessage(const QString& Message, const QString& Title, int TTicon) {
    const QString Titre = Title.isEmpty() ? kTitle : Title;
    if (!f_cSystray || !f_cSystray->IsBalloonCapable())
        return;
    f_cSystray->setBalloonIcon(TTicon);
    f_cSystray->setBalloonText(Message);
    f_cSystray->setBalloonTitle(Titre);
    f_cSystray->BalloonShow(true, BalloonTimeoutMs, false);
}

void Station::RemoveTrayIcon() {
    if (!f_cSystray)
        return;
    f_cSystray->SysTrayShow(false);
    ui().doEvents();
    f_cSystray.reset();
}

// ---- quitting -------------------------------------------------------------------------------------

void Station::ReleaseLock() {
    lock_.release();
}

void Station::StartLauncherForRestart() {
    QString directory;
    try {
        ShellExecuteOpen(this, state_.ProgramFile(QStringLiteral("kippler")), QStringLiteral("/t"), directory, 1, false,
                         state_.Shell);
    } catch (const RuntimeError&) {
        // Not raised without RaiseErrors; the program ends without restart.
    }
}

// ---- the HTTP server's host side ------------------------------------------------------------------

void Station::HeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                           const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) {
    receiveHandler_->HeadComplete(Method, URI, ReqHeaders, RemoteIP, Reply, ClientIndex);
}

void Station::DynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                             std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME,
                             QString& RespExtraHeaders, QByteArray& RespBody, std::int16_t& ClientIndex) {
    receiveHandler_->DynamicRequest(Method, URI, Params, ReqHeaders, RespStatus, RespStatusText, RespMIME,
                                    RespExtraHeaders, RespBody, ClientIndex);
}

void Station::ListenerFailed(std::int32_t Number, const QString& Description) {
    ui().logEvent(EventLogType::Error, kTitle,
                  QStringLiteral("The server stopped listening on port %1 (%2 %3); it tries again.")
                      .arg(Gossamer1 ? Gossamer1->Port : state_.Settings.Port)
                      .arg(Number)
                      .arg(Description));
    if (view_)
        view_->StatusBar1_SimpleText(
            state_
                .GetString(txt::ListenerInterrupted,
                           QStringLiteral("Réception interrompue (%1) : nouvelle tentative en cours..."))
                .arg(Description),
            kFailureColour, true);
}

void Station::ListenerRestored() {
    ui().logEvent(
        EventLogType::Information, kTitle,
        QStringLiteral("The server listens on port %1 again.").arg(Gossamer1 ? Gossamer1->Port : state_.Settings.Port));
    announceListening();
    if (view_)
        view_->StatusBar1_SimpleText(state_.GetString(txt::Waiting, QStringLiteral("En attente de message...")), 0,
                                     false);
}

// ---- a peer's message -----------------------------------------------------------------------------

void Station::StoreReceived(const PeerMessage& message, const QDateTime& receiptDate) {
    if (!DataDB_)
        throw RuntimeError(3051, QStringLiteral("DAO.Recordset"), QStringLiteral("The message database is not open"));
    Recordset& rs = *DataDB_;
    // The moves below reposition the viewer; it only marks the row to be shown after the reply.
    storingReceived_ = true;
    const auto storing = qScopeGuard([this] { storingReceived_ = false; });
    rs.addNew();
    rs.setField(QStringLiteral("FROM"), message.FROM);
    rs.setField(QStringLiteral("TO"), message.TO);
    rs.setField(QStringLiteral("OnDate"), message.OnDate);
    rs.setField(QStringLiteral("ReceiptDate"), receiptDate);
    rs.setField(QStringLiteral("Text"), message.Text);
    rs.setField(QStringLiteral("RTF"), message.RTF);
    rs.update();
    if (view_)
        view_->ReceivedRowStored();
    rs.moveLast();
}

void Station::ShowAfterReceipt() {
    if (view_)
        view_->ShowAfterReceipt();
}

} // namespace vellumo
