#pragma once
// BringToFront: how a window that has something new to show comes up. It shows the window; when the
// window is not kept always on top, it makes it topmost, lets pending window messages run once
// (ui().doEvents()) and takes it back, so that it comes above the others without staying there. A
// window kept on top already is, and nothing more is done. Stateless.

class QWidget;

namespace vellumo {

void BringToFront(QWidget& window, bool IsAlwaysOnTop);

} // namespace vellumo
