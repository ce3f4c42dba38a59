#include "app/windows/main/frm_main.h"

#include "app/core/text_ids.h"
#include "app/station/mod_update.h"
#include "app/ui/bring_to_front.h"
#include "app/ui/push_button.h"
#include "app/ui/status_line.h"
#include "app/ui/window_translation.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/richtext/rich_text_viewer.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/store/recordset.h"
#include "platform/widgets/tesk_toolbar.h"
#include "platform/widgets/top_most.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>

namespace vellumo {

namespace {
const QString kTitle = QStringLiteral("Vellumo");
constexpr std::int16_t kFailureColour = 192;
} // namespace

frmMain::frmMain(Station& station, ControlLoader& loader, QWidget* parent)
    : QWidget(parent), station_(station), state_(station.state()), loader_(loader),
      endProcess_([] { QCoreApplication::exit(0); }) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kTitle);
    buildWindow();
    buildMenus();
    station_.setView(this);
}

frmMain::~frmMain() {
    station_.setView(nullptr);
    station_.updater().setDownloadIndicator(nullptr);
    // The windows that report here go before it.
    delete frmSendMessage_.data();
}

void frmMain::buildWindow() {
    const QIcon icon = Station::ProgramIcon(state_.ProgramFolder());
    setWindowIcon(icon);
    resize(620, 507); // 7605 twips high, as the window was designed

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);

    TeskToolbar1 = new TeskToolbar(this);
    TeskToolbar1->setObjectName(QStringLiteral("TeskToolbar1"));
    buildToolbar();
    navigation_ = std::make_unique<MessageNavigation>(*TeskToolbar1);
    navigation_->LoneRowStays = true;
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
    station_.updater().setDownloadIndicator(btnDownload);

    // The picture of the tray icon (the station makes the icon from the same picture).
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

void frmMain::Form_Load() {
    // The station has run its steps (Station::Start): the lock, the settings with the language and its
    // string table, the store, the station's name, the server and the tray icon.

    // 2. The language menu, 3. the window in the language.
    FillLanguageMenu();
    const bool hasLanguages = mnuLanguage->menuAction()->isVisible();
    if (hasLanguages && !state_.Settings.CurrentLanguage.isEmpty())
        ApplyLanguage(state_.Localisation, this, state_.Settings.CurrentLanguage);
    markCurrentLanguage();
    // What the viewer says under a message too large to be shown whole.
    TXTextControl1->setCutNotice(state_.GetString(txt::CutNotice, RichTextViewer::DefaultCutNotice()));

    // 4. Nothing to browse yet; 6. then the station's messages, the newest shown.
    DataDB_Reposition();
    showMessages();

    // What failed at start-up without stopping the program: it keeps running in the tray.
    for (const QString& text : station_.StartReports())
        StatusBar1_SimpleText(text, kFailureColour, true);

    // 10. The viewer only displays.
    TXTextControl1->setDisplayMode(true);

    // 11. Topmost when asked for, 12. and into the tray. The window is hidden at once, so it only
    // takes the property here (showing it on the way would flash it on the desktop).
    if (state_.Settings.IsAlwaysOnTop)
        SetStaysOnTop(this, true);
    hide();
}

void frmMain::FillLanguageMenu() {
    int next = 0;
    for (const QString& name : state_.Localisation.Languages()) {
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

void frmMain::showMessages() {
    DataDB = station_.DataDB();
    navigation_->setRecordset(DataDB);
    if (!DataDB)
        return;
    connect(DataDB, &Recordset::Reposition, this, [this] { DataDB_Reposition(); });
    if (DataDB->recordCount() > 0)
        navigation_->ShowNewest();
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
    ui().messageBox(
        state_.GetString(txt::RestartForLanguage, QStringLiteral("You must relaunch Vellumo for the new language to be "
                                                                 "available|Vellumo will stop and restart.")),
        mb::Exclamation | mb::OkOnly, kTitle);
    RestartRequested = true;
    mnuQuit_Click();
}

bool frmMain::askQuit() {
    const QString prompt = state_.GetString(
        txt::QuitAsk,
        QStringLiteral("Êtes-vous sûr de vouloir quitter Vellumo ? |Vous ne pourrez plus recevoir de message."));
    const QString title = state_.GetString(txt::QuitTitle, QStringLiteral("Quitter Vellumo ..."));
    return ui().messageBox(prompt, mb::YesNo | mb::Question | mb::SystemModal, title) == mb::Yes;
}

void frmMain::mnuQuit_Click() {
    if (!askQuit())
        return;
    // The folder is free for the next copy before anything else happens.
    station_.ReleaseLock();
    if (RestartRequested)
        station_.StartLauncherForRestart();
    unloadMainWindow();
    ui().doEvents();
}

void frmMain::EndWithoutAsking() {
    unloadMainWindow();
}

void frmMain::unloadMainWindow() {
    if (unloaded_)
        return;
    unloaded_ = true;
    Form_QueryUnload();
    Form_Unload();
}

void frmMain::Form_QueryUnload() {
    station_.RemoveTrayIcon();
}

void frmMain::Form_Unload() {
    station_.ReleaseLock();
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

// ---- a received message ---------------------------------------------------------------------------

void frmMain::ReceivedRowStored() {
    navigation_->AtEnd = true;
}

void frmMain::ShowAfterReceipt() {
    // Several messages stored before the loop comes back are shown once: the newest.
    if (receiptShowScheduled_)
        return;
    receiptShowScheduled_ = true;
    afterReplyLeaves([this] {
        receiptShowScheduled_ = false;
        if (rowShowPending_ && !navigation_->Asking())
            showCurrentRow();
        // A failure on the status line is old news once a message has come in (the station listens and
        // is reached), unless senders are still out: their outcome is still to be told.
        if (StatusBar1->foreColor() == kFailureColour && !state_.Slots.AnyBusy())
            StatusBar1_SimpleText(QString(), 0, false);
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
