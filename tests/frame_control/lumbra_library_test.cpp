// The library as the main program meets it: loaded from the program folder and asked for a control
// by class name through its own entry points.
#include "frame_control/frame3d.h"

#include "platform/hosting/class_registry.h"
#include "platform/hosting/control_loader.h"
#include "platform/runtime/runtime_error.h"

#include <QDir>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <memory>

namespace vellumo {
namespace {

const QString kProgramDir = QStringLiteral(VELLUMO_PROGRAM_DIR);

TEST(LumbraLibrary, TheBuildLeavesTheClassRegisteredInTheProgramFolder) {
    const auto entry = ClassRegistry(kProgramDir).find("Lumbra.Frame3D");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->clsid, QStringLiteral("{2DA272E9-0A6E-4B02-958B-F2F9E5C0D521}"));
    EXPECT_EQ(entry->library, QStringLiteral("liblumbra.so"));
}

TEST(LumbraLibrary, CreatesAFrame3DByClassName) {
    ContainerSite site;
    site.containerProperties.WriteProperty("BackColor", std::int32_t{0x00C0C0C0});
    ControlLoader loader(kProgramDir);
    loader.registerLibrary("liblumbra.so"); // registering again changes nothing
    std::unique_ptr<HostedControl> control(loader.createControl("Lumbra.Frame3D", nullptr, &site));
    ASSERT_TRUE(control);
    auto* frame = dynamic_cast<Frame3D*>(control.get());
    ASSERT_NE(frame, nullptr);
    control->InitProperties();
    EXPECT_EQ(frame->BackColor(), 0x00C0C0C0);
    control->putProperty(lumbra::dispid::Caption, "Prêt");
    EXPECT_EQ(frame->Caption(), QStringLiteral("Prêt"));
    EXPECT_EQ(loader.canUnloadNow("liblumbra.so"), hresult::S_FALSE);
    control.reset();
    EXPECT_EQ(loader.canUnloadNow("liblumbra.so"), hresult::S_OK);
}

TEST(LumbraLibrary, UnknownClassesAreClearErrors) {
    ControlLoader loader(kProgramDir);
    try {
        loader.createControl("Lumbra.Frame4D", nullptr, nullptr);
        FAIL() << "created an unregistered class";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), hresult::ClassNotRegistered);
        EXPECT_TRUE(e.description().contains(QStringLiteral("Lumbra.Frame4D")));
    }
    void* library = dlopen(QDir(kProgramDir).filePath("liblumbra.so").toLocal8Bit().constData(), RTLD_NOW);
    ASSERT_NE(library, nullptr);
    auto getClassObject = reinterpret_cast<entry::GetClassObject>(dlsym(library, "DllGetClassObject"));
    ASSERT_NE(getClassObject, nullptr);
    ControlClassFactory* factory = reinterpret_cast<ControlClassFactory*>(&library);
    EXPECT_EQ(getClassObject("{00000000-0000-0000-0000-000000000000}", &factory), hresult::ClassNotAvailable);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(getClassObject("{2da272e9-0a6e-4b02-958b-f2f9e5c0d521}", &factory), hresult::S_OK);
    EXPECT_NE(factory, nullptr);
    for (const char* name : {"DllRegisterServer", "DllUnregisterServer", "DllCanUnloadNow"})
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    dlclose(library);
}

} // namespace
} // namespace vellumo
