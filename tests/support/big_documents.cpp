#include "tests/support/big_documents.h"

#include "platform/runtime/windows1252.h"

#include <QBuffer>
#include <QImage>
#include <QRandomGenerator>

#include <cmath>

namespace vellumo::test {

const QByteArray kOrdinaryWords = "Bonjour le monde, voici un message ordinaire qui se r\xe9p\xe8te. ";

QByteArray repeated(const QByteArray& unit, qsizetype bytes) {
    QByteArray out;
    out.reserve(bytes + unit.size());
    while (out.size() < bytes)
        out += unit;
    return out;
}

QByteArray rtfDocument(const QByteArray& body) {
    return "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green0\\blue0;}\\f0\\fs20 " +
           body + "}";
}

QByteArray noisePng(int side) {
    QImage image(side, side, QImage::Format_RGB888);
    QRandomGenerator random(17);
    for (int y = 0; y < side; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < side * 3; ++x)
            line[x] = static_cast<uchar>(random.bounded(256));
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG", 0);
    return png;
}

namespace {
QString rtf(const QByteArray& body) {
    return cp1252::decode(rtfDocument(body));
}
} // namespace

MessageContent oneParagraph(qsizetype bytes) {
    return {QStringLiteral("Un seul paragraphe"), rtf(repeated(kOrdinaryWords, bytes))};
}

MessageContent paragraphs(qsizetype count) {
    return {QStringLiteral("Paragraphes"), rtf(repeated("x\\par ", count * 6))};
}

MessageContent boldRuns(qsizetype count) {
    return {QStringLiteral("Gras"), rtf(repeated("\\b x\\b0 y", count * 9))};
}

MessageContent unbreakableWord(qsizetype bytes) {
    return {QStringLiteral("Un mot"), rtf(repeated("x", bytes))};
}

MessageContent plainText(qsizetype bytes) {
    return {cp1252::decode(repeated(kOrdinaryWords, bytes)), rtf("Un petit texte riche.")};
}

MessageContent notRtf(qsizetype bytes) {
    return {QStringLiteral("Pas du RTF"), cp1252::decode(repeated(kOrdinaryWords, bytes))};
}

MessageContent picture(qsizetype bytes) {
    const int side = static_cast<int>(std::sqrt(static_cast<double>(bytes) / 3.0));
    const QByteArray goal = QByteArray::number(side * 15);
    return {QStringLiteral("Image"), rtf("Une image : {\\pict\\pngblip\\picwgoal" + goal + "\\pichgoal" + goal + " " +
                                         noisePng(side).toHex() + "} et la suite.")};
}

} // namespace vellumo::test
