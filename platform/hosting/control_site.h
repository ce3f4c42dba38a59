#pragma once
// ControlSite: what a hosted control asks of the container that holds it. The control tells the
// container that a property changed (so that the container saves the control's properties again),
// reads the ambient properties (UserMode, DisplayName, Font) and looks up properties of the container
// itself by name, as late binding on the container object does ("BackColor" of the form).
//
// ContainerSite is the plain implementation a window (or a test) fills in: the ambient values, the
// container's own properties by name, and a callback for the change notification. A control never
// owns its site; the site must outlive the control.

#include "platform/hosting/property_bag.h"

#include <QFont>
#include <QString>

#include <functional>

namespace vellumo {

namespace hosting {
// Raised when the container has no property of the name looked up.
constexpr std::int32_t NoSuchProperty = 438; // "Object doesn't support this property or method"
// Raised by a constituent object for a value outside its enumeration.
constexpr std::int32_t InvalidPropertyValue = 380; // "Invalid property value"
[[noreturn]] void raiseNoSuchProperty(const QString& source, const QString& name);
[[noreturn]] void raiseInvalidPropertyValue(const QString& source);
} // namespace hosting

class __attribute__((visibility("default"))) ControlSite {
public:
    virtual ~ControlSite() = default;
    // The change notification: the named property changed and the container's saved data is stale.
    virtual void PropertyChanged(const QString& name) = 0;
    // Ambient properties: False while the control sits in a form designer.
    virtual bool ambientUserMode() const = 0;
    // The control's name on its container ("StatusBar1").
    virtual QString ambientDisplayName() const = 0;
    virtual QFont ambientFont() const = 0;
    // A property of the container object by name; raises error 438 when it has none.
    virtual PropertyValue containerProperty(const QString& name) const = 0;
};

class __attribute__((visibility("default"))) ContainerSite : public ControlSite {
public:
    void PropertyChanged(const QString& name) override;
    bool ambientUserMode() const override { return userMode; }
    QString ambientDisplayName() const override { return displayName; }
    QFont ambientFont() const override { return font; }
    PropertyValue containerProperty(const QString& name) const override;

    bool userMode = true;
    QString displayName;
    QFont font;
    // The container's own properties ("BackColor" and whatever else a control looks up).
    PropertyBag containerProperties;
    // Called for every change notification, in order.
    std::function<void(const QString&)> onPropertyChanged;
};

} // namespace vellumo
