#include "platform/widgets/top_most.h"

#include <QWidget>

namespace vellumo {

namespace {

void place(QWidget* window, bool onTop) {
    if (!window)
        return;
    QWidget* top = window->window();
    if (top->testAttribute(Qt::WA_WState_Created) && top->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) {
        top->setAttribute(Qt::WA_ShowWithoutActivating, true);
        top->show();
        top->raise();
        return;
    }
    // Changing a window flag re-creates the native window and hides it: keep the geometry and show
    // the window again, without activating it.
    const QRect geometry = top->geometry();
    const bool hadGeometry = top->testAttribute(Qt::WA_WState_Created) || top->testAttribute(Qt::WA_Moved) ||
                             top->testAttribute(Qt::WA_Resized);
    top->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (hadGeometry)
        top->setGeometry(geometry);
    top->setAttribute(Qt::WA_ShowWithoutActivating, true);
    top->show();
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
