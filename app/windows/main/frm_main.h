#pragma once
// frmMain: the received-message window. It lives for the whole run, mostly hidden: the program sits
// in the notification area, and the window shows the Station (app/station/station.h), which main()
// owns and which holds the instance lock, the store, the server, the tray and the updater. The window
// is the station's StationView: it shows the rows of the station's recordset of Recived (DataDB), the
// status line and the menus, and forwards the user's actions (quit, restart, update) to the station.
//
// Owns: the status line `StatusBar1`, the viewer controls, the toolbar `TeskToolbar1`, the two pop-up
// menus and the other windows while they are open. The module-level state (settings, string table,
// send slots) is the station's modVellumo.
//
// The viewer shows one row of Recived at a time; every move of the recordset runs DataDB_Reposition,
// and MessageNavigation (its `AtEnd` and `AtStart`, the button table) decides what it shows. The
// toolbar's buttons are named in main_toolbar.h.

#include "app/core/mod_vellumo.h"
#include "app/messaging/lan_server_source.h"
#include "app/messaging/sender_reports.h"
#include "app/station/station.h"
#include "app/ui/message_navigation.h"

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
class Recordset;
class frmSendMessage;
class RichTextViewer;
class StatusLine;
class TeskToolbar;

class frmOptions;
class frmPurge;
class frmSendedMessages;

class frmMain : public QWidget, public StationView, public SenderReports {
    Q_OBJECT
public:
    // station outlives the window; the window is its view until it goes.
    frmMain(Station& station, ControlLoader& loader, QWidget* parent = nullptr);
    ~frmMain() override;

    // The window's part of start-up, once the station has started: the language menu, the window
    // translated, the station's recordset shown (the newest message), what failed at start-up on the
    // status line, the viewer read-only, topmost when asked for, and hidden: into the tray.
    void Form_Load();
    void FillLanguageMenu();
    void mnuLocalize_Click(int Index);
    void mnuQuit_Click();
    // Never cancels; removes the tray icon.
    void Form_QueryUnload();
    // Unloads the other windows and ends the process.
    void Form_Unload();
    // The quit path without its question and without restart: for the end of the desktop session and
    // the termination signals. Does nothing once the window is unloaded.
    void EndWithoutAsking();

    // Public operations the senders report through.
    void ShowSystrayMessage(const QString& Message, const QString& Titre, int TTicon) override;
    void StatusBar1_SimpleText(const QString& strText, std::int16_t intColor, bool boolIsBaloon) override;

    void DataDB_Reposition();
    void TeskToolbar1_ButtonClick(int Index);

    // The recipients line of a reply: FROM, with ";" added unless it already ends with one. For a
    // reply to all: the stations of FROM and TO (RecipientsLine), each once, without the own one.
    static QString ReplyRecipients(const QString& from, const QString& to, const QString& ownName, bool toAll);

    // StationView: a received row. The row is stored at once; showing it and bringing the window
    // forward wait until the reply has left (afterReplyLeaves), so that the peer never waits for the
    // display.
    void ReceivedRowStored() override;
    void ShowAfterReceipt() override;
    void f_cSystray_MouseDblClick(qint16 Button) override;
    void f_cSystray_MouseUp(qint16 Button) override;

    // The plain text of the current message, whole even when the viewer shows only its beginning:
    // what a reply quotes.
    QString CurrentMessagePlainText();

    // What ends the process; QCoreApplication::exit by default, replaced by tests.
    void setEndProcess(std::function<void()> endProcess) { endProcess_ = std::move(endProcess); }

    // For the tests and the windows of later issues.
    MessageNavigation& navigation() { return *navigation_; }
    bool RestartRequested = false;
    Station& station() { return station_; }
    Recordset* recordset() { return DataDB; }
    TeskToolbar& toolbar() { return *TeskToolbar1; }
    StatusLine& statusLine() { return *StatusBar1; }
    RichTextViewer& viewer() { return *TXTextControl1; }
    QLineEdit& text1(int index) { return *Text1.at(static_cast<std::size_t>(index)); }
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
    // Reply, reply to all and copy on or off (off with no message shown).
    void setMessageButtons(bool on);
    // Ticks the language item of the current language.
    void markCurrentLanguage();
    // Binds the viewer to the station's recordset and shows the newest message.
    void showMessages();

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

    Station& station_;
    modVellumo& state_;
    ControlLoader& loader_;
    std::function<void()> endProcess_;
    bool unloaded_ = false;
    // A receipt moves the recordset while it stores; the row is shown once the reply has left.
    bool rowShowPending_ = false;
    bool receiptShowScheduled_ = false;

    // The data source: the station's recordset of Recived, null when the store could not be opened.
    Recordset* DataDB = nullptr;
    std::unique_ptr<MessageNavigation> navigation_;

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
};

} // namespace vellumo
