// The library as the main program meets it: loaded from the program folder and asked for a button
// by class name through its own entry points.
#include "button_control/tesk_button_concept.h"

#include "platform/hosting/class_registry.h"
#include "platform/hosting/control_loader.h"
#include "platform/runtime/runtime_error.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <memory>

namespace vellumo {
namespace {

const QString kProgramDir = QStringLiteral(VELLUMO_PROGRAM_DIR);

TEST(PeltorixLibrary, TheBuildLeavesTheClassRegisteredInTheProgramFolder) {
    const auto entry = ClassRegistry(kProgramDir).find("Peltorix.TeskButtonConcept");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->clsid, QStringLiteral("{6CA53788-9351-4277-90BF-68EB88BCBFE0}"));
    EXPECT_EQ(entry->library, QStringLiteral("libpeltorix.so"));
}

TEST(PeltorixLibrary, CreatesAButtonByClassNameAsTheMainWindowDoes) {
    ContainerSite site;
    site.displayName = QStringLiteral("Btn_Valider");
    QStringList notified;
    site.onPropertyChanged = [&](const QString& name) { notified << name; };
    ControlLoader loader(kProgramDir);
    loader.registerLibrary("libpeltorix.so"); // registering again changes nothing
    QWidget window;
    std::unique_ptr<HostedControl> control(loader.createControl("Peltorix.TeskButtonConcept", &window, &site));
    ASSERT_TRUE(control);
    control->InitProperties();
    EXPECT_EQ(control->getProperty(peltorix::dispid::Caption).toText(), QStringLiteral("Btn_Valider"));
    control->putProperty(peltorix::dispid::Caption, "&Valider");
    EXPECT_EQ(control->getProperty(peltorix::dispid::Caption).toText(), QStringLiteral("&Valider"));
    EXPECT_EQ(control->getProperty(peltorix::dispid::Version).toText(), QStringLiteral("2.0.6 B"));
    EXPECT_EQ(notified, QStringList{"TX"});

    int clicks = 0;
    control->events().Click = [&] { ++clicks; };
    control->widget()->resize(80, 24);
    window.show();
    QMouseEvent down(QEvent::MouseButtonPress, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent up(QEvent::MouseButtonRelease, QPointF(3, 3), QPointF(3, 3), Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(control->widget(), &down);
    QApplication::sendEvent(control->widget(), &up);
    EXPECT_EQ(clicks, 1);

    EXPECT_EQ(loader.canUnloadNow("libpeltorix.so"), hresult::S_FALSE);
    control.reset();
    EXPECT_EQ(loader.canUnloadNow("libpeltorix.so"), hresult::S_OK);
}

TEST(PeltorixLibrary, UnknownClassesAreClearErrors) {
    void* library = dlopen(QDir(kProgramDir).filePath("libpeltorix.so").toLocal8Bit().constData(), RTLD_NOW);
    ASSERT_NE(library, nullptr);
    auto getClassObject = reinterpret_cast<entry::GetClassObject>(dlsym(library, "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    ControlClassFactory* factory = reinterpret_cast<ControlClassFactory*>(&library);
    EXPECT_EQ(getClassObject("{2DA272E9-0A6E-4B02-958B-F2F9E5C0D521}", &factory), hresult::ClassNotAvailable);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(getClassObject(nullptr, &factory), hresult::ClassNotAvailable);
    EXPECT_EQ(getClassObject("{6ca53788-9351-4277-90bf-68eb88bcbfe0}", &factory), hresult::S_OK);
    EXPECT_NE(factory, nullptr);
    EXPECT_EQ(getClassObject("{6CA53788-9351-4277-90BF-68EB88BCBFE0}", nullptr), hresult::ClassNotAvailable);
    for (const char* name : {"DllRegisterServer", "DllUnregisterServer", "DllCanUnloadNow"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    dlclose(library);
}

TEST(PeltorixLibrary, TheEnumerationsKeepTheirPublishedNames) {
    EXPECT_EQ(buttonEnumName("ButtonTypes", 2), QStringLiteral("Windows 32-bit"));
    EXPECT_EQ(buttonEnumName("ButtonTypes", 12), QStringLiteral("3D Hover"));
    EXPECT_EQ(buttonEnumName("ButtonTypes", 10), QString());
    EXPECT_EQ(buttonEnumName("ColorTypes", 4), QStringLiteral("Use Container"));
    EXPECT_EQ(buttonEnumName("PicPositions", 4), QStringLiteral("cbBackground"));
    EXPECT_EQ(buttonEnumName("fx", 3), QStringLiteral("cbShadowed"));
}

} // namespace
} // namespace vellumo
