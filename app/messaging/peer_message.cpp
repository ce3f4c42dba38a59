#include "app/messaging/peer_message.h"

#include "cipher/mod_crypt_carrowmere.h"
#include "http_server/utf8_codec.h"
#include "platform/runtime/windows1252.h"

#include <QStringList>
#include <QUtf8StringView>

#include <algorithm>
#include <array>

namespace vellumo {

namespace {

// The first character of a format that is neither a letter nor a blank: the separator the locale
// writes between the parts of a date or a time.
QString separatorOf(const QString& format, const QString& fallback) {
    for (const QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return QString(c);
    }
    return fallback;
}

} // namespace

QString PeerMessage::DateText(const QDateTime& when, const QLocale& locale) {
    const QString dateSep = separatorOf(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
    const QString timeSep = separatorOf(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
    const QDate d = when.date();
    const QTime t = when.time();
    const auto two = [](int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); };
    return two(d.day()) + dateSep + two(d.month()) + dateSep +
           QStringLiteral("%1").arg(d.year(), 4, 10, QLatin1Char('0')) + QStringLiteral(" à ") + two(t.hour()) +
           timeSep + two(t.minute()) + timeSep + two(t.second());
}

bool PeerMessage::HoldsSeparator() const {
    const QString sep = Separator();
    for (const QString* field : {&FROM, &OnDate, &TO, &Text, &RTF}) {
        if (field->contains(sep, Qt::CaseSensitive))
            return true;
    }
    return false;
}

QString PeerMessage::PlainBody() const {
    const QString sep = Separator();
    return FROM + sep + OnDate + sep + TO + sep + Text + sep + RTF;
}

QString PeerMessage::Body(bool CryptAll) const {
    if (!CryptAll)
        return PlainBody();
    return CryptPrefix() + EncryptWithFixedKey(PlainBody());
}

namespace {

// The pieces of bytes between separators, or nothing when there are not exactly five.
std::optional<std::array<QByteArrayView, 5>> splitBytes(QByteArrayView bytes) {
    static const QByteArray separator = PeerMessage::Separator().toLatin1();
    std::array<QByteArrayView, 5> pieces;
    qsizetype from = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        const qsizetype at = bytes.indexOf(separator, from);
        if (at < 0)
            return std::nullopt;
        pieces[i] = bytes.sliced(from, at - from);
        from = at + separator.size();
    }
    pieces[4] = bytes.sliced(from);
    if (pieces[4].contains(separator))
        return std::nullopt;
    return pieces;
}

template <typename Decode> std::optional<PeerMessage> fromPieces(QByteArrayView bytes, Decode decode) {
    const auto pieces = splitBytes(bytes);
    if (!pieces)
        return std::nullopt;
    return PeerMessage{decode((*pieces)[0]), decode((*pieces)[1]), decode((*pieces)[2]), decode((*pieces)[3]),
                       decode((*pieces)[4])};
}

bool isAscii(QByteArrayView bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

qint64 PeerMessage::BodySize(bool CryptAll) const {
    const QString* fields[] = {&FROM, &OnDate, &TO, &Text, &RTF};
    if (!CryptAll) {
        qint64 bytes = 4 * Separator().size(); // ASCII
        for (const QString* field : fields)
            bytes += QStringView(*field).toUtf8().size();
        return bytes;
    }
    // One Windows-1252 byte per character (a surrogate pair is one character), enciphered to n + 12
    // bytes rounded up to a block of 8, written as two hexadecimal digits a byte after the prefix.
    qint64 n = 4 * Separator().size();
    for (const QString* field : fields) {
        n += field->size();
        for (qsizetype i = 0; i + 1 < field->size(); ++i) {
            if (field->at(i).isHighSurrogate() && field->at(i + 1).isLowSurrogate()) {
                --n;
                ++i;
            }
        }
    }
    return CryptPrefix().size() + 2 * ((n + 12 + 7) / 8 * 8);
}

std::optional<PeerMessage> PeerMessage::Read(const QByteArray& body) {
    // A big message is read without holding it twice as text: split as bytes at the separators, then
    // decoded piece by piece. That is the same reading wherever the separators cannot straddle a
    // character: valid UTF-8, or the Windows-1252 bytes of a deciphered body, one byte a character.
    // Anything else takes the general way.
    if (body.isEmpty())
        return FromText(Utf8Codec().FromUTF8(body)); // raises as the codec does
    const QByteArray prefix = CryptPrefix().toLatin1();
    if (body.startsWith(prefix)) {
        const QByteArrayView hex = QByteArrayView(body).sliced(prefix.size());
        if (isAscii(hex)) {
            const QByteArray plain = DecryptBytesWithFixedKey(QLatin1StringView(hex));
            return fromPieces(plain, [](QByteArrayView piece) { return cp1252::decode(piece); });
        }
    } else if (QUtf8StringView(body).isValidUtf8()) {
        return fromPieces(body, [](QByteArrayView piece) { return QString::fromUtf8(piece); });
    }
    return FromText(Utf8Codec().FromUTF8(body));
}

std::optional<PeerMessage> PeerMessage::FromText(const QString& decoded) {
    QString text = decoded;
    const QString prefix = CryptPrefix();
    if (text.startsWith(prefix, Qt::CaseSensitive))
        text = DecryptWithFixedKey(text.mid(prefix.size()));
    const QStringList pieces = text.split(Separator(), Qt::KeepEmptyParts, Qt::CaseSensitive);
    if (pieces.size() != 5)
        return std::nullopt;
    return PeerMessage{pieces.at(0), pieces.at(1), pieces.at(2), pieces.at(3), pieces.at(4)};
}

QString KeyHeader::Value(const QString& storedKey) {
    return EncryptKeyWithFixedKey(DecryptKeyWithFixedKey(storedKey));
}

QString KeyHeader::Deciphered(const QString& key) {
    return DecryptKeyWithFixedKey(key);
}

bool KeyHeader::Matches(const QString& sentKey, const QString& storedKey) {
    return Deciphered(sentKey) == Deciphered(storedKey);
}

} // namespace vellumo
