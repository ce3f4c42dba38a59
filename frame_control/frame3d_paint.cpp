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
//
// UserControl_Resize runs the repaint's steps in their order. Every statement of a step that can fail
// runs in a trap of its own (resizeStep): a failure is one record under "UserControl_Resize", without
// a message box, and the next statement still runs.

// What the steps of one repaint share: the surface's size, where the border's top and bottom lines
// run, and the corners' diameter (0 when twice the radius does not fit).
struct Frame3D::BorderGeometry {
    float W = 0;
    float H = 0;
    float top = 0;
    float bottom = 0;
    std::int32_t diameter = 0;
};

void Frame3D::UserControl_Resize() {
    if (onRepaint && repaintDepth_ == 0)
        onRepaint("UserControl_Resize");
    const Depth depth(repaintDepth_);
    const BorderGeometry border = placeBorder();
    setUpSurface();
    if (m_FillGradient != 0)
        resizeStep([&] { DrawGradiant(); });
    setInsideOfBorder(border);
    DrawBorder(border);
    DrawBevelInner();
    DrawCaptionAlignment();
}

void Frame3D::resizeStep(const std::function<void()>& statement) {
    trap("UserControl_Resize", false, statement);
}

// A top or bottom caption on the frame line moves that line to the middle of the caption's height,
// and shows the blank patch behind the caption.
Frame3D::BorderGeometry Frame3D::placeBorder() {
    BorderGeometry g{static_cast<float>(width()), static_cast<float>(height())};
    g.bottom = g.H;
    resizeStep([&] { lblCaptionBlank_->hide(); });
    resizeStep([&] {
        if (m_BevelInner == 0 && m_CaptionLocation == 1 && !lblCaption_->Caption().isEmpty()) {
            const float lh = static_cast<float>(lblCaption_->height());
            if (m_CaptionAlignment >= 0 && m_CaptionAlignment <= 2) {
                g.top = lh / 2.25f;
                lblCaptionBlank_->show();
            } else if (m_CaptionAlignment >= 6 && m_CaptionAlignment <= 8) {
                g.bottom = g.H - lh / 2.25f;
                lblCaptionBlank_->show();
            }
        }
    });
    m_FrameTop = g.top;
    resizeStep([&] { g.diameter = num::mul32(2, m_CornerRadius); });
    return g;
}

// The whole surface in BackColor (with the Picture over it), and the surface's settings.
void Frame3D::setUpSurface() {
    const std::int32_t Bk = m_BackColor;
    resizeStep([&] {
        surfaceBackColor_ = Bk;
        clearSurface(Bk);
    });
    resizeStep([&] { lblCaptionBlank_->setBackColor(Bk); });
    resizeStep([&] { QWidget::setEnabled(m_Enabled); });
}

// The Inside values within the border: two lines for the frames, one for everything else.
void Frame3D::setInsideOfBorder(const BorderGeometry& g) {
    resizeStep([&] {
        const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
        const bool doubleLine = m_BorderType == FrameInserted || m_BorderType == FrameRaised ||
                                m_BorderType == rFrameInserted || m_BorderType == rFrameRaised;
        const double lines = doubleLine ? 2 : 1;
        m_InsideHeight = num::toInt32((g.H - 2 * lines) * ty);
        m_InsideWidth = num::toInt32((g.W - 2 * lines) * tx);
        m_InsideLeft = num::toInt32(lines * tx);
        m_InsideTop = num::toInt32(lines * ty);
    });
}

// The border of BorderType, then the window's region. Types 7 to 13 are the rounded forms of 1 to 6
// and 0: the same drawing with corners of diameter d.
void Frame3D::DrawBorder(const BorderGeometry& g) {
    const std::int32_t Sh = m_Border3DShadow, Hi = m_Border3DHighlight;
    const std::int32_t e = rounded(m_BorderType) ? g.diameter : 0;
    switch (m_BorderType) {
    case FrameInserted:
    case rFrameInserted:
        drawFrame(g, Sh, Hi, e);
        break;
    case FrameRaised:
    case rFrameRaised:
        drawFrame(g, Hi, Sh, e);
        break;
    case PanelFlatShadow:
        drawFlatPanel(g, Sh, 1, e); // the square one stops one pixel short of the right and bottom edges
        break;
    case rPanelFlatShadow:
        drawFlatPanel(g, Sh, 0, e);
        break;
    case PanelFlatHighlight:
    case rPanelFlatHighlight:
        drawFlatPanel(g, Hi, 0, e);
        break;
    case PanelRaised:
        drawPanel(g, true);
        break;
    case PanelInserted:
        drawPanel(g, false);
        break;
    case rPanelRaised:
        drawRoundedPanel(g, Hi, Sh);
        break;
    case rPanelInserted:
        drawRoundedPanel(g, Sh, Hi);
        break;
    default: // None Border, rNone Border and any value outside the enumeration: the face alone
        drawFace(g, 0);
        break;
    }
    clipWindow(g);
}

// Two nested outlines one pixel apart, the second over the first: an etched line that follows the
// caption's top and bottom lines.
void Frame3D::drawFrame(const BorderGeometry& g, std::int32_t first, std::int32_t second, std::int32_t e) {
    resizeStep([&] {
        foreColor_ = first;
        Box(0, g.top, g.W - 1, g.bottom - 1, e);
    });
    resizeStep([&] {
        foreColor_ = second;
        Box(1, g.top + 1, g.W, g.bottom, e);
    });
}

// One outline in one colour, following the caption's top and bottom lines; inset pulls its right and
// bottom edges in.
void Frame3D::drawFlatPanel(const BorderGeometry& g, std::int32_t pen, float inset, std::int32_t e) {
    resizeStep([&] {
        foreColor_ = pen;
        Box(0, g.top, g.W - inset, g.bottom - inset, e);
    });
}

// The face: the whole surface outlined in BackColor and filled with the surface's fill.
void Frame3D::drawFace(const BorderGeometry& g, std::int32_t e) {
    resizeStep([&] {
        foreColor_ = m_BackColor;
        Box(0, 0, g.W, g.H, e);
    });
}

// A raised or inserted panel over the full surface, without the blank patch. The inserted panel's top
// and left lines stop one pixel short of the far corner.
void Frame3D::drawPanel(const BorderGeometry& g, bool raised) {
    const std::int32_t Sh = m_Border3DShadow, Hi = m_Border3DHighlight;
    const float W = g.W, H = g.H;
    resizeStep([&] { lblCaptionBlank_->hide(); });
    drawFace(g, 0);
    resizeStep([&] { Line(W - 1, H - 1, W - 1, 0, raised ? Sh : Hi); });
    resizeStep([&] { Line(W - 1, H - 1, 0, H - 1, raised ? Sh : Hi); });
    resizeStep([&] { Line(raised ? W - 1 : W - 2, 0, 0, 0, raised ? Hi : Sh); });
    resizeStep([&] { Line(0, raised ? H - 1 : H - 2, 0, 0, raised ? Hi : Sh); });
}

// The rounded panel: straight edges between the corners and quarter arcs of radius r centred r pixels
// in from each corner.
void Frame3D::drawRoundedPanel(const BorderGeometry& g, std::int32_t topLeft, std::int32_t bottomRight) {
    const float W = g.W, H = g.H, r = static_cast<float>(m_CornerRadius);
    resizeStep([&] { lblCaptionBlank_->hide(); });
    drawFace(g, g.diameter);
    resizeStep([&] { Line(r, 0, W - r - 1, 0, topLeft); });
    resizeStep([&] { Line(0, r, 0, H - r - 1, topLeft); });
    resizeStep([&] { Line(W - 1, r, W - 1, H - r - 1, bottomRight); });
    resizeStep([&] { Line(r, H - 1, W - r - 1, H - 1, bottomRight); });
    resizeStep([&] { Arc(r, r, r, topLeft, kA90, kA180); });
    resizeStep([&] { Arc(r, H - r - 1, r, topLeft, kA180, kA270); });
    resizeStep([&] { Arc(W - r - 1, r, r, bottomRight, kA360, kA90); });
    resizeStep([&] { Arc(W - r - 1, H - r - 1, r, bottomRight, kA270, kFullTurn); });
}

// The window's region: the whole surface, square for the square types and with corner ellipses of
// diameter d for the rounded ones. The inserted rounded panel clips with the radius itself, and
// rNone Border one pixel inside the surface.
void Frame3D::clipWindow(const BorderGeometry& g) {
    const std::int32_t e = !rounded(m_BorderType) ? 0 : m_BorderType == rPanelInserted ? m_CornerRadius : g.diameter;
    const float inset = m_BorderType == rNoneBorder ? 1 : 0;
    resizeStep([&] { Region(inset, inset, g.W + 1 - inset, g.H + 1 - inset, e); });
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
