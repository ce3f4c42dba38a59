#include "platform/control_loader.h"

#include "platform/class_registry.h"
#include "platform/runtime_error.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

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

} // namespace
} // namespace vellumo
