#pragma once
// Surface: a drawing surface over a 32-bit QImage with exact, non-antialiased primitives that follow
// the desktop graphics conventions the controls were designed on, so a control paints the same pixels
// on every machine. Colours are 0x00BBGGRR values; &H800000nn names a system colour and is resolved
// through SystemColors when the primitive runs. Coordinates are whole pixels, origin top left; nothing
// is drawn outside the image, and every primitive is clipped before it is rasterised, so a huge
// coordinate costs no more than the visible part.
//
// Owned by whoever paints (a control keeps one as its persistent image and shows it in its paint
// event). Pens and brushes are plain values: setting one is selecting it.
//
// Pixel rules:
//
//   primitive                      pixels drawn
//   moveTo(x1,y1); lineTo(x2,y2)   from (x1,y1) up to, not including, (x2,y2); the current position
//                                  becomes (x2,y2); a zero-length line draws nothing
//   rectangle(l,t,r,b)             outline on l, t, r-1, b-1 in the pen, inside in the brush;
//                                  right and bottom edges are not drawn
//   fillRect(l,t,r,b,brush)        columns l..r-1, rows t..b-1, no outline
//   frameRect(l,t,r,b,brush)       the one-pixel frame of the same pixels
//   solidBox(x1,y1,x2,y2,c)        both corners included (the filled-box form of a line)
//   roundRect(l,t,r,b,cw,ch)       the pixels of rectangle(l,t,r,b) whose centres lie inside the
//                                  rectangle with corner ellipses cw x ch; outline as below
//   ellipse(l,t,r,b)               the pixels whose centres lie inside the ellipse inscribed in
//                                  l..r, t..b: extremes on columns l and r-1, rows t and b-1
//   outline of a shape, pen n      width 1: the shape's pixels with a row or column neighbour outside
//                                  it; width n > 1: the shape less the shape inset by n (inside frame)
//   arc(cx,cy,rad,a1,a2)           the circle's outline pixels whose angle (counter-clockwise, y up)
//                                  lies from a1 to a2, each end widened by half a pixel; a1 > a2 wraps
//   setPixel / getPixel            one pixel; getPixel outside the image answers -1
//
//   pen style   0 solid, 1 dash (18 on, 6 off), 2 dot (3, 3), 3 dash-dot (9, 6, 3, 6),
//               4 dash-dot-dot (9, 3, 3, 3, 3, 3), 5 none, 6 inside frame (solid); the pattern
//               counts pixels from the start of each line (rectangles: around the outline)
//   brush       solid, hollow (nothing), or hatch lines on an 8 x 8 grid at the image origin:
//               0 horizontal (y % 8 == 0), 1 vertical (x % 8 == 0), 2 down diagonal, 3 up diagonal,
//               4 cross, 5 diagonal cross; a hatch leaves the pixels between its lines untouched
//   fill style  0 solid, 1 transparent, 2..7 hatch 0, 1, 3, 2, 4, 5 (the controls' FillStyle values)

#include "platform/drawing/shape_spans.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <cstdint>

namespace vellumo {

struct Pen {
    enum Style : int { Solid = 0, Dash = 1, Dot = 2, DashDot = 3, DashDotDot = 4, None = 5, InsideFrame = 6 };
    int style = Solid;
    int width = 1;
    std::int32_t color = 0;
};

struct Brush {
    enum Style : int { Solid, Hollow, Hatched };
    enum Hatch : int { Horizontal = 0, Vertical = 1, FDiagonal = 2, BDiagonal = 3, Cross = 4, DiagCross = 5 };
    int style = Solid;
    int hatch = Horizontal;
    std::int32_t color = 0;

    static Brush solid(std::int32_t color) { return {Solid, Horizontal, color}; }
    static Brush hollow() { return {Hollow, Horizontal, 0}; }
    static Brush hatched(int hatch, std::int32_t color) { return {Hatched, hatch, color}; }
    // A control's FillStyle (0 solid, 1 transparent, 2..7 hatches) in colour.
    static Brush fromFillStyle(int fillStyle, std::int32_t color);
};

class Surface {
public:
    explicit Surface(int width = 0, int height = 0, std::int32_t color = 0x00FFFFFF);

    int width() const { return image_.width(); }
    int height() const { return image_.height(); }
    const QImage& image() const { return image_; }
    QImage& image() { return image_; }
    // A new size; the whole image becomes color.
    void resize(int width, int height, std::int32_t color);
    void clear(std::int32_t color);

    void setPen(const Pen& pen) { pen_ = pen; }
    const Pen& pen() const { return pen_; }
    void setBrush(const Brush& brush) { brush_ = brush; }
    const Brush& brush() const { return brush_; }

    void moveTo(int x, int y);
    void lineTo(int x, int y);
    int currentX() const { return curX_; }
    int currentY() const { return curY_; }

    void setPixel(int x, int y, std::int32_t color);
    std::int32_t getPixel(int x, int y) const;

    void rectangle(int left, int top, int right, int bottom);
    void roundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    void ellipse(int left, int top, int right, int bottom);
    void fillRect(int left, int top, int right, int bottom, const Brush& brush);
    void frameRect(int left, int top, int right, int bottom, const Brush& brush);
    void solidBox(int x1, int y1, int x2, int y2, std::int32_t color);
    void arc(int cx, int cy, int radius, double fromAngle, double toAngle);
    // Inverts every other pixel of the frame of (left, top, right, bottom), as a focus rectangle.
    void drawFocusRect(int left, int top, int right, int bottom);

    // Text with the font's exact pixels (no antialiasing): drawText puts the text's top left at
    // (x, y); drawTextInRect lays it out in rect with Qt alignment flags (Qt::TextWordWrap to break
    // words) and returns the rectangle the text took; measureText only measures it that way.
    void drawText(int x, int y, const QString& text, const QFont& font, std::int32_t color);
    QRect drawTextInRect(const QRect& rect, const QString& text, const QFont& font, std::int32_t color, int flags);
    static QRect measureText(const QRect& rect, const QString& text, const QFont& font, int flags);

    // Copies w x h pixels of source at (sx, sy) to (x, y) here (parts outside either image are skipped).
    void bitBlt(int x, int y, int w, int h, const Surface& source, int sx, int sy);
    void bitBlt(int x, int y, int w, int h, const QImage& source, int sx, int sy);
    // A picture composed over the surface at its own size, its alpha respected.
    void drawPicture(int x, int y, const QImage& picture);
    // An icon at its own size over a solid background of color (the icon's transparent parts show it).
    void drawIcon(int x, int y, const QImage& icon, std::int32_t background);

    // Colour conversions between 0x00BBGGRR values (system colours resolved) and image pixels.
    static QRgb toRgb(std::int32_t color);
    static std::int32_t fromRgb(QRgb pixel);

private:
    void plot(int x, int y, QRgb rgb);
    void strokeLine(int x1, int y1, int x2, int y2, int& patternPos);
    void fillShape(const ShapeSpans& shape, const Brush& brush);
    void outlineShape(const ShapeSpans& shape);
    void brushSpan(int y, int x1, int x2, const Brush& brush);
    bool patternOn(int position) const;

    QImage image_;
    Pen pen_;
    Brush brush_;
    int curX_ = 0;
    int curY_ = 0;
};

} // namespace vellumo
