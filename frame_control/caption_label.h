#pragma once
// CaptionLabel: one of the three constituent labels of a Frame3D (the caption, its shadow copy and the
// opaque blank patch behind it). It keeps the label's own properties as the platform's label control
// has them: the caption text as given (with its "&" marks), the text colour as a colour value
// (&H800000nn allowed), the alignment code, the mnemonic flag, transparent or opaque background and
// sizing to the text. Qt shows the result; the Frame3D painter places the labels.
//
//   alignment  0 left, 1 right, 2 centre; any other value raises error 380
//   mnemonic   True: "&x" marks x as the access key and is shown as x, "&&" shows one "&";
//              False: the text is shown as it stands
//   font       kept in points: a font given by pixel size gets the point size of those pixels on the
//              label's screen, so the size always reads back as a positive number of points
//
// Owned by its Frame3D (a Qt child of it).

#include "frame_control/lumbra_export.h"

#include <QLabel>

#include <cstdint>
#include <functional>

namespace vellumo {

class LUMBRA_EXPORT CaptionLabel : public QLabel {
public:
    CaptionLabel(QWidget* parent, bool opaque);

    const QString& Caption() const { return caption_; }
    void setCaption(const QString& text);
    std::int32_t ForeColor() const { return foreColor_; }
    void setForeColor(std::int32_t color);
    std::int32_t BackColor() const { return backColor_; }
    void setBackColor(std::int32_t color);
    std::int16_t Alignment() const { return alignment_; }
    void setAlignmentCode(std::int16_t alignment);
    bool UseMnemonic() const { return useMnemonic_; }
    void setUseMnemonic(bool on);
    void setLabelFont(const QFont& font);
    // The font's size in points (never 0 or less for a font the label holds).
    float pointSize() const;

    // The text as shown (mnemonic marks resolved).
    static QString shownText(const QString& caption, bool useMnemonic);
    // The access key the caption marks, in lower case: the character after the first "&" that is not
    // part of a "&&"; empty without the mnemonic flag or without such a mark.
    static QString accessKey(const QString& caption, bool useMnemonic);

    // Told after every change of the label's text, flag, font or colours.
    std::function<void()> onChanged;

private:
    void refresh();

    QString caption_;
    std::int32_t foreColor_ = 0;
    std::int32_t backColor_ = 0;
    std::int16_t alignment_ = 0;
    bool useMnemonic_ = false;
    bool opaque_;
};

} // namespace vellumo
