#include "app/push_button.h"

#include "platform/hosting/hosted_control.h"
#include "platform/runtime/runtime_error.h"

#include <QPushButton>

namespace vellumo {

PushButton::PushButton(ControlLoader& loader, const QString& name, const QString& caption, QWidget* parent)
    : ControlHost(loader, QString::fromLatin1(ProgId), name, parent), caption_(caption) {
    if (control()) {
        control()->events().Click = [this] { click(); };
        setCaption(caption);
    } else {
        standIn_ = new QPushButton(caption, this);
        connect(standIn_, &QPushButton::clicked, this, [this] { click(); });
        setStandIn(standIn_);
    }
}

void PushButton::setClick(std::function<void()> onClick) { onClick_ = std::move(onClick); }

void PushButton::setCaption(const QString& caption) {
    caption_ = caption;
    if (standIn_) {
        standIn_->setText(caption);
    } else if (control()) {
        try {
            control()->putProperty(DispIdCaption, PropertyValue(caption));
        } catch (const RuntimeError&) {
        }
    }
}

void PushButton::click() {
    if (onClick_)
        onClick_();
}

} // namespace vellumo
