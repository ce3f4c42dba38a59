#include "app/status_line.h"

#include "platform/control_loader.h"
#include "platform/control_site.h"
#include "platform/hosted_control.h"
#include "platform/runtime_error.h"
#include "platform/system_colors.h"
#include "platform/ui_hooks.h"

#include <QHBoxLayout>
#include <QLabel>

namespace vellumo {

StatusLine::StatusLine(ControlLoader& loader, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("StatusBar1"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    site_ = std::make_unique<ContainerSite>();
    site_->displayName = QStringLiteral("StatusBar1");
    site_->font = font();
    // The frame reads its container's BackColor when it is first placed: the window colour of a form.
    site_->containerProperties.WriteProperty(QStringLiteral("BackColor"), static_cast<std::int32_t>(0x8000000Fu));
    try {
        control_ = loader.createControl(QString::fromLatin1(ProgId), this, site_.get());
        control_->InitProperties();
        layout->addWidget(control_->widget());
    } catch (const RuntimeError& e) {
        control_ = nullptr;
        ui().logEvent(EventLogType::Warning, QStringLiteral("Vellumo"),
                      QStringLiteral("The status line control %1 could not be created (%2); a plain label stands in.")
                          .arg(QString::fromLatin1(ProgId), e.description()));
        fallback_ = new QLabel(this);
        layout->addWidget(fallback_);
    }
    setFixedHeight(22);
}

StatusLine::~StatusLine() {
    // The control's widget is a Qt child of this one and goes with it; the site must outlive it.
    if (control_)
        delete control_->widget();
}

void StatusLine::setForeColor(std::int32_t colour) {
    foreColor_ = colour;
    if (control_) {
        try {
            control_->putProperty(DispIdForeColor, PropertyValue(colour));
        } catch (const RuntimeError&) {
        }
    } else {
        const QColor c = SystemColors::toQColor(colour);
        fallback_->setStyleSheet(QStringLiteral("color: %1").arg(c.name()));
    }
}

void StatusLine::setCaption(const QString& text) {
    caption_ = text;
    if (control_) {
        try {
            control_->putProperty(DispIdCaption, PropertyValue(text));
        } catch (const RuntimeError&) {
        }
    } else {
        fallback_->setText(text);
    }
}

} // namespace vellumo
