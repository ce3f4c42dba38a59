#pragma once
// RoutedObject: an object whose handlers a Subclasser calls, for a window's messages or for a
// callback address. The object lists its handlers in declaration order; a routing names one by an
// ordinal counted from the end of the list (ordinal 1 is the last handler, 2 the one before it).
// Handlers are plain functions taking the object, so a routing can hold the object through a
// guarded pointer and skip the call once the object is gone.
//
// A window handler gets, in order: bBefore (called before the window's own procedure), bHandled
// (false on entry; true on the before call skips the window's procedure and the after call),
// lReturn (the answer to the message), the window, the message, wParam, lParam and the routing's
// user value (kept between calls). A callback handler gets the callback's arguments.

#include "platform/tray/message_window.h"

#include <QObject>

#include <span>
#include <variant>

namespace vellumo {

class RoutedObject;

using WindowHandler = void (*)(RoutedObject& owner, bool bBefore, bool& bHandled, qintptr& lReturn,
                               WindowHandle lng_hWnd, quint32 uMsg, qintptr wParam, qintptr lParam,
                               qintptr& lParamUser);
using CallbackHandler = qintptr (*)(RoutedObject& owner, std::span<const qintptr> args);
using RoutedHandler = std::variant<WindowHandler, CallbackHandler>;

class RoutedObject : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // The handlers in declaration order; the list does not change for the object's life.
    virtual std::span<const RoutedHandler> routedHandlers() const = 0;
};

} // namespace vellumo
