#include "cipher/enc64.h"

#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <array>

namespace vellumo {

namespace {

constexpr std::array<unsigned char, 128> makeValues() {
    std::array<unsigned char, 128> values{};
    for (int i = 0; i < 26; ++i) {
        values[static_cast<std::size_t>('A' + i)] = static_cast<unsigned char>(i);
        values[static_cast<std::size_t>('a' + i)] = static_cast<unsigned char>(26 + i);
    }
    for (int i = 0; i < 10; ++i)
        values[static_cast<std::size_t>('0' + i)] = static_cast<unsigned char>(52 + i);
    values['+'] = 62;
    values['/'] = 63;
    return values;
}

// Every character outside ASCII encodes to a byte outside the alphabet, so a lookup of the UTF-16 unit
// gives what the lookup of its code-page byte would give.
constexpr std::array<unsigned char, 128> kValues = makeValues();

std::uint32_t valueOf(QChar c) {
    return c.unicode() < 128 ? kValues[c.unicode()] : 0u;
}

} // namespace

QString MyDecode(QString& text) {
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    if (text.size() % 4 != 0)
        throw RuntimeError(err::ObjectBase, QStringLiteral("MyDecode"),
                           QStringLiteral("Input string is not valid Base64."));
    const qsizetype fill = text.contains(QLatin1String("==")) ? 2 : text.contains(QLatin1Char('=')) ? 1 : 0;
    QByteArray bytes;
    bytes.reserve(text.size() / 4 * 3);
    for (qsizetype i = 0; i < text.size(); i += 4) {
        const std::uint32_t w = (valueOf(text[i]) << 18) | (valueOf(text[i + 1]) << 12) | (valueOf(text[i + 2]) << 6) |
                                valueOf(text[i + 3]);
        bytes.append(static_cast<char>(w >> 16));
        bytes.append(static_cast<char>(w >> 8));
        bytes.append(static_cast<char>(w));
    }
    bytes.chop(std::min(fill, bytes.size()));
    return cp1252::decode(bytes);
}

} // namespace vellumo
