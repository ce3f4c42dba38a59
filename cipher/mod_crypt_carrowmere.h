#pragma once
// modCryptCarrowmere: the only way the program enciphers. Both wrappers work under the key fixed in
// the program, each on its own EnCryptX (a copy of one instance keyed once) that lives for the one
// call, so calls that interleave through the message loop never share state.
//
//   EncryptWithFixedKey(text)  -> upper-case hexadecimal ciphertext ("" for "")
//   DecryptWithFixedKey(hex)   -> the text; never raises: a foreign or damaged ciphertext gives
//                                 garbage, which the caller's comparison rejects

#include <QString>

namespace vellumo {

QString EncryptWithFixedKey(const QString& text);
QString DecryptWithFixedKey(const QString& text);

} // namespace vellumo
