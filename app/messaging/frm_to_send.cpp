#include "app/messaging/frm_to_send.h"

#include "app/core/app_settings.h"
#include "app/core/mod_localisation.h"
#include "app/core/send_slots.h"
#include "app/core/text_ids.h"
#include "app/messaging/mod_resolve_network_name.h"
#include "app/messaging/peer_message.h"
#include "app/messaging/sender_reports.h"
#include "platform/net/async_request.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"

#include <QDateTime>
#include <QPointer>

namespace vellumo {

namespace {

constexpr std::int16_t kSuccessColour = 0;
constexpr std::int16_t kFailureColour = 192;
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
        reports_.StatusBar1_SimpleText(UserSendTo + QStringLiteral(" ") +
                                           text(txt::NoAddress, QStringLiteral("ne présente pas son adress IP !")),
                                       kFailureColour, settings_.ShowBalloon);
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
            reports_.StatusBar1_SimpleText(peerName + QStringLiteral(" ") +
                                               text(txt::Delivered, QStringLiteral("à reçu le message")),
                                           kSuccessColour, settings_.ShowBalloon);
        } else {
            reports_.StatusBar1_SimpleText(UserSendTo + QStringLiteral(" ") +
                                               text(txt::NotDelivered, QStringLiteral("n'a pas reçu le message")),
                                           kFailureColour, settings_.ShowBalloon);
        }
    } else {
        // 401 is the peer's own answer to a key that differs from its own: it is there and refused.
        const QString outcome =
            status == kRefusedKey
                ? text(txt::KeyRefused, QStringLiteral("a refusé le message : la clé d'accès n'est pas la même "
                                                       "sur les deux postes"))
                : text(txt::NotConnected, QStringLiteral("ne semble pas connecté"));
        reports_.StatusBar1_SimpleText(UserSendTo + QStringLiteral(" ") + outcome, kFailureColour, false);
        reports_.ShowSystrayMessage(QString::number(status) + QStringLiteral("\r\n") + Req->StatusText(),
                                    text(txt::ErrorTitle, QStringLiteral("Erreur")), kIconError);
    }
    finish();
}

void frmToSend::Req_OnError(int /*number*/, const QString& description) {
    if (finished_)
        return;
    reports_.ShowSystrayMessage(text(txt::NetworkErrorPrefix, QStringLiteral("Erreur : ")) + description,
                                text(txt::NetworkErrorTitle, QStringLiteral("Erreur réseau")), kIconWarning);
    reports_.StatusBar1_SimpleText(UserSendTo +
                                       text(txt::NetworkNotConnected, QStringLiteral(" ne semble pas connecté !")),
                                   kFailureColour, false);
    finish();
}

void frmToSend::finish() {
    finished_ = true;
    // Index came from the slot table; one outside it names no slot to free.
    if (Index >= 0 && Index < SendSlots::Count)
        slots_.Release(Index);
    deleteLater();
}

} // namespace vellumo
