#pragma once
// PushButton: a button of a window, the button library's TeskButtonConcept created by its class name
// "Peltorix.TeskButtonConcept". The windows handle only its Click and set only Visible (and, on one
// button, MousePointer). Until the library is in the program folder a standard push button stands in.

#include "app/control_host.h"

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

    PushButton(ControlLoader& loader, const QString& name, const QString& caption, QWidget* parent);

    void setClick(std::function<void()> onClick);
    // The caption, on the library's button (by dispatch number) or on the stand-in.
    void setCaption(const QString& caption);
    QString caption() const { return caption_; }
    // Clicks the button as the user would.
    void click();

private:
    std::function<void()> onClick_;
    QString caption_;
    QPushButton* standIn_ = nullptr;
};

} // namespace vellumo
