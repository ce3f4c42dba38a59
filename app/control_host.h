#pragma once
// ControlHost: a place on a window for one control of a control library, created by its class name
// ("Lumbra.Frame3D", "Peltorix.TeskButtonConcept") from the program folder. The host is the control's
// container: it owns the site the control reports to, and the control's widget fills it.
//
// When the class cannot be created (library missing, class not registered) control() is null and the
// failure is written to the event log; the derived place then puts a standard Qt widget in its stead,
// so the window still works.

#include <QString>
#include <QWidget>

#include <memory>

class QHBoxLayout;

namespace vellumo {

class ContainerSite;
class ControlLoader;
class HostedControl;

class ControlHost : public QWidget {
    Q_OBJECT
public:
    ControlHost(ControlLoader& loader, const QString& progId, const QString& name, QWidget* parent);
    ~ControlHost() override;

    // The library's control, or null when a standard widget stands in.
    HostedControl* control() const { return control_; }

protected:
    // Puts the stand-in widget in the control's place.
    void setStandIn(QWidget* widget);

private:
    std::unique_ptr<ContainerSite> site_;
    HostedControl* control_ = nullptr;
    QHBoxLayout* layout_ = nullptr;
};

} // namespace vellumo
