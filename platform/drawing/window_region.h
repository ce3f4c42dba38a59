#pragma once
// WindowRegion: the clipping regions of control windows (in place of the desktop's region calls), as
// QRegion pixel sets cut from the same shapes the drawing surface fills (ShapeSpans), and the one call
// that gives a window its region. A region covers the pixels of its box, right and bottom exclusive:
//
//   roundRect(l,t,r,b,cw,ch)   the pixels of Surface::roundRect(l,t,r,b,cw,ch)
//   ellipse(l,t,r,b)           the pixels of Surface::ellipse(l,t,r,b)
//   rect(l,t,r,b)              columns l..r-1, rows t..b-1
//
// Regions are values: handing one to a window copies it, so nothing is ever deleted by hand, and
// each call replaces the window's previous region. Rows beyond limitRows (default 1 << 16) are not
// built, so a region with absurd coordinates stays small; windows are never that tall.

#include <QRegion>

class QWidget;

namespace vellumo {

class WindowRegion {
public:
    static QRegion rect(int left, int top, int right, int bottom);
    static QRegion roundRect(int left, int top, int right, int bottom, int cornerWidth, int cornerHeight);
    static QRegion ellipse(int left, int top, int right, int bottom);
    // The window keeps the region (QWidget::setMask) and repaints; a region covering the whole window
    // or more is kept too, which clips nothing.
    static void apply(QWidget& window, const QRegion& region);
};

} // namespace vellumo
