#pragma once
// PushButton: a button of a window, the button library's TeskButtonConcept created by its class name
// "Peltorix.TeskButtonConcept". The windows handle only its Click and set only Visible (and, on one
// button, MousePointer). Until the library is in the program folder a standard push button stands in.

#include "app/control_host.h"

#include <functional>

class QPushButton;

namespace vellumo {

class PushButton : public ControlHost {
    Q_OBJECT
public:
    static constexpr const char* ProgId = "Peltorix.TeskButtonConcept";

    PushButton(ControlLoader& loader, const QString& name, const QString& caption, QWidget* parent);

    void setClick(std::function<void()> onClick);
    // Clicks the button as the user would.
    void click();

private:
    std::function<void()> onClick_;
    QPushButton* standIn_ = nullptr;
};

} // namespace vellumo
