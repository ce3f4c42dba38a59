#pragma once
// The ANSI code page of every peer: Windows-1252, one byte per character. Settings, enciphered texts,
// the cipher key and HTTP heads all pass through here.
//
// The codec is total and lossless over all 256 bytes: decode(encode(decode(b))) == decode(b) and
// encode(decode(b)) == b for every byte string b. The five bytes the code page leaves undefined map
// to the C1 controls of the same value:
//
//   byte | character        byte | character
//   81   | U+0081           90   | U+0090
//   8D   | U+008D           9D   | U+009D
//   8F   | U+008F           others as Windows-1252 defines them
//
// Encoding a character outside the code page gives "?" (one per code point).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace vellumo::cp1252 {

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView text);
// One character's byte, or '?' when the code page has none for it.
char encodeChar(char32_t codePoint);
char16_t decodeByte(unsigned char byte);

} // namespace vellumo::cp1252
