#include "platform/richtext/rtf_font_table.h"

#include "platform/runtime/windows1252.h"

#include <limits>

namespace vellumo {

void RtfFontTable::set(int number, const QString& family) {
    if (!families_.contains(number))
        order_.append(number);
    families_.insert(number, family);
    if (number >= nextNumber_ && number < std::numeric_limits<int>::max())
        nextNumber_ = number + 1;
}

int RtfFontTable::numberOf(const QString& family) {
    for (int number : order_) {
        if (families_.value(number) == family)
            return number;
    }
    const int number = nextNumber_;
    set(number, family);
    return number;
}

void RtfFontTable::clear() {
    families_.clear();
    order_.clear();
    nextNumber_ = 0;
}

QByteArray RtfFontTable::toRtf() const {
    QByteArray out("{\\fonttbl");
    for (int number : order_) {
        out += "{\\f" + QByteArray::number(number) + "\\fnil\\fcharset0 ";
        QString family = families_.value(number);
        family.remove(QLatin1Char(';'));
        appendRtfText(out, family);
        out += ";}";
    }
    out += '}';
    return out;
}

void appendRtfText(QByteArray& out, QStringView text) {
    static const char hex[] = "0123456789abcdef";
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '\\' || u == '{' || u == '}') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u >= 0x20 && u < 0x7F) {
            out += static_cast<char>(u);
        } else {
            const auto byte = static_cast<unsigned char>(cp1252::encodeChar(u));
            out += "\\'";
            out += hex[byte >> 4];
            out += hex[byte & 15];
        }
    }
}

} // namespace vellumo
