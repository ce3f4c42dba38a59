#include "platform/richtext/rtf_picture.h"

#include "platform/runtime/hex_digit.h"
#include "platform/runtime/numeric.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace vellumo {

void RtfPicture::appendHexDigit(unsigned char c) {
    const int v = hexDigitValue(c);
    if (v < 0 || tooBig_)
        return;
    if (highNibble_ < 0) {
        highNibble_ = v;
        return;
    }
    if (data_.size() >= maxBytes_) {
        tooBig_ = true;
        data_.clear();
        return;
    }
    data_.append(static_cast<char>(highNibble_ * 16 + v));
    highNibble_ = -1;
}

void RtfPicture::appendBinary(const char* bytes, qsizetype count) {
    if (tooBig_ || count <= 0)
        return;
    if (data_.size() + count > maxBytes_) {
        tooBig_ = true;
        data_.clear();
        return;
    }
    data_.append(bytes, count);
}

QImage RtfPicture::decode(std::int64_t maxPixels) const {
    if (tooBig_ || data_.isEmpty() || (kind_ != Kind::Png && kind_ != Kind::Jpeg))
        return {};
    const char* decoder = nullptr;
    if (data_.startsWith("\x89PNG\r\n\x1a\n"))
        decoder = "png";
    else if (data_.startsWith("\xFF\xD8\xFF"))
        decoder = "jpeg";
    if (!decoder)
        return {};
    QByteArray copy = data_; // QBuffer wants a non-const array; the copy shares the bytes
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, decoder);
    reader.setDecideFormatFromContent(false);
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || static_cast<std::int64_t>(size.width()) * size.height() > maxPixels)
        return {};
    return reader.read();
}

QSize RtfPicture::displaySize(QSize own, int maxSide) const {
    const auto side = [maxSide](std::int64_t goal, int ownPixels, std::int64_t scale) {
        const double pixels = goal > 0 ? static_cast<double>(goal) / 15.0 : static_cast<double>(ownPixels);
        const double scaled = num::roundHalfEven(pixels * static_cast<double>(scale) / 100.0);
        return static_cast<int>(std::clamp<double>(scaled, 1, std::max(maxSide, 1)));
    };
    return {side(goalWidth_, own.width(), scaleX_), side(goalHeight_, own.height(), scaleY_)};
}

} // namespace vellumo
