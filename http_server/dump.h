#pragma once
// Dump: a hexadecimal dump of a text or a byte array for diagnostics. Stateless; nothing in the
// program creates one. A text is dumped as its UTF-16 little-endian bytes.
//
// Layout, one line per 16 bytes, each line ended by CR LF:
//
//   column  | content
//   0..7    | offset of the line's first byte, 8 lower-case hexadecimal digits
//   8..9    | two spaces
//   10..    | 16 bytes as two lower-case digits and a space each, one extra space after the 8th
//           | (a short last line is padded with spaces so the ASCII column stays aligned)
//   then    | one more space and the 16 bytes as characters, "." for any byte outside 20..7E

#include <QString>
#include <QVariant>

namespace vellumo {

class Dump {
public:
    // "Format Target item as Hex & Ascii & Address String". Never fails: "* Unsupported type *" for
    // anything but a text or a byte array, "* Empty *" when there are no bytes.
    QString HexAscii(const QVariant& Target) const;
};

} // namespace vellumo
