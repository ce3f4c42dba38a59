#include "app/windows/main/frm_main.h"

#include "app/messaging/receive_handler.h"
#include "app/station/mod_update.h"
#include "app/store/message_store.h"
#include "app/ui/push_button.h"
#include "app/ui/status_line.h"
#include "http_server/gossamer.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/hosting/control_loader.h"
#include "platform/lan/curl_ftp_client.h"
#include "platform/net/socket_errors.h"
#include "platform/richtext/rich_text_viewer.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/shell/shell_start.h"
#include "platform/widgets/tesk_toolbar.h"
#include "platform/widgets/top_most.h"
#include "tray/c_systray.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHostInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace vellumo {

namespace {
const QString kTitle = QStringLiteral("Vellumo");

// The pictures of the window, shipped in the program folder.
QIcon programIcon(const QString& programFolder) {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128}) {
        const QString file = QDir(programFolder).filePath(QStringLiteral("System/Vellumo%1.png").arg(size));
        if (QFile::exists(file))
            icon.addFile(file, QSize(size, size));
    }
    return icon;
}
} // namespace

frmMain::frmMain(modVellumo& state, ControlLoader& loader, QWidget* parent)
    : QWidget(parent), state_(state), loader_(loader), lock_(state.DataFolder()),
      endProcess_([] { QCoreApplication::exit(0); }),
      receiveHandler_(std::make_unique<ReceiveHandler>(state.Settings, *this)) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kTitle);
    buildWindow();
    buildMenus();
}

frmMain::~frmMain() {
    // The windows that report here go before it.
    delete frmSendMessage_.data();
    // The recordset and its connection go before the widgets that show it.
    DataDB.reset();
    db_.reset();
}

void frmMain::buildWindow() {
    const QIcon icon = programIcon(state_.ProgramFolder());
    setWindowIcon(icon);
    resize(620, 507); // 7605 twips high, as the window was designed

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    TeskToolbar1 = new TeskToolbar(this);
    TeskToolbar1->setObjectName(QStringLiteral("TeskToolbar1"));
    buildToolbar();
    navigation_ = std::make_unique<MessageNavigation>(*TeskToolbar1);
    layout->addWidget(TeskToolbar1);

    auto* fields = new QGridLayout;
    const QString labels[3] = {QStringLiteral("De :"), QStringLiteral("Date :"), QStringLiteral("A :")};
    for (int i = 0; i < 3; ++i)
        Text1[static_cast<std::size_t>(i)] = MessageNavigation::AddMessageField(*fields, this, i, labels[i]);
    layout->addLayout(fields);

    TXTextControl1 = new RichTextViewer(this);
    TXTextControl1->setObjectName(QStringLiteral("TXTextControl1"));
    layout->addWidget(TXTextControl1, 1);

    auto* bottom = new QHBoxLayout;
    StatusBar1 = new StatusLine(loader_, this);
    bottom->addWidget(StatusBar1, 1);
    HelpMnu = new PushButton(loader_, QStringLiteral("HelpMnu"), QStringLiteral("?"), this);
    HelpMnu->setFixedSize(24, 22);
    HelpMnu->setToolTip(QStringLiteral("Aide"));
    HelpMnu->setClick([this] { HelpMnu_Click(); });
    bottom->addWidget(HelpMnu);
    layout->addLayout(bottom);

    // The online update's download indicator: hidden but while a download runs.
    auto* btnDownload = new QLabel(QStringLiteral("Téléchargement..."), this);
    btnDownload->setObjectName(QStringLiteral("btnDownload"));
    btnDownload->setVisible(false);
    bottom->insertWidget(1, btnDownload);
    ChilkatFtp21 = std::make_unique<CurlFtpClient>();
    update_ = std::make_unique<modUpdate>(state_, *ChilkatFtp21, this, btnDownload);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(icon.pixmap(32, 32));
    Image1->hide();
}

void frmMain::closeEvent(QCloseEvent* event) {
    event->accept();
    unloadMainWindow();
}

// ---- start-up -------------------------------------------------------------------------------------

bool frmMain::Form_Load() {
    // 1. One copy per program folder (per user's data folder for an installed copy). Only a lock held
    // by another copy means that one runs; a lock file that cannot be taken at all is a failure the
    // user must see.
    switch (lock_.tryAcquire()) {
    case InstanceLock::Result::Acquired:
        break;
    case InstanceLock::Result::HeldByAnother:
        return false;
    case InstanceLock::Result::Failed:
        startFailure_ = lock_.path() + QStringLiteral(": ") + lock_.failure();
        ui().messageBox(state_
                            .GetString(91, QStringLiteral("Vellumo ne peut pas démarrer : le fichier %1 ne peut "
                                                          "pas être ouvert (%2)."))
                            .arg(lock_.path(), lock_.failure()),
                        mb::Critical | mb::OkOnly, kTitle);
        return false;
    }

    // 2. The language menu, 3. the language and its string table.
    FillLanguageMenu();
    const bool hasLanguages = mnuLanguage->menuAction()->isVisible();
    AppSettings& settings = state_.Settings;
    // Language is read first, then 5. Port (with its registry copy), Key and the five flags.
    settings.LoadAtStartUp(hasLanguages, state_.RegistryService);
    if (hasLanguages && !settings.CurrentLanguage.isEmpty()) {
        state_.Localisation.ApplyLanguage(this, settings.CurrentLanguage);
        state_.Localisation.LoadStrings(settings.CurrentLanguage);
    }
    markCurrentLanguage();
    // What the viewer says under a message too large to be shown whole.
    TXTextControl1->setCutNotice(state_.GetString(100, RichTextViewer::DefaultCutNotice()));

    // 4. Nothing to browse yet.
    navigation_->Reposition();

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

    // The failures the window would otherwise keep to itself: the program keeps running in the tray.
    if (!storeFailure.isEmpty()) {
        ui().logEvent(EventLogType::Error, kTitle, QStringLiteral("Message database: ") + storeFailure);
        StatusBar1_SimpleText(state_.GetString(61, QStringLiteral("Base de messages inaccessible : ")) + storeFailure,
                              192, true);
    }
    if (!Gossamer1->ConnectedToPort) {
        const QString text = PortFailureText(state_.Localisation, Gossamer1->Port, Gossamer1->BindError);
        ui().logEvent(EventLogType::Error, kTitle, text);
        StatusBar1_SimpleText(text, 192, true);
    }

    // 10. The viewer only displays.
    TXTextControl1->setDisplayMode(true);

    // 11. Topmost when asked for, 12. and into the tray. The window is hidden at once, so it only
    // takes the property here (showing it on the way would flash it on the desktop).
    if (settings.IsAlwaysOnTop)
        SetStaysOnTop(this, true);
    hide();
    return true;
}

QString frmMain::PortFailureText(const modLocalisation& texts, std::int32_t port, std::int32_t bindError) {
    QString text;
    switch (bindError) {
    case sockerr::AddressInUse:
        text = texts.GetString(57, QStringLiteral("Le port %1 est déjà utilisé : aucun message ne peut être reçu."));
        break;
    case sockerr::AccessDenied:
        text = texts.GetString(58, QStringLiteral("L'accès au port %1 est refusé : aucun message ne peut être reçu."));
        break;
    case sockerr::AddressNotAvailable:
        text = texts.GetString(
            59,
            QStringLiteral("L'adresse d'écoute du port %1 n'est pas disponible : aucun message ne peut être reçu."));
        break;
    default:
        text = texts.GetString(
            60, QStringLiteral("Le port %1 ne peut pas être ouvert (erreur %2) : aucun message ne peut être reçu."));
        break;
    }
    return text.replace(QStringLiteral("%1"), QString::number(port))
        .replace(QStringLiteral("%2"), QString::number(bindError));
}

void frmMain::FillLanguageMenu() {
    const QDir folder(state_.ProgramFile(QStringLiteral("Lng")));
    // The pattern matches without regard to case, as the file system's does; the order is the
    // file system's own.
    const QStringList files = folder.entryList({QStringLiteral("*.lng")}, QDir::Files, QDir::Unsorted);
    int next = 0;
    for (QString name : files) {
        name.replace(QStringLiteral(".lng"), QString()); // exact case: "X.LNG" keeps its extension
        if (name.compare(QStringLiteral("application"), Qt::CaseInsensitive) == 0)
            continue;
        if (next >= static_cast<int>(mnuLocalize.size())) {
            QAction* item = mnuLanguage->addAction(QString());
            item->setObjectName(QStringLiteral("mnuLocalize"));
            modLocalisation::SetControlIndex(item, next);
            const int index = next;
            connect(item, &QAction::triggered, this, [this, index] { mnuLocalize_Click(index); });
            mnuLocalize.push_back(item);
        }
        mnuLocalize[static_cast<std::size_t>(next)]->setText(name);
        ++next;
    }
    const bool any = next > 0;
    Sep6->setVisible(any);
    mnuLanguage->menuAction()->setVisible(any);
}

void frmMain::markCurrentLanguage() {
    for (QAction* item : mnuLocalize) {
        item->setCheckable(true);
        item->setChecked(!item->text().isEmpty() && item->text() == state_.Settings.CurrentLanguage);
    }
}

void frmMain::openMessageDatabase() {
    db_ = std::make_unique<Database>(MessageStore::openMessages(state_.DataFolder(), state_.ProgramFolder()));
    DataDB = db_->openRecordset(QStringLiteral("SELECT * FROM Recived ORDER BY Compteur"));
    navigation_->setRecordset(DataDB.get());
    connect(DataDB.get(), &Recordset::Reposition, this, [this] { DataDB_Reposition(); });
    if (DataDB->recordCount() > 0)
        navigation_->ShowNewest();
}

void frmMain::startServer() {
    Gossamer1 = std::make_unique<Gossamer>();
    Gossamer1->setHost(this);
    Gossamer1->Port = state_.Settings.Port;
    try {
        Gossamer1->StartListening();
    } catch (const RuntimeError& e) {
        ui().logEvent(EventLogType::Error, kTitle, e.description());
    }
}

void frmMain::createSystray() {
    f_cSystray = std::make_unique<cSystray>();
    connect(f_cSystray.get(), &cSystray::MouseDblClick, this,
            [this](qint16& Button) { f_cSystray_MouseDblClick(Button); });
    connect(f_cSystray.get(), &cSystray::MouseUp, this, [this](qint16& Button) { f_cSystray_MouseUp(Button); });
    const QString waiting = state_.GetString(1, QStringLiteral("En attente de message..."));
    const bool balloons = f_cSystray->IsBalloonCapable();
    if (balloons) {
        f_cSystray->setBalloonIcon(4);
        f_cSystray->setBalloonText(waiting);
        f_cSystray->setBalloonTitle(kTitle);
    }
    f_cSystray->SysTrayIconFromHandle(QIcon(Image1->pixmap()));
    f_cSystray->setSysTrayToolTip(kTitle);
    f_cSystray->SysTrayShow(true);
    if (balloons)
        f_cSystray->BalloonShow(true, BalloonTimeoutMs, false);
}

// ---- language, quit and close ---------------------------------------------------------------------

void frmMain::mnuLocalize_Click(int Index) {
    if (Index < 0 || Index >= static_cast<int>(mnuLocalize.size()))
        return;
    const QString caption = mnuLocalize[static_cast<std::size_t>(Index)]->text();
    // The tick stays on the language in use until the restart (a click toggles it).
    markCurrentLanguage();
    OperationsFichiers::IniWrite(QStringLiteral("Vellumo"), QStringLiteral("Language"), caption,
                                 state_.Settings.SettingsFile());
    if (caption == state_.Settings.CurrentLanguage)
        return;
    ui().messageBox(state_.GetString(73, QStringLiteral("You must relaunch Vellumo for the new language to be "
                                                        "available|Vellumo will stop and restart.")),
                    mb::Exclamation | mb::OkOnly, kTitle);
    RestartRequested = true;
    mnuQuit_Click();
}

bool frmMain::askQuit() {
    const QString prompt = state_.GetString(
        14, QStringLiteral("Êtes-vous sûr de vouloir quitter Vellumo ? |Vous ne pourrez plus recevoir de message."));
    const QString title = state_.GetString(15, QStringLiteral("Quitter Vellumo ..."));
    return ui().messageBox(prompt, mb::YesNo | mb::Question | mb::SystemModal, title) == mb::Yes;
}

void frmMain::mnuQuit_Click() {
    if (!askQuit())
        return;
    // The folder is free for the next copy before anything else happens.
    lock_.release();
    if (RestartRequested) {
        QString directory;
        try {
            ShellExecuteOpen(this, state_.ProgramFile(QStringLiteral("kippler")), QStringLiteral("/t"), directory, 1,
                             false, state_.Shell);
        } catch (const RuntimeError&) {
        }
    }
    unloadMainWindow();
    ui().doEvents();
}

void frmMain::unloadMainWindow() {
    if (unloaded_)
        return;
    unloaded_ = true;
    Form_QueryUnload();
    Form_Unload();
}

void frmMain::Form_QueryUnload() {
    if (f_cSystray) {
        f_cSystray->SysTrayShow(false);
        ui().doEvents();
        f_cSystray.reset();
    }
}

void frmMain::Form_Unload() {
    lock_.release();
    // The other windows go first; senders still waiting for a reply are abandoned.
    for (QPointer<QWidget>* window :
         {&frmNetWorkExplorer_, &frmOptions_, &frmPurge_, &frmSendedMessages_, &frmSendMessage_}) {
        if (*window)
            (*window)->close();
    }
    hide();
    ui().doEvents();
    if (endProcess_)
        endProcess_();
}

// ---- the HTTP server's host side ------------------------------------------------------------------

void frmMain::HeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                           const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) {
    receiveHandler_->HeadComplete(Method, URI, ReqHeaders, RemoteIP, Reply, ClientIndex);
}

void frmMain::DynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                             std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME,
                             QString& RespExtraHeaders, QByteArray& RespBody, std::int16_t& ClientIndex) {
    receiveHandler_->DynamicRequest(Method, URI, Params, ReqHeaders, RespStatus, RespStatusText, RespMIME,
                                    RespExtraHeaders, RespBody, ClientIndex);
}

void frmMain::ListenerFailed(std::int32_t Number, const QString& Description) {
    ui().logEvent(EventLogType::Error, kTitle,
                  QStringLiteral("The server stopped listening on port %1 (%2 %3); it tries again.")
                      .arg(Gossamer1 ? Gossamer1->Port : state_.Settings.Port)
                      .arg(Number)
                      .arg(Description));
    StatusBar1_SimpleText(
        state_.GetString(90, QStringLiteral("Réception interrompue (%1) : nouvelle tentative en cours..."))
            .arg(Description),
        192, true);
}

void frmMain::ListenerRestored() {
    ui().logEvent(
        EventLogType::Information, kTitle,
        QStringLiteral("The server listens on port %1 again.").arg(Gossamer1 ? Gossamer1->Port : state_.Settings.Port));
    StatusBar1_SimpleText(state_.GetString(1, QStringLiteral("En attente de message...")), 0, false);
}

void frmMain::StoreReceived(const PeerMessage& message, const QDateTime& receiptDate) {
    if (!DataDB)
        throw RuntimeError(3051, QStringLiteral("DAO.Recordset"), QStringLiteral("The message database is not open"));
    Recordset& rs = *DataDB;
    // The moves below run the viewer; it only marks the row to be shown after the reply.
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
    navigation_->AtEnd = true;
    rs.moveLast();
}

void frmMain::ShowAfterReceipt() {
    // Several messages stored before the loop comes back are shown once: the newest.
    if (receiptShowScheduled_)
        return;
    receiptShowScheduled_ = true;
    afterReplyLeaves([this] {
        receiptShowScheduled_ = false;
        if (rowShowPending_)
            showCurrentRow();
        BringToFront(*this, state_.Settings.IsAlwaysOnTop);
    });
}

// The server writes a reply once the request's handler has returned: head and body at once when the
// socket takes them (the usual case), else as the peer reads them. A job posted from inside the handler
// (here twice: the loop runs what was posted during a pass of posted events in the next pass) therefore
// runs after that write.
void frmMain::afterReplyLeaves(std::function<void()> job) {
    QMetaObject::invokeMethod(
        this,
        [this, job = std::move(job)]() mutable {
            QMetaObject::invokeMethod(this, std::move(job), Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

} // namespace vellumo
