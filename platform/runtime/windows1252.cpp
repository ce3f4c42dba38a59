#include "platform/runtime/windows1252.h"

#include <array>

namespace vellumo::cp1252 {

namespace {
// Bytes 80 to 9F; the rest of the code page is the identity on Latin-1.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
};
} // namespace

char16_t decodeByte(unsigned char byte) {
    if (byte >= 0x80 && byte <= 0x9F)
        return kHigh[byte - 0x80];
    return byte;
}

char encodeChar(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHigh.size(); ++i) {
        if (kHigh[i] == cp)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

QString decode(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    QChar* d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        d[i] = QChar(decodeByte(static_cast<unsigned char>(bytes[i])));
    return out;
}

QByteArray encode(QStringView text) {
    // At most one byte per UTF-16 unit (a surrogate pair gives one); written in place, since whole
    // messages pass through here.
    QByteArray out(text.size(), Qt::Uninitialized);
    char* d = out.data();
    const char16_t* s = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t cp = s[i];
        if (cp < 0x80) {
            *d++ = static_cast<char>(cp);
            continue;
        }
        if (QChar::isHighSurrogate(cp) && i + 1 < n && QChar::isLowSurrogate(s[i + 1])) {
            cp = QChar::surrogateToUcs4(static_cast<char16_t>(cp), s[i + 1]);
            ++i;
        }
        *d++ = encodeChar(cp);
    }
    out.truncate(d - out.constData());
    return out;
}

} // namespace vellumo::cp1252
