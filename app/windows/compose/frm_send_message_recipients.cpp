// frmSendMessage: the recipient sources, the favourites and the send.
#include "app/windows/compose/frm_send_message.h"

#include "app/core/mod_vellumo.h"
#include "app/core/text_ids.h"
#include "app/messaging/frm_to_send.h"
#include "app/messaging/lan_server_source.h"
#include "app/messaging/peer_message.h"
#include "app/messaging/send_outcomes.h"
#include "app/store/message_store.h"
#include "app/store/store_statements.h"
#include "app/ui/push_button.h"
#include "app/ui/recipients_line.h"
#include "http_server/goss_client.h"
#include "platform/richtext/rich_text_editor.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"
#include "platform/store/database.h"

#include <QApplication>
#include <QDateTime>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>

namespace vellumo {

namespace {

// The favourites' file, made from its template when missing.
Database openUsers(const modVellumo& state) {
    return MessageStore::openUsers(state.DataFolder(), state.ProgramFolder());
}

void addCorrespondent(const modVellumo& state, const QString& name) {
    try {
        Database db = openUsers(state);
        auto rs = db.openRecordset(QString::fromLatin1(StoreStatements::UsersTable));
        rs->addNew();
        rs->setField(QStringLiteral("Name"), name);
        rs->update();
    } catch (const RuntimeError&) {
        // A name the table refuses (already there) or a missing database: silently nothing.
    }
}

// The hourglass on the screen and on one button while a source fills the list.
class Hourglass {
public:
    explicit Hourglass(QWidget* button) : button_(button) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        button_->setCursor(Qt::WaitCursor);
    }
    ~Hourglass() {
        if (button_)
            button_->unsetCursor();
        QApplication::restoreOverrideCursor();
    }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;

private:
    QPointer<QWidget> button_;
};

} // namespace

void frmSendMessage::setSourceButton1Visible(bool visible) {
    Command1[1]->setVisible(visible);
    Command1[0]->setVisible(!visible);
}

void frmSendMessage::Command1_Click(int Index) {
    SavedMode = Index == 2;
    ListView1->setToolTip(
        SavedMode ? text(txt::FavouritesToolTip, QStringLiteral("Clic droit pour supprimer un item...")) : QString());
    if (Command1[1]->isHidden()) {
        setSourceButton1Visible(true);
        return;
    }
    QPointer<frmSendMessage> self(this);
    // The names as unchecked computers, and the list with its OK button over the message.
    auto showList = [this](const QStringList& names) {
        const QIcon icon = style()->standardIcon(QStyle::SP_ComputerIcon);
        for (const QString& name : names) {
            auto* item = new QListWidgetItem(icon, name, ListView1);
            item->setCheckState(Qt::Unchecked);
        }
        ListView1->show();
        ListView1->raise();
        btnOk->show();
        btnOk->raise();
        ListView1->update();
        ListView1->setFocus();
    };
    if (Index == 1) {
        {
            Hourglass wait(Command1[1]);
            ui().doEvents();
            if (!self)
                return;
            ListView1->clear();
            const ServerList list = lan_.EnumServers(-1);
            if (!self)
                return;
            if (!list.Success && list.ErrorCode != 0)
                MODnETwORK::NetErrorText(list.ErrorCode, false);
            if (!self)
                return;
            QStringList names;
            if (list.Success) {
                for (const ServerEntry& entry : list.Servers)
                    names << entry.Name;
            }
            setSourceButton1Visible(false);
            showList(names);
        }
        return;
    }
    if (Index == 2) {
        Hourglass wait(Command1[2]);
        ui().doEvents();
        if (!self)
            return;
        ListView1->clear();
        QStringList names;
        try {
            Database db = openUsers(state_);
            auto rs = db.openRecordset(QString::fromLatin1(StoreStatements::UsersTable));
            if (rs->recordCount() > 0) {
                for (rs->moveFirst(); !rs->eof(); rs->moveNext())
                    names << rs->text(QStringLiteral("Name"));
            }
        } catch (const RuntimeError&) {
            // Errors while listing the favourites are ignored: what was read is shown.
        }
        if (names.isEmpty()) {
            beep();
            return;
        }
        showList(names);
        return;
    }
    if (Index == 3 && ShowPeerScan)
        ShowPeerScan();
}

void frmSendMessage::btnOk_Click() {
    TransferCheckedRecipients();
}

void frmSendMessage::ListView1_DblClick() {
    TransferCheckedRecipients();
}

void frmSendMessage::TransferCheckedRecipients() {
    QString line = Text1->text();
    QStringList added;
    for (int i = 0; i < ListView1->count(); ++i) {
        const QListWidgetItem* item = ListView1->item(i);
        if (item->checkState() != Qt::Checked)
            continue;
        // Whole entries of the line as it stands, typed or picked ("APC2;" does not hold PC2).
        const QString before = line;
        line = RecipientsLine::Append(line, item->text());
        if (line != before)
            added << item->text();
    }
    Text1->setText(line);
    for (const QString& name : added)
        AddCorrespondent(name);
    btnOk->hide();
    ListView1->hide();
    setSourceButton1Visible(true);
}

void frmSendMessage::ListView1_Click() {
    for (QListWidgetItem* item : ListView1->selectedItems())
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

void frmSendMessage::ListView1_MouseDown(int Button) {
    MouseButton = static_cast<std::int16_t>(Button);
}

void frmSendMessage::ListView1_MouseUp() {
    MouseButton = 0;
}

void frmSendMessage::ListView1_ItemClick(QListWidgetItem* Item) {
    if (!Item || MouseButton != 2 || !SavedMode)
        return;
    const QString name = Item->text();
    QPointer<QListWidget> list(ListView1);
    const int answer =
        ui().messageBox(text(txt::RemoveFavouriteAsk, QStringLiteral("Voulez vous supprimer cet item de la liste ? ")) +
                            QStringLiteral("\r\n") + name,
                        mb::YesNo | mb::Question | mb::SystemModal,
                        text(txt::RemoveFavouriteTitle, QStringLiteral("Supprimer un Item...")));
    if (answer != mb::Yes || !list)
        return;
    // The item may have gone while the box was up; the one of that name goes.
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text() == name) {
            delete list->takeItem(i);
            break;
        }
    }
    DeleteCorrespondent(name);
}

void frmSendMessage::cmdErase_Click() {
    Text1->clear();
}

void frmSendMessage::Text1_ShowRecipientSource() {
    bool any = false;
    try {
        Database db = openUsers(state_);
        any = db.openRecordset(QString::fromLatin1(StoreStatements::UsersTable))->recordCount() > 0;
    } catch (const RuntimeError&) {
    }
    Command1_Click(any ? 2 : 1);
}

void frmSendMessage::AddCorrespondent(const QString& Name) {
    addCorrespondent(state_, Name);
}

void frmSendMessage::DeleteCorrespondent(const QString& Name) {
    try {
        Database db = openUsers(state_);
        db.execute(StoreStatements::DeleteUser(Name));
    } catch (const RuntimeError&) {
        // Silently nothing.
    }
}

qint64 frmSendMessage::ReceiverBodyCap() {
    return GossClient::MaxBodyBytes;
}

QString frmSendMessage::DefaultTooLargeText() {
    return QStringLiteral("Ce message est trop volumineux pour être envoyé : %1 Mo, pour %2 Mo au plus."
                          "|Raccourcissez le texte ou retirez des images.");
}

namespace {
QString megabytes(qint64 bytes) {
    return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1);
}
} // namespace

bool frmSendMessage::PasteFits(qint64 addedRtfBytes) {
    const PeerMessage now{state_.Settings.LocalStationName, PeerMessage::DateText(QDateTime::currentDateTime()),
                          Text1->text(), TXTextControl1->plainText(), TXTextControl1->rtfText()};
    // Enciphered, every byte of the body travels as two hexadecimal digits.
    const qint64 added = state_.Settings.CryptAll ? 2 * addedRtfBytes : addedRtfBytes;
    const qint64 size = now.BodySize(state_.Settings.CryptAll) + added;
    if (size <= MaxBodyBytes)
        return true;
    ui().messageBox(text(txt::PasteTooLarge,
                         QStringLiteral("Ce qui est collé rendrait le message trop volumineux pour être envoyé : %1 "
                                        "Mo, pour %2 Mo au plus.|Rien n'a été collé."))
                        .arg(megabytes(size), megabytes(MaxBodyBytes)),
                    mb::Exclamation, text(txt::ErrorTitle, QStringLiteral("Erreur")));
    return false;
}

void frmSendMessage::SendToRecipients() {
    // A second click while the senders start (each lets the event loop run) would send it twice.
    if (sending_)
        return;
    sending_ = true;
    QPointer<frmSendMessage> self(this);

    // Everything the send needs is taken here: the senders let the event loop run, and this window
    // may go meanwhile.
    modVellumo& state = state_;
    SenderReports& reports = reports_;
    const QPointer<QWidget> mainWindow = mainWindow_;
    const QString plain = TXTextControl1->plainText();
    const QString rtf = TXTextControl1->rtfText();
    const QString line = Text1->text();
    const QString station = state.Settings.LocalStationName;

    // A field holding the separator would reach every peer as more than five pieces, and be refused:
    // nothing is stored or sent, and the window stays open for the user to change it.
    if (PeerMessage{station, QString(), line, plain, rtf}.HoldsSeparator()) {
        ui().messageBox(
            state.GetString(txt::HoldsSeparator, QStringLiteral("Ce message ne peut pas être envoyé : il contient le "
                                                                "texte réservé « #Separator# ».|Retirez-le, puis "
                                                                "envoyez à nouveau.")),
            mb::Exclamation, state.GetString(txt::ErrorTitle, QStringLiteral("Erreur")));
        if (self)
            self->sending_ = false;
        return;
    }
    // Every station's server takes bodies up to the same cap: a message beyond it would be stored here
    // and then refused (or cut) by every recipient. It is refused here first, and the window stays
    // open so that the user can shorten it.
    const qint64 bodySize =
        PeerMessage{station, PeerMessage::DateText(QDateTime::currentDateTime()), line, plain, rtf}.BodySize(
            state.Settings.CryptAll);
    if (bodySize > MaxBodyBytes) {
        ui().messageBox(state.GetString(txt::MessageTooLarge, DefaultTooLargeText())
                            .arg(megabytes(bodySize), megabytes(MaxBodyBytes)),
                        mb::Exclamation, state.GetString(txt::ErrorTitle, QStringLiteral("Erreur")));
        if (self)
            self->sending_ = false;
        return;
    }

    // Every station the line names, once (the line itself is stored and sent as typed).
    const QStringList stations = RecipientsLine::Stations(line);

    // One row in Sended for the message. A store that fails loses the copy, not the message: the
    // senders still go, and the failure goes to the event log.
    try {
        Database db = Database::open(state.DataFile(QString::fromLatin1(MessageStore::MessageDatabase)));
        auto rs = db.openRecordset(QString::fromLatin1(StoreStatements::SendedTable));
        const QDateTime now = QDateTime::currentDateTime();
        rs->addNew();
        rs->setField(QStringLiteral("FROM"), station);
        rs->setField(QStringLiteral("TO"), line);
        rs->setField(QStringLiteral("OnDate"), PeerMessage::DateText(now));
        rs->setField(QStringLiteral("SendedDate"), now);
        rs->setField(QStringLiteral("Text"), plain);
        rs->setField(QStringLiteral("RTF"), rtf);
        rs->update();
    } catch (const RuntimeError& e) {
        ui().logEvent(EventLogType::Error, QStringLiteral("Vellumo"),
                      QStringLiteral("Sent message not stored: ") + e.description());
    }

    // The senders of this message tell their outcomes together: none hides another.
    const auto outcomes =
        std::make_shared<SendOutcomes>(reports, state.Localisation, static_cast<int>(stations.size()));
    int started = 0;
    for (const QString& piece : stations) {
        const int slot = state.Slots.FindFreeSendSlot();
        if (slot < 0) {
            outcomes->Truncate(started);
            ui().messageBox(state.GetString(txt::NoFreeSender, QStringLiteral("Impossible d'envoyer le message.")),
                            mb::Exclamation, state.GetString(txt::ErrorTitle, QStringLiteral("Erreur")));
            if (self)
                self->sending_ = false;
            return;
        }
        auto* sender = new frmToSend(state.Settings, state.Localisation, state.Slots, reports);
        state.Slots.Take(slot, sender);
        sender->Index = static_cast<std::int16_t>(slot);
        sender->UserTo = line;
        sender->UserFrom = station;
        sender->UserSendTo = piece;
        sender->UserTextMessage = plain;
        sender->UserRTFMessage = rtf;
        sender->Outcomes = outcomes;
        ++started;
        sender->Send();
        addCorrespondent(state, piece);
    }

    if (self) {
        self->sending_ = false;
        self->close();
    }
    if (state.Settings.IconizeAfterSend && mainWindow)
        mainWindow->hide();
}

} // namespace vellumo
