#include "app/ui/status_line.h"

#include "platform/drawing/system_colors.h"
#include "platform/hosting/hosted_control.h"
#include "platform/runtime/runtime_error.h"

#include <QLabel>

#include <utility>

namespace vellumo {

StatusLine::StatusLine(ControlLoader& loader, QWidget* parent)
    : ControlHost(loader, QString::fromLatin1(ProgId), QStringLiteral("StatusBar1"), parent) {
    if (control()) {
        // The window's design of its status line: inserted border, a 3-pixel raised inner bevel,
        // the caption centred on the left.
        const std::pair<std::int32_t, std::int32_t> design[] = {
            {0x68030022, 1}, // BorderType
            {0x68030023, 3}, // BevelWidth
            {0x68030024, 1}, // BevelInner
            {0x6803001E, 3}, // CaptionAlignment
        };
        for (const auto& [dispid, value] : design) {
            try {
                control()->putProperty(dispid, PropertyValue(value));
            } catch (const RuntimeError&) {
            }
        }
    } else {
        fallback_ = new QLabel(this);
        // Captions carry texts from peers' replies (their station names): shown as they are, never
        // read as markup.
        fallback_->setTextFormat(Qt::PlainText);
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
