#include "platform/drawing/window_region.h"

#include "platform/drawing/shape_spans.h"

#include <QWidget>

#include <algorithm>

namespace vellumo {

namespace {

constexpr int kLimit = 1 << 16;

QRegion fromSpans(const ShapeSpans& shape) {
    QRegion region;
    if (shape.empty())
        return region;
    // Rows with the same span are joined into one rectangle, so a rounded window is a few dozen.
    const int first = std::max(shape.firstRow(), -kLimit), last = std::min(shape.lastRow(), kLimit);
    int runTop = first, runLeft = 0, runRight = -1;
    const auto flush = [&](int endRow) {
        if (runLeft <= runRight && endRow > runTop)
            region += QRect(runLeft, runTop, runRight - runLeft + 1, endRow - runTop);
    };
    for (int y = first; y <= last; ++y) {
        int l = 0, r = -1;
        if (const auto s = shape.span(y)) {
            l = std::max(s->first, -kLimit);
            r = std::min(s->second, kLimit);
        }
        if (l != runLeft || r != runRight) {
            flush(y);
            runTop = y;
            runLeft = l;
            runRight = r;
        }
    }
    flush(last + 1);
    return region;
}

} // namespace

QRegion WindowRegion::rect(int left, int top, int right, int bottom) {
    return fromSpans(ShapeSpans::rect(left, top, right, bottom));
}

QRegion WindowRegion::roundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight) {
    return fromSpans(ShapeSpans::roundRect(left, top, right, bottom, cornerWidth, cornerHeight));
}

QRegion WindowRegion::ellipse(int left, int top, int right, int bottom) {
    return fromSpans(ShapeSpans::ellipse(left, top, right, bottom));
}

void WindowRegion::apply(QWidget& window, const QRegion& region) {
    window.setMask(region);
    window.update();
}

} // namespace vellumo
