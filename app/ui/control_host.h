#pragma once
// ControlHost: a place on a window for one control of a control library, created by its class name
// ("Lumbra.Frame3D", "Peltorix.TeskButtonConcept") from the program folder. The host is the control's
// container: it owns the site the control reports to, and the control's widget fills it.
//
// When the class cannot be created (library missing, class not registered) control() is null and the
// failure is written to the event log; the derived place then puts a standard Qt widget in its stead,
// so the window still works.
//
// Size: a library control says nothing of its size to a layout (it takes the size its container gives
// it), so the host holds the control's designed size and gives it as its size hint: a layout then
// never squeezes the control to nothing. A stand-in widget brings its own size hint.

#include <QString>
#include <QWidget>

#include <memory>

class QHBoxLayout;

namespace vellumo {

class ContainerSite;
class PropertyValue;
class ControlLoader;
class HostedControl;

class ControlHost : public QWidget {
    Q_OBJECT
public:
    ControlHost(ControlLoader& loader, const QString& progId, const QString& name, QWidget* parent);
    ~ControlHost() override;

    // The library's control, or null when a standard widget stands in.
    HostedControl* control() const { return control_; }

    // The size the window's design gives the control, used by layouts when the control has none of its
    // own. A window that places the control itself (setGeometry, setFixedSize) overrides it.
    void setDesignedSize(const QSize& size);
    QSize designedSize() const { return designedSize_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    // Puts the stand-in widget in the control's place.
    void setStandIn(QWidget* widget);
    // Changes an ambient property of the container, as the control sees it ("DisplayAsDefault"), and
    // tells the control.
    void setAmbientProperty(const QString& name, const PropertyValue& value);

private:
    std::unique_ptr<ContainerSite> site_;
    HostedControl* control_ = nullptr;
    QHBoxLayout* layout_ = nullptr;
    QSize designedSize_;
};

} // namespace vellumo
