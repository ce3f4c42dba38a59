// TeskButtonConcept's pictures (placed by CalcPictureRect, painted last by DrawPicture) and the
// Transparent look's capture of the container's pixels under the button.
#include "button_control/tesk_button_concept.h"

#include "platform/runtime/numeric.h"
#include "platform/runtime/ui_hooks.h"

#include <QImage>
#include <QRegion>

namespace vellumo {

namespace {

using channel::blue;
using channel::green;
using channel::red;
using channel::rgb;

std::int32_t roundToInt(double value) {
    return static_cast<std::int32_t>(num::roundHalfEven(value));
}

// Runs one step of the capture; a failing step leaves the next one to run.
template <class Step> void ignoringFailure(Step step) {
    try {
        step();
    } catch (...) {
    }
}

} // namespace

void TeskButtonConcept::paintAt(int dx, int dy, const QImage& picture, std::int32_t tint, bool silhouette,
                                bool greyscale, bool blend) {
    PaintPictureDIB(canvas_, picLeft_ + dx, picTop_ + dy, picWidth_, picHeight_, picture, colors_.mask, tint,
                    silhouette, greyscale, blend);
}

void TeskButtonConcept::DrawPicture(int pictureState) {
    if (m_PictureNormal.isNull())
        return; // PictureOver alone is never shown
    const QImage& normal = m_PictureNormal;
    const QImage& over = m_PictureOver;
    const bool office = m_ButtonType == OfficeXP;
    const bool java = m_ButtonType == JavaMetal;
    const ButtonColors& c = colors_;
    switch (pictureState) {
    case 0:
        if (!hovering_) {
            DrawPictureEffect(0, normal);
            paintAt(0, 0, normal, -1, false, m_UseGreyscale, office);
        } else if (office) {
            DrawPictureEffect(-1, normal);
            paintAt(1, 1, normal, c.shadow);
            paintAt(-1, -1, normal);
        } else if (!over.isNull()) {
            DrawPictureEffect(0, over);
            paintAt(0, 0, over);
        } else {
            DrawPictureEffect(0, normal);
            paintAt(0, 0, normal);
        }
        break;
    case 1:
        if (!over.isNull() && !office) {
            const int d = java ? 0 : 1;
            paintAt(d, d, over);
        } else if (!java && !office) {
            DrawPictureEffect(1, normal);
            paintAt(1, 1, normal);
        } else {
            DrawPictureEffect(0, normal);
            paintAt(0, 0, normal);
        }
        break;
    case 2:
        if (m_ButtonType == WindowsXP) {
            paintAt(1, 1, normal, -1, false, true);
        } else if (java || m_ButtonType == Netscape6) {
            paintAt(0, 0, normal, c.shadow, true);
        } else if (office) {
            paintAt(0, 0, normal, ShiftColor(c.shadow, 13, false), true);
        } else {
            paintAt(1, 1, normal, c.highlight, true);
            paintAt(0, 0, normal, c.shadow, true);
        }
        break;
    default:
        break;
    }
    if (m_PicturePosition == cbBackground)
        DrawCaption(lastCaptionStyle_); // the caption stays on top of a background picture
}

void TeskButtonConcept::DrawPictureEffect(int offset, const QImage& picture) {
    if (m_SpecialEffect < 1)
        return;
    std::int32_t base = colors_.paleHot;
    if (m_ButtonType == WindowsXP)
        base = colors_.baseFace;
    else if (offset != -1 || m_ColorScheme == Custom)
        base = colors_.face;
    const bool engraved = m_SpecialEffect == cbEngraved;
    paintAt(offset + 1, offset + 1, picture, ShiftColor(base, engraved ? 40 : -40, false));
    if (m_SpecialEffect == cbEmbossed || engraved)
        paintAt(offset - 1, offset - 1, picture, ShiftColor(base, engraved ? -40 : 40, false));
}

void TeskButtonConcept::PaintPictureDIB(Surface& target, int x, int y, int w, int h, const QImage& picture,
                                        std::int32_t maskColour, std::int32_t tint, bool silhouette, bool greyscale,
                                        bool blend) {
    if (w == 0 || h == 0 || picture.isNull())
        return;
    if (w < 0)
        w = picture.width();
    if (h < 0)
        h = picture.height();

    // The source: a bitmap as it is; an icon (a picture with transparency) drawn over a solid
    // background of the raw MaskColor, so that its transparent parts take the mask colour.
    Surface source(w, h, 0);
    if (picture.hasAlphaChannel())
        source.drawIcon(0, 0, picture, m_MaskColor);
    else
        source.bitBlt(0, 0, w, h, picture, 0, 0);

    const std::int32_t transparent = m_UseMaskColor ? maskColour : -1;
    const bool tinted = tint >= 0;
    const std::int32_t tr = tint > 0 ? red(tint) : 0;
    const std::int32_t tg = tint > 0 ? green(tint) : 0;
    const std::int32_t tb = tint > 0 ? blue(tint) : 0;

    for (int row = 0; row < h; ++row) {
        const int ty = y + row;
        if (ty < 0 || ty >= target.height())
            continue; // outside the surface: nothing to show, nothing to write back
        for (int col = 0; col < w; ++col) {
            const int tx = x + col;
            if (tx < 0 || tx >= target.width())
                continue;
            const std::int32_t p = source.getPixel(col, row);
            const std::int32_t pr = red(p), pg = green(p), pb = blue(p);
            // A 32-bit surface shows every colour as it is, so the nearest colour is the colour.
            if (p == transparent)
                continue;
            std::int32_t out;
            if (!tinted) {
                if (greyscale) {
                    const std::int32_t a = roundToInt(0.3 * pr);
                    const std::int32_t g = roundToInt(a + 0.59 * pg + 0.11 * pb);
                    out = rgb(g, g, g);
                } else if (blend) {
                    const std::int32_t b = target.getPixel(tx, ty);
                    out = rgb((2 * pr + red(b)) / 3, (2 * pg + green(b)) / 3, (2 * pb + blue(b)) / 3);
                } else {
                    out = p;
                }
            } else {
                if (silhouette && pr + pg + pb > 384)
                    continue;
                out = rgb(tr, tg, tb);
            }
            target.setPixel(tx, ty, out);
        }
    }
}

void TeskButtonConcept::CaptureBackground() {
    QWidget* container = parentWidget();
    capturing_ = true; // the resize handler does nothing while the height goes to 0 and back
    const int keepWidth = width();
    // The container repaints the area once the button is out of the way.
    ignoringFailure([&] { resize(keepWidth, 0); });
    ignoringFailure([&] { ui().doEvents(); });
    ignoringFailure([&] {
        if (!container || background_.isNull())
            return;
        // Qt places a child in its container's client coordinates already. The container is rendered
        // at one device pixel per logical pixel, the button's own unit: a grab on a scaled display
        // would give device pixels (twice as many each way at a factor of 2).
        QImage pixels(W_, H_, QImage::Format_RGB32);
        pixels.fill(0xFF000000u);
        container->render(&pixels, QPoint(), QRegion(x(), y(), W_, H_),
                          QWidget::DrawWindowBackground | QWidget::DrawChildren | QWidget::IgnoreMask);
        Surface memory(background_.width(), background_.height(), 0);
        memory.bitBlt(0, 0, background_.width(), background_.height(), background_, 0, 0);
        memory.bitBlt(0, 0, W_, H_, pixels, 0, 0);
        background_ = memory.image();
    });
    ignoringFailure([&] { resize(keepWidth, H_); });
    capturing_ = false;
}

} // namespace vellumo
