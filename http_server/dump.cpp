#include "http_server/dump.h"

#include <QByteArray>

namespace vellumo {

namespace {

QByteArray utf16LittleEndian(const QString& text) {
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xFF));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

QString format(const QByteArray& bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    QByteArray out;
    for (qsizetype line = 0; line < bytes.size(); line += 16) {
        out.append(QByteArray::number(line, 16).rightJustified(8, '0'));
        out.append("  ");
        QByteArray ascii;
        for (qsizetype k = 0; k < 16; ++k) {
            if (k == 8)
                out.append(' ');
            if (line + k < bytes.size()) {
                const auto b = static_cast<unsigned char>(bytes[line + k]);
                out.append(digits[b >> 4]);
                out.append(digits[b & 15]);
                out.append(' ');
                ascii.append(b >= 0x20 && b <= 0x7E ? static_cast<char>(b) : '.');
            } else {
                out.append("   ");
            }
        }
        out.append(' ');
        out.append(ascii);
        out.append("\r\n");
    }
    return QString::fromLatin1(out);
}

} // namespace

QString Dump::HexAscii(const QVariant& Target) const {
    QByteArray bytes;
    switch (Target.typeId()) {
    case QMetaType::QString:
        bytes = utf16LittleEndian(Target.toString());
        break;
    case QMetaType::QByteArray:
        bytes = Target.toByteArray();
        break;
    default:
        return QStringLiteral("* Unsupported type *");
    }
    if (bytes.isEmpty())
        return QStringLiteral("* Empty *");
    return format(bytes);
}

} // namespace vellumo
