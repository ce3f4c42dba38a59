#pragma once
// modCryptCarrowmere: the only way the program enciphers. Both wrappers work under the key fixed in
// the program, each on its own EnCryptX (a copy of one instance keyed once) that lives for the one
// call, so calls that interleave through the message loop never share state.
//
//   EncryptWithFixedKey(text)  -> upper-case hexadecimal ciphertext ("" for "")
//   DecryptWithFixedKey(hex)   -> the text; never raises: a foreign or damaged ciphertext gives
//                                 garbage, which the caller's comparison rejects
//
// Both let the message loop run in the middle of a long text (EnCryptX). Their Key forms do the same
// work and never let it run: an access key is checked first thing in a request's handler, and nothing
// else may run inside that.

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>

namespace vellumo {

QString EncryptWithFixedKey(const QString& text);
QString DecryptWithFixedKey(const QString& text);
QString EncryptKeyWithFixedKey(const QString& text);
QString DecryptKeyWithFixedKey(const QString& text);
// The same deciphering of a ciphertext in ASCII, to its Windows-1252 bytes rather than a text: for a
// big body, read without holding it as text first. cp1252::decode of the result is
// DecryptWithFixedKey of the same digits.
QByteArray DecryptBytesWithFixedKey(QLatin1StringView hex);

} // namespace vellumo
