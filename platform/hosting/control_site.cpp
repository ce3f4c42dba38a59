#include "platform/hosting/control_site.h"

#include "platform/runtime/runtime_error.h"

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
