#include "app/messaging/frm_to_send.h"

#include "app/core/app_settings.h"
#include "app/core/mod_localisation.h"
#include "app/core/send_slots.h"
#include "app/core/text_ids.h"
#include "app/messaging/mod_resolve_network_name.h"
#include "app/messaging/peer_message.h"
#include "app/messaging/send_outcomes.h"
#include "app/messaging/sender_reports.h"
#include "platform/net/async_request.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"

#include <QDateTime>
#include <QPointer>

namespace vellumo {

namespace {

constexpr int kIconWarning = 2;
constexpr int kIconError = 3;
constexpr int kRefusedKey = 401;

} // namespace

frmToSend::frmToSend(const AppSettings& settings, const modLocalisation& localisation, SendSlots& sendSlots,
                     SenderReports& reports, QObject* parent)
    : QObject(parent), settings_(settings), localisation_(localisation), slots_(sendSlots), reports_(reports) {
    Form_Load();
}

frmToSend::~frmToSend() = default;

void frmToSend::Form_Load() {
    setObjectName(QStringLiteral("frmToSend"));
    Req = new AsyncRequest(this);
    connect(Req, &AsyncRequest::OnResponseFinished, this, &frmToSend::Req_OnResponseFinished);
    connect(Req, &AsyncRequest::OnError, this, &frmToSend::Req_OnError);
}

QString frmToSend::text(std::int16_t id, const QString& defaultText) const {
    return localisation_.GetString(id, defaultText);
}

void frmToSend::Send() {
    if (UserFrom.isEmpty())
        UserFrom = settings_.LocalStationName;

    const PeerMessage message{UserFrom, PeerMessage::DateText(QDateTime::currentDateTime()), UserTo, UserTextMessage,
                              UserRTFMessage};
    // The cipher lets the event loop run between blocks; nothing can end this sender meanwhile but
    // the guard keeps the code honest if something does.
    QPointer<frmToSend> self(this);
    body_ = message.Body(settings_.CryptAll);
    if (!self)
        return;

    address_ = ModResolveNetworkName::ResolveHostName(UserSendTo, 1);
    if (address_.isEmpty()) {
        report(UserSendTo + QStringLiteral(" ") +
                   text(txt::NoAddress, QStringLiteral("ne présente pas son adress IP !")),
               false, settings_.ShowBalloon);
        finish();
        return;
    }

    port_ = QString::number(settings_.Port);
    ui().doEvents();
    if (!self)
        return;
    url_ = QStringLiteral("http://§serveur§:§Port§/MESSAGE");
    url_.replace(QStringLiteral("§serveur§"), address_).replace(QStringLiteral("§Port§"), port_);

    try {
        Req->Abort();
        Req->SetTimeouts(TimeoutMs, TimeoutMs, TimeoutMs, TimeoutMs);
        Req->Open(QStringLiteral("POST"), url_);
        const QString key = KeyHeader::Value(settings_.Key);
        if (!self)
            return;
        Req->SetRequestHeader(KeyHeader::Name(), key);
        Req->Send(body_);
    } catch (const RuntimeError& e) {
        // A request that cannot even start is reported like one that failed on the way, so that
        // the slot is freed in this outcome too.
        Req_OnError(e.number(), e.description());
    }
}

void frmToSend::Req_OnResponseFinished() {
    if (finished_)
        return;
    const int status = Req->Status();
    if (status == 200) {
        (void)Req->ResponseBody(); // read and dropped
        const QString statusText = Req->StatusText();
        if (statusText.contains(QStringLiteral("MESSAGE:OK:"), Qt::CaseSensitive)) {
            const QString peerName = statusText.split(u':').at(2);
            report(peerName + QStringLiteral(" ") + text(txt::Delivered, QStringLiteral("à reçu le message")), true,
                   settings_.ShowBalloon);
        } else {
            report(UserSendTo + QStringLiteral(" ") +
                       text(txt::NotDelivered, QStringLiteral("n'a pas reçu le message")),
                   false, settings_.ShowBalloon);
        }
    } else if (status == kRefusedKey) {
        // 401 is the peer's own answer to a key that differs from its own: it is there and refused. Its
        // reason ("Utilisateur non autorisé !") says less than this line, which the balloon repeats.
        const QString line =
            UserSendTo + QStringLiteral(" ") +
            text(txt::KeyRefused,
                 QStringLiteral("a refusé le message : la clé d'accès n'est pas la même sur les deux postes"));
        report(line, false, false, line, text(txt::ErrorTitle, QStringLiteral("Erreur")), kIconError);
    } else {
        report(UserSendTo + QStringLiteral(" ") + text(txt::NotConnected, QStringLiteral("ne semble pas connecté")),
               false, false, QString::number(status) + QStringLiteral("\r\n") + Req->StatusText(),
               text(txt::ErrorTitle, QStringLiteral("Erreur")), kIconError);
    }
    finish();
}

QString frmToSend::networkCause(int number) const {
    switch (number) {
    case AsyncRequest::CannotConnect:
        return text(txt::ConnectionRefused,
                    QStringLiteral("n'accepte pas la connexion : Vellumo n'y est peut-être pas démarré"));
    case AsyncRequest::TimedOut:
        return text(txt::NoAnswerInTime, QStringLiteral("ne répond pas dans le délai"));
    case AsyncRequest::ConnectionAborted:
    case AsyncRequest::InvalidServerResponse:
        return text(txt::ConnectionCut, QStringLiteral("a coupé la connexion avant de répondre"));
    default:
        return text(txt::Unreachable, QStringLiteral("ne peut pas être joint"));
    }
}

void frmToSend::Req_OnError(int number, const QString& /*description*/) {
    if (finished_)
        return;
    // The socket's description is Qt's, in English and without the station: the cause is told here in
    // the interface language, after the station's name.
    report(UserSendTo + text(txt::NetworkNotConnected, QStringLiteral(" ne semble pas connecté !")), false, false,
           text(txt::NetworkErrorPrefix, QStringLiteral("Erreur : ")) + UserSendTo + QStringLiteral(" ") +
               networkCause(number),
           text(txt::NetworkErrorTitle, QStringLiteral("Erreur réseau")), kIconWarning);
    finish();
}

void frmToSend::report(const QString& line, bool delivered, bool lineBalloon, const QString& balloonText,
                       const QString& balloonTitle, int balloonIcon) {
    if (!Outcomes)
        Outcomes = std::make_shared<SendOutcomes>(reports_, localisation_, 1);
    Outcomes->Add({line, delivered, lineBalloon, balloonText, balloonTitle, balloonIcon});
}

void frmToSend::finish() {
    finished_ = true;
    // Index came from the slot table; one outside it names no slot to free.
    if (Index >= 0 && Index < SendSlots::Count)
        slots_.Release(Index);
    deleteLater();
}

} // namespace vellumo
