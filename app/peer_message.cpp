#include "app/peer_message.h"

#include "cipher/mod_crypt_carrowmere.h"
#include "http_server/utf8_codec.h"

#include <QStringList>

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

std::optional<PeerMessage> PeerMessage::Read(const QByteArray& body) {
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
    return EncryptWithFixedKey(DecryptWithFixedKey(storedKey));
}

bool KeyHeader::Matches(const QString& sentKey, const QString& storedKey) {
    return DecryptWithFixedKey(sentKey) == DecryptWithFixedKey(storedKey);
}

} // namespace vellumo
