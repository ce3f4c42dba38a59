#include "http_server/base64.h"

#include "platform/runtime/runtime_error.h"
#include "platform/runtime/windows1252.h"

#include <QByteArray>

namespace vellumo {

Base64::Base64() {
    static constexpr char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (std::uint32_t v = 0; v < 64; ++v) {
        alphabet_[v] = letters[v];
        reverse_[static_cast<unsigned char>(letters[v])] = static_cast<std::uint8_t>(v);
        times64_[v] = v * 64;
        times4096_[v] = v * 4096;
        times262144_[v] = v * 262144;
    }
    for (std::uint32_t b = 0; b < 256; ++b) {
        times256_[b] = b * 256;
        times65536_[b] = b * 65536;
    }
}

QString Base64::Encode(const QString& text) const {
    QByteArray bytes = cp1252::encode(text);
    const qsizetype padding = (3 - bytes.size() % 3) % 3;
    bytes.append(padding, '\0');
    QByteArray out;
    out.reserve(bytes.size() / 3 * 4 + bytes.size() / 54 * 2 + 2);
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.constData());
    for (qsizetype i = 0, group = 1; i < bytes.size(); i += 3, ++group) {
        const std::uint32_t w = times65536_[in[i]] + times256_[in[i + 1]] + in[i + 2];
        out.append(alphabet_[(w >> 18) & 63]);
        out.append(alphabet_[(w >> 12) & 63]);
        out.append(alphabet_[(w >> 6) & 63]);
        out.append(alphabet_[w & 63]);
        if (group % 18 == 0)
            out.append("\r\n");
    }
    qsizetype last = out.size() - 1;
    if (out.endsWith("\r\n"))
        last -= 2;
    for (qsizetype k = 0; k < padding; ++k)
        out[last - k] = '=';
    return cp1252::decode(out);
}

QString Base64::Decode(const QString& text) const {
    QString clean = text;
    clean.remove(QLatin1Char('\r'));
    clean.remove(QLatin1Char('\n'));
    if (clean.size() % 4 != 0)
        throw RuntimeError(err::ObjectBase, QStringLiteral("MyDecode"),
                           QStringLiteral("Input string is not valid Base64."));
    const qsizetype padding = clean.contains(QLatin1String("==")) ? 2 : clean.contains(QLatin1Char('=')) ? 1 : 0;
    // Every character outside ASCII has a code-page byte outside the alphabet (or none at all), so
    // looking up the UTF-16 unit gives what looking up its byte would give, one value per character.
    const auto at = [this, &clean](qsizetype i) -> std::uint8_t {
        const char16_t u = clean[i].unicode();
        return u < 128 ? reverse_[u] : 0;
    };
    QByteArray out;
    out.reserve(clean.size() / 4 * 3);
    for (qsizetype i = 0; i < clean.size(); i += 4) {
        const std::uint32_t w = times262144_[at(i)] + times4096_[at(i + 1)] + times64_[at(i + 2)] + at(i + 3);
        out.append(static_cast<char>(w >> 16));
        out.append(static_cast<char>((w >> 8) & 0xFF));
        out.append(static_cast<char>(w & 0xFF));
    }
    out.chop(std::min(padding, out.size()));
    return cp1252::decode(out);
}

} // namespace vellumo
