// Frame3D painting: the full repaint (UserControl_Resize), the inner bevel, the caption placement, the
// percentage bar and the gradient. Everything is drawn on the control's persistent image (canvas_) in
// pixels with Single coordinates; each statement that can fail runs in its own trap, so a failure is
// logged without a message box and the next statement still runs.

#include "frame_control/frame3d.h"

#include "platform/drawing/window_region.h"
#include "platform/runtime/numeric.h"
#include "platform/runtime/runtime_error.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace vellumo {

namespace {

// The arc angles, as the Single constants the frame was designed with.
constexpr float kA90 = 1.57f, kA180 = 3.14f, kA270 = 4.71f, kA360 = 6.28f;
constexpr float kFullTurn = static_cast<float>(2 * 3.14159265358979323846);

int px(float value) {
    return num::toInt32(static_cast<double>(value));
}

bool rounded(std::int32_t borderType) {
    return borderType >= rFrameInserted && borderType <= rNoneBorder;
}

// Counts the repaint routines running, so that the bar drawn inside a repaint is not told again.
struct Depth {
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
    int& depth;
};

} // namespace

double Frame3D::twipsPerPixelX() const {
    return 1440.0 / std::max(logicalDpiX(), 1);
}
double Frame3D::twipsPerPixelY() const {
    return 1440.0 / std::max(logicalDpiY(), 1);
}

// ---- primitives -------------------------------------------------------------------------------------

void Frame3D::Box(float left, float top, float right, float bottom, std::int32_t e) {
    const int l = px(left), t = px(top), r = px(right), b = px(bottom);
    canvas_.setPen({surface_.DrawStyle, 1, foreColor_});
    canvas_.setBrush(Brush::fromFillStyle(surface_.FillStyle, surface_.FillColor));
    canvas_.roundRect(l, t, r, b, e, e);
}

void Frame3D::Line(float x1, float y1, float x2, float y2, std::int32_t c) {
    const int ax = px(x1), ay = px(y1), bx = px(x2), by = px(y2);
    canvas_.setPen({surface_.DrawStyle, 1, c});
    canvas_.moveTo(ax, ay);
    canvas_.lineTo(bx, by);
}

void Frame3D::Arc(float cx, float cy, float radius, std::int32_t c, float a1, float a2) {
    const int x = px(cx), y = px(cy), r = px(radius);
    canvas_.setPen({surface_.DrawStyle, 1, c});
    canvas_.arc(x, y, r, a1, a2);
}

void Frame3D::Region(float left, float top, float right, float bottom, std::int32_t e) {
    WindowRegion::apply(*this, WindowRegion::roundRect(px(left), px(top), px(right), px(bottom), e, e));
}

void Frame3D::layBackground(Surface& surface, std::int32_t backColor, const QImage& picture) {
    surface.clear(backColor);
    if (!picture.isNull())
        surface.drawPicture(0, 0, picture);
}

void Frame3D::clearSurface(std::int32_t backColor) {
    if (canvas_.width() != width() || canvas_.height() != height())
        canvas_.resize(width(), height(), backColor);
    layBackground(canvas_, backColor, surface_.Picture);
}

void Frame3D::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, canvas_.image());
}

// ---- the full repaint -------------------------------------------------------------------------------

void Frame3D::UserControl_Resize() {
    if (onRepaint && repaintDepth_ == 0)
        onRepaint("UserControl_Resize");
    const Depth depth(repaintDepth_);
    const auto step = [this](const std::function<void()>& f) { trap("UserControl_Resize", false, f); };

    const float W = static_cast<float>(width()), H = static_cast<float>(height());
    float B = H, t = 0;
    std::int32_t d = 0;
    const std::int32_t r = m_CornerRadius;
    const float rf = static_cast<float>(r);
    const std::int32_t Sh = m_Border3DShadow, Hi = m_Border3DHighlight, Bk = m_BackColor;

    step([&] { lblCaptionBlank_->hide(); });
    // A top or bottom caption on the frame line moves the line to the middle of the caption's height.
    step([&] {
        if (m_BevelInner == 0 && m_CaptionLocation == 1 && !lblCaption_->Caption().isEmpty()) {
            const float lh = static_cast<float>(lblCaption_->height());
            if (m_CaptionAlignment >= 0 && m_CaptionAlignment <= 2) {
                t = lh / 2.25f;
                lblCaptionBlank_->show();
            } else if (m_CaptionAlignment >= 6 && m_CaptionAlignment <= 8) {
                B = H - lh / 2.25f;
                lblCaptionBlank_->show();
            }
        }
    });
    m_FrameTop = t;
    step([&] { d = num::mul32(2, m_CornerRadius); });

    step([&] {
        surfaceBackColor_ = Bk;
        clearSurface(Bk); // BackColor, and the Picture over it
    });
    step([&] { lblCaptionBlank_->setBackColor(Bk); });
    step([&] { QWidget::setEnabled(m_Enabled); });

    if (m_FillGradient != 0)
        step([&] { DrawGradiant(); });

    step([&] {
        const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
        const bool doubleLine = m_BorderType == FrameInserted || m_BorderType == FrameRaised ||
                                m_BorderType == rFrameInserted || m_BorderType == rFrameRaised;
        const double lines = doubleLine ? 2 : 1;
        m_InsideHeight = num::toInt32((H - 2 * lines) * ty);
        m_InsideWidth = num::toInt32((W - 2 * lines) * tx);
        m_InsideLeft = num::toInt32(lines * tx);
        m_InsideTop = num::toInt32(lines * ty);
    });

    const auto pen = [&](std::int32_t c) { foreColor_ = c; };
    const auto square = [&] { step([&] { Region(0, 0, W + 1, H + 1, 0); }); };
    const auto roundRegion = [&](std::int32_t e) { step([&] { Region(0, 0, W + 1, H + 1, e); }); };
    const auto frame = [&](std::int32_t first, std::int32_t second, std::int32_t e) {
        step([&] {
            pen(first);
            Box(0, t, W - 1, B - 1, e);
        });
        step([&] {
            pen(second);
            Box(1, t + 1, W, B, e);
        });
    };
    const auto roundPanel = [&](std::int32_t topLeft, std::int32_t bottomRight) {
        step([&] { lblCaptionBlank_->hide(); });
        step([&] {
            pen(Bk);
            Box(0, 0, W, H, d);
        });
        step([&] { Line(rf, 0, W - rf - 1, 0, topLeft); });
        step([&] { Line(0, rf, 0, H - rf - 1, topLeft); });
        step([&] { Line(W - 1, rf, W - 1, H - rf - 1, bottomRight); });
        step([&] { Line(rf, H - 1, W - rf - 1, H - 1, bottomRight); });
        step([&] { Arc(rf, rf, rf, topLeft, kA90, kA180); });
        step([&] { Arc(rf, H - rf - 1, rf, topLeft, kA180, kA270); });
        step([&] { Arc(W - rf - 1, rf, rf, bottomRight, kA360, kA90); });
        step([&] { Arc(W - rf - 1, H - rf - 1, rf, bottomRight, kA270, kFullTurn); });
    };

    switch (m_BorderType) {
    case FrameInserted:
        frame(Sh, Hi, 0);
        square();
        break;
    case FrameRaised:
        frame(Hi, Sh, 0);
        square();
        break;
    case PanelFlatShadow:
        step([&] {
            pen(Sh);
            Box(0, t, W - 1, B - 1, 0);
        });
        square();
        break;
    case PanelFlatHighlight:
        step([&] {
            pen(Hi);
            Box(0, t, W, B, 0);
        });
        square();
        break;
    case PanelRaised:
    case PanelInserted: {
        const bool raised = m_BorderType == PanelRaised;
        step([&] { lblCaptionBlank_->hide(); });
        step([&] {
            pen(Bk);
            Box(0, 0, W, H, 0);
        });
        step([&] { Line(W - 1, H - 1, W - 1, 0, raised ? Sh : Hi); });
        step([&] { Line(W - 1, H - 1, 0, H - 1, raised ? Sh : Hi); });
        // The inserted panel's top and left lines stop one pixel short of the far corner.
        step([&] { Line(raised ? W - 1 : W - 2, 0, 0, 0, raised ? Hi : Sh); });
        step([&] { Line(0, raised ? H - 1 : H - 2, 0, 0, raised ? Hi : Sh); });
        square();
        break;
    }
    case rFrameInserted:
        frame(Sh, Hi, d);
        roundRegion(d);
        break;
    case rFrameRaised:
        frame(Hi, Sh, d);
        roundRegion(d);
        break;
    case rPanelFlatShadow:
        step([&] {
            pen(Sh);
            Box(0, t, W, B, d);
        });
        roundRegion(d);
        break;
    case rPanelFlatHighlight:
        step([&] {
            pen(Hi);
            Box(0, t, W, B, d);
        });
        roundRegion(d);
        break;
    case rPanelRaised:
        roundPanel(Hi, Sh);
        roundRegion(d);
        break;
    case rPanelInserted:
        roundPanel(Sh, Hi);
        roundRegion(r);
        break; // the radius, not the diameter
    case rNoneBorder:
        step([&] {
            pen(Bk);
            Box(0, 0, W, H, 0);
        });
        step([&] { Region(1, 1, W, H, d); });
        break;
    default: // None Border and any value outside the enumeration
        step([&] {
            pen(Bk);
            Box(0, 0, W, H, 0);
        });
        square();
        break;
    }

    DrawBevelInner();
    DrawCaptionAlignment();
}

// ---- inner bevel ------------------------------------------------------------------------------------

void Frame3D::DrawBevelInner() {
    const auto step = [this](const std::function<void()>& f) { trap("DrawBevelInner", false, f); };
    const float W = static_cast<float>(width()), H = static_cast<float>(height());
    if (m_BevelInner != 0) {
        const float i = static_cast<float>(m_BevelWidth) + m_FrameTop;
        step([&] { lblCaptionBlank_->hide(); });
        const float c = rounded(m_BorderType) ? static_cast<float>(m_CornerRadius) : 0.0f;
        const std::int32_t Sh = m_Border3DShadow, Hi = m_Border3DHighlight;
        const auto bevel = [&](std::int32_t topLeft, std::int32_t bottomRight) {
            step([&] { Line(i + c, i, W - c - 1 - i, i, topLeft); });
            step([&] { Line(i, i + c, i, H - i - c - 1, topLeft); });
            step([&] { Line(W - i - 1, i + c, W - i - 1, H - c - i - 1, bottomRight); });
            step([&] { Line(i + c, H - i - 1, W - i - c - 1, H - i - 1, bottomRight); });
            if (c != 0) {
                step([&] { Arc(i + c, i + c, c, topLeft, kA90, kA180); });
                step([&] { Arc(i + c, H - i - c - 1, c, topLeft, kA180, kA270); });
                step([&] { Arc(W - c - i - 1, i + c, c, bottomRight, kA360, kA90); });
                step([&] { Arc(W - c - i - 1, H - i - c - 1, c, bottomRight, kA270, kFullTurn); });
            }
        };
        switch (m_BevelInner) {
        case InsertedBevel:
            bevel(Sh, Hi);
            break;
        case RaisedBevel:
            bevel(Hi, Sh);
            break;
        case FlatShadow:
        case FlatHighlight:
            // The bevel's corner ellipse is the radius itself, not twice it as for the border.
            step([&] {
                foreColor_ = m_BevelInner == FlatShadow ? Sh : Hi;
                Box(i, i, W - i, H - i, px(c));
            });
            break;
        default:
            break;
        }
        step([&] {
            const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
            m_InsideHeight = num::toInt32((H - i - i - 2) * ty);
            m_InsideWidth = num::toInt32((W - i - i - 2) * tx);
            m_InsideLeft = num::toInt32((i + 1) * tx);
            m_InsideTop = num::toInt32((i + 1) * ty);
        });
    }
    if (m_FloodPercent > 0)
        step([&] { DrawFlood(); });
}

// ---- caption ----------------------------------------------------------------------------------------

void Frame3D::DrawCaptionAlignment() {
    const auto step = [this](const std::function<void()>& f) { trap("DrawCaptionAlignment", false, f); };
    if (!lblCaption_->Caption().isEmpty()) {
        const float W = static_cast<float>(width()), H = static_cast<float>(height());
        std::int32_t m = 1;
        step([&] {
            if (rounded(m_BorderType)) {
                m = m_CornerRadius;
                if (m_CaptionLocation != 0)
                    m = num::add32(m_CornerRadius, 3); // an overflow leaves m = CornerRadius
            } else if (m_BorderType >= FrameInserted && m_BorderType <= PanelInserted) {
                m = m_CaptionLocation != 0 ? 6 : 3;
            }
        });
        float Wr = W, Hr = H;
        step([&] {
            if (m_BevelInner != 0) {
                const float twice = static_cast<float>(num::mul32(2, m_BevelWidth));
                Wr = W - twice;
                Hr = H - twice;
            }
        });
        step([&] {
            const float lw = static_cast<float>(lblCaption_->width()), lh = static_cast<float>(lblCaption_->height());
            const float mf = static_cast<float>(m);
            const float left[3] = {mf, (Wr - lw) / 2, Wr - lw - mf};
            const float middleLeft[3] = {3, (Wr - lw) / 2, Wr - lw - 3}; // the middle row ignores the margin
            const float top[3] = {1, (Hr - lh) / 2, Hr - lh - 3};
            const std::int32_t a = m_CaptionAlignment;
            if (a >= 0 && a <= 8) {
                const int row = a / 3, column = a % 3;
                m_CaptionLeft = row == 1 ? middleLeft[column] : left[column];
                m_CaptionTop = top[row];
            }
        });
        step([&] {
            if (m_BevelInner != 0) {
                m_CaptionLeft += static_cast<float>(m_BevelWidth);
                m_CaptionTop += static_cast<float>(m_BevelWidth);
            }
        });
        step([&] { DrawCaptionStyle(); });
    }
    step([&] { update(); });
}

void Frame3D::DrawCaptionStyle() {
    const auto step = [this](const std::function<void()>& f) { trap("DrawCaptionStyle", false, f); };
    step([&] { lblCaption_->move(px(m_CaptionLeft), px(m_CaptionTop)); });
    step([&] {
        const QPoint at = lblCaption_->pos();
        switch (m_Caption3D) {
        case FlatCaption:
            lblCaptionShadow_->hide();
            break;
        case InsertedCaption:
            lblCaptionShadow_->show();
            lblCaptionShadow_->move(at.x() + 1, at.y() + 1);
            break;
        case RaisedCaption:
            lblCaptionShadow_->show();
            lblCaptionShadow_->move(at.x() - 1, at.y() - 1);
            break;
        default:
            break;
        }
    });
    step([&] {
        const QRect g = lblCaption_->geometry();
        lblCaptionBlank_->setGeometry(g.x() - 1, g.y() - 1, g.width() + 2, g.height() + 2);
    });
}

// ---- percentage bar ---------------------------------------------------------------------------------

void Frame3D::DrawFlood() {
    if (onRepaint && repaintDepth_ == 0)
        onRepaint("DrawFlood");
    const Depth depth(repaintDepth_);
    const auto step = [this](const std::function<void()>& f) { trap("DrawFlood", false, f); };
    step([&] {
        if (m_FloodShowPct) {
            setBothCaptions(QString::number(m_FloodPercent) + QLatin1Char('%'));
            DrawCaptionAlignment();
        }
    });
    if (m_FloodPercent == 0)
        return;
    step([&] {
        const float W = static_cast<float>(width()), H = static_cast<float>(height());
        const float m = m_BevelInner != 0 ? m_FrameTop + static_cast<float>(m_BevelWidth) + 1 : m_FrameTop + 1;
        const float pct = static_cast<float>(m_FloodPercent);
        if (m_FloodType != LeftToRight) {
            const float h = H - m - m - 1;
            const float hp = h - h * (pct / 100);
            canvas_.solidBox(px(m), px(H - m - 1), px(W - m - 1), px(hp + m), m_FloodColor);
        } else {
            const float w = (W - m - m) * pct / 100;
            canvas_.solidBox(px(m), px(m), px(w + m - 1), px(H - m - 1), m_FloodColor);
        }
        update();
    });
}

// ---- gradient ---------------------------------------------------------------------------------------

void Frame3D::ColorToRGB(std::int32_t colour, float& red, float& green, float& blue) {
    if (colour < 0)
        colour = SystemColors::sysColor(static_cast<int>(static_cast<std::uint32_t>(colour) & 0xFFu));
    red = static_cast<float>(colour & 0xFF);
    green = static_cast<float>((colour >> 8) & 0xFF);
    blue = static_cast<float>((colour >> 16) & 0xFF);
}

void Frame3D::DrawGradiant() {
    // Failures are skipped without a record: the gradient is decoration.
    const auto quietly = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const std::exception&) {
        }
    };
    float r = 0, g = 0, b = 0, r2 = 0, g2 = 0, b2 = 0;
    ColorToRGB(surface_.FillColor, r, g, b);
    ColorToRGB(surfaceBackColor_, r2, g2, b2);
    const bool horizontal = m_FillGradient == FillHorizontal;
    if (!horizontal && m_FillGradient != FillVertical)
        return;
    std::int32_t n = 0;
    bool sized = false;
    quietly([&] {
        const double extent = horizontal ? width() : height();
        n = num::toInt32(extent - static_cast<double>(m_CornerRadius));
        sized = true;
    });
    if (!sized)
        return;
    float dr = 0, dg = 0, db = 0;
    if (n != 0) { // with n = 0 the divisions fail and only the start colour's line is drawn
        dr = (r2 - r) / static_cast<float>(n);
        dg = (g2 - g) / static_cast<float>(n);
        db = (b2 - b) / static_cast<float>(n);
    }
    const auto part = [](float v) { return std::clamp(static_cast<int>(num::roundHalfEven(v)), 0, 255); };
    for (std::int32_t k = 0; k <= n; ++k) {
        quietly([&] {
            const std::int32_t colour = part(r) + 256 * part(g) + 65536 * part(b);
            const float at = static_cast<float>(k);
            if (horizontal)
                Line(at, 0, at, static_cast<float>(height()), colour);
            else
                Line(0, at, static_cast<float>(width()), at, colour);
        });
        r += dr;
        g += dg;
        b += db;
        if (k >= (horizontal ? width() : height()))
            break; // lines beyond the surface draw nothing
    }
    update();
}

} // namespace vellumo
