#pragma once
// PeerMessage: the message record that one station posts to another, and KeyHeader, the access key
// that travels with every post. The sender (frmToSend) builds the body from the five fields; the
// receive handler reads a body back into them. A plain value type: whoever builds one owns it.
//
// The five fields, always in this order:
//
//   # | field  | on the sender's side
//   --|--------|-------------------------------------------------------------------------------
//   0 | FROM   | the sender's station name
//   1 | OnDate | the sender's clock when the body is built, "dd/mm/yyyy à hh:nn:ss" (hours 00-23;
//     |        | "/" and ":" are the date and time separators of the sender's locale)
//   2 | TO     | the whole recipients line, each name followed by ";"
//   3 | Text   | the plain text
//   4 | RTF    | the rich text
//
// The body of POST /MESSAGE, carried as UTF-8 bytes:
//
//   form        | text
//   ------------|--------------------------------------------------------------------------------
//   plain       | FROM "#Separator#" OnDate "#Separator#" TO "#Separator#" Text "#Separator#" RTF
//   enciphered  | "CRYPT-----" EncryptWithFixedKey(plain form)   (upper-case hexadecimal)
//
// No field is escaped: a field holding "#Separator#" makes the body unreadable (more than five
// pieces), which the receiver refuses; the compose window refuses such a message before sending. A
// receiver takes either form whatever its own settings.
//
// KeyHeader, the request header that proves the access key:
//
//   name       | value
//   -----------|------------------------------------------------------------------------------
//   "Vellumo"  | EncryptWithFixedKey(DecryptWithFixedKey(Key setting)), fresh for every request
//
// Every encipherment starts with a random block, so two values of one key differ: keys are compared
// only once both sides are deciphered.

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

namespace vellumo {

struct PeerMessage {
    static QString Separator() { return QStringLiteral("#Separator#"); }
    static QString CryptPrefix() { return QStringLiteral("CRYPT-----"); }

    QString FROM;
    QString OnDate;
    QString TO;
    QString Text;
    QString RTF;

    // "dd/mm/yyyy à hh:nn:ss" of when, with the date and time separators of locale ("/" and ":"
    // where the locale has none).
    static QString DateText(const QDateTime& when, const QLocale& locale = QLocale::system());

    // True when a field holds the separator: such a message cannot be carried, since its body would
    // split into more than five pieces.
    bool HoldsSeparator() const;
    // The five fields joined by the separator.
    QString PlainBody() const;
    // The body as the sender hands it over: the plain form, or with CryptAll the enciphered form.
    QString Body(bool CryptAll) const;
    // The number of bytes Body(CryptAll) takes on the wire (UTF-8), without enciphering anything:
    // what the sender compares with the receiving server's body cap.
    qint64 BodySize(bool CryptAll) const;

    // The receiver's reading of a body: UTF-8 decoding, deciphering of the "CRYPT-----" form (the
    // prefix is case-sensitive), then the split. Nothing when the text does not split into exactly
    // five pieces. Raises RuntimeError when the bytes cannot be decoded (error 5 for an empty body).
    static std::optional<PeerMessage> Read(const QByteArray& body);
    // The same from an already decoded text.
    static std::optional<PeerMessage> FromText(const QString& text);
};

struct KeyHeader {
    static QString Name() { return QStringLiteral("Vellumo"); }
    // A fresh header value for the stored (enciphered) key.
    static QString Value(const QString& storedKey);
    // The text an enciphered key stands for. Like everything here, it never lets the event loop
    // run: a key is checked first thing in a request's handler.
    static QString Deciphered(const QString& key);
    // True when an enciphered key, as a peer sent it, names the same key as the stored one.
    static bool Matches(const QString& sentKey, const QString& storedKey);
};

} // namespace vellumo
