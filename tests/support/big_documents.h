#pragma once
// Big documents and messages of the shapes that make reading, showing or sending slow, built the same
// way for the tests and the benchmarks: a unit repeated to a size, wrapped in one RTF document, and the
// message contents of every shape (one long paragraph, many paragraphs, many format runs, an
// unbreakable word, a long plain text, a body that is no RTF, a picture). Sizes are in bytes of the
// repeated part (counts for paragraphs and runs); texts and RTF are what PeerMessage carries.

#include <QByteArray>
#include <QString>

namespace vellumo::test {

// unit repeated until the result holds at least bytes bytes.
QByteArray repeated(const QByteArray& unit, qsizetype bytes);
// A whole RTF document around body: Arial as font 0, red as colour 1.
QByteArray rtfDocument(const QByteArray& body);
// An ordinary sentence with accents, in Windows-1252.
extern const QByteArray kOrdinaryWords;
// A PNG of random noise, side by side pixels (noise does not compress: about 3 bytes a pixel).
QByteArray noisePng(int side);

// The Text and RTF fields of a message.
struct MessageContent {
    QString text;
    QString rtf;
};
// One paragraph of ordinary words, bytes long.
MessageContent oneParagraph(qsizetype bytes);
// count paragraphs of one character.
MessageContent paragraphs(qsizetype count);
// count runs that switch bold on and off.
MessageContent boldRuns(qsizetype count);
// One word without a break, bytes long.
MessageContent unbreakableWord(qsizetype bytes);
// A plain text of ordinary words, bytes long, beside a small RTF.
MessageContent plainText(qsizetype bytes);
// An RTF field of ordinary words that is no RTF document, bytes long.
MessageContent notRtf(qsizetype bytes);
// A picture of noise of about bytes bytes (twice as many as hexadecimal digits in the RTF).
MessageContent picture(qsizetype bytes);

} // namespace vellumo::test
