#include "platform/widgets/tesk_toolbar.h"

#include "platform/runtime/runtime_error.h"
#include "platform/widgets/toolbar_picture.h"

#include <QAction>
#include <QKeyEvent>
#include <QToolButton>

namespace vellumo {

TeskToolbar::TeskToolbar(QWidget* parent) : QToolBar(parent) {
    setMovable(false);
}

bool TeskToolbar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QToolButton*>(watched);
        if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            if (!key->isAutoRepeat())
                button->click();
            return true;
        }
    }
    return QToolBar::eventFilter(watched, event);
}

int TeskToolbar::addButton(const QString& key, const QIcon& picture, const QString& toolTipText,
                           const QString& caption) {
    auto* action = new QAction(picture, caption, this);
    action->setToolTip(toolTipText);
    addAction(action);
    // The keyboard reaches the button: Tab stops on it (a click leaves the focus where it was), and
    // Space or Enter clicks it.
    if (QWidget* button = widgetForAction(action)) {
        button->setFocusPolicy(Qt::TabFocus);
        button->installEventFilter(this);
    }
    buttons_.push_back({action, key, toolTipText});
    const int index = buttonCount();
    connect(action, &QAction::triggered, this, [this, index] { onTriggered(index); });
    return index;
}

int TeskToolbar::addSeparatorButton(const QString& key) {
    auto* action = new QAction(this);
    action->setSeparator(true);
    addAction(action);
    buttons_.push_back({action, key, {}});
    return buttonCount();
}

const TeskToolbar::Entry& TeskToolbar::entry(int index) const {
    if (index < 1 || index > buttonCount())
        throw RuntimeError(err::OutOfRange, QStringLiteral("TeskToolbar"), QStringLiteral("Index out of bounds"));
    return buttons_[static_cast<std::size_t>(index - 1)];
}

QString TeskToolbar::buttonKey(int index) const {
    return entry(index).key;
}
bool TeskToolbar::isSeparator(int index) const {
    return entry(index).action->isSeparator();
}

void TeskToolbar::setButtonEnabled(int index, bool enabled) {
    entry(index).action->setEnabled(enabled);
}
bool TeskToolbar::buttonEnabled(int index) const {
    return entry(index).action->isEnabled();
}
void TeskToolbar::setButtonVisible(int index, bool visible) {
    entry(index).action->setVisible(visible);
}
bool TeskToolbar::buttonVisible(int index) const {
    return entry(index).action->isVisible();
}
void TeskToolbar::setButtonCaption(int index, const QString& caption) {
    entry(index).action->setText(caption);
}
QString TeskToolbar::buttonCaption(int index) const {
    return entry(index).action->text();
}

void TeskToolbar::setButtonToolTipText(int index, const QString& toolTipText) {
    auto& e = const_cast<Entry&>(entry(index));
    e.toolTipText = toolTipText;
    e.action->setToolTip(toolTipText);
}

QString TeskToolbar::buttonToolTipText(int index) const {
    return entry(index).toolTipText;
}
void TeskToolbar::setButtonPicture(int index, const QIcon& picture) {
    entry(index).action->setIcon(picture);
}
QString TeskToolbar::buttonPictureName(int index) const {
    return entry(index).pictureName;
}
QAction* TeskToolbar::buttonAction(int index) const {
    return entry(index).action;
}

bool TeskToolbar::clickButton(int index) {
    const Entry& e = entry(index);
    if (e.action->isSeparator() || !e.action->isEnabled() || !e.action->isVisible())
        return false;
    e.action->trigger();
    return true;
}

void TeskToolbar::onTriggered(int index) {
    // The handler may close the window and so delete this toolbar: take what it needs first, and touch
    // nothing of this object after the call.
    const Button button{index, buttons_[static_cast<std::size_t>(index - 1)].key};
    const ClickHandler handler = clickHandler_;
    if (handler)
        handler(button);
}

void TeskToolbar::addDesignedButtons(std::span<const DesignedButton> design) {
    for (const DesignedButton& b : design) {
        int index;
        if (!b.key) {
            index = addSeparatorButton();
        } else {
            const QString name = b.picture ? QString::fromLatin1(b.picture) : QString();
            index = addButton(QString::fromLatin1(b.key), ToolbarPicture(name), QString::fromUtf8(b.toolTip));
            buttons_.back().pictureName = name;
        }
        if (b.hidden)
            setButtonVisible(index, false);
    }
}

} // namespace vellumo
