#pragma once
// ReceiveHandler: the server side of the peer protocol. The station owns one for the whole run
// and its Gossamer1_DynamicRequest forwards every request to DynamicRequest (or the handler is the
// server's host itself). It authorises the request, parses the command from the path, hands a
// delivered message to the station through a ReceivedMessageSink and fills the reply. It keeps
// all working values of a request local and no state between requests but which heads it authorised
// (until their request comes) and the deciphered stored key. It reads the settings Key and
// LocalStationName at each request, so a reload of the settings takes effect at once.
//
// Checks, in this order; the first that fills a reply ends the request:
//   1 authorisation: an "Authorization" header alone decides when present ("Basic " and the Base64
//     of user ":" enciphered key; the user is not checked); otherwise a "Vellumo" header with a value
//     (KeyHeader). Keys match when both decipher to the same text. Errors here only refuse.
//   2 the path: the target URL-decoded (Gossamer::URLDecode), its first character dropped
//   3 split at the first "?": command (upper-cased) and the argument list; every item of the list
//     (split at ",") needs an "="; an empty list is fine; the arguments are not used
//   4 the command: MESSAGE, one of the stubs, or refused
//
// Replies (the reason text and the body as the server writes them; bodies are UTF-8):
//
//   case                  | status | reason text                               | content type
//   ----------------------|--------|-------------------------------------------|-------------------------
//   not authorised        | 401    | "Utilisateur non autorisé !"              | text/plain; Charset=UTF-8
//   target not decodable  | 400    | "Requête incorrecte"                      | text/plain; Charset=UTF-8
//   bad argument          | 400    | "Requête incorrecte"                      | text/plain; Charset=UTF-8
//   unknown command       | 400    | "Requête incorrecte"                      | text/plain; Charset=UTF-8
//   stub command          | 200    | command ":OK"                             | text/xml; Charset=UTF-8
//   message stored        | 200    | "MESSAGE:OK:" LocalStationName            | text/plain; Charset=UTF-8
//   not five fields       | 500    | "MESSAGE:Erreur d'initialisation : "      | text/plain; Charset=UTF-8
//   error in MESSAGE      | 500    | "Erreur interne au serveur : " description| text/plain; Charset=UTF-8
//
//   case                  | extra header line                      | body
//   ----------------------|----------------------------------------|------------------------------------
//   not authorised        | WWW-Authenticate: Basic realm="Vellumo"| "Authentification requise" CRLF
//                         |                                        | "Identifiant et/ou Mot de passe
//                         |                                        | incorrects" CRLF "Veuillez vérifier
//                         |                                        | votre saisie"
//   target not decodable  |                                        | "Requête incorrecte"
//   bad argument          |                                        | "Argument incorrect, "=" manquant."
//   unknown command       |                                        | '"' command '" n'est pas une méthode
//                         |                                        | supportée par l'API'
//   stub command          |                                        | empty
//   message stored        |                                        | "Initialisation OK"
//   not five fields       |                                        | "MESSAGE : Erreur d'initialisation 0 : "
//   error in MESSAGE      |                                        | "Erreur : " description
//
// The target that does not URL-decode (a bad "%" escape) is answered like any bad request, and the
// server goes on serving. The description in a 500 reply names no file or folder of the station (a
// database error's path is taken out).
//
// A message is read in time and memory linear in its size; the body is let go once it is read, before
// the message is stored; the sink shows it only after the reply has left.
//
// Authorisation is settled on the request's head (HeadComplete), before the body is read: an
// unauthorised request gets the 401 reply there and its body is never buffered. Refusals are
// counted per peer address (RefusalThrottle): after a few in a burst, each further one is answered
// after a growing delay (half a second, doubling up to 8 s; the server holds it out of its pool),
// and the first of each burst writes one line to the event log naming the address. An authorised
// request does not end its address's burst. The key is checked once per request: DynamicRequest
// checks it only for a request whose head did not pass HeadComplete (a host that calls it alone). The
// stored key is deciphered once per value of the setting. Nothing here lets the event loop run but
// the deciphering of a long "CRYPT-----" body.

#include "app/messaging/peer_message.h"
#include "app/messaging/refusal_throttle.h"
#include "http_server/gossamer_host.h"

#include <QHash>
#include <QStringList>

#include <optional>

namespace vellumo {

class AppSettings;
class ReceivedMessageSink;

class ReceiveHandler : public GossamerHost {
public:
    // The program's executable name without extension, the realm of the 401 reply.
    static QString ExecutableName() { return QStringLiteral("Vellumo"); }
    // The commands that are accepted and do nothing.
    static const QStringList& StubCommands();

    // Both outlive the handler.
    ReceiveHandler(const AppSettings& settings, ReceivedMessageSink& sink);

    // Refuses an unauthorised request on its head (401, with the throttle's delay); lets every other
    // request go on.
    void HeadComplete(const QString& Method, const QString& URI, const HeaderCollection& ReqHeaders,
                      const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) override;

    // Fills the five reply values (always a non-zero status) and returns.
    void DynamicRequest(QString& Method, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                        std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME, QString& RespExtraHeaders,
                        QByteArray& RespBody, std::int16_t& ClientIndex) override;

    // Step 1: true when the headers carry the access key in one of the two accepted forms.
    bool IsAuthorised(const HeaderCollection& ReqHeaders) const;

    RefusalThrottle& throttle() { return throttle_; }

private:
    struct Reply {
        std::int16_t status = 0;
        QString statusText;
        QString mime;
        QString extraHeaders;
        QString body;
    };

    static Reply notAuthorised();
    // authorised: the key was checked on the request's head already.
    Reply answer(const QString& URI, QByteArray Params, const HeaderCollection& ReqHeaders, bool authorised) const;
    Reply message(QByteArray Params) const;
    // The stored Key setting, deciphered.
    const QString& storedKeyText() const;

    const AppSettings& settings_;
    ReceivedMessageSink& sink_;
    RefusalThrottle throttle_;
    // The credential a request carries: the Basic header's value, or the key header's.
    struct Credential {
        bool basic = false;
        QString value;
        bool operator==(const Credential&) const = default;
    };
    static Credential credentialOf(const HeaderCollection& ReqHeaders);
    // The connections (by ClientIndex) whose request head HeadComplete authorised, with the credential
    // and the stored key it checked, until their DynamicRequest.
    struct AuthorisedHead {
        Credential credential;
        QString storedKey;
    };
    QHash<std::int16_t, AuthorisedHead> authorisedHeads_;
    mutable QString storedKey_;
    mutable std::optional<QString> storedKeyText_;
};

} // namespace vellumo
