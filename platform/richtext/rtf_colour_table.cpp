#include "platform/richtext/rtf_colour_table.h"

namespace vellumo {

std::optional<QColor> RtfColourTable::colour(int index) const {
    if (index < 0 || index >= entries_.size())
        return std::nullopt;
    return entries_[index];
}

int RtfColourTable::indexOf(const QColor& colour) {
    if (entries_.isEmpty())
        entries_.append(std::nullopt);
    const QRgb wanted = colour.rgb();
    for (qsizetype i = 0; i < entries_.size(); ++i) {
        if (entries_[i] && entries_[i]->rgb() == wanted)
            return static_cast<int>(i);
    }
    entries_.append(QColor::fromRgb(wanted));
    return static_cast<int>(entries_.size() - 1);
}

QByteArray RtfColourTable::toRtf() const {
    QByteArray out("{\\colortbl");
    for (const auto& entry : entries_) {
        if (entry) {
            out += "\\red" + QByteArray::number(entry->red()) + "\\green" + QByteArray::number(entry->green()) +
                   "\\blue" + QByteArray::number(entry->blue());
        }
        out += ';';
    }
    out += '}';
    return out;
}

} // namespace vellumo
