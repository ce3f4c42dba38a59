#include "app/ui/push_button.h"

#include "platform/drawing/system_colors.h"
#include "platform/hosting/hosted_control.h"
#include "platform/hosting/property_bag.h"
#include "platform/runtime/runtime_error.h"

#include <QApplication>
#include <QKeyEvent>
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
    focusTarget()->installEventFilter(this);
    focusWatch_ = connect(qApp, &QApplication::focusChanged, this, [this] { updateDefaultLook(); });
}

PushButton::~PushButton() {
    disconnect(focusWatch_);
}

QWidget* PushButton::focusTarget() const {
    if (standIn_)
        return standIn_;
    return control() ? control()->widget() : const_cast<PushButton*>(this);
}

void PushButton::setDefault(bool on) {
    default_ = on;
    if (standIn_)
        standIn_->setDefault(on);
    watchWindowKeys();
    updateDefaultLook();
}

void PushButton::setCancel(bool on) {
    cancel_ = on;
    watchWindowKeys();
}

void PushButton::watchWindowKeys() {
    QWidget* top = window();
    if (top == keyWindow_ || top == this)
        return;
    if (keyWindow_)
        keyWindow_->removeEventFilter(this);
    keyWindow_ = top;
    keyWindow_->installEventFilter(this);
}

namespace {
bool isEnter(const QKeyEvent* key) {
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier));
}
// The push button whose focus target is the widget, if any.
PushButton* buttonOf(QWidget* widget) {
    for (QWidget* w = widget; w && !w->isWindow(); w = w->parentWidget())
        if (auto* button = qobject_cast<PushButton*>(w))
            return button->focusTarget() == widget ? button : nullptr;
    return nullptr;
}
} // namespace

bool PushButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return ControlHost::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (watched == focusTarget()) {
        // Enter on the button clicks it, as Space does (the library and the stand-in handle Space).
        if (isEnter(key) && isEnabled()) {
            if (!key->isAutoRepeat())
                click();
            return true;
        }
        return false;
    }
    if (watched == keyWindow_ && isVisible() && isEnabled()) {
        // A key that no control of the window took reaches the window itself.
        if (default_ && isEnter(key)) {
            click();
            return true;
        }
        if (cancel_ && key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            click();
            return true;
        }
    }
    return false;
}

void PushButton::updateDefaultLook() {
    QWidget* focus = QApplication::focusWidget();
    const bool focused = focus == focusTarget();
    PushButton* other = focus && !focused && focus->window() == window() ? buttonOf(focus) : nullptr;
    const bool shown = focused || (default_ && !other);
    if (shown == shownAsDefault_)
        return;
    shownAsDefault_ = shown;
    if (control())
        setAmbientProperty(QStringLiteral("DisplayAsDefault"), PropertyValue(shown));
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
