#include "platform/widgets/screen_fit.h"

#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace vellumo {

namespace {
// A title bar and borders, in device pixels, for a window not yet framed.
constexpr int kTitleBar = 32;
constexpr int kBorder = 6;
// The window's icon and its buttons on the title bar, in device pixels.
constexpr int kTitleButtons = 130;

double ratio(const QWidget& window) {
    const double r = window.devicePixelRatioF();
    return r > 0 ? r : 1.0;
}
int logical(int devicePixels, double r) {
    return static_cast<int>(std::ceil(devicePixels / r));
}
} // namespace

QMargins ExpectedFrame(const QWidget& window) {
    if (const QWindow* native = window.windowHandle()) {
        const QMargins known = native->frameMargins();
        if (known.top() > 0)
            return known;
    }
    const double r = ratio(window);
    const int border = logical(kBorder, r);
    return QMargins(border, logical(kTitleBar, r), border, border);
}

int TitleWidth(const QWidget& window) {
    QFont bold = window.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(window.windowTitle()) + logical(kTitleButtons, ratio(window));
}

void FitOnScreen(QWidget* window, const QRect& area) {
    if (!window || !window->isWindow())
        return;
    QRect available = area;
    if (!available.isValid()) {
        QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
        if (!screen)
            return;
        available = screen->availableGeometry();
    }
    const QMargins frame = ExpectedFrame(*window);
    const QSize room = available.marginsRemoved(frame).size();
    if (room.width() <= 0 || room.height() <= 0)
        return;

    QSize size = window->size();
    if (!window->windowTitle().isEmpty() && size.width() < TitleWidth(*window))
        size.setWidth(std::min(TitleWidth(*window), window->maximumWidth()));
    size = size.boundedTo(room);
    const QSize minimum = window->minimumSize();
    if (minimum.width() > room.width() || minimum.height() > room.height())
        window->setMinimumSize(minimum.boundedTo(room));
    if (size != window->size())
        window->resize(size);

    // A window given a place keeps it when it fits; one partly off the area is moved onto it.
    if (window->testAttribute(Qt::WA_Moved)) {
        const QRect outer = QRect(window->geometry().topLeft(), size).marginsAdded(frame);
        const int x =
            std::clamp(outer.x(), available.left(), std::max(available.left(), available.right() + 1 - outer.width()));
        const int y =
            std::clamp(outer.y(), available.top(), std::max(available.top(), available.bottom() + 1 - outer.height()));
        if (x != outer.x() || y != outer.y())
            window->setGeometry(QRect(QPoint(x + frame.left(), y + frame.top()), size));
    }
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        // Only the windows the window manager frames and places: not menus, tooltips and balloons, nor
        // the frameless windows placed by their own code (the tray icon's, which the tray host takes in).
        const Qt::WindowFlags unmanaged =
            Qt::FramelessWindowHint | Qt::BypassWindowManagerHint | Qt::X11BypassWindowManagerHint;
        if (widget->isWindow() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen &&
            !(widget->windowFlags() & unmanaged) && !widget->testAttribute(Qt::WA_DontShowOnScreen))
            FitOnScreen(widget);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace vellumo
