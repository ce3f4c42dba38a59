#pragma once
// frmToSend: the sender of one message to one station. The compose window takes a free send slot,
// creates a frmToSend in it, fills the public variables and calls Send once. The sender has nothing to
// show, so it is a plain QObject, not a window. It posts the peer message through its own
// AsyncRequest (Req) and reports on the main window's status line and in tray balloons
// (SenderReports). It lives until exactly one of: the unresolved-name exit of Send,
// Req_OnResponseFinished or Req_OnError; each of them frees its slot and deletes the sender
// (deleteLater). A finished sender is never reused.
//
// The request it posts (see PeerMessage and KeyHeader for the body and the header):
//
//   item             | value
//   -----------------|-------------------------------------------------------------------------
//   method, URL      | POST http://<first address of UserSendTo>:<Port setting>/MESSAGE
//   header "Vellumo" | KeyHeader::Value(Key setting); no other header of its own
//   body             | PeerMessage{UserFrom or LocalStationName, now, UserTo, UserTextMessage,
//                    | UserRTFMessage}, enciphered when CryptAll is on; carried as UTF-8
//   time-outs        | 10000 ms for resolving, connecting, sending and receiving
//
// How it reads the reply and what it shows:
//
//   outcome                               | status line (colour, balloon)                 | balloon
//   --------------------------------------|-----------------------------------------------|-----------------
//   name does not resolve                 | UserSendTo " " text 38 (192, ShowBalloon)     |
//   200, reason holds "MESSAGE:OK:"       | 3rd ":" piece of reason " " text 35 (0, SB)   |
//   200, reason without it                | UserSendTo " " text 36 (192, ShowBalloon)     |
//   401 (the peer refused the key)        | UserSendTo " " text 40 (192, no)              | the same line,
//                                         |                                               | title text 31, icon 3
//   any other status                      | UserSendTo " " text 37 (192, no)              | status CRLF reason,
//                                         |                                               | title text 31, icon 3
//   transport error                       | UserSendTo " ne semble pas connecté !"        | "Erreur : " UserSendTo
//                                         | (192, no)                                     | " " the cause (121 to
//                                         |                                               | 124), "Erreur réseau",
//                                         |                                               | icon 2
//
// The peer's own reason for a 401 ("Utilisateur non autorisé !") and the socket's own description of a
// transport error are not shown: the first says less than text 40, the second is in English and names
// no station. With Outcomes set (a message to several stations) the lines and balloons go through it.
//
// Texts by GetString number: 31 "Erreur", 35 "à reçu le message", 36 "n'a pas reçu le message",
// 37 "ne semble pas connecté", 38 "ne présente pas son adress IP !", 40 "a refusé le message : la clé
// d'accès n'est pas la même sur les deux postes", 68 "Erreur : ", 69 "Erreur réseau", 70 " ne semble pas
// connecté !", 121 "n'accepte pas la connexion : Vellumo n'y est peut-être pas démarré" (refused), 122 "ne
// répond pas dans le délai" (time-out), 123 "a coupé la connexion avant de répondre" (cut or unreadable
// reply), 124 "ne peut pas être joint" (anything else).

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

namespace vellumo {

class AppSettings;
class AsyncRequest;
class SendOutcomes;
class SendSlots;
class SenderReports;
class modLocalisation;

class frmToSend : public QObject {
    Q_OBJECT

public:
    static constexpr int DefaultTimeoutMs = 10000;

    // All four outlive the sender.
    frmToSend(const AppSettings& settings, const modLocalisation& localisation, SendSlots& sendSlots,
              SenderReports& reports, QObject* parent = nullptr);
    ~frmToSend() override;

    QString UserSendTo;
    QString UserTo;
    QString UserFrom;
    QString UserTextMessage;
    QString UserRTFMessage;
    std::int16_t Index = 0;
    // The outcomes of the message's senders, when it goes to several stations (SendOutcomes); without
    // it the sender reports on its own.
    std::shared_ptr<SendOutcomes> Outcomes;

    // The four time-outs of the request (10000 ms; tests make them short).
    int TimeoutMs = DefaultTimeoutMs;

    void Send();

    // The body as built by the last Send (for the holder's diagnostics and for tests).
    const QString& Body() const { return body_; }

private slots:
    void Req_OnResponseFinished();
    void Req_OnError(int number, const QString& description);

private:
    // Makes Req and takes its two events. (The window of the design was put out of sight here; a
    // sender has no window.)
    void Form_Load();
    // Frees the slot and deletes the sender once the event loop comes back.
    void finish();
    // Hands the outcome to Outcomes (one of its own when none was given).
    void report(const QString& line, bool delivered, bool lineBalloon, const QString& balloonText = {},
                const QString& balloonTitle = {}, int balloonIcon = 0);
    // What a transport error number means, after the station's name, in the interface language.
    QString networkCause(int number) const;
    QString text(std::int16_t id, const QString& defaultText) const;

    const AppSettings& settings_;
    const modLocalisation& localisation_;
    SendSlots& slots_;
    SenderReports& reports_;

    QString address_;
    QString port_;
    QString url_;
    QString body_;
    AsyncRequest* Req = nullptr;
    bool finished_ = false;
};

} // namespace vellumo
