// Hostile peer requests through the receive handler: whatever the target, the credentials and the
// body, it must answer with one of its statuses, never raise, and hand the main window only a
// message it has answered as stored.
#include "app/core/app_settings.h"
#include "app/messaging/receive_handler.h"
#include "app/messaging/received_message_sink.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "platform/runtime/windows1252.h"

#include <cstdint>
#include <cstdlib>

using namespace vellumo;

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

class CountingSink : public ReceivedMessageSink {
public:
    void StoreReceived(const PeerMessage&, const QDateTime&) override { ++stored; }
    void ShowAfterReceipt() override { ++shown; }
    int stored = 0;
    int shown = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 8192)
        return 0;
    static AppSettings settings(QStringLiteral("/nonexistent"));
    static const QString rightKey = EncryptWithFixedKey(QStringLiteral("clé"));
    settings.Key = EncryptWithFixedKey(QStringLiteral("clé"));
    settings.LocalStationName = QStringLiteral("PC");

    // Byte 0 picks the credentials; the rest is "target LF header value LF body".
    const std::uint8_t flags = data[0];
    const QByteArray rest(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const qsizetype firstLf = rest.indexOf('\n');
    const qsizetype secondLf = firstLf < 0 ? -1 : rest.indexOf('\n', firstLf + 1);
    QString uri = cp1252::decode(firstLf < 0 ? rest : rest.left(firstLf));
    const QString value = firstLf < 0 ? QString() : cp1252::decode(rest.mid(firstLf + 1, secondLf - firstLf - 1));
    QByteArray body = secondLf < 0 ? QByteArray() : rest.mid(secondLf + 1);

    HeaderCollection headers;
    if (flags & 1)
        headers.Add({QStringLiteral("Vellumo"), rightKey}, QStringLiteral("VELLUMO"));
    if (flags & 2)
        headers.Add({QStringLiteral("Authorization"), value}, QStringLiteral("AUTHORIZATION"));
    else if (flags & 4)
        headers.Add({QStringLiteral("Vellumo"), value}, QStringLiteral("VELLUMO"));
    if (flags & 8)
        body = QByteArrayLiteral("CRYPT-----") + EncryptWithFixedKey(cp1252::decode(body)).toLatin1();

    CountingSink sink;
    ReceiveHandler handler(settings, sink);
    QString method = QStringLiteral("POST");
    std::int16_t status = 0, clientIndex = 0;
    QString reason, mime, extra;
    QByteArray reply;
    handler.DynamicRequest(method, uri, body, headers, status, reason, mime, extra, reply, clientIndex);

    check(status == 200 || status == 400 || status == 401 || status == 500);
    check(!reason.isEmpty() && !mime.isEmpty());
    check(sink.stored <= 1 && sink.shown == sink.stored);
    check(sink.stored == 0 || reason == QStringLiteral("MESSAGE:OK:PC"));
    check(status != 401 || (extra == QStringLiteral("WWW-Authenticate: Basic realm=\"Vellumo\"") && sink.stored == 0));
    check(status == 200 || !reply.isEmpty());
    return 0;
}
