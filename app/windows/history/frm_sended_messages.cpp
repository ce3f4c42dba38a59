#include "app/windows/history/frm_sended_messages.h"

#include "app/core/text_ids.h"
#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "app/ui/window_translation.h"
#include "app/windows/history/history_toolbar.h"
#include "platform/drawing/system_colors.h"
#include "platform/richtext/rich_text_viewer.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/widgets/tesk_toolbar.h"
#include "platform/widgets/top_most.h"

#include <QDate>
#include <QGridLayout>
#include <QLineEdit>
#include <QStyle>
#include <QVBoxLayout>

namespace vellumo {

namespace {
const QString kTitle = QStringLiteral("Vellumo");

// Buttons 1 to 22: key, picture by standard icon name, design tooltip (UTF-8). No key: a separator. A button
// without an action in this window is kept hidden, as are the separators 15 to 21 that only fill the
// numbers up to 22.
constexpr DesignedButton kButtons[HistoryToolbar::ButtonCount] = {
    {"NewMail", "mail-message-new", "Nouveau Message", false},     // 1
    {"MailReponse", "mail-send", "Ré-envoyer", false},             // 2
    {"ResponseAll", "mail-reply-all", "Répondre à tous...", true}, // 3
    {nullptr, nullptr, nullptr, false},                            // 4
    {"Clipboard Copy", "edit-copy", "Copier...", false},           // 5
    {"Clipboard Cut", "edit-cut", "Couper...", true},              // 6
    {"Clipboard Paste", "edit-paste", "Coller...", true},          // 7
    {nullptr, nullptr, nullptr, false},                            // 8
    {"Debut", "go-first", "Premier message", false},               // 9
    {"Previous", "go-previous", "Précédent", false},               // 10
    {"Next", "go-next", "Suivant", false},                         // 11
    {"fin", "go-last", "Dernier message", false},                  // 12
    {"Supprimer", "edit-delete", "Supprimer", false},              // 13
    {nullptr, nullptr, nullptr, false},                            // 14
    {nullptr, nullptr, nullptr, true},                             // 15
    {nullptr, nullptr, nullptr, true},                             // 16
    {nullptr, nullptr, nullptr, true},                             // 17
    {nullptr, nullptr, nullptr, true},                             // 18
    {nullptr, nullptr, nullptr, true},                             // 19
    {nullptr, nullptr, nullptr, true},                             // 20
    {nullptr, nullptr, nullptr, true},                             // 21
    {"Annule2", "window-close", "Quitter", false},                 // 22
};

} // namespace

frmSendedMessages::frmSendedMessages(modVellumo& state, ControlLoader& /*loader*/, QWidget* parent)
    : QWidget(parent, Qt::Window), state_(state) {
    setObjectName(QStringLiteral("frmSendedMessages"));
    setWindowTitle(QString::fromUtf8("Messages envoyés"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(620, 480);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    TeskToolbar1 = new TeskToolbar(this);
    TeskToolbar1->setObjectName(QStringLiteral("TeskToolbar1"));
    buildToolbar();
    navigation_ = std::make_unique<MessageNavigation>(*TeskToolbar1);
    layout->addWidget(TeskToolbar1);

    auto* fields = new QGridLayout;
    Text1[1] = MessageNavigation::AddMessageField(*fields, this, 1, QStringLiteral("Date :"));
    Text1[2] = MessageNavigation::AddMessageField(*fields, this, 2, QStringLiteral("A :"));
    layout->addLayout(fields);

    TXTextControl1 = new RichTextViewer(this);
    TXTextControl1->setObjectName(QStringLiteral("TXTextControl1"));
    layout->addWidget(TXTextControl1, 1);
}

frmSendedMessages::~frmSendedMessages() {
    DataDB.reset();
    db_.reset();
}

void frmSendedMessages::buildToolbar() {
    TeskToolbar1->addDesignedButtons(kButtons);
    TeskToolbar1->setButtonClickHandler(
        [this](const TeskToolbar::Button& button) { TeskToolbar1_ButtonClick(button.index, button.key); });
}

void frmSendedMessages::Form_Load() {
    if (!state_.Settings.CurrentLanguage.isEmpty())
        ApplyLanguage(state_.Localisation, this, state_.Settings.CurrentLanguage);
    TXTextControl1->setCutNotice(state_.GetString(txt::CutNotice, RichTextViewer::DefaultCutNotice()));

    try {
        db_ = std::make_unique<Database>(
            Database::open(state_.DataFile(QString::fromLatin1(MessageStore::MessageDatabase))));
        DataDB = db_->openRecordset(QString::fromLatin1(StoreStatements::SendedTable));
        connect(DataDB.get(), &Recordset::Reposition, this, [this] { DataDB_Reposition(); });
    } catch (const RuntimeError& e) {
        // Without its database the window shows an empty history; the program goes on.
        DataDB.reset();
        db_.reset();
        ui().logEvent(EventLogType::Error, kTitle, QString::fromUtf8("Messages envoyés : ") + e.description());
    }
    navigation_->setRecordset(DataDB.get());
    if (DataDB && DataDB->recordCount() > 0)
        navigation_->ShowNewest();
    else
        DataDB_Reposition();

    TXTextControl1->setDisplayMode(true);
    if (state_.Settings.IsAlwaysOnTop)
        SetTopMost(this);
}

bool frmSendedMessages::hasRows() const {
    return DataDB && DataDB->recordCount() > 0;
}

void frmSendedMessages::DataDB_Reposition() {
    const bool rows = hasRows();
    TeskToolbar1->setButtonEnabled(HistoryToolbar::SendAgain, rows);
    TeskToolbar1->setButtonEnabled(HistoryToolbar::Copy, rows);
    if (!navigation_->Reposition()) {
        // An empty table shows nothing: not the message just deleted, nor anything to send again.
        if (!rows)
            clearMessage();
        return;
    }
    Recordset& rs = *DataDB;
    try {
        Text1[1]->setText(rs.text(QStringLiteral("ONDate")));
        Text1[2]->setText(rs.text(QStringLiteral("TO")));
        const QString rtf = rs.text(QStringLiteral("RTF"));
        TXTextControl1->loadRtfText(rtf);
        shownRtf_ = rtf;
        MessageNavigation::ColourMessage(Text1, *TXTextControl1,
                                         MessageNavigation::DateColour(rs.dateTime(QStringLiteral("SendedDate"))));
    } catch (const RuntimeError&) {
        // A row that cannot be shown ends the handler quietly; the boxes keep what was set.
    }
}

void frmSendedMessages::clearMessage() {
    Text1[1]->clear();
    Text1[2]->clear();
    TXTextControl1->clear();
    shownRtf_.clear();
    MessageNavigation::ColourMessage(Text1, *TXTextControl1, MessageNavigation::TodayColour);
}

void frmSendedMessages::TeskToolbar1_ButtonClick(int Index, const QString& /*Key*/) {
    switch (Index) {
    case HistoryToolbar::NewMessage:
        if (newMail_)
            newMail_();
        break;
    case HistoryToolbar::SendAgain:
        // Only a message that is there is sent again (a deleted one may still be in shownRtf_ had the
        // view not been cleared).
        if (resend_ && hasRows())
            resend_(Text1[2]->text(), shownRtf_);
        break;
    case HistoryToolbar::Copy:
        TXTextControl1->clipboardCommand(2);
        break;
    case HistoryToolbar::First:
    case HistoryToolbar::Previous:
    case HistoryToolbar::Next:
    case HistoryToolbar::Last:
    case HistoryToolbar::Delete:
        navigation_->ButtonClick(Index, state_);
        break;
    case HistoryToolbar::Close:
        close();
        break;
    default: // 3, 6, 7 and the separators have no action here
        break;
    }
}

} // namespace vellumo
