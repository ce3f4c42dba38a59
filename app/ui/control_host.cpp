#include "app/ui/control_host.h"

#include "platform/drawing/system_colors.h"
#include "platform/hosting/control_loader.h"
#include "platform/hosting/control_site.h"
#include "platform/hosting/hosted_control.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"

#include <QHBoxLayout>

namespace vellumo {

ControlHost::ControlHost(ControlLoader& loader, const QString& progId, const QString& name, QWidget* parent)
    : QWidget(parent) {
    setObjectName(name);
    layout_ = new QHBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    site_ = std::make_unique<ContainerSite>();
    site_->displayName = name;
    site_->font = font();
    // Controls read their container's BackColor when first placed: a form's button face.
    site_->containerProperties.WriteProperty(QStringLiteral("BackColor"), syscolor::ButtonFace);
    try {
        control_ = loader.createControl(progId, this, site_.get());
        site_->attach(*control_, this); // the place's palette and font changes reach the control
        control_->InitProperties();
        layout_->addWidget(control_->widget());
        // The place passes the focus to its control, so that the window's tab order and setFocus
        // reach it.
        setFocusProxy(control_->widget());
    } catch (const RuntimeError& e) {
        control_ = nullptr;
        ui().logEvent(EventLogType::Warning, QStringLiteral("Vellumo"),
                      QStringLiteral("The control %1 (%2) could not be created: %3; a standard control stands in.")
                          .arg(name, progId, e.description()));
    }
}

ControlHost::~ControlHost() {
    // The control goes before the site it reports to.
    if (control_)
        delete control_->widget();
}

void ControlHost::setStandIn(QWidget* widget) {
    layout_->addWidget(widget);
    setFocusProxy(widget);
}

void ControlHost::setAmbientProperty(const QString& name, const PropertyValue& value) {
    site_->setAmbientProperty(name, value);
}

void ControlHost::setDesignedSize(const QSize& size) {
    designedSize_ = size;
    updateGeometry();
}

QSize ControlHost::sizeHint() const {
    const QSize own = QWidget::sizeHint();
    if (control_ || !own.isValid() || own.isEmpty())
        return designedSize_.isValid() ? designedSize_ : own;
    return own;
}

QSize ControlHost::minimumSizeHint() const {
    if (control_ && designedSize_.isValid())
        return designedSize_;
    return QWidget::minimumSizeHint();
}

} // namespace vellumo
