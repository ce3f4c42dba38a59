#include "platform/hosting/control_site.h"

#include "platform/hosting/hosted_control.h"
#include "platform/runtime/runtime_error.h"

#include <QEvent>
#include <QWidget>

namespace vellumo {

namespace hosting {

void raiseNoSuchProperty(const QString& source, const QString& name) {
    // The platform's own text; the name goes nowhere, as with late binding.
    Q_UNUSED(name);
    throw RuntimeError(NoSuchProperty, source, QStringLiteral("Object doesn't support this property or method"));
}

void raiseInvalidPropertyValue(const QString& source) {
    throw RuntimeError(InvalidPropertyValue, source, QStringLiteral("Invalid property value"));
}

} // namespace hosting

namespace {

// Watches the container widget for the changes that are ambient changes to the control it holds.
class ContainerWatch : public QObject {
public:
    ContainerWatch(QWidget& container, ContainerSite& site) : QObject(&container), site_(site) {
        container.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::PaletteChange) {
            site_.ambientChanged(QStringLiteral("BackColor"));
            site_.ambientChanged(QStringLiteral("ForeColor"));
        } else if (event->type() == QEvent::FontChange) {
            site_.font = static_cast<QWidget*>(watched)->font();
            site_.ambientChanged(QStringLiteral("Font"));
        }
        return false; // the container handles its own change as ever
    }

private:
    ContainerSite& site_;
};

} // namespace

ContainerSite::~ContainerSite() {
    delete containerWatch_.data(); // null when the container went first
}

void ContainerSite::attach(HostedControl& control, QWidget* container) {
    delete containerWatch_.data();
    control_ = &control;
    controlWidget_ = control.widget();
    if (container)
        containerWatch_ = new ContainerWatch(*container, *this);
}

void ContainerSite::setAmbientProperty(const QString& name, const PropertyValue& value) {
    if (name.compare(QLatin1String("UserMode"), Qt::CaseInsensitive) == 0)
        userMode = value.toBool();
    else if (name.compare(QLatin1String("DisplayName"), Qt::CaseInsensitive) == 0)
        displayName = value.toText();
    else if (name.compare(QLatin1String("Font"), Qt::CaseInsensitive) == 0)
        font = value.toFont();
    else
        containerProperties.WriteProperty(name, value);
    ambientChanged(name);
}

void ContainerSite::ambientChanged(const QString& name) {
    if (control_ && controlWidget_)
        control_->AmbientChanged(name);
}

void ContainerSite::PropertyChanged(const QString& name) {
    if (onPropertyChanged)
        onPropertyChanged(name);
}

PropertyValue ContainerSite::containerProperty(const QString& name) const {
    const PropertyValue* value = containerProperties.find(name);
    if (!value)
        hosting::raiseNoSuchProperty(QStringLiteral("ContainerSite"), name);
    return *value;
}

} // namespace vellumo
