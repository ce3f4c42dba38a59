#pragma once
// FitOnScreen and ScreenFit: a window of the program opens wholly on the screen it opens on. Before it
// is mapped, a window larger than the screen's available area (less the window manager's frame) is
// made as small as that area, its minimum size lowered when need be, and a window placed partly off
// that area is moved onto it; a window too narrow for its title is widened, as far as the area
// allows, so that the title bar shows the title whole. A window never placed is left for the window
// manager to place. ScreenFit applies FitOnScreen to every top-level window of the application that
// the window manager frames (not menus, tooltips, balloons or frameless windows such as the tray
// icon's) each time it is shown; it is installed once, on the application object, by main().
// Stateless.

#include <QMargins>
#include <QObject>
#include <QRect>

class QWidget;

namespace vellumo {

// The room the window manager's frame takes around a window, in the window's own pixels: the frame it
// had when it was shown before, else an allowance for a title bar and borders.
QMargins ExpectedFrame(const QWidget& window);
// The width a title bar needs to show the title whole: the text in a bold face, and room for the
// window's icon and buttons.
int TitleWidth(const QWidget& window);
// Fits the window into the area (its screen's available area when none is given).
void FitOnScreen(QWidget* window, const QRect& area = {});

class ScreenFit : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace vellumo
