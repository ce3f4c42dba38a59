#include "platform/hosting/control_loader.h"

#include "platform/hosting/class_registry.h"
#include "platform/runtime/runtime_error.h"

#include "tests/support/scripted_ui_hooks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace vellumo {
namespace {

std::int32_t creationError(ControlLoader& loader, const QString& progId) {
    try {
        loader.createControl(progId, nullptr, nullptr);
    } catch (const RuntimeError& e) {
        EXPECT_FALSE(e.description().isEmpty());
        return e.number();
    }
    return 0;
}

TEST(ControlLoader, AnUnregisteredClassOrAMissingLibraryIsAClearError) {
    QTemporaryDir dir;
    ControlLoader loader(dir.path());
    EXPECT_EQ(creationError(loader, "Lumbra.Frame3D"), hresult::ClassNotRegistered);
    ASSERT_TRUE(ClassRegistry(dir.path()).add({"Lumbra.Frame3D", "{X}", "libmissing.so"}));
    EXPECT_EQ(creationError(loader, "Lumbra.Frame3D"), 48); // Error in loading DLL
}

// This executable does not link the frame control library, so a copy loaded at run time keeps its own
// copy of the platform layer, as under the main program.
TEST(ControlLoader, ALibrarysMessageBoxesGoThroughTheProgramsHooks) {
    const QString built = QDir(QStringLiteral(VELLUMO_PROGRAM_DIR)).filePath("liblumbra.so");
    if (!QFile::exists(built))
        GTEST_SKIP() << "the frame control library is not built";
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::copy(built, dir.filePath("liblumbra.so")));
    ControlLoader loader(dir.path());
    loader.registerLibrary("liblumbra.so");
    ASSERT_TRUE(ClassRegistry(dir.path()).find("Lumbra.Frame3D"));

    test::ScriptedUiHooks hooks;
    ScopedUiHooks scoped(hooks);
    ContainerSite site; // no BackColor: a new control reports the failed lookup in a box
    std::unique_ptr<HostedControl> control(loader.createControl("Lumbra.Frame3D", nullptr, &site));
    ASSERT_TRUE(control);
    control->InitProperties();
    ASSERT_EQ(hooks.boxes.size(), 1u);
    EXPECT_EQ(hooks.boxes[0].title, QStringLiteral("Lumbra - ERROR"));
    EXPECT_TRUE(QFile::exists(dir.filePath("ErrorLog.txt"))) << "the record lies beside the library copy";
    control.reset();
    EXPECT_EQ(loader.canUnloadNow("liblumbra.so"), hresult::S_OK);
    loader.unregisterLibrary("liblumbra.so");
    EXPECT_FALSE(ClassRegistry(dir.path()).find("Lumbra.Frame3D"));
    EXPECT_EQ(creationError(loader, "Lumbra.Frame3D"), hresult::ClassNotRegistered);
}

} // namespace
} // namespace vellumo
