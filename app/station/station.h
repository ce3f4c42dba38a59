#pragma once
// Station: the running station, apart from any window. One object, made and owned by main() for the
// whole run (tests make their own over a temporary folder). It holds:
//
//   the instance lock            one running copy per data folder
//   the message database         "Vellumo.dbo" and its recordset of table Recived (DataDB), newest last
//   the HTTP server Gossamer1    listening on the Port setting; every request goes to the receive
//                                handler, which stores a peer's message here (ReceivedMessageSink)
//   the tray object f_cSystray   the icon, its tooltip and its balloons
//   the online update            modUpdate with its FTP client
//
// Start runs the station's steps of start-up, in this order: the lock (a second copy ends here,
// silently); the settings, with the language when a language file is there, and that language's
// string table; the database (the template copied in when it is missing, an older format converted);
// the station's own name; the server; the tray icon with its waiting balloon. What failed on the way
// without stopping the program (the store, the port) is written to the event log and kept for the
// window's status line (StartReports).
//
// The main window (frmMain) shows the station: it is the StationView, shows the recordset's rows,
// the status line and the menus, and forwards the user's actions here. Without a view the station
// still listens and stores. Everything runs on the user-interface thread.

#include "app/messaging/received_message_sink.h"
#include "http_server/gossamer_host.h"
#include "platform/runtime/instance_lock.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

namespace vellumo {

class CurlFtpClient;
class Database;
class Gossamer;
class ReceiveHandler;
class Recordset;
class cSystray;
class modLocalisation;
class modUpdate;
class modVellumo;

// What the station needs of the window that shows it. The window outlives every call; it sets itself
// with Station::setView and takes itself away before it goes.
class StationView {
public:
    virtual ~StationView() = default;
    // The status line's text in a colour (0 success, 192 failure), and a balloon when asked.
    virtual void StatusBar1_SimpleText(const QString& strText, std::int16_t intColor, bool boolIsBaloon) = 0;
    // A peer's message was added to Recived; the recordset moves to it next (the viewer stands at
    // the newest message: AtEnd).
    virtual void ReceivedRowStored() = 0;
    // Show the new row and bring the window to the front, once the reply to the peer has left.
    virtual void ShowAfterReceipt() = 0;
    // The tray icon's mouse events (1 left, 2 right, 4 middle button).
    virtual void f_cSystray_MouseDblClick(qint16 Button) = 0;
    virtual void f_cSystray_MouseUp(qint16 Button) = 0;
};

class Station : public QObject, public GossamerHost, public ReceivedMessageSink {
    Q_OBJECT
public:
    static constexpr int BalloonTimeoutMs = 10000;

    // state outlives the station.
    explicit Station(modVellumo& state, QObject* parent = nullptr);
    ~Station() override;

    modVellumo& state() { return state_; }

    // Start-up (above). False when another copy already runs in this data folder (the caller then ends
    // at once, silently), or when the folder's lock file cannot be taken at all: that is shown in a
    // box, StartFailure() holds the reason, and the caller ends with a failure code.
    bool Start();
    QString StartFailure() const { return startFailure_; }
    // The failures of start-up that leave the program running, for the status line (red, balloon).
    const QStringList& StartReports() const { return startReports_; }

    void setView(StationView* view) { view_ = view; }

    // The program's picture, from "System/Vellumo<size>.png" of the program folder.
    static QIcon ProgramIcon(const QString& programFolder);

    // ---- the store ----
    // The database and the recordset of Recived; null when the database could not be opened.
    Database* database() { return db_.get(); }
    Recordset* DataDB() { return DataDB_.get(); }
    // True while a received row is being added (the recordset moves meanwhile).
    bool StoringReceived() const { return storingReceived_; }

    // ---- the server ----
    Gossamer& server() { return *Gossamer1; }
    // The status line's text when the server could not bind its port, naming the cause from the
    // socket error (in use, refused, address not available, or the error number).
    static QString PortFailureText(const modLocalisation& texts, std::int32_t port, std::int32_t bindError);
    // The one line the program prints on a terminal once it listens.
    static QString ListeningNotice(std::int32_t port, const QString& dataFolder);
    // Where that line goes (nothing by default); called at most once, the first time the server listens.
    void setListeningNotice(std::function<void(const QString&)> notice) { listeningNotice_ = std::move(notice); }

    // ---- the tray ----
    cSystray* systray() { return f_cSystray.get(); }
    // A balloon for 10000 ms with sound: Titre "Vellumo" when empty; nothing without balloons.
    void ShowSystrayMessage(const QString& Message, const QString& Titre, int TTicon);
    // Hides the icon, lets pending window messages run, and releases the tray object.
    void RemoveTrayIcon();

    // ---- quitting ----
    // Frees the data folder for the next copy.
    void ReleaseLock();
    // Starts the launcher with "/t", which starts the program again after 2000 ms; errors ignored.
    void StartLauncherForRestart();

    // ---- the update ----
    modUpdate& updater() { return *update_; }

    // GossamerHost: every request goes to the receive handler, its head first. A listener that fails
    // or listens again is written to the event log and shown on the status line.
    void HeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                      const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) override;
    void DynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                        std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME, QString& RespExtraHeaders,
                        QByteArray& RespBody, std::int16_t& ClientIndex) override;
    void ListenerFailed(std::int32_t Number, const QString& Description) override;
    void ListenerRestored() override;

    // ReceivedMessageSink: the row is stored here at once; the view shows it after the reply.
    void StoreReceived(const PeerMessage& message, const QDateTime& receiptDate) override;
    void ShowAfterReceipt() override;

private:
    bool takeLock();
    void openMessageDatabase();
    void startServer();
    void createSystray();
    void announceListening();

    modVellumo& state_;
    InstanceLock lock_;
    StationView* view_ = nullptr;
    QString startFailure_;
    QStringList startReports_;
    bool storingReceived_ = false;
    std::function<void(const QString&)> listeningNotice_;
    bool announced_ = false;

    // Declared in the order they may go: the recordset before its database, the server before the
    // handler it calls.
    std::unique_ptr<Database> db_;
    std::unique_ptr<Recordset> DataDB_;
    std::unique_ptr<ReceiveHandler> receiveHandler_;
    std::unique_ptr<Gossamer> Gossamer1;
    std::unique_ptr<cSystray> f_cSystray;
    std::unique_ptr<CurlFtpClient> ChilkatFtp21;
    std::unique_ptr<modUpdate> update_;
};

} // namespace vellumo
