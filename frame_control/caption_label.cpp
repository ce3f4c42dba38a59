#include "frame_control/caption_label.h"

#include "platform/drawing/system_colors.h"
#include "platform/hosting/control_site.h"
#include "platform/hosting/property_bag.h"

#include <QFontInfo>
#include <QPalette>

namespace vellumo {

CaptionLabel::CaptionLabel(QWidget* parent, bool opaque) : QLabel(parent), opaque_(opaque) {
    setTextFormat(Qt::PlainText);
    setMouseTracking(true);
    setAutoFillBackground(opaque);
    refresh();
}

QString CaptionLabel::shownText(const QString& caption, bool useMnemonic) {
    if (!useMnemonic)
        return caption;
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) {
            ++i; // "&x" shows x, "&&" shows "&"
        }
        shown += caption[i];
    }
    return shown;
}

QString CaptionLabel::accessKey(const QString& caption, bool useMnemonic) {
    if (!useMnemonic)
        return {};
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] != QLatin1Char('&'))
            return caption[i + 1].toLower();
        ++i; // "&&" is a literal ampersand
    }
    return {};
}

void CaptionLabel::setCaption(const QString& text) {
    caption_ = text;
    refresh();
}

void CaptionLabel::setForeColor(std::int32_t color) {
    foreColor_ = color;
    refresh();
}

void CaptionLabel::setBackColor(std::int32_t color) {
    backColor_ = color;
    refresh();
}

void CaptionLabel::setAlignmentCode(std::int16_t alignment) {
    if (alignment < 0 || alignment > 2)
        hosting::raiseInvalidPropertyValue(QStringLiteral("Label"));
    alignment_ = alignment;
    refresh();
}

void CaptionLabel::setUseMnemonic(bool on) {
    useMnemonic_ = on;
    refresh();
}

void CaptionLabel::setLabelFont(const QFont& font) {
    setFont(fontInPoints(font, logicalDpiY()));
    refresh();
}

float CaptionLabel::pointSize() const {
    const double points = font().pointSizeF();
    return static_cast<float>(points > 0 ? points : QFontInfo(font()).pointSizeF());
}

void CaptionLabel::refresh() {
    static const Qt::Alignment alignments[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter};
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, SystemColors::toQColor(foreColor_));
    pal.setColor(QPalette::Window, SystemColors::toQColor(backColor_));
    setPalette(pal);
    setAlignment(alignments[alignment_] | Qt::AlignTop);
    setText(shownText(caption_, useMnemonic_));
    if (!opaque_)
        adjustSize(); // sizes itself to its text
    if (onChanged)
        onChanged();
}

} // namespace vellumo
