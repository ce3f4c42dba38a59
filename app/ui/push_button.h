#pragma once
// PushButton: a button of a window, the button library's TeskButtonConcept created by its class name
// "Peltorix.TeskButtonConcept". The windows handle only its Click and set only Visible (and, on one
// button, MousePointer). Until the library is in the program folder a standard push button stands in.
// In a layout the button has the size of a dialog button of the design (75 by 25 pixels), wider when
// its caption needs it.
//
// The keyboard, as a window's push buttons take it: Tab reaches the button, Space and Enter on it click
// it, and it shows that it has the focus (the library's button draws its focus rectangle while it is
// shown as the default one: the place tells it so through the ambient DisplayAsDefault while it has the
// focus). A default button (setDefault) clicks on an Enter that nothing else in its window took, and
// shows as the default one while no other push button of the window has the focus; a cancel button
// (setCancel) clicks on Escape in its window.

#include "app/ui/control_host.h"

#include <QSize>

#include <cstdint>
#include <functional>

class QPushButton;

namespace vellumo {

class PushButton : public ControlHost {
    Q_OBJECT
    // What the translation of a window sets on the button.
    Q_PROPERTY(QString Caption READ caption WRITE setCaption)
public:
    static constexpr const char* ProgId = "Peltorix.TeskButtonConcept";
    // The dispatch number of Caption (from the library's type information).
    static constexpr std::int32_t DispIdCaption = -518;
    // Colours by dispatch number, and the colour scheme that makes the button use them.
    static constexpr std::int32_t DispIdBackColor = -501;
    static constexpr std::int32_t DispIdForeColor = -513;
    static constexpr std::int32_t DispIdBackOver = 0x68030017;
    static constexpr std::int32_t DispIdForeOver = 0x68030016;
    static constexpr std::int32_t DispIdColorScheme = 0x6803000E;
    static constexpr std::int32_t DispIdPictureNormal = 0x68030008;
    static constexpr std::int32_t ColorSchemeCustom = 2;
    // The design's size of a dialog button.
    static constexpr QSize DesignedSize{75, 25};

    PushButton(ControlLoader& loader, const QString& name, const QString& caption, QWidget* parent);
    // Stops following the focus first: the hosted button, deleted after this, moves the focus away.
    ~PushButton() override;

    void setClick(std::function<void()> onClick);
    // The caption, on the library's button (by dispatch number) or on the stand-in.
    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    // Clicks the button as the user would.
    void click();
    // The button's face and caption colours (0x00BBGGRR), also under the mouse: on the library's
    // button by its colour properties, on the stand-in by its palette.
    void setColours(std::int32_t face, std::int32_t text);

    void setDefault(bool on);
    bool isDefault() const { return default_; }
    void setCancel(bool on);
    bool isCancel() const { return cancel_; }
    // The widget that takes the focus: the library's button or the stand-in.
    QWidget* focusTarget() const;
    // Whether the button shows as its window's default one now.
    bool shownAsDefault() const { return shownAsDefault_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void designSize();
    void watchWindowKeys();
    void updateDefaultLook();

    std::function<void()> onClick_;
    QString caption_;
    QPushButton* standIn_ = nullptr;
    QWidget* keyWindow_ = nullptr;
    bool default_ = false;
    bool cancel_ = false;
    bool shownAsDefault_ = false;
    QMetaObject::Connection focusWatch_;
};

} // namespace vellumo
