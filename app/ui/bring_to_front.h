#pragma once
// BringToFront: how a window that has something new to show comes up. It shows the window above the
// others without taking the keyboard focus from the window the user works in. When the window is not
// kept always on top, it is made topmost, pending window messages run once (ui().doEvents()) and it is
// taken back, so that it comes above the others without staying there; a window kept on top already
// is, and is only shown and raised. Stateless.

class QWidget;

namespace vellumo {

void BringToFront(QWidget& window, bool IsAlwaysOnTop);

} // namespace vellumo
