// Hostile hexadecimal ciphertexts and Base64 credentials: deciphering must never raise or read out of
// bounds, the hexadecimal form must round-trip, and the two Base64 decoders must agree on every input.
#include "cipher/en_crypt_x.h"
#include "cipher/enc64.h"
#include "cipher/mod_crypt_carrowmere.h"
#include "http_server/base64.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <cstdint>
#include <cstdlib>

using namespace vellumo;

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > 4096)
        return 0;
    const QByteArray raw(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    // The first byte picks how the rest becomes text: as code-page bytes or as UTF-8.
    const QString text = (data[0] & 1) ? QString::fromUtf8(raw) : cp1252::decode(raw);

    // Hexadecimal text: any text deciphers quietly to about half its length.
    const QByteArray bytes = EnCryptX::HexDecodeText(text);
    check(bytes.size() == (text.size() + 1) / 2);
    EnCryptX hexer;
    check(EnCryptX::HexDecodeText(hexer.HexEncodeText(raw)) == raw);
    const QString deciphered = DecryptWithFixedKey(text);
    check(text.isEmpty() ? deciphered.isEmpty() : deciphered.size() <= bytes.size());

    // Raw bytes through the byte operation, and an encipherment of them that must come back.
    QByteArray buffer = raw;
    EnCryptX dec;
    dec.DecryptByte(buffer, QStringLiteral("k"));
    if (!raw.isEmpty() && raw.size() <= 512) {
        const QString plain = cp1252::decode(raw);
        check(DecryptWithFixedKey(EncryptWithFixedKey(plain)) == plain);
    }

    // Base64: MyDecode and the server's Base64 decoder give the same result or the same error.
    QString mine = text;
    QString a, b;
    bool aFailed = false, bFailed = false;
    try {
        a = MyDecode(mine);
    } catch (const RuntimeError& e) {
        aFailed = e.number() == err::ObjectBase;
        check(aFailed);
    }
    try {
        b = Base64().Decode(text);
    } catch (const RuntimeError& e) {
        bFailed = e.number() == err::ObjectBase;
        check(bFailed);
    }
    check(aFailed == bFailed && a == b);
    const Base64 codec;
    const QString plain = cp1252::decode(raw);
    check(codec.Decode(codec.Encode(plain)) == plain);
    return 0;
}
