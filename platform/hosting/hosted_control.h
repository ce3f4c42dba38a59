#pragma once
// HostedControl: what a container holds of a control created from a control library, and the C entry
// points by which such a library registers itself and hands out its controls (in place of the
// desktop's component registration and class creation).
//
// Life of a control: the container creates it through the library's class object, then calls either
// InitProperties (a new control) or ReadProperties (one loaded from saved data), sizes and shows its
// widget, and calls WriteProperties whenever it saves. The container owns the widget (a Qt child of
// the parent given at creation); the control never owns its site. A container that attaches its
// ContainerSite to the control tells it of every ambient change (AmbientChanged).
//
// Members by dispatch number: properties through putProperty and getProperty, methods through
// invokeMethod. A number the control does not have raises DISP_E_MEMBERNOTFOUND ("Member not found").
//
// The constants below have internal linkage on purpose: the control libraries carry their own copy of
// the hosting layer, and no data symbol may exist twice across the program and a library.
//
// Entry points of a control library (extern "C", default visibility):
//
//   symbol               signature                                         result
//   DllRegisterServer    int32 (void)                                      S_OK, or SelfRegClass
//   DllUnregisterServer  int32 (void)                                      S_OK, or SelfRegClass
//   DllGetClassObject    int32 (const char* clsid, ControlClassFactory**)   S_OK, CLASS_E_CLASSNOTAVAILABLE
//   DllCanUnloadNow      int32 (void)                                      S_OK when no control is alive,
//                                                                          else S_FALSE
//
// Registration records the library's classes in the class registry of the folder that holds the
// library file (see ClassRegistry).

#include "platform/hosting/control_input.h"
#include "platform/hosting/control_site.h"
#include "platform/hosting/property_bag.h"

#include <cstdint>
#include <vector>

class QWidget;

namespace vellumo {

namespace hresult {
constexpr std::int32_t S_OK = 0;
constexpr std::int32_t S_FALSE = 1;
constexpr std::int32_t ClassNotAvailable = static_cast<std::int32_t>(0x80040111u);  // CLASS_E_CLASSNOTAVAILABLE
constexpr std::int32_t ClassNotRegistered = static_cast<std::int32_t>(0x80040154u); // REGDB_E_CLASSNOTREG
constexpr std::int32_t SelfRegClass = static_cast<std::int32_t>(0x80040201u);       // SELFREG_E_CLASS
constexpr std::int32_t MemberNotFound = static_cast<std::int32_t>(0x80020003u);     // DISP_E_MEMBERNOTFOUND
constexpr std::int32_t BadParamCount = static_cast<std::int32_t>(0x8002000Eu);      // DISP_E_BADPARAMCOUNT
} // namespace hresult

// The handle of widget's own native window (its hWnd), as a 32-bit value (an X11 window id fits).
// Reading it makes the widget a native child window, once; its ancestors and siblings stay as they are,
// so the rest of the window paints as before. A native child stacks above non-native siblings that
// overlap it.
std::int32_t nativeWindowHandle(QWidget& widget);

// Raised by invokeMethod for a number the control has no method of, and for a wrong argument count.
[[noreturn]] void raiseMemberNotFound(const QString& source);
[[noreturn]] void raiseBadParamCount(const QString& source);

class __attribute__((visibility("default"))) HostedControl {
public:
    virtual ~HostedControl() = default;

    virtual QWidget* widget() = 0;
    // The events to the container; the container fills in the handlers it wants.
    virtual ControlEvents& events() = 0;

    // A new control on its container.
    virtual void InitProperties() = 0;
    // A control loaded from saved data.
    virtual void ReadProperties(const PropertyBag& bag) = 0;
    // Saves the control's properties into bag.
    virtual void WriteProperties(PropertyBag& bag) = 0;

    // Property access by dispatch number, the value converted as PropertyValue does; an unknown number
    // raises DISP_E_MEMBERNOTFOUND, a write to a read-only property error 383.
    virtual void putProperty(std::int32_t dispid, const PropertyValue& value) = 0;
    virtual PropertyValue getProperty(std::int32_t dispid) = 0;
    // Runs the method of that dispatch number with arguments and returns its result (an empty value
    // for a method that returns nothing); a wrong number of arguments raises DISP_E_BADPARAMCOUNT.
    virtual PropertyValue invokeMethod(std::int32_t dispid, const std::vector<PropertyValue>& arguments) = 0;

    // The container tells the control that its ambient property name changed ("BackColor",
    // "ForeColor", "Font", "DisplayAsDefault", "UserMode", "DisplayName", ...).
    virtual void AmbientChanged(const QString& name) = 0;
};

class __attribute__((visibility("default"))) ControlClassFactory {
public:
    virtual ~ControlClassFactory() = default;
    // A new control as a child of parent, reporting to site. The control is not initialised yet.
    virtual HostedControl* CreateInstance(QWidget* parent, ControlSite* site) = 0;
};

namespace entry {
using RegisterServer = std::int32_t (*)();
using UnregisterServer = std::int32_t (*)();
using GetClassObject = std::int32_t (*)(const char* clsid, ControlClassFactory** factory);
using CanUnloadNow = std::int32_t (*)();
constexpr const char* RegisterServerName = "DllRegisterServer";
constexpr const char* UnregisterServerName = "DllUnregisterServer";
constexpr const char* GetClassObjectName = "DllGetClassObject";
constexpr const char* CanUnloadNowName = "DllCanUnloadNow";
} // namespace entry

} // namespace vellumo
