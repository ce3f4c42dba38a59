#include "app/messaging/receive_handler.h"

#include "app/core/app_settings.h"
#include "app/messaging/received_message_sink.h"
#include "cipher/enc64.h"
#include "http_server/gossamer.h"
#include "http_server/utf8_codec.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"

#include <QDateTime>
#include <QRegularExpression>

#include <exception>
#include <utility>

namespace vellumo {

namespace {

const QString kTextPlain = QStringLiteral("text/plain; Charset=UTF-8");
const QString kTextXml = QStringLiteral("text/xml; Charset=UTF-8");
const QString kBadRequest = QStringLiteral("Requête incorrecte");

QString descriptionOf(const std::exception& e) {
    if (const auto* runtime = dynamic_cast<const RuntimeError*>(&e))
        return runtime->description();
    return QString::fromLocal8Bit(e.what());
}

// An error's description as a peer may read it: no file or folder of this station. Quoted paths
// ("database '/home/…/Vellumo.dbo'") and bare absolute ones are taken out, with the blank before.
QString withoutPaths(QString description) {
    static const QRegularExpression quotedPath(QStringLiteral("\\s*(['\"])[^'\"]*[/\\\\][^'\"]*\\1"));
    static const QRegularExpression barePath(QStringLiteral("\\s*(?<![\\w.~])(?:~|[A-Za-z]:)?[/\\\\][^\\s'\",;()]*"));
    description.remove(quotedPath);
    description.remove(barePath);
    return description;
}

} // namespace

const QStringList& ReceiveHandler::StubCommands() {
    static const QStringList stubs{
        QStringLiteral("CONFIG"),   QStringLiteral("EVENTS"), QStringLiteral("EVENTSREFRESH"),
        QStringLiteral("PATIENTS"), QStringLiteral("REGLES"), QStringLiteral("RESTOREREGLES"),
        QStringLiteral("TEST"),     QStringLiteral("ALL"),    QStringLiteral("WHERE"),
    };
    return stubs;
}

ReceiveHandler::ReceiveHandler(const AppSettings& settings, ReceivedMessageSink& sink)
    : settings_(settings), sink_(sink) {}

void ReceiveHandler::HeadComplete(const QString& /*Method*/, const QString& /*URI*/, const HeaderCollection& ReqHeaders,
                                  const QString& RemoteIP, HeadReply& Reply, std::int16_t ClientIndex) {
    authorisedHeads_.remove(ClientIndex);
    if (IsAuthorised(ReqHeaders)) {
        // The request's DynamicRequest follows with the same credential: the key is not checked again.
        // The right key leaves the address's back-off as it is: a guesser behind the same gateway or
        // on the same host gains nothing from the stations beside it.
        authorisedHeads_.insert(ClientIndex, {credentialOf(ReqHeaders), settings_.Key});
        return;
    }
    const ReceiveHandler::Reply refusal = notAuthorised();
    Reply.Status = refusal.status;
    Reply.StatusText = refusal.statusText;
    Reply.MIME = refusal.mime;
    Reply.ExtraHeaders = refusal.extraHeaders;
    Reply.Body = Utf8Codec().ToUTF8(refusal.body);
    const RefusalThrottle::Verdict verdict = throttle_.Refused(RemoteIP);
    Reply.DelayMs = verdict.delayMs;
    if (verdict.burstStarts) {
        ui().logEvent(EventLogType::Warning, ExecutableName(),
                      QStringLiteral("Request from %1 refused: wrong or missing access key. Further refusals from "
                                     "this address are answered ever more slowly, and logged again only after a "
                                     "minute without one.")
                          .arg(RemoteIP));
    }
}

void ReceiveHandler::DynamicRequest(QString& /*Method*/, QString& URI, QByteArray& Params, HeaderCollection& ReqHeaders,
                                    std::int16_t& RespStatus, QString& RespStatusText, QString& RespMIME,
                                    QString& RespExtraHeaders, QByteArray& RespBody, std::int16_t& ClientIndex) {
    // A request whose head was authorised (HeadComplete on the same connection, with the same
    // credential and the same stored key) is not checked twice; any other is checked here.
    const auto head = authorisedHeads_.constFind(ClientIndex);
    const bool authorised = head != authorisedHeads_.cend() && head->storedKey == settings_.Key &&
                            head->credential == credentialOf(ReqHeaders);
    authorisedHeads_.remove(ClientIndex);
    // The server hands over POST requests only, so the method needs no test. The body is taken: it is
    // let go as soon as it is read, before the message is stored.
    const Reply reply = answer(URI, std::exchange(Params, QByteArray()), ReqHeaders, authorised);
    RespStatus = reply.status;
    RespStatusText = reply.statusText;
    RespMIME = reply.mime;
    RespExtraHeaders = reply.extraHeaders;
    // The codec refuses to encode nothing; an empty body is simply no bytes.
    RespBody = reply.body.isEmpty() ? QByteArray() : Utf8Codec().ToUTF8(reply.body);
}

bool ReceiveHandler::IsAuthorised(const HeaderCollection& ReqHeaders) const {
    // Whatever goes wrong while the credential is looked up, decoded, split or deciphered refuses.
    try {
        if (ReqHeaders.Exists(QStringLiteral("Authorization"))) {
            // The Basic form alone decides when it is there.
            const QString value = ReqHeaders.Value(QStringLiteral("Authorization"));
            const qsizetype blank = value.indexOf(u' ');
            if (blank < 0 || value.left(blank).toUpper() != QLatin1String("BASIC"))
                return false;
            QString credential = value.mid(blank + 1);
            const QStringList pieces = MyDecode(credential).split(u':');
            if (pieces.size() < 2)
                return false;
            // pieces[0], the user name, is not checked.
            return KeyHeader::Deciphered(pieces.at(1)) == storedKeyText();
        }
        const QString value = ReqHeaders.Value(KeyHeader::Name());
        if (value.isNull())
            return false;
        return KeyHeader::Deciphered(value) == storedKeyText();
    } catch (const std::exception&) {
        return false;
    }
}

ReceiveHandler::Credential ReceiveHandler::credentialOf(const HeaderCollection& ReqHeaders) {
    // What IsAuthorised reads: the Basic form alone when there is one, else the key header.
    if (ReqHeaders.Exists(QStringLiteral("Authorization")))
        return {true, ReqHeaders.Value(QStringLiteral("Authorization"))};
    return {false, ReqHeaders.Value(KeyHeader::Name())};
}

const QString& ReceiveHandler::storedKeyText() const {
    // Deciphered once for every value the setting takes (the options may store another key).
    if (!storedKeyText_ || storedKey_ != settings_.Key) {
        storedKey_ = settings_.Key;
        storedKeyText_ = KeyHeader::Deciphered(storedKey_);
    }
    return *storedKeyText_;
}

ReceiveHandler::Reply ReceiveHandler::notAuthorised() {
    return {401, QStringLiteral("Utilisateur non autorisé !"), kTextPlain,
            QStringLiteral("WWW-Authenticate: Basic realm=\"") + ExecutableName() + QStringLiteral("\""),
            QStringLiteral("Authentification requise\r\nIdentifiant et/ou Mot de passe incorrects\r\n"
                           "Veuillez vérifier votre saisie")};
}

ReceiveHandler::Reply ReceiveHandler::answer(const QString& URI, QByteArray Params, const HeaderCollection& ReqHeaders,
                                             bool authorised) const {
    if (!authorised && !IsAuthorised(ReqHeaders))
        return notAuthorised();

    QString path;
    try {
        path = Gossamer::URLDecode(URI).mid(1);
    } catch (const RuntimeError&) {
        // A bad "%" escape: the request is bad, not the server.
        return {400, kBadRequest, kTextPlain, QString(), kBadRequest};
    }

    const qsizetype question = path.indexOf(u'?');
    const QString command = (question < 0 ? path : path.left(question)).toUpper();
    if (question >= 0) {
        const QString arguments = path.mid(question + 1);
        if (!arguments.isEmpty()) {
            // Names and values are not used; each item only has to be one.
            for (const QString& item : arguments.split(u',')) {
                if (!item.contains(u'='))
                    return {400, kBadRequest, kTextPlain, QString(),
                            QStringLiteral("Argument incorrect, \"=\" manquant.")};
            }
        }
    }

    if (command == QLatin1String("MESSAGE"))
        return message(std::move(Params));
    if (StubCommands().contains(command))
        return {200, command + QStringLiteral(":OK"), kTextXml, QString(), QString()};
    return {400, kBadRequest, kTextPlain, QString(),
            QStringLiteral("\"") + command + QStringLiteral("\" n'est pas une méthode supportée par l'API")};
}

ReceiveHandler::Reply ReceiveHandler::message(QByteArray Params) const {
    try {
        std::optional<PeerMessage> received = PeerMessage::Read(Params);
        Params = QByteArray(); // a message of tens of megabytes is not held twice while it is stored
        if (!received) {
            // No error is pending here: its number is 0 and its texts are empty.
            return {500, QStringLiteral("MESSAGE:Erreur d'initialisation : "), kTextPlain, QString(),
                    QStringLiteral("MESSAGE : Erreur d'initialisation 0 : ")};
        }
        sink_.StoreReceived(*received, QDateTime::currentDateTime());
        sink_.ShowAfterReceipt();
        return {200, QStringLiteral("MESSAGE:OK:") + settings_.LocalStationName, kTextPlain, QString(),
                QStringLiteral("Initialisation OK")};
    } catch (const std::exception& e) {
        const QString description = withoutPaths(descriptionOf(e));
        return {500, QStringLiteral("Erreur interne au serveur : ") + description, kTextPlain, QString(),
                QStringLiteral("Erreur : ") + description};
    }
}

} // namespace vellumo
