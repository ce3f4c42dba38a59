#include "platform/hosting/control_input.h"

#include "platform/hosting/control_site.h"
#include "platform/runtime/windows1252.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>

namespace vellumo {

namespace {

void raise(const std::function<void(std::int16_t&, std::int16_t&, float&, float&)>& handler, std::int16_t button,
           std::int16_t shift, const QPointF& at) {
    if (!handler)
        return;
    float x = static_cast<float>(at.x());
    float y = static_cast<float>(at.y());
    handler(button, shift, x, y);
}

// Keys whose virtual-key numbers do not follow from their character.
struct KeyRow {
    int qtKey;
    std::int16_t vk;
};
constexpr KeyRow kKeys[] = {
    {Qt::Key_Backspace, 8},
    {Qt::Key_Tab, 9},
    {Qt::Key_Backtab, 9},
    {Qt::Key_Clear, 12},
    {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, 27},
    {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},
    {Qt::Key_End, 35},
    {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},
    {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},
    {Qt::Key_Print, 44},
    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},
    {Qt::Key_Meta, 91},
    {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
    {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},
    {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},
    {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},
    {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192},
    {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},
    {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},
    {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},
};

// The keypad's own numbers: digits 96..105, then * + (separator) - . /
std::int16_t keypadKey(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return static_cast<std::int16_t>(96 + (key - Qt::Key_0));
    switch (key) {
    case Qt::Key_Asterisk:
        return 106;
    case Qt::Key_Plus:
        return 107;
    case Qt::Key_Minus:
        return 109;
    case Qt::Key_Period:
        return 110;
    case Qt::Key_Slash:
        return 111;
    default:
        return 0;
    }
}

} // namespace

bool ControlInput::dispatch(QEvent* event, const QWidget& widget, const ControlEvents& handlers) {
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        std::int16_t code = virtualKey(*key);
        std::int16_t shift = shiftState(key->modifiers());
        if (handlers.KeyDown)
            handlers.KeyDown(code, shift);
        const int ascii = keyAscii(*key);
        if (ascii >= 0 && handlers.KeyPress) {
            std::int16_t keyAsciiArg = static_cast<std::int16_t>(ascii);
            handlers.KeyPress(keyAsciiArg);
        }
        return true;
    }
    case QEvent::KeyRelease: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat())
            return true;
        std::int16_t code = virtualKey(*key);
        std::int16_t shift = shiftState(key->modifiers());
        if (handlers.KeyUp)
            handlers.KeyUp(code, shift);
        return true;
    }
    default:
        return dispatchMouse(event, widget, handlers);
    }
}

bool ControlInput::dispatchMouse(QEvent* event, const QWidget& widget, const ControlEvents& handlers) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const std::int16_t bit = buttonBit(mouse->button());
        pressed_ = bit;
        afterDoubleClick_ = false;
        raise(handlers.MouseDown, bit, shiftState(mouse->modifiers()), mouse->position());
        return true;
    }
    case QEvent::MouseButtonDblClick: {
        // The second press of a double click: the platform reports it as DblClick, not MouseDown.
        pressed_ = 0;
        afterDoubleClick_ = true;
        if (handlers.DblClick)
            handlers.DblClick();
        return true;
    }
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const std::int16_t bit = buttonBit(mouse->button());
        raise(handlers.MouseUp, bit, shiftState(mouse->modifiers()), mouse->position());
        const bool click = !afterDoubleClick_ && pressed_ != 0 && pressed_ == bit &&
                           widget.rect().contains(mouse->position().toPoint());
        pressed_ = 0;
        afterDoubleClick_ = false;
        if (click && handlers.Click)
            handlers.Click();
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        raise(handlers.MouseMove, buttonSet(mouse->buttons()), shiftState(mouse->modifiers()), mouse->position());
        return true;
    }
    default:
        return false;
    }
}

std::int16_t ControlInput::buttonBit(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

std::int16_t ControlInput::buttonSet(Qt::MouseButtons buttons) {
    std::int16_t set = 0;
    if (buttons & Qt::LeftButton)
        set |= 1;
    if (buttons & Qt::RightButton)
        set |= 2;
    if (buttons & Qt::MiddleButton)
        set |= 4;
    return set;
}

std::int16_t ControlInput::shiftState(Qt::KeyboardModifiers modifiers) {
    std::int16_t set = 0;
    if (modifiers & Qt::ShiftModifier)
        set |= 1;
    if (modifiers & Qt::ControlModifier)
        set |= 2;
    if (modifiers & Qt::AltModifier)
        set |= 4;
    return set;
}

std::int16_t ControlInput::virtualKey(const QKeyEvent& event) {
    const int key = event.key();
    if (event.modifiers() & Qt::KeypadModifier) {
        if (const std::int16_t pad = keypadKey(key))
            return pad;
    }
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return static_cast<std::int16_t>(key); // the same numbers as the character codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return static_cast<std::int16_t>(112 + (key - Qt::Key_F1));
    for (const KeyRow& row : kKeys) {
        if (row.qtKey == key)
            return row.vk;
    }
    return 0;
}

int ControlInput::keyAscii(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.isEmpty())
        return -1;
    const QByteArray ansi = cp1252::encode(text.left(1));
    return ansi.isEmpty() ? -1 : static_cast<unsigned char>(ansi[0]);
}

bool isMousePointer(std::int32_t pointer) {
    return (pointer >= 0 && pointer <= 15) || pointer == 99;
}

namespace {
const QString kHotSpotX = QStringLiteral("HotSpotX");
const QString kHotSpotY = QStringLiteral("HotSpotY");
} // namespace

QPoint mouseIconHotSpot(const QImage& mouseIcon) {
    bool okX = false;
    bool okY = false;
    const int x = mouseIcon.text(kHotSpotX).toInt(&okX);
    const int y = mouseIcon.text(kHotSpotY).toInt(&okY);
    if (okX && okY && mouseIcon.rect().contains(x, y))
        return {x, y};
    return {mouseIcon.width() / 2, mouseIcon.height() / 2};
}

void setMouseIconHotSpot(QImage& mouseIcon, QPoint hotSpot) {
    mouseIcon.setText(kHotSpotX, QString::number(hotSpot.x()));
    mouseIcon.setText(kHotSpotY, QString::number(hotSpot.y()));
}

void applyMousePointer(QWidget& widget, std::int16_t pointer, const QImage& mouseIcon) {
    static const Qt::CursorShape shapes[] = {
        Qt::ArrowCursor,     Qt::ArrowCursor,   Qt::CrossCursor,     Qt::IBeamCursor,
        Qt::ArrowCursor,     Qt::SizeAllCursor, Qt::SizeBDiagCursor, Qt::SizeVerCursor,
        Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,   Qt::WaitCursor,
        Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor, Qt::SizeAllCursor,
    };
    if (!isMousePointer(pointer))
        hosting::raiseInvalidPropertyValue(QStringLiteral("MousePointer"));
    if (pointer == 0) {
        widget.unsetCursor();
    } else if (pointer != 99) {
        widget.setCursor(shapes[pointer]);
    } else if (mouseIcon.isNull()) {
        widget.setCursor(Qt::ArrowCursor);
    } else {
        const QPoint hotSpot = mouseIconHotSpot(mouseIcon);
        widget.setCursor(QCursor(QPixmap::fromImage(mouseIcon), hotSpot.x(), hotSpot.y()));
    }
}

} // namespace vellumo
