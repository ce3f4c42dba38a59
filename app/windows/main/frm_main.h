#pragma once
// frmMain: the received-message window, and the program's start-up and shutdown. It lives for the
// whole run, mostly hidden: the program sits in the notification area, listens for peers with its
// HTTP server and shows a message as soon as one is stored.
//
// Owns for the whole run: the instance lock, the message database and its recordset of table
// Recived (`DataDB`), the HTTP server `Gossamer1`, the tray object `f_cSystray`, the status line
// `StatusBar1`, the viewer controls, the toolbar `TeskToolbar1` and the two pop-up menus. The
// module-level state (settings, string table, send slots) is the modVellumo given at construction.
//
// The viewer shows one row of Recived at a time; every move of the recordset runs DataDB_Reposition,
// and MessageNavigation (its `AtEnd` and `AtStart`, the button table) decides what it shows.

#include "app/core/mod_vellumo.h"
#include "app/messaging/lan_server_source.h"
#include "app/messaging/received_message_sink.h"
#include "app/messaging/sender_reports.h"
#include "app/ui/message_navigation.h"
#include "http_server/gossamer_host.h"
#include "platform/runtime/instance_lock.h"
#include "platform/store/database.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;

namespace vellumo {

class ControlLoader;
class PushButton;
class CurlFtpClient;
class Gossamer;
class frmSendMessage;
class modUpdate;
class ReceiveHandler;
class RichTextViewer;
class StatusLine;
class TeskToolbar;
class cSystray;

class frmOptions;
class frmPurge;
class frmSendedMessages;

class frmMain : public QWidget, public GossamerHost, public ReceivedMessageSink, public SenderReports {
    Q_OBJECT
public:
    static constexpr int BalloonTimeoutMs = 10000;

    frmMain(modVellumo& state, ControlLoader& loader, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up. False when another copy already runs in this program folder (the caller then ends
    // at once, silently), or when the folder's lock file cannot be taken at all: that is shown in a
    // box, StartFailure() holds the reason, and the caller ends with a failure code.
    bool Form_Load();
    QString StartFailure() const { return startFailure_; }
    void FillLanguageMenu();
    void mnuLocalize_Click(int Index);
    void mnuQuit_Click();
    // Never cancels; removes the tray icon.
    void Form_QueryUnload();
    // Unloads the other windows and ends the process.
    void Form_Unload();

    // Public operations the senders report through.
    void ShowSystrayMessage(const QString& Message, const QString& Titre, int TTicon) override;
    void StatusBar1_SimpleText(const QString& strText, std::int16_t intColor, bool boolIsBaloon) override;

    void DataDB_Reposition();
    void TeskToolbar1_ButtonClick(int Index);

    // The status line's text when the server could not bind its port, naming the cause from the
    // socket error (in use, refused, address not available, or the error number).
    static QString PortFailureText(const modLocalisation& texts, std::int32_t port, std::int32_t bindError);

    // The recipients line of a reply: FROM, with ";" added unless it already ends with one. For a
    // reply to all: the stations of FROM and TO (RecipientsLine), each once, without the own one.
    static QString ReplyRecipients(const QString& from, const QString& to, const QString& ownName, bool toAll);

    // The HTTP server's host side: every POST goes to the receive handler (the peer protocol), its
    // head first.
    void HeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                      const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) override;
    void DynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                        std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME, QString& RespExtraHeaders,
                        QByteArray& RespBody, std::int16_t& ClientIndex) override;
    // The listener failed or listens again: shown on the status line (in red while nothing can be
    // received) and written to the event log.
    void ListenerFailed(std::int32_t Number, const QString& Description) override;
    void ListenerRestored() override;
    // What the receive handler needs of the window: the new row, and the window brought forward.
    // The row is stored at once; showing it and bringing the window forward wait until the reply
    // has left (afterReplyLeaves), so that the peer never waits for the display.
    void StoreReceived(const PeerMessage& message, const QDateTime& receiptDate) override;
    void ShowAfterReceipt() override;

    // The plain text of the current message, whole even when the viewer shows only its beginning:
    // what a reply quotes.
    QString CurrentMessagePlainText();

    // What ends the process; QCoreApplication::exit by default, replaced by tests.
    void setEndProcess(std::function<void()> endProcess) { endProcess_ = std::move(endProcess); }

    // For the tests and the windows of later issues.
    MessageNavigation& navigation() { return *navigation_; }
    bool RestartRequested = false;
    Gossamer& server() { return *Gossamer1; }
    Recordset* recordset() { return DataDB.get(); }
    TeskToolbar& toolbar() { return *TeskToolbar1; }
    StatusLine& statusLine() { return *StatusBar1; }
    RichTextViewer& viewer() { return *TXTextControl1; }
    QLineEdit& text1(int index) { return *Text1.at(static_cast<std::size_t>(index)); }
    cSystray* systray() { return f_cSystray.get(); }
    QMenu& systrayMenu() { return *mnuSystray; }
    QMenu& toolsMenu() { return *mnuOutils; }
    QMenu& languageMenu() { return *mnuLanguage; }
    frmOptions* optionsWindow() const;
    frmPurge* purgeWindow() const;
    frmSendedMessages* historyWindow() const;
    QWidget* networkBrowserWindow() const { return frmNetWorkExplorer_; }
    frmSendMessage* composeWindowIfOpen() const;
    const std::vector<QAction*>& localizeItems() const { return mnuLocalize; }

signals:
    // The viewer shows the current row (its fields and its content), after a move or a receipt.
    void RowShown();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Steps 5 and 6 of the viewer: the row's fields, its content and its colour.
    void showCurrentRow();
    // Runs job once the reply to the request being handled has left (see frm_main.cpp).
    void afterReplyLeaves(std::function<void()> job);
    void buildWindow();
    void buildToolbar();
    void buildMenus();
    // Empties the message fields and the viewer when no message is left to show.
    void clearMessage();
    // Ticks the language item of the current language.
    void markCurrentLanguage();
    void openMessageDatabase();
    void startServer();
    void createSystray();

    void f_cSystray_MouseDblClick(qint16 Button);
    void f_cSystray_MouseUp(qint16 Button);
    void mnuShow_Click();
    void mnuOptions_Click();
    void mnuPurge_Click();
    // After a purge: the recordset read again, the newest message shown, and the count on the status line.
    void afterPurge(int received, int sent, bool complete);
    void mnuAbout_Click();
    void showHistory();
    void showNetworkBrowser();
    void mnuMAJ_Click();
    // The compose window, made when first needed and again after it was closed.
    frmSendMessage& composeWindow();
    frmOptions* openOptions();
    // Brings a window that is open already to the front; false when it is not open.
    static bool raiseOpen(QWidget* window);
    void mnuDeleteCorrespondants_Click();
    void mnuHelp_Click();
    void HelpMnu_Click();
    bool askQuit();
    void unloadMainWindow();

    modVellumo& state_;
    ControlLoader& loader_;
    InstanceLock lock_;
    std::function<void()> endProcess_;
    bool unloaded_ = false;
    // A receipt moves the recordset while it stores; the row is shown once the reply has left.
    bool storingReceived_ = false;
    bool rowShowPending_ = false;
    bool receiptShowScheduled_ = false;
    QString startFailure_;

    std::unique_ptr<Database> db_;
    std::unique_ptr<Recordset> DataDB;
    std::unique_ptr<MessageNavigation> navigation_;
    std::unique_ptr<Gossamer> Gossamer1;
    std::unique_ptr<ReceiveHandler> receiveHandler_;
    std::unique_ptr<cSystray> f_cSystray;

    std::array<QLineEdit*, 3> Text1{};
    RichTextViewer* TXTextControl1 = nullptr;
    TeskToolbar* TeskToolbar1 = nullptr;
    StatusLine* StatusBar1 = nullptr;
    PushButton* HelpMnu = nullptr;
    QLabel* Image1 = nullptr;

    QMenu* mnuSystray = nullptr;
    QMenu* mnuOutils = nullptr;
    QMenu* mnuLanguage = nullptr;
    QAction* Sep6 = nullptr;
    std::vector<QAction*> mnuLocalize;

    // The other windows, while they are open (each deletes itself on close).
    QPointer<QWidget> frmOptions_;
    QPointer<QWidget> frmPurge_;
    QPointer<QWidget> frmSendedMessages_;
    QPointer<QWidget> frmNetWorkExplorer_;
    QPointer<QWidget> frmSendMessage_;

    NeighbourhoodLanServers lanServers_;
    std::unique_ptr<CurlFtpClient> ChilkatFtp21;
    std::unique_ptr<modUpdate> update_;
};

} // namespace vellumo
