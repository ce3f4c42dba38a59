#pragma once
// TeskToolbar: the windows' toolbar of numbered buttons, over QToolBar. Buttons are numbered from 1 in
// the order they are added, as the windows name them; each has a key (a name only: two buttons may
// share one), a picture, a caption, a tooltip, and can be a separator that only takes its number's
// place. A click reaches the window through one handler that gets the button's number and key. Owned
// by its window, like any widget.
//
// Invariants: buttons are only added through addButton and addSeparatorButton (never with QToolBar's
// own addAction), so number n is always the n-th button. A number outside 1..buttonCount() fails with
// error 9 "Index out of bounds" (source "TeskToolbar") and changes nothing.
//
// Keyboard: every button is in its window's tab order (Tab reaches it, a click does not move the
// focus), and Space or Enter on the focused button clicks it.

#include <QIcon>
#include <QString>
#include <QToolBar>

#include <functional>
#include <span>
#include <vector>

class QAction;

namespace vellumo {

// One button of a window's toolbar design, in number order: its key (null for a separator), its
// picture by standard icon name (ToolbarPicture: the desktop's theme, else a fallback; null for
// none), its design tooltip as UTF-8, and whether it starts hidden.
struct DesignedButton {
    const char* key;
    const char* picture;
    const char* toolTip;
    bool hidden;
};

class TeskToolbar : public QToolBar {
    Q_OBJECT
    // What the translation of a window looks for: the button count and the two setters by name.
    Q_PROPERTY(int ButtonCount READ buttonCount)
public:
    struct Button {
        int index; // from 1
        QString key;
    };
    using ClickHandler = std::function<void(const Button&)>;

    explicit TeskToolbar(QWidget* parent = nullptr);

    // Appends a button and returns its number.
    int addButton(const QString& key, const QIcon& picture = {}, const QString& toolTipText = {},
                  const QString& caption = {});
    // Appends a separator, which takes the next number.
    int addSeparatorButton(const QString& key = {});
    // Adds the buttons of a design, numbered from 1 in its order.
    void addDesignedButtons(std::span<const DesignedButton> design);

    int buttonCount() const { return static_cast<int>(buttons_.size()); }
    QString buttonKey(int index) const;
    bool isSeparator(int index) const;

    void setButtonEnabled(int index, bool enabled);
    bool buttonEnabled(int index) const;
    void setButtonVisible(int index, bool visible);
    bool buttonVisible(int index) const;
    Q_INVOKABLE void setButtonCaption(int index, const QString& caption);
    QString buttonCaption(int index) const;
    Q_INVOKABLE void setButtonToolTipText(int index, const QString& toolTipText);
    QString buttonToolTipText(int index) const;
    void setButtonPicture(int index, const QIcon& picture);
    // The standard icon name a designed button took its picture by; empty for the others.
    QString buttonPictureName(int index) const;
    // The button's action, for placing a pop-up menu under it or reaching its tool button.
    QAction* buttonAction(int index) const;

    // Clicks a button as the user would: enabled, visible, not a separator. Returns whether it clicked.
    bool clickButton(int index);
    void setButtonClickHandler(ClickHandler handler) { clickHandler_ = std::move(handler); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Entry {
        QAction* action;
        QString key;
        QString toolTipText;
        QString pictureName;
    };
    const Entry& entry(int index) const;
    void onTriggered(int index);

    std::vector<Entry> buttons_;
    ClickHandler clickHandler_;
};

} // namespace vellumo
