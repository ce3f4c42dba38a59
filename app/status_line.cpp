#include "app/status_line.h"

#include "platform/hosted_control.h"
#include "platform/runtime_error.h"
#include "platform/system_colors.h"

#include <QLabel>

namespace vellumo {

StatusLine::StatusLine(ControlLoader& loader, QWidget* parent)
    : ControlHost(loader, QString::fromLatin1(ProgId), QStringLiteral("StatusBar1"), parent) {
    if (!control()) {
        fallback_ = new QLabel(this);
        setStandIn(fallback_);
    }
    setFixedHeight(22);
}

void StatusLine::setForeColor(std::int32_t colour) {
    foreColor_ = colour;
    if (control()) {
        try {
            control()->putProperty(DispIdForeColor, PropertyValue(colour));
        } catch (const RuntimeError&) {
        }
    } else {
        fallback_->setStyleSheet(QStringLiteral("color: %1").arg(SystemColors::toQColor(colour).name()));
    }
}

void StatusLine::setCaption(const QString& text) {
    caption_ = text;
    if (control()) {
        try {
            control()->putProperty(DispIdCaption, PropertyValue(text));
        } catch (const RuntimeError&) {
        }
    } else {
        fallback_->setText(text);
    }
}

} // namespace vellumo
