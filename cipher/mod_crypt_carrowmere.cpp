#include "cipher/mod_crypt_carrowmere.h"

#include "cipher/en_crypt_x.h"

namespace vellumo {

namespace {
// Seventeen characters; the currency sign is byte A4 in the code page.
const QString kFixedKey = QStringLiteral(u"%\u00A4HbrW&JpN372X614");
} // namespace

// The fixed key's schedule costs as much as enciphering four kilobytes, and every request enciphers
// or deciphers its key header: each call gets its own copy of one instance keyed once.
EnCryptX freshKeyedInstance() {
    static const EnCryptX keyed = [] {
        EnCryptX cipher;
        cipher.Key(kFixedKey);
        return cipher;
    }();
    return keyed;
}

QString EncryptWithFixedKey(const QString& text) {
    EnCryptX cipher = freshKeyedInstance();
    return cipher.EncryptString(text, kFixedKey, true);
}

QString DecryptWithFixedKey(const QString& text) {
    EnCryptX cipher = freshKeyedInstance();
    return cipher.DecryptString(text, kFixedKey, true);
}

QString EncryptKeyWithFixedKey(const QString& text) {
    EnCryptX cipher = freshKeyedInstance();
    cipher.LetsLoopRun = false;
    return cipher.EncryptString(text, kFixedKey, true);
}

QString DecryptKeyWithFixedKey(const QString& text) {
    EnCryptX cipher = freshKeyedInstance();
    cipher.LetsLoopRun = false;
    return cipher.DecryptString(text, kFixedKey, true);
}

QByteArray DecryptBytesWithFixedKey(QLatin1StringView hex) {
    if (hex.isEmpty())
        return QByteArray();
    QByteArray bytes = EnCryptX::HexDecodeText(hex);
    EnCryptX cipher = freshKeyedInstance();
    cipher.DecryptByte(bytes, kFixedKey);
    return bytes;
}

} // namespace vellumo
