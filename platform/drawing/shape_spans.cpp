#include "platform/drawing/shape_spans.h"

#include <algorithm>
#include <cmath>

namespace vellumo {

namespace {

// Pixel centres within [from, to] (real coordinates), as a span of pixel indices.
std::optional<std::pair<int, int>> centresWithin(double from, double to, int left, int right) {
    constexpr double kSlack = 1e-9; // a centre exactly on the edge belongs to the shape
    const double first = std::ceil(from - 0.5 - kSlack);
    const double last = std::floor(to - 0.5 + kSlack);
    const double lo = std::max(first, static_cast<double>(left));
    const double hi = std::min(last, static_cast<double>(right) - 1);
    if (lo > hi)
        return std::nullopt;
    return std::make_pair(static_cast<int>(lo), static_cast<int>(hi));
}

// Half the width of an ellipse with semi-axes a and b at vertical distance dy from its centre.
double halfWidth(double a, double b, double dy) {
    if (b <= 0)
        return a;
    const double q = 1.0 - (dy / b) * (dy / b);
    return q <= 0 ? 0 : a * std::sqrt(q);
}

} // namespace

ShapeSpans::ShapeSpans(Kind kind, int left, int top, int right, int bottom, int cw, int ch)
    : kind_(kind), left_(left), top_(top), right_(right), bottom_(bottom), cw_(cw), ch_(ch) {}

ShapeSpans ShapeSpans::rect(int left, int top, int right, int bottom) {
    return ShapeSpans(Kind::Rect, left, top, right, bottom, 0, 0);
}

ShapeSpans ShapeSpans::roundRect(int left, int top, int right, int bottom, int cw, int ch) {
    if (cw <= 0 || ch <= 0)
        return rect(left, top, right, bottom);
    const std::int64_t w = static_cast<std::int64_t>(right) - left;
    const std::int64_t h = static_cast<std::int64_t>(bottom) - top;
    cw = static_cast<int>(std::min<std::int64_t>(cw, std::max<std::int64_t>(w, 0)));
    ch = static_cast<int>(std::min<std::int64_t>(ch, std::max<std::int64_t>(h, 0)));
    return ShapeSpans(Kind::RoundRect, left, top, right, bottom, cw, ch);
}

ShapeSpans ShapeSpans::ellipse(int left, int top, int right, int bottom) {
    return ShapeSpans(Kind::Ellipse, left, top, right, bottom, 0, 0);
}

ShapeSpans ShapeSpans::inset(int n) const {
    const auto shrink = [](int v, int by) {
        return static_cast<int>(std::clamp<std::int64_t>(static_cast<std::int64_t>(v) + by, INT32_MIN, INT32_MAX));
    };
    ShapeSpans s = *this;
    s.left_ = shrink(left_, n);
    s.top_ = shrink(top_, n);
    s.right_ = shrink(right_, -n);
    s.bottom_ = shrink(bottom_, -n);
    s.cw_ = std::max(0, cw_ - 2 * n);
    s.ch_ = std::max(0, ch_ - 2 * n);
    if (s.kind_ == Kind::RoundRect && (s.cw_ == 0 || s.ch_ == 0))
        s.kind_ = Kind::Rect;
    return s;
}

std::optional<std::pair<int, int>> ShapeSpans::span(int y) const {
    if (empty() || y < top_ || y >= bottom_)
        return std::nullopt;
    const double py = y + 0.5;
    const double l = left_, r = right_, t = top_, b = bottom_;
    switch (kind_) {
    case Kind::Rect:
        return std::make_pair(left_, right_ - 1);
    case Kind::Ellipse: {
        const double dx = halfWidth((r - l) / 2.0, (b - t) / 2.0, py - centreY());
        return centresWithin(centreX() - dx, centreX() + dx, left_, right_);
    }
    case Kind::RoundRect: {
        const double ea = cw_ / 2.0, eb = ch_ / 2.0;
        double dy = 0;
        if (py < t + eb)
            dy = t + eb - py;
        else if (py > b - eb)
            dy = py - (b - eb);
        const double dx = halfWidth(ea, eb, dy);
        return centresWithin(l + ea - dx, r - ea + dx, left_, right_);
    }
    }
    return std::nullopt;
}

} // namespace vellumo
