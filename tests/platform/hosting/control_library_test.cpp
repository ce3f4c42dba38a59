// The four entry points of the two control libraries, as an installer and the main program meet them:
// a copy of each built library, under a file name of its own in a folder of its own, registered,
// asked for its class object and unregistered there. This executable links neither library.
#include "platform/hosting/class_registry.h"
#include "platform/hosting/control_loader.h"
#include "platform/runtime/runtime_error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <memory>

namespace vellumo {
namespace {

struct LibraryCase {
    const char* name;
    const char* file;
    const char* progId;
    const char* clsid;
    const char* otherClsid; // the other library's class
};

void PrintTo(const LibraryCase& c, std::ostream* os) {
    *os << c.name;
}

class ControlLibraryTest : public testing::TestWithParam<LibraryCase> {
protected:
    void SetUp() override {
        const QString built = QDir(QStringLiteral(VELLUMO_PROGRAM_DIR)).filePath(QString::fromLatin1(GetParam().file));
        if (!QFile::exists(built))
            GTEST_SKIP() << "the library is not built: " << built.toStdString();
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QFile::copy(built, dir.filePath(copyName)));
    }
    void* open() {
        void* handle = dlopen(QFile::encodeName(dir.filePath(copyName)).constData(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(handle, nullptr) << dlerror();
        return handle;
    }

    QTemporaryDir dir;
    const QString copyName = QStringLiteral("libcontrols-copy.so");
};

TEST_P(ControlLibraryTest, RegistersItsClassUnderItsOwnFileNameInItsOwnFolder) {
    const LibraryCase& c = GetParam();
    ControlLoader loader(dir.path());
    loader.registerLibrary(copyName);
    const auto entry = ClassRegistry(dir.path()).find(QString::fromLatin1(c.progId));
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->clsid, QString::fromLatin1(c.clsid));
    EXPECT_EQ(entry->library, copyName);

    std::unique_ptr<HostedControl> control(loader.createControl(QString::fromLatin1(c.progId), nullptr, nullptr));
    ASSERT_TRUE(control);
    EXPECT_EQ(loader.canUnloadNow(copyName), hresult::S_FALSE);
    control.reset();
    EXPECT_EQ(loader.canUnloadNow(copyName), hresult::S_OK);

    loader.unregisterLibrary(copyName);
    EXPECT_FALSE(ClassRegistry(dir.path()).find(QString::fromLatin1(c.progId)));
    loader.unregisterLibrary(copyName); // a class that is not registered is no failure
}

TEST_P(ControlLibraryTest, ARegistryThatCannotBeWrittenFailsTheRegistration) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(ClassRegistry::fileName())); // a folder where the file should be
    try {
        ControlLoader(dir.path()).registerLibrary(copyName);
        FAIL() << "registered into a registry that cannot be written";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), hresult::SelfRegClass);
    }
}

TEST_P(ControlLibraryTest, HandsOutItsClassObjectForItsOwnClassOnly) {
    const LibraryCase& c = GetParam();
    void* library = open();
    ASSERT_NE(library, nullptr);
    auto getClassObject = reinterpret_cast<entry::GetClassObject>(dlsym(library, entry::GetClassObjectName));
    ASSERT_NE(getClassObject, nullptr);
    ControlClassFactory* factory = reinterpret_cast<ControlClassFactory*>(&library);
    EXPECT_EQ(getClassObject(nullptr, &factory), hresult::ClassNotAvailable);
    EXPECT_EQ(factory, nullptr);
    factory = reinterpret_cast<ControlClassFactory*>(&library);
    EXPECT_EQ(getClassObject(c.otherClsid, &factory), hresult::ClassNotAvailable);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(getClassObject(c.clsid, nullptr), hresult::ClassNotAvailable);
    EXPECT_EQ(getClassObject(QByteArray(c.clsid).toLower().constData(), &factory), hresult::S_OK);
    ASSERT_NE(factory, nullptr);
    ControlClassFactory* again = nullptr;
    EXPECT_EQ(getClassObject(c.clsid, &again), hresult::S_OK);
    EXPECT_EQ(again, factory); // one class object for the library
    dlclose(library);
}

const LibraryCase kLibraries[] = {
    {"Lumbra", "liblumbra.so", "Lumbra.Frame3D", "{2DA272E9-0A6E-4B02-958B-F2F9E5C0D521}",
     "{6CA53788-9351-4277-90BF-68EB88BCBFE0}"},
    {"Peltorix", "libpeltorix.so", "Peltorix.TeskButtonConcept", "{6CA53788-9351-4277-90BF-68EB88BCBFE0}",
     "{2DA272E9-0A6E-4B02-958B-F2F9E5C0D521}"},
};

INSTANTIATE_TEST_SUITE_P(Libraries, ControlLibraryTest, testing::ValuesIn(kLibraries),
                         [](const testing::TestParamInfo<LibraryCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace vellumo
