#include "app/ui/push_button.h"

#include "platform/drawing/system_colors.h"
#include "platform/hosting/hosted_control.h"
#include "platform/runtime/runtime_error.h"

#include <QPushButton>

#include <algorithm>
#include <utility>

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
    designSize();
}

void PushButton::designSize() {
    QString text = caption_;
    text.remove(QLatin1Char('&'));
    const int width = fontMetrics().horizontalAdvance(text) + 20;
    setDesignedSize(QSize(std::max(DesignedSize.width(), width), DesignedSize.height()));
}

void PushButton::setClick(std::function<void()> onClick) {
    onClick_ = std::move(onClick);
}

void PushButton::setCaption(const QString& caption) {
    caption_ = caption;
    designSize();
    if (standIn_) {
        standIn_->setText(caption);
    } else if (control()) {
        try {
            control()->putProperty(DispIdCaption, PropertyValue(caption));
        } catch (const RuntimeError&) {
        }
    }
}

void PushButton::setColours(std::int32_t face, std::int32_t text) {
    if (standIn_) {
        // The stand-in keeps the style's own colours where the design asks for the system's.
        QPalette p = standIn_->palette();
        if (face != syscolor::ButtonFace)
            p.setColor(QPalette::Button, SystemColors::toQColor(face));
        if (text != syscolor::ButtonText)
            p.setColor(QPalette::ButtonText, SystemColors::toQColor(text));
        standIn_->setPalette(p);
        return;
    }
    if (!control())
        return;
    // The scheme first: the colours then replace the system's ones.
    const std::pair<std::int32_t, std::int32_t> values[] = {
        {DispIdColorScheme, ColorSchemeCustom},
        {DispIdBackColor, face},
        {DispIdBackOver, face},
        {DispIdForeColor, text},
        {DispIdForeOver, text},
    };
    for (const auto& [dispid, value] : values) {
        try {
            control()->putProperty(dispid, PropertyValue(value));
        } catch (const RuntimeError&) {
        }
    }
}

void PushButton::click() {
    if (onClick_)
        onClick_();
}

} // namespace vellumo
