// frmMain: the viewer, its toolbar, the tray handlers, the menus and the status line.
#include "app/windows/main/frm_main.h"

#include "app/core/text_ids.h"
#include "app/station/mod_update.h"
#include "app/ui/recipients_line.h"
#include "app/ui/status_line.h"
#include "app/windows/compose/frm_send_message.h"
#include "app/windows/dialogs/frm_net_work_explorer.h"
#include "app/windows/dialogs/frm_options.h"
#include "app/windows/dialogs/frm_purge.h"
#include "app/windows/dialogs/frm_vellumo_explorer.h"
#include "app/windows/history/frm_sended_messages.h"
#include "app/windows/main/main_toolbar.h"
#include "http_server/gossamer.h"
#include "operations_fichiers/operations_fichiers.h"
#include "platform/drawing/system_colors.h"
#include "platform/richtext/rich_text_editor.h"
#include "platform/richtext/rich_text_viewer.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/runtime/windows1252.h"
#include "platform/widgets/tesk_toolbar.h"
#include "tray/c_systray.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDate>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QMenu>
#include <QPointer>
#include <QStyle>
#include <QTabWidget>
#include <QTextCursor>

namespace vellumo {

// "shown" lines when a row is shown (QT_LOGGING_RULES="vellumo.viewer.info=true"), for measuring.
Q_LOGGING_CATEGORY(lcViewer, "vellumo.viewer", QtWarningMsg)

namespace {
const QString kTitle = QStringLiteral("Vellumo");
// The tray's balloon icons.
constexpr int kIconInformation = 1;
constexpr int kIconWarning = 2;

// The toolbar's buttons 1 to 24: key, picture by standard icon name, design tooltip. A button without a role is a
// separator (no key) or a spare button kept hidden.
constexpr DesignedButton kButtons[MainToolbar::ButtonCount] = {
    {"New", "mail-message-new", "Nouveau message", false},       // 1
    {"Reply", "mail-reply-sender", "Répondre", false},           // 2
    {"ReplyAll", "mail-reply-all", "Répondre à tous", false},    // 3
    {nullptr, nullptr, nullptr, false},                          // 4
    {"Copy", "edit-copy", "Copier", false},                      // 5
    {nullptr, nullptr, nullptr, false},                          // 6
    {"Spare7", nullptr, "", true},                               // 7
    {"Spare8", nullptr, "", true},                               // 8
    {"First", "go-first", "Premier message", false},             // 9
    {"Previous", "go-previous", "Message précédent", false},     // 10
    {"Next", "go-next", "Message suivant", false},               // 11
    {"Last", "go-last", "Dernier message", false},               // 12
    {"Delete", "edit-delete", "Supprimer le message", false},    // 13
    {nullptr, nullptr, nullptr, false},                          // 14
    {"Sent", "document-open-recent", "Messages envoyés", false}, // 15
    {nullptr, nullptr, nullptr, false},                          // 16
    {"Network", "network-workgroup", "Voisinage réseau", false}, // 17
    {nullptr, nullptr, nullptr, false},                          // 18
    {"Options", "preferences-system", "Options", false},         // 19
    {"Tools", "applications-utilities", "Outils", false},        // 20
    {nullptr, nullptr, nullptr, false},                          // 21
    {"Quit", "application-exit", "Quitter Vellumo", false},      // 22
    {nullptr, nullptr, nullptr, false},                          // 23
    {"Hide", "window-minimize", "Masquer la fenêtre", false},    // 24
};

QAction* namedAction(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* namedSeparator(QMenu* menu, const char* name) {
    QAction* action = menu->addSeparator();
    action->setObjectName(QString::fromLatin1(name));
    return action;
}
} // namespace

void frmMain::buildToolbar() {
    TeskToolbar1->addDesignedButtons(kButtons);
    TeskToolbar1->setButtonClickHandler(
        [this](const TeskToolbar::Button& button) { TeskToolbar1_ButtonClick(button.index); });
}

void frmMain::buildMenus() {
    mnuSystray = new QMenu(QStringLiteral("Systray"), this);
    mnuSystray->setObjectName(QStringLiteral("mnuSystray"));
    connect(namedAction(mnuSystray, "mnuShow", QStringLiteral("Afficher Vellumo")), &QAction::triggered, this,
            [this] { mnuShow_Click(); });
    namedSeparator(mnuSystray, "mnuSep1");
    connect(namedAction(mnuSystray, "mnuOptions", QStringLiteral("Options")), &QAction::triggered, this,
            [this] { mnuOptions_Click(); });
    namedSeparator(mnuSystray, "mnuSep2");
    connect(namedAction(mnuSystray, "mnuQuit", QStringLiteral("Quitter")), &QAction::triggered, this,
            [this] { mnuQuit_Click(); });

    mnuOutils = new QMenu(QStringLiteral("Outils"), this);
    mnuOutils->setObjectName(QStringLiteral("mnuOutils"));
    connect(namedAction(mnuOutils, "mnuPurge", QStringLiteral("Purger la base de messages")), &QAction::triggered, this,
            [this] { mnuPurge_Click(); });
    connect(namedAction(mnuOutils, "mnuDeleteCorrespondants",
                        QStringLiteral("Supprimer la listes des Correspondants favoris")),
            &QAction::triggered, this, [this] { mnuDeleteCorrespondants_Click(); });
    Sep6 = namedSeparator(mnuOutils, "Sep6");
    mnuLanguage = mnuOutils->addMenu(QStringLiteral("Langage"));
    mnuLanguage->setObjectName(QStringLiteral("mnuLanguage"));
    mnuLanguage->menuAction()->setObjectName(QStringLiteral("mnuLanguage"));
    namedSeparator(mnuOutils, "mnuSep3");
    connect(namedAction(mnuOutils, "mnuHelp", QStringLiteral("Aide")), &QAction::triggered, this,
            [this] { mnuHelp_Click(); });
    namedSeparator(mnuOutils, "mnuSep4");
    connect(namedAction(mnuOutils, "mnuMAJ", QStringLiteral("Rechercher une mise à jour")), &QAction::triggered, this,
            [this] { mnuMAJ_Click(); });
    namedSeparator(mnuOutils, "mnuSep5");
    connect(namedAction(mnuOutils, "mnuAbout", QStringLiteral("A propos....")), &QAction::triggered, this,
            [this] { mnuAbout_Click(); });

    // Item 0 of the language items exists in the design; FillLanguageMenu adds the others.
    QAction* first = mnuLanguage->addAction(QString());
    first->setObjectName(QStringLiteral("mnuLocalize"));
    modLocalisation::SetControlIndex(first, 0);
    connect(first, &QAction::triggered, this, [this] { mnuLocalize_Click(0); });
    mnuLocalize.push_back(first);
}

// ---- viewer ---------------------------------------------------------------------------------------

void frmMain::setMessageButtons(bool on) {
    // Reply, reply to all and copy answer the message shown: with none, there is nothing to answer.
    for (int button : {MainToolbar::Reply, MainToolbar::ReplyToAll, MainToolbar::Copy})
        TeskToolbar1->setButtonEnabled(button, on);
}

void frmMain::DataDB_Reposition() {
    if (!navigation_->Reposition()) {
        // Nothing left to show (the last message deleted, or purged): the fields and the viewer show
        // nothing rather than a message that is gone.
        if (!DataDB || DataDB->recordCount() == 0) {
            clearMessage();
            setMessageButtons(false);
        }
        return;
    }
    // While the delete question is open the window keeps showing the message it is about; the row
    // that became current meanwhile is shown once it is answered.
    if (station_.StoringReceived() || navigation_->Asking()) {
        rowShowPending_ = true;
        return;
    }
    showCurrentRow();
}

void frmMain::showCurrentRow() {
    rowShowPending_ = false;
    Recordset& rs = *DataDB;
    try {
        Text1[0]->setText(rs.text(QStringLiteral("FROM")));
        Text1[1]->setText(rs.text(QStringLiteral("ONDate")));
        Text1[2]->setText(rs.text(QStringLiteral("TO")));
        const QString rtf = rs.text(QStringLiteral("RTF"));
        TXTextControl1->loadRtfText(rtf);
        MessageNavigation::ColourMessage(Text1, *TXTextControl1,
                                         MessageNavigation::DateColour(rs.dateTime(QStringLiteral("ReceiptDate"))));
        qCInfo(lcViewer, "shown: %lld characters of RTF%s", static_cast<long long>(rtf.size()),
               TXTextControl1->isCut() ? ", cut" : "");
        setMessageButtons(true);
    } catch (const RuntimeError&) {
        // A row that cannot be shown ends the viewer's work for it, silently.
        return;
    }
    emit RowShown();
}

QString frmMain::CurrentMessagePlainText() {
    if (rowShowPending_)
        showCurrentRow();
    if (!TXTextControl1->isCut() || !DataDB)
        return TXTextControl1->plainText();
    try {
        return RichTextViewer::plainTextOf(cp1252::encode(DataDB->text(QStringLiteral("RTF"))));
    } catch (const RuntimeError&) {
        return TXTextControl1->plainText();
    }
}

void frmMain::clearMessage() {
    for (QLineEdit* box : Text1)
        box->clear();
    TXTextControl1->clear();
    MessageNavigation::ColourMessage(Text1, *TXTextControl1, MessageNavigation::TodayColour);
}

QString frmMain::ReplyRecipients(const QString& from, const QString& to, const QString& ownName, bool toAll) {
    if (!toAll) {
        QString line = from;
        if (!line.endsWith(QLatin1Char(';')))
            line += QLatin1Char(';');
        return line;
    }
    // Whole entries only ("APC1;" stays when the own name is "PC1"), trimmed, each station once: the
    // sender may have named a station twice, or this one with blanks around it.
    return RecipientsLine::Join(
        RecipientsLine::Without(RecipientsLine::Stations(from + QLatin1Char(';') + to), ownName));
}

void frmMain::TeskToolbar1_ButtonClick(int Index) {
    switch (Index) {
    case MainToolbar::New:
        StatusBar1_SimpleText(QString(), 0, false);
        composeWindow().ShowCompose();
        break;
    case MainToolbar::Reply:
    case MainToolbar::ReplyToAll: {
        StatusBar1_SimpleText(QString(), 0, false);
        // One message answered: a row still waiting to be shown is shown first, then its recipients and
        // its text are read, in that order.
        if (rowShowPending_)
            showCurrentRow();
        const QString recipients = ReplyRecipients(Text1[0]->text(), Text1[2]->text(), state_.Settings.LocalStationName,
                                                   Index == MainToolbar::ReplyToAll);
        const QString quote = CurrentMessagePlainText();
        composeWindow().ShowReply(recipients, quote);
        break;
    }
    case MainToolbar::Copy:
        TXTextControl1->clipboardCommand(2);
        break;
    case MainToolbar::First:
    case MainToolbar::Previous:
    case MainToolbar::Next:
    case MainToolbar::Last:
    case MainToolbar::Delete:
        navigation_->ButtonClick(Index, state_);
        // A row that became current while the question was open (a message received meanwhile).
        if (rowShowPending_ && !navigation_->Asking() && !station_.StoringReceived())
            showCurrentRow();
        break;
    case MainToolbar::SentMessages:
        showHistory();
        break;
    case MainToolbar::NetworkBrowser:
        showNetworkBrowser();
        break;
    case MainToolbar::Options:
        mnuOptions_Click();
        break;
    case MainToolbar::Tools:
        mnuOutils->popup(QCursor::pos());
        break;
    case MainToolbar::Quit:
        if (askQuit())
            unloadMainWindow();
        break;
    case MainToolbar::Hide:
        hide();
        break;
    default: // the rest have no role
        break;
    }
}

// ---- tray and menus -------------------------------------------------------------------------------

void frmMain::f_cSystray_MouseDblClick(qint16 Button) {
    if (Button != 1)
        return;
    raiseOpen(this);
    if (DataDB) {
        try {
            DataDB->moveLast();
        } catch (const RuntimeError&) {
        }
    }
}

void frmMain::f_cSystray_MouseUp(qint16 Button) {
    if (Button != 2)
        return;
    if (cSystray* tray = station_.systray())
        tray->BeforePopup();
    mnuSystray->popup(QCursor::pos());
}

void frmMain::mnuShow_Click() {
    raiseOpen(this);
}

// A window the user asks for comes up in front with the focus (a window loaded topmost was shown
// without it).
bool frmMain::raiseOpen(QWidget* window) {
    if (!window)
        return false;
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

frmOptions* frmMain::optionsWindow() const {
    return qobject_cast<frmOptions*>(frmOptions_.data());
}
frmPurge* frmMain::purgeWindow() const {
    return qobject_cast<frmPurge*>(frmPurge_.data());
}
frmSendedMessages* frmMain::historyWindow() const {
    return qobject_cast<frmSendedMessages*>(frmSendedMessages_.data());
}

frmOptions* frmMain::openOptions() {
    if (raiseOpen(frmOptions_))
        return optionsWindow();
    auto* options = new frmOptions(state_, loader_, this);
    options->setServerPort([this] { return station_.server().Port; });
    frmOptions_ = options;
    options->Form_Load();
    return options;
}

void frmMain::mnuOptions_Click() {
    raiseOpen(openOptions());
}

void frmMain::mnuAbout_Click() {
    frmOptions* options = openOptions();
    options->tabs().setCurrentIndex(2);
    raiseOpen(options);
}

void frmMain::mnuPurge_Click() {
    if (raiseOpen(frmPurge_))
        return;
    if (!station_.database()) {
        StatusBar1_SimpleText(state_.GetString(txt::StoreUnreachable, QStringLiteral("Base de messages inaccessible.")),
                              192, false);
        return;
    }
    auto* purge = new frmPurge(state_, loader_, *station_.database(), this);
    purge->setPurged([this](int received, int sent, bool complete) { afterPurge(received, sent, complete); });
    frmPurge_ = purge;
    purge->Form_Load();
    raiseOpen(purge);
}

void frmMain::afterPurge(int received, int sent, bool complete) {
    // The rows went behind the recordset's back: read them again, newest shown, or the empty view.
    if (DataDB) {
        try {
            DataDB->requery();
            navigation_->ShowNewest();
        } catch (const RuntimeError&) {
            // The view stays as it was; the purge itself is done.
        }
    }
    if (!complete)
        return; // the purge window tells what failed
    QString text = state_.GetString(
        txt::PurgeDone,
        QStringLiteral("Purge terminée : %1 message(s) reçu(s) et %2 message(s) envoyé(s) supprimé(s)."));
    StatusBar1_SimpleText(text.replace(QStringLiteral("%1"), QString::number(received))
                              .replace(QStringLiteral("%2"), QString::number(sent)),
                          0, false);
}

void frmMain::mnuMAJ_Click() {
    station_.updater().CheckForUpdate();
}

frmSendMessage* frmMain::composeWindowIfOpen() const {
    return qobject_cast<frmSendMessage*>(frmSendMessage_.data());
}

frmSendMessage& frmMain::composeWindow() {
    if (frmSendMessage* open = composeWindowIfOpen())
        return *open;
    auto* compose = new frmSendMessage(state_, loader_, *this, lanServers_, this);
    frmSendMessage_ = compose;
    // The two recipient sources that are windows of their own, shown modally over the compose window;
    // once closed, the compose window has the focus again, on its recipients line.
    const auto giveBack = [](const QPointer<frmSendMessage>& window) {
        if (!window || !window->isVisible())
            return;
        window->activateWindow();
        window->text1().setFocus(Qt::OtherFocusReason);
    };
    compose->ShowNetworkBrowser = [this, compose, giveBack] {
        state_.OpenedFromCompose = true;
        const QPointer<frmSendMessage> composeLeft(compose);
        frmNetWorkExplorer browser(state_, loader_, compose);
        browser.setComposeRecipients([compose](const QString& recipients) { compose->text1().setText(recipients); });
        browser.exec();
        giveBack(composeLeft);
    };
    compose->ShowPeerScan = [this, compose, giveBack] {
        state_.OpenedFromCompose = true;
        const QPointer<frmSendMessage> composeLeft(compose);
        frmVellumoExplorer scan(state_, loader_, compose);
        scan.setRecipientsTarget([compose](const QString& recipients) { compose->text1().setText(recipients); });
        scan.exec();
        giveBack(composeLeft);
    };
    return *compose;
}

void frmMain::showNetworkBrowser() {
    if (raiseOpen(frmNetWorkExplorer_))
        return;
    auto* browser = new frmNetWorkExplorer(state_, loader_, this);
    browser->setOpenCompose([this](const QString& recipients) {
        frmSendMessage& compose = composeWindow();
        compose.ShowCompose();
        compose.text1().setText(recipients);
        // The recipients are chosen: the user goes on with the message.
        compose.editor().setFocus();
    });
    browser->setAttribute(Qt::WA_DeleteOnClose);
    browser->setWindowFlag(Qt::Window);
    frmNetWorkExplorer_ = browser;
    raiseOpen(browser);
}

void frmMain::showHistory() {
    if (raiseOpen(frmSendedMessages_))
        return;
    auto* history = new frmSendedMessages(state_, loader_, this);
    frmSendedMessages_ = history;
    // New message: the compose window as toolbar button 1 shows it. Send again: the same recipients
    // line and body, the caret after the body and the focus in the editor.
    history->setNewMail([this] { composeWindow().ShowCompose(); });
    history->setResend([this](const QString& recipients, const QString& rtf) {
        frmSendMessage& compose = composeWindow();
        compose.SetRecipients(recipients);
        compose.editor().loadRtfText(rtf);
        compose.editor().moveCursor(QTextCursor::End);
        compose.ShowCompose();
        compose.editor().setFocus();
    });
    history->Form_Load();
    raiseOpen(history);
}

void frmMain::mnuHelp_Click() {
    ShowSystrayMessage(
        state_.GetString(txt::HelpText, QStringLiteral("L'aide d'Vellumo n'est pas|disponible dans cette version...")),
        state_.GetString(txt::HelpTitle, QStringLiteral("Aide")), kIconWarning);
}

void frmMain::HelpMnu_Click() {
    mnuHelp_Click();
}

void frmMain::mnuDeleteCorrespondants_Click() {
    const QString prompt =
        state_.GetString(txt::DeleteFavouritesAsk,
                         QStringLiteral("Êtes-vous sûr de vouloir supprimer la liste des correspondants favoris ? "));
    if (ui().messageBox(prompt, mb::YesNo | mb::Question | mb::SystemModal, kTitle) != mb::Yes)
        return;
    OperationsFichiers::DeleteFileCode(state_.DataFile(QStringLiteral("Users.dbo")));
}

void frmMain::ShowSystrayMessage(const QString& Message, const QString& Titre, int TTicon) {
    station_.ShowSystrayMessage(Message, Titre, TTicon);
}

void frmMain::StatusBar1_SimpleText(const QString& strText, std::int16_t intColor, bool boolIsBaloon) {
    StatusBar1->setForeColor(intColor);
    StatusBar1->setCaption(strText);
    if (boolIsBaloon)
        ShowSystrayMessage(strText, QString(), intColor != 0 ? kIconWarning : kIconInformation);
}

} // namespace vellumo
