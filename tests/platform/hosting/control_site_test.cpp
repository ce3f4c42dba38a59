// The container's site: ambient values and their changes reaching the control attached to it.
#include "platform/hosting/control_site.h"

#include "platform/hosting/hosted_control.h"
#include "platform/runtime/runtime_error.h"
#include "tests/support/error_number.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo {
namespace {

using test::errorOf;

// A control that records the ambient changes it is told of.
class RecordingControl : public QWidget, public HostedControl {
public:
    using QWidget::QWidget;
    QWidget* widget() override { return this; }
    ControlEvents& events() override { return events_; }
    void InitProperties() override {}
    void ReadProperties(const PropertyBag&) override {}
    void WriteProperties(PropertyBag&) override {}
    void putProperty(std::int32_t, const PropertyValue&) override { raiseMemberNotFound(QStringLiteral("test")); }
    PropertyValue getProperty(std::int32_t) override { raiseMemberNotFound(QStringLiteral("test")); }
    PropertyValue invokeMethod(std::int32_t, const std::vector<PropertyValue>&) override {
        raiseMemberNotFound(QStringLiteral("test"));
    }
    void AmbientChanged(const QString& name) override { told << name; }

    QStringList told;

private:
    ControlEvents events_;
};

TEST(ContainerSite, AmbientPropertiesAreTheSitesOwnOrTheContainers) {
    ContainerSite site;
    RecordingControl control;
    site.attach(control, nullptr);
    site.setAmbientProperty(QStringLiteral("UserMode"), false);
    site.setAmbientProperty(QStringLiteral("displayname"), "Btn_Valider");
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(11);
    site.setAmbientProperty(QStringLiteral("Font"), font);
    site.setAmbientProperty(QStringLiteral("DisplayAsDefault"), true);
    site.setAmbientProperty(QStringLiteral("BackColor"), std::int32_t{0x00FF00});
    EXPECT_FALSE(site.ambientUserMode());
    EXPECT_EQ(site.ambientDisplayName(), QStringLiteral("Btn_Valider"));
    EXPECT_EQ(site.ambientFont().pointSize(), 11);
    EXPECT_TRUE(site.containerProperty(QStringLiteral("DisplayAsDefault")).toBool());
    EXPECT_EQ(site.containerProperty(QStringLiteral("BackColor")).toInt32(), 0x00FF00);
    EXPECT_EQ(control.told, (QStringList{"UserMode", "displayname", "Font", "DisplayAsDefault", "BackColor"}));
    EXPECT_EQ(errorOf([&] { site.containerProperty(QStringLiteral("Nothing")); }), hosting::NoSuchProperty);
}

TEST(ContainerSite, TheContainersPaletteAndFontChangesReachTheControl) {
    ContainerSite site;
    QWidget container;
    auto* control = new RecordingControl(&container);
    site.attach(*control, &container);
    QPalette palette = container.palette();
    palette.setColor(QPalette::Window, Qt::red);
    container.setPalette(palette);
    EXPECT_EQ(control->told, (QStringList{"BackColor", "ForeColor"}));
    control->told.clear();
    QFont font = container.font();
    font.setPointSize(17);
    container.setFont(font);
    EXPECT_EQ(control->told, QStringList{"Font"});
    EXPECT_EQ(site.ambientFont().pointSize(), 17) << "the site's font follows the container's";
}

TEST(ContainerSite, AGoneControlOrContainerIsLeftAlone) {
    auto container = std::make_unique<QWidget>();
    {
        ContainerSite site;
        auto* control = new RecordingControl(container.get());
        site.attach(*control, container.get());
        delete control;
        site.setAmbientProperty(QStringLiteral("BackColor"), std::int32_t{1}); // nobody to tell
        container->setPalette(QPalette(Qt::green));
    } // the site goes before its container: the container no longer reports to it
    container->setPalette(QPalette(Qt::blue));
    ContainerSite later;
    RecordingControl control;
    later.attach(control, container.get());
    container.reset(); // the container goes first
    later.setAmbientProperty(QStringLiteral("UserMode"), true);
    EXPECT_EQ(control.told, QStringList{"UserMode"});
}

TEST(ContainerSite, AttachingAgainReplacesTheControlAndTheContainer) {
    ContainerSite site;
    QWidget first;
    QWidget second;
    RecordingControl a;
    RecordingControl b;
    site.attach(a, &first);
    site.attach(b, &second);
    first.setFont(QFont(QStringLiteral("Arial")));
    second.setFont(QFont(QStringLiteral("Arial")));
    EXPECT_TRUE(a.told.isEmpty());
    EXPECT_EQ(b.told, QStringList{"Font"});
}

} // namespace
} // namespace vellumo
