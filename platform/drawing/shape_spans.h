#pragma once
// ShapeSpans: the pixel sets of the convex shapes that the drawing surface fills and outlines and that
// window regions are cut from, one horizontal span per row. A shape is given by its box (left, top,
// right, bottom, right and bottom exclusive) and, for rounded rectangles, the size of the corner
// ellipse; a pixel belongs to it when its centre lies inside the shape. The surface and the window
// regions share these spans, so a rounded window is clipped on exactly the pixels the face fills.
//
// Spans are computed row by row on demand, so a huge shape costs only the rows asked for.

#include <cstdint>
#include <optional>
#include <utility>

namespace vellumo {

class ShapeSpans {
public:
    enum class Kind { Rect, RoundRect, Ellipse };

    static ShapeSpans rect(int left, int top, int right, int bottom);
    // Corner ellipse cw wide and ch high; 0 in either gives square corners; each is limited to the box.
    static ShapeSpans roundRect(int left, int top, int right, int bottom, int cw, int ch);
    static ShapeSpans ellipse(int left, int top, int right, int bottom);

    // The first and last row of the shape (inclusive); empty() when the box has no pixel.
    bool empty() const { return right_ <= left_ || bottom_ <= top_; }
    int firstRow() const { return top_; }
    int lastRow() const { return bottom_ - 1; }
    // The inclusive span of row y, none for a row outside the shape.
    std::optional<std::pair<int, int>> span(int y) const;
    // The shape shrunk by n pixels on every side (corner ellipse by 2n), as a wide pen's inner edge.
    ShapeSpans inset(int n) const;
    // Centre of the box, in pixel coordinates.
    double centreX() const { return (static_cast<double>(left_) + right_) / 2.0; }
    double centreY() const { return (static_cast<double>(top_) + bottom_) / 2.0; }

private:
    ShapeSpans(Kind kind, int left, int top, int right, int bottom, int cw, int ch);

    Kind kind_;
    int left_, top_, right_, bottom_;
    int cw_, ch_;
};

} // namespace vellumo
