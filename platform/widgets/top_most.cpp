#include "platform/widgets/top_most.h"

#include <QRect>
#include <QVariant>
#include <QWidget>
#include <QWindow>

namespace vellumo {

namespace {
// The native window's flag behind Qt::WA_ShowWithoutActivating, read by the platform at each show.
constexpr const char* kShowWithoutActivating = "_q_showWithoutActivating";
} // namespace

void SetStaysOnTop(QWidget* window, bool onTop) {
    if (!window)
        return;
    QWidget* top = window->window();
    const Qt::WindowFlags flags = top->windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == onTop)
        return;
    const Qt::WindowFlags wanted = onTop ? flags | Qt::WindowStaysOnTopHint : flags & ~Qt::WindowStaysOnTopHint;
    if (QWindow* native = top->windowHandle()) {
        // The window exists on the desktop: QWidget::setWindowFlags would re-create it, which hides it
        // (ending a modal loop that runs for it) and forgets where the window manager put it. The
        // platform window takes the change in place, as a state of the shown window.
        top->overrideWindowFlags(wanted);
        native->setFlags(wanted);
        return;
    }
    // Not on the desktop yet: the flag goes with the window when it is first shown. Setting it moves the
    // window by its frame when it was placed: a place given stays the window's own; a window never
    // placed stays so, for the window manager to place.
    const bool placed = top->testAttribute(Qt::WA_Moved);
    const QRect geometry = top->geometry();
    top->setWindowFlags(wanted);
    if (placed)
        top->setGeometry(geometry);
}

void ShowWithoutActivating(QWidget* window) {
    if (!window)
        return;
    QWidget* top = window->window();
    if (top->isVisible())
        return;
    // For this show only: a later show the user asks for activates the window as usual. The widget's
    // attribute reaches the desktop only when the native window is made; a window shown and hidden
    // before keeps its native window, whose own flag is what the desktop reads at each show (on X11 a
    // user time of 0, which the window manager takes as "do not focus").
    const bool without = top->testAttribute(Qt::WA_ShowWithoutActivating);
    top->setAttribute(Qt::WA_ShowWithoutActivating, true);
    if (QWindow* native = top->windowHandle())
        native->setProperty(kShowWithoutActivating, true);
    top->show();
    if (QWindow* native = top->windowHandle())
        native->setProperty(kShowWithoutActivating, QVariant());
    top->setAttribute(Qt::WA_ShowWithoutActivating, without);
}

namespace {

void place(QWidget* window, bool onTop) {
    if (!window)
        return;
    QWidget* top = window->window();
    SetStaysOnTop(top, onTop);
    if (!top->isVisible())
        ShowWithoutActivating(top);
    top->raise();
}

} // namespace

void SetTopMost(QWidget* window) {
    place(window, true);
}

void SetNotTopMost(QWidget* window) {
    place(window, false);
}

} // namespace vellumo
