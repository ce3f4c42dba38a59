#pragma once
// RtfPicture: one inline picture of an RTF document, as the {\pict ...} group carries it. The reader
// collects the group into it and asks for the image; the writer can describe a picture the same way.
// Owned by the reader for the length of one \pict group.
//
//   word            meaning
//   \pngblip        PNG data          \jpegblip   JPEG data       (other kinds are never decoded)
//   \picwgoalN      displayed width in twips, 15 to a pixel;  \pichgoalN the height
//   \picscalexN     horizontal scale in percent (100 when absent);  \picscaleyN vertical
//   hex digits      the data, two digits a byte (white space between them ignored, an odd last digit
//                   dropped);  \binN: N raw bytes of data instead
//
// Invariants: the data never grows beyond the byte cap given at construction (a picture that would is
// marked too big and is never shown); only data that starts with the PNG or JPEG signature is handed to
// a decoder, whatever the group claims.

#include <QByteArray>
#include <QImage>
#include <QSize>

#include <cstdint>

namespace vellumo {

class RtfPicture {
public:
    enum class Kind : std::uint8_t { None, Png, Jpeg, Other };

    explicit RtfPicture(qsizetype maxBytes = 16 * 1024 * 1024) : maxBytes_(maxBytes) {}

    void setKind(Kind kind) { kind_ = kind; }
    Kind kind() const { return kind_; }
    void setGoalWidth(std::int64_t twips) { goalWidth_ = twips > 0 ? twips : 0; }
    void setGoalHeight(std::int64_t twips) { goalHeight_ = twips > 0 ? twips : 0; }
    void setScaleX(std::int64_t percent) { scaleX_ = clampScale(percent); }
    void setScaleY(std::int64_t percent) { scaleY_ = clampScale(percent); }

    // One character of the group's text: hex digits add to the data, anything else is ignored.
    void appendHexDigit(unsigned char c);
    void appendBinary(const char* bytes, qsizetype count);
    const QByteArray& data() const { return data_; }
    bool tooBig() const { return tooBig_; }

    // The decoded picture, or a null image when it is not a PNG or JPEG picture, does not decode, or has
    // more than maxPixels pixels.
    QImage decode(std::int64_t maxPixels) const;
    // The size to show image at: the goals (else the image's own size) times the scales, each side
    // rounded half to even and clamped to 1..maxSide.
    QSize displaySize(QSize own, int maxSide) const;

private:
    static std::int64_t clampScale(std::int64_t percent) { return percent < 1 ? 1 : percent > 10000 ? 10000 : percent; }

    qsizetype maxBytes_;
    Kind kind_ = Kind::None;
    QByteArray data_;
    int highNibble_ = -1;
    bool tooBig_ = false;
    std::int64_t goalWidth_ = 0, goalHeight_ = 0;
    std::int64_t scaleX_ = 100, scaleY_ = 100;
};

} // namespace vellumo
