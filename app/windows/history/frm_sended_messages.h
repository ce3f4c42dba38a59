#pragma once
// frmSendedMessages: the sent-message history. It browses table Sended of "Vellumo.dbo" one message at
// a time, with its own database handle and recordset (the data control `DataDB`), shows the sending
// time, the recipients line and the rich-text body, greys the messages not sent today, and lets the
// user copy from the body, delete a message, or hand it to the compose window to send again. Made and
// shown by the main window (toolbar button 15); it deletes itself when closed.
//
// Every move of the recordset runs DataDB_Reposition; MessageNavigation (its `AtEnd` and `AtStart`,
// the button table) decides what it shows, as in the main window's viewer.
//
// The compose window is not this window's: buttons 1 (new message) and 2 (send again) go to the
// handlers the main window sets. Send again hands over the recipients line exactly as stored and the
// body as the shown row's RTF field (one Windows-1252 byte per character).

#include "app/core/mod_vellumo.h"
#include "app/ui/message_navigation.h"
#include "platform/store/database.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

class QLineEdit;

namespace vellumo {

class ControlLoader;
class RichTextViewer;
class TeskToolbar;

class frmSendedMessages : public QWidget {
    Q_OBJECT
public:
    using NewMailHandler = std::function<void()>;
    using ResendHandler = std::function<void(const QString& recipients, const QString& rtf)>;

    frmSendedMessages(modVellumo& state, ControlLoader& loader, QWidget* parent = nullptr);
    ~frmSendedMessages() override;

    void Form_Load();
    void DataDB_Reposition();
    void TeskToolbar1_ButtonClick(int Index, const QString& Key);

    // What buttons 1 and 2 open; without a handler they do nothing.
    void setNewMail(NewMailHandler handler) { newMail_ = std::move(handler); }
    void setResend(ResendHandler handler) { resend_ = std::move(handler); }

    MessageNavigation& navigation() { return *navigation_; }

    // For the tests.
    Recordset* recordset() { return DataDB.get(); }
    TeskToolbar& toolbar() { return *TeskToolbar1; }
    RichTextViewer& viewer() { return *TXTextControl1; }
    QLineEdit& text1(int index) { return *Text1.at(static_cast<std::size_t>(index)); }

private:
    void buildToolbar();
    bool hasRows() const;
    // The boxes and the viewer empty, nothing kept to send again.
    void clearMessage();

    modVellumo& state_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Recordset> DataDB;
    std::unique_ptr<MessageNavigation> navigation_;
    // Text1(1) the sending time, Text1(2) the recipients line; there is no box 0.
    std::array<QLineEdit*, 3> Text1{};
    RichTextViewer* TXTextControl1 = nullptr;
    TeskToolbar* TeskToolbar1 = nullptr;
    QString shownRtf_;
    NewMailHandler newMail_;
    ResendHandler resend_;
};

} // namespace vellumo
