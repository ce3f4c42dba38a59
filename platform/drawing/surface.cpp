#include "platform/drawing/surface.h"

#include "platform/drawing/system_colors.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace vellumo {

namespace {

struct Pattern {
    const int* lengths;
    int count;
};

constexpr int kDash[] = {18, 6};
constexpr int kDot[] = {3, 3};
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};

Pattern patternOf(int style) {
    switch (style) {
    case Pen::Dash:
        return {kDash, 2};
    case Pen::Dot:
        return {kDot, 2};
    case Pen::DashDot:
        return {kDashDot, 4};
    case Pen::DashDotDot:
        return {kDashDotDot, 6};
    default:
        return {nullptr, 0};
    }
}

bool hatchHit(int hatch, int x, int y) {
    const int mx = ((x % 8) + 8) % 8, my = ((y % 8) + 8) % 8;
    switch (hatch) {
    case Brush::Horizontal:
        return my == 0;
    case Brush::Vertical:
        return mx == 0;
    case Brush::FDiagonal:
        return mx == my; // "\"
    case Brush::BDiagonal:
        return (mx + my) % 8 == 7; // "/"
    case Brush::Cross:
        return mx == 0 || my == 0;
    case Brush::DiagCross:
        return mx == my || (mx + my) % 8 == 7;
    default:
        return false;
    }
}

// Nearest integer of step * delta / den for den > 0, halves rounded up; wide enough for any two
// 32-bit coordinates.
__extension__ typedef __int128 Wide;
std::int64_t stepOffset(std::int64_t step, std::int64_t delta, std::int64_t den) {
    const Wide twice = 2 * static_cast<Wide>(step) * delta + den;
    const Wide twoDen = 2 * static_cast<Wide>(den);
    Wide q = twice / twoDen;
    if (twice % twoDen < 0)
        --q;
    return static_cast<std::int64_t>(q);
}

} // namespace

Brush Brush::fromFillStyle(int fillStyle, std::int32_t color) {
    switch (fillStyle) {
    case 0:
        return solid(color);
    case 2:
        return hatched(Horizontal, color);
    case 3:
        return hatched(Vertical, color);
    case 4:
        return hatched(BDiagonal, color); // upward diagonal
    case 5:
        return hatched(FDiagonal, color); // downward diagonal
    case 6:
        return hatched(Cross, color);
    case 7:
        return hatched(DiagCross, color);
    default:
        return hollow();
    }
}

Surface::Surface(int width, int height, std::int32_t color) {
    resize(width, height, color);
}

void Surface::resize(int width, int height, std::int32_t color) {
    image_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
    clear(color);
}

void Surface::clear(std::int32_t color) {
    if (!image_.isNull())
        image_.fill(toRgb(color));
    curX_ = curY_ = 0;
}

QRgb Surface::toRgb(std::int32_t color) {
    const auto plain = static_cast<std::uint32_t>(SystemColors::resolve(color));
    return qRgb(static_cast<int>(plain & 0xFFu), static_cast<int>((plain >> 8) & 0xFFu),
                static_cast<int>((plain >> 16) & 0xFFu));
}

std::int32_t Surface::fromRgb(QRgb pixel) {
    return qRed(pixel) | (qGreen(pixel) << 8) | (qBlue(pixel) << 16);
}

void Surface::plot(int x, int y, QRgb rgb) {
    if (x >= 0 && y >= 0 && x < image_.width() && y < image_.height())
        reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = rgb;
}

void Surface::setPixel(int x, int y, std::int32_t color) {
    plot(x, y, toRgb(color));
}

std::int32_t Surface::getPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height())
        return -1;
    return fromRgb(image_.pixel(x, y));
}

bool Surface::patternOn(int position) const {
    const Pattern p = patternOf(pen_.style);
    if (!p.lengths)
        return true;
    int total = 0;
    for (int i = 0; i < p.count; ++i)
        total += p.lengths[i];
    int pos = ((position % total) + total) % total;
    for (int i = 0; i < p.count; ++i) {
        if (pos < p.lengths[i])
            return i % 2 == 0;
        pos -= p.lengths[i];
    }
    return true;
}

// ---- lines ------------------------------------------------------------------------------------------

void Surface::moveTo(int x, int y) {
    curX_ = x;
    curY_ = y;
}

void Surface::lineTo(int x, int y) {
    int pos = 0;
    if (pen_.style != Pen::None)
        strokeLine(curX_, curY_, x, y, pos);
    curX_ = x;
    curY_ = y;
}

void Surface::strokeLine(int x1, int y1, int x2, int y2, int& patternPos) {
    const std::int64_t dx = static_cast<std::int64_t>(x2) - x1, dy = static_cast<std::int64_t>(y2) - y1;
    const std::int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    const int w = std::max(pen_.width, 1);
    const int lead = (w - 1) / 2;
    const QRgb rgb = toRgb(pen_.color);
    const bool xMajor = std::llabs(dx) >= std::llabs(dy);
    // Only the steps whose major coordinate falls on the image (widened by the pen) are visited.
    const std::int64_t start = xMajor ? x1 : y1;
    const std::int64_t step = (xMajor ? dx : dy) >= 0 ? 1 : -1;
    const std::int64_t extent = xMajor ? image_.width() : image_.height();
    std::int64_t lo = 0, hi = n - 1;
    if (n > 0) {
        const std::int64_t a = (-w - start) * step, b = (extent + w - start) * step;
        lo = std::max<std::int64_t>(lo, std::min(a, b));
        hi = std::min<std::int64_t>(hi, std::max(a, b));
    }
    const std::int64_t major = xMajor ? std::llabs(dx) : std::llabs(dy);
    for (std::int64_t i = lo; i <= hi; ++i) {
        if (!patternOn(static_cast<int>((patternPos + i) % 1000000)))
            continue;
        std::int64_t px, py;
        if (xMajor) {
            px = x1 + step * i;
            py = y1 + (major ? stepOffset(i, dy, major) : 0);
        } else {
            py = y1 + step * i;
            px = x1 + (major ? stepOffset(i, dx, major) : 0);
        }
        for (int oy = 0; oy < w; ++oy)
            for (int ox = 0; ox < w; ++ox) {
                const std::int64_t qx = px - lead + ox, qy = py - lead + oy;
                if (qx >= 0 && qy >= 0 && qx < image_.width() && qy < image_.height())
                    plot(static_cast<int>(qx), static_cast<int>(qy), rgb);
            }
    }
    patternPos = static_cast<int>((patternPos + n) % 1000000);
}

// ---- shapes -----------------------------------------------------------------------------------------

void Surface::brushSpan(int y, int x1, int x2, const Brush& brush) {
    if (brush.style == Brush::Hollow || y < 0 || y >= image_.height())
        return;
    x1 = std::max(x1, 0);
    x2 = std::min(x2, image_.width() - 1);
    const QRgb rgb = toRgb(brush.color);
    auto* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
    for (int x = x1; x <= x2; ++x)
        if (brush.style == Brush::Solid || hatchHit(brush.hatch, x, y))
            row[x] = rgb;
}

void Surface::fillShape(const ShapeSpans& shape, const Brush& brush) {
    if (shape.empty() || brush.style == Brush::Hollow)
        return;
    const int first = std::max(shape.firstRow(), 0), last = std::min(shape.lastRow(), image_.height() - 1);
    for (int y = first; y <= last; ++y)
        if (const auto s = shape.span(y))
            brushSpan(y, s->first, s->second, brush);
}

void Surface::outlineShape(const ShapeSpans& shape) {
    if (shape.empty() || pen_.style == Pen::None)
        return;
    const QRgb rgb = toRgb(pen_.color);
    const double perimeter = 2.0 * (static_cast<double>(shape.lastRow()) - shape.firstRow() + 1) + 2.0 * image_.width();
    const bool dashed = patternOf(pen_.style).lengths != nullptr;
    const auto put = [&](int x, int y) {
        if (x < 0 || x >= image_.width())
            return;
        if (dashed) {
            // Dashes follow the outline by their angle around the centre.
            const double angle = std::atan2(y + 0.5 - shape.centreY(), x + 0.5 - shape.centreX()) + std::numbers::pi;
            const double along = std::fmod(angle / (2 * std::numbers::pi) * perimeter, 1000000.0);
            if (!patternOn(static_cast<int>(along)))
                return;
        }
        plot(x, y, rgb);
    };
    const auto segment = [&](int y, int from, int to) {
        from = std::max(from, -1);
        to = std::min(to, image_.width());
        for (int x = from; x <= to; ++x)
            put(x, y);
    };
    const int w = std::max(pen_.width, 1);
    const ShapeSpans inner = shape.inset(w);
    const int first = std::max(shape.firstRow(), 0), last = std::min(shape.lastRow(), image_.height() - 1);
    for (int y = first; y <= last; ++y) {
        const auto s = shape.span(y);
        if (!s)
            continue;
        std::optional<std::pair<int, int>> in;
        if (w == 1) {
            const auto up = shape.span(y - 1), down = shape.span(y + 1);
            if (up && down)
                in = std::make_pair(std::max({up->first, down->first, s->first + 1}),
                                    std::min({up->second, down->second, s->second - 1}));
        } else {
            in = inner.span(y);
        }
        if (!in || in->first > in->second) {
            segment(y, s->first, s->second);
        } else {
            segment(y, s->first, std::min(s->second, in->first - 1));
            segment(y, std::max(s->first, in->second + 1), s->second);
        }
    }
}

void Surface::rectangle(int left, int top, int right, int bottom) {
    fillShape(ShapeSpans::rect(left, top, right, bottom), brush_);
    if (pen_.style == Pen::None || right <= left || bottom <= top)
        return;
    if (patternOf(pen_.style).lengths && pen_.width == 1) {
        // A dashed frame runs its pattern once around, clockwise from the top left.
        int pos = 0;
        const int r = right - 1, b = bottom - 1;
        strokeLine(left, top, r, top, pos);
        strokeLine(r, top, r, b, pos);
        strokeLine(r, b, left, b, pos);
        strokeLine(left, b, left, top, pos);
        if (r == left || b == top)
            setPixel(r, b, pen_.color);
        return;
    }
    outlineShape(ShapeSpans::rect(left, top, right, bottom));
}

void Surface::roundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
    const ShapeSpans shape = ShapeSpans::roundRect(left, top, right, bottom, cornerWidth, cornerHeight);
    fillShape(shape, brush_);
    outlineShape(shape);
}

void Surface::ellipse(int left, int top, int right, int bottom) {
    const ShapeSpans shape = ShapeSpans::ellipse(left, top, right, bottom);
    fillShape(shape, brush_);
    outlineShape(shape);
}

void Surface::fillRect(int left, int top, int right, int bottom, const Brush& brush) {
    fillShape(ShapeSpans::rect(left, top, right, bottom), brush);
}

void Surface::frameRect(int left, int top, int right, int bottom, const Brush& brush) {
    if (right <= left || bottom <= top)
        return;
    fillRect(left, top, right, top + 1, brush);
    fillRect(left, bottom - 1, right, bottom, brush);
    fillRect(left, top, left + 1, bottom, brush);
    fillRect(right - 1, top, right, bottom, brush);
}

void Surface::solidBox(int x1, int y1, int x2, int y2, std::int32_t color) {
    const std::int64_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
    const auto clampi = [](std::int64_t v) { return static_cast<int>(std::clamp<std::int64_t>(v, -1, INT32_MAX)); };
    fillRect(clampi(l), clampi(t), clampi(r + 1), clampi(b + 1), Brush::solid(color));
}

void Surface::arc(int cx, int cy, int radius, double fromAngle, double toAngle) {
    if (pen_.style == Pen::None || radius < 0)
        return;
    const QRgb rgb = toRgb(pen_.color);
    if (radius == 0) {
        plot(cx, cy, rgb);
        return;
    }
    constexpr double kTurn = 2 * std::numbers::pi;
    if (fromAngle > toAngle)
        toAngle += kTurn;
    const double slack = 0.5 / radius;
    const double r2 = static_cast<double>(radius) * radius + radius; // centres within radius + 1/2
    const auto halfSpan = [&](std::int64_t dy) -> std::int64_t {
        const double q = r2 - static_cast<double>(dy) * dy;
        return q < 0 ? -1 : static_cast<std::int64_t>(std::floor(std::sqrt(q)));
    };
    const std::int64_t top = std::max<std::int64_t>(static_cast<std::int64_t>(cy) - radius, 0);
    const std::int64_t bottom = std::min<std::int64_t>(static_cast<std::int64_t>(cy) + radius, image_.height() - 1);
    for (std::int64_t y = top; y <= bottom; ++y) {
        const std::int64_t dy = y - cy;
        const std::int64_t e = halfSpan(dy);
        if (e < 0)
            continue;
        const std::int64_t inner = std::min(halfSpan(dy - 1), halfSpan(dy + 1));
        const std::int64_t from = std::min(e, inner + 1);
        for (int side = -1; side <= 1; side += 2) {
            std::int64_t a = cx + side * from, b = cx + side * e;
            if (a > b)
                std::swap(a, b);
            a = std::max<std::int64_t>(a, 0);
            b = std::min<std::int64_t>(b, image_.width() - 1);
            for (std::int64_t x = a; x <= b; ++x) {
                if (side == 1 && x - cx == -(from) && from == 0)
                    continue; // the centre column is visited once
                double angle = std::atan2(-static_cast<double>(dy), static_cast<double>(x - cx));
                if (angle < 0)
                    angle += kTurn;
                bool in = false;
                for (double k : {-kTurn, 0.0, kTurn})
                    in = in || (angle + k >= fromAngle - slack && angle + k <= toAngle + slack);
                if (in)
                    plot(static_cast<int>(x), static_cast<int>(y), rgb);
            }
        }
    }
}

void Surface::drawFocusRect(int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top)
        return;
    const auto invert = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height() || (x + y) % 2 != 0)
            return;
        QRgb& p = reinterpret_cast<QRgb*>(image_.scanLine(y))[x];
        p = qRgb(255 - qRed(p), 255 - qGreen(p), 255 - qBlue(p));
    };
    for (int x = left; x < right; ++x) {
        invert(x, top);
        if (bottom - 1 != top)
            invert(x, bottom - 1);
    }
    for (int y = top + 1; y < bottom - 1; ++y) {
        invert(left, y);
        if (right - 1 != left)
            invert(right - 1, y);
    }
}

// ---- text, copies, pictures -------------------------------------------------------------------------

namespace {
QFont exactFont(const QFont& font) {
    QFont f = font;
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}
} // namespace

void Surface::drawText(int x, int y, const QString& text, const QFont& font, std::int32_t color) {
    if (image_.isNull())
        return;
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(exactFont(font));
    painter.setPen(QColor::fromRgb(toRgb(color)));
    painter.drawText(QRect(x, y, 1 << 20, 1 << 20), Qt::AlignLeft | Qt::AlignTop, text);
}

QRect Surface::drawTextInRect(const QRect& rect, const QString& text, const QFont& font, std::int32_t color,
                              int flags) {
    const QRect taken = measureText(rect, text, font, flags);
    if (image_.isNull())
        return taken;
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(exactFont(font));
    painter.setPen(QColor::fromRgb(toRgb(color)));
    painter.drawText(rect, flags, text);
    return taken;
}

QRect Surface::measureText(const QRect& rect, const QString& text, const QFont& font, int flags) {
    QImage probe(1, 1, QImage::Format_RGB32); // measured on an image, as it is drawn
    QPainter painter(&probe);
    painter.setFont(exactFont(font));
    return painter.boundingRect(rect, flags, text);
}

void Surface::bitBlt(int x, int y, int w, int h, const Surface& source, int sx, int sy) {
    bitBlt(x, y, w, h, source.image_, sx, sy);
}

void Surface::bitBlt(int x, int y, int w, int h, const QImage& source, int sx, int sy) {
    if (w <= 0 || h <= 0 || image_.isNull() || source.isNull())
        return;
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    for (int row = 0; row < h; ++row) {
        const int ty = y + row, fy = sy + row;
        if (ty < 0 || ty >= image_.height() || fy < 0 || fy >= src.height())
            continue;
        const auto* from = reinterpret_cast<const QRgb*>(src.constScanLine(fy));
        for (int col = 0; col < w; ++col) {
            const int tx = x + col, fx = sx + col;
            if (tx >= 0 && tx < image_.width() && fx >= 0 && fx < src.width())
                plot(tx, ty, from[fx] | 0xFF000000u);
        }
    }
}

void Surface::drawPicture(int x, int y, const QImage& picture) {
    if (image_.isNull() || picture.isNull())
        return;
    QPainter painter(&image_);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(x, y), picture);
}

void Surface::drawIcon(int x, int y, const QImage& icon, std::int32_t background) {
    fillRect(x, y, x + icon.width(), y + icon.height(), Brush::solid(background));
    drawPicture(x, y, icon);
}

} // namespace vellumo
