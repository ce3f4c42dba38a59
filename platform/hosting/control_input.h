#pragma once
// ControlInput: turns the Qt mouse and key events of one object of a hosted control (its drawing
// surface or a constituent label) into the notifications the control's handlers expect, in the
// platform's order and with the platform's values:
//
//   single click   MouseDown, MouseUp, Click
//   double click   MouseDown, MouseUp, Click, DblClick, MouseUp
//   key stroke     KeyDown, KeyPress (only for a key that types a character), KeyUp;
//                  a held key repeats KeyDown and KeyPress, with one KeyUp at the end
//
//   Button   MouseDown/MouseUp: the one button that changed; MouseMove: the buttons held.
//            1 left, 2 right, 4 middle
//   Shift    1 Shift, 2 Ctrl, 4 Alt
//   X, y     the receiving object's own coordinates in pixels
//   KeyCode  the platform's virtual-key numbers (65 "A", 48 "0", 13 Enter, 37..40 arrows, 112 F1, ...)
//   KeyAscii the typed character in the ANSI code page
//
// Click follows the release of a button pressed on the same object, when the release is over it.
// One ControlInput per notifying object; it keeps only the press state between events.

#include <QEvent>
#include <QImage>
#include <QPoint>

#include <cstdint>
#include <functional>

class QKeyEvent;
class QWidget;

namespace vellumo {

// The events of a hosted control to its container, with the arguments by reference as the platform
// passes them. A handler left empty is not raised. Also the shape of one object's notifications.
struct ControlEvents {
    std::function<void()> Click;
    std::function<void()> DblClick;
    std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& y)> MouseDown;
    std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& y)> MouseMove;
    std::function<void(std::int16_t& Button, std::int16_t& Shift, float& X, float& y)> MouseUp;
    std::function<void(std::int16_t& KeyAscii)> KeyPress;
    std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyDown;
    std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyUp;
    // The cursor came over the control, and went away again (the button's hover events; ControlInput
    // never raises them).
    std::function<void()> MouseOver;
    std::function<void()> MouseOut;
};

class ControlInput {
public:
    // Routes a mouse or key event of widget to handlers; true when the event was one of them (the
    // caller then stops it there, so that a parent does not see it a second time).
    bool dispatch(QEvent* event, const QWidget& widget, const ControlEvents& handlers);
    // Mouse events only (constituent labels raise no keyboard events).
    bool dispatchMouse(QEvent* event, const QWidget& widget, const ControlEvents& handlers);

    static std::int16_t buttonBit(Qt::MouseButton button);
    static std::int16_t buttonSet(Qt::MouseButtons buttons);
    static std::int16_t shiftState(Qt::KeyboardModifiers modifiers);
    // The virtual-key number of the event's key, 0 when the key has none.
    static std::int16_t virtualKey(const QKeyEvent& event);
    // The character the key types in the ANSI code page, or -1 when it types none.
    static int keyAscii(const QKeyEvent& event);

private:
    std::int16_t pressed_ = 0;      // the button whose release may still give a Click
    bool afterDoubleClick_ = false; // the release that ends a double click gives MouseUp only
};

// The platform's mouse pointer codes on a widget: 0 default, 1 arrow, 2 cross, 3 I-beam, 4 icon,
// 5 size all, 6 size NE-SW, 7 size N-S, 8 size NW-SE, 9 size W-E, 10 up arrow, 11 hourglass, 12 no
// drop, 13 arrow and hourglass, 14 arrow and question mark, 15 size all, 99 custom (the mouse icon).
// Any other code raises error 380. Pointer 99 points with the mouse icon's hot spot.
void applyMousePointer(QWidget& widget, std::int16_t pointer, const QImage& mouseIcon);
bool isMousePointer(std::int32_t pointer);

// The hot spot of a picture used as a mouse icon: the pixel the pointer points with. A cursor carries
// it in the picture's texts "HotSpotX" and "HotSpotY"; a picture without them (an icon) points from
// its centre.
QPoint mouseIconHotSpot(const QImage& mouseIcon);
void setMouseIconHotSpot(QImage& mouseIcon, QPoint hotSpot);

} // namespace vellumo
