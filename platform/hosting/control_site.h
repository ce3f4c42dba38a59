#pragma once
// ControlSite: what a hosted control asks of the container that holds it. The control tells the
// container that a property changed (so that the container saves the control's properties again),
// reads the ambient properties (UserMode, DisplayName, Font) and looks up properties of the container
// itself by name, as late binding on the container object does ("BackColor" of the form).
//
// ContainerSite is the plain implementation a window (or a test) fills in: the ambient values, the
// container's own properties by name, and a callback for the change notification. Attached to its
// control and to the widget that holds it, it also tells the control of ambient changes: its own
// (setAmbientProperty) and the container widget's (a palette change is "BackColor" and then
// "ForeColor", a font change is "Font", which the site's font then follows). A control never owns its
// site; the site must outlive the control, and stops telling a control whose widget is gone.

#include "platform/hosting/property_bag.h"

#include <QFont>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

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

class HostedControl;

class __attribute__((visibility("default"))) ContainerSite : public ControlSite {
public:
    ContainerSite() = default;
    ~ContainerSite() override;
    ContainerSite(const ContainerSite&) = delete;
    ContainerSite& operator=(const ContainerSite&) = delete;

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

    // The control this site serves, and the widget that holds it (null: only setAmbientProperty
    // reaches the control). Attaching again replaces both.
    void attach(HostedControl& control, QWidget* container);
    // Changes one ambient property and tells the control: "UserMode", "DisplayName" and "Font" are
    // the site's own values; any other name is one of the container's properties ("BackColor",
    // "ForeColor", "DisplayAsDefault").
    void setAmbientProperty(const QString& name, const PropertyValue& value);
    // Tells the attached control that the ambient property name changed.
    void ambientChanged(const QString& name);

private:
    HostedControl* control_ = nullptr;
    QPointer<QWidget> controlWidget_;
    QPointer<QObject> containerWatch_;
};

} // namespace vellumo
