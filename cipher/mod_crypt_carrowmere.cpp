#include "cipher/mod_crypt_carrowmere.h"

#include "cipher/en_crypt_x.h"

namespace vellumo {

namespace {
// Seventeen characters; the currency sign is byte A4 in the code page.
const QString kFixedKey = QStringLiteral(u"%\u00A4HbrW&JpN372X614");
} // namespace

QString EncryptWithFixedKey(const QString& text) {
    EnCryptX cipher;
    return cipher.EncryptString(text, kFixedKey, true);
}

QString DecryptWithFixedKey(const QString& text) {
    EnCryptX cipher;
    return cipher.DecryptString(text, kFixedKey, true);
}

} // namespace vellumo
