#pragma once
// UserControl: what every control of the control libraries does the same way as a HostedControl. It
// keeps the site the control reports to and the events it raises to the container, tells the site
// which property changed (PropertyChanged), and hands the host's callbacks to the control's own
// handlers, named after them:
//
//   host callback              control's handler
//   InitProperties()           UserControl_InitProperties()
//   ReadProperties(bag)        UserControl_ReadProperties(bag)
//   WriteProperties(bag)       UserControl_WriteProperties(bag)
//   AmbientChanged(name)       UserControl_AmbientChanged(name)
//
// What the handlers do (which keys, in which order, what a failure costs) is each control's own.
// Control derives from QWidget (its drawing surface) and from UserControl<Control>; the site may be
// null (nothing is notified) and must outlive the control. Default visibility, as HostedControl has,
// because the controls it is a base of are exported from their libraries.

#include "platform/hosting/hosted_control.h"

#include <QWidget>

namespace vellumo {

template <class Control> class UserControl : public HostedControl {
public:
    QWidget* widget() override { return &self(); }
    ControlEvents& events() override { return events_; }
    void InitProperties() override { self().UserControl_InitProperties(); }
    void ReadProperties(const PropertyBag& bag) override { self().UserControl_ReadProperties(bag); }
    void WriteProperties(PropertyBag& bag) override { self().UserControl_WriteProperties(bag); }
    void AmbientChanged(const QString& name) override { self().UserControl_AmbientChanged(name); }

protected:
    explicit UserControl(ControlSite* site) : site_(site) {}

    // Tells the site that the property saved under name changed, so that it saves the control again.
    void PropertyChanged(const QString& name) {
        if (site_)
            site_->PropertyChanged(name);
    }

    ControlSite* site_;
    ControlEvents events_;

private:
    Control& self() { return static_cast<Control&>(*this); }
};

} // namespace vellumo
