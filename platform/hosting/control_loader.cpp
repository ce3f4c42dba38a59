#include "platform/hosting/control_loader.h"

#include "platform/hosting/class_registry.h"
#include "platform/runtime/runtime_error.h"
#include "platform/runtime/ui_hooks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>

namespace vellumo {

namespace {

const QString kSource = QStringLiteral("ControlLoader");
constexpr std::int32_t kErrorLoadingLibrary = 48;
constexpr std::int32_t kNoEntryPoint = 453;

[[noreturn]] void fail(std::int32_t number, const QString& description) {
    throw RuntimeError(number, kSource, description);
}

QString hex(std::int32_t result) {
    return QStringLiteral("&H%1").arg(static_cast<std::uint32_t>(result), 8, 16, QLatin1Char('0')).toUpper();
}

// Installed in a control library that carries its own copy of the platform layer: every call goes to
// the hooks in force in the program at the moment of the call, so that a library's message boxes are
// the program's (and a test's scripted ones), however the program changes its hooks later.
class ProgramUiHooks : public UiHooks {
public:
    int messageBox(const QString& prompt, int style, const QString& title) override {
        return ui().messageBox(prompt, style, title);
    }
    void beep() override { ui().beep(); }
    void logEvent(EventLogType type, const QString& source, const QString& text) override {
        ui().logEvent(type, source, text);
    }
    void doEvents() override { ui().doEvents(); }
};

// A library loaded at run time binds its calls to vellumo::ui() to its own copy unless the program
// exports its symbols; hand that copy the forwarding hooks. When the library already shares the
// program's copy, or has none, nothing is done.
void shareUiHooks(void* handle) {
    using UiFunction = UiHooks& (*)();
    using SetUiFunction = void (*)(UiHooks*);
    auto* libraryUi = dlsym(handle, "_ZN7vellumo2uiEv");
    auto* librarySetUi = dlsym(handle, "_ZN7vellumo10setUiHooksEPNS_7UiHooksE");
    if (!libraryUi || !librarySetUi)
        return;
    if (libraryUi == reinterpret_cast<void*>(static_cast<UiFunction>(&ui)) ||
        librarySetUi == reinterpret_cast<void*>(static_cast<SetUiFunction>(&setUiHooks)))
        return;
    static ProgramUiHooks forwarder;
    reinterpret_cast<SetUiFunction>(librarySetUi)(&forwarder);
}

} // namespace

ControlLoader::ControlLoader(QString programDir) : programDir_(std::move(programDir)) {}

void* ControlLoader::open(const QString& fileName) {
    const QString path = QDir(programDir_).filePath(fileName);
    if (!QFileInfo::exists(path))
        fail(kErrorLoadingLibrary, QStringLiteral("Error in loading DLL: %1 not found").arg(path));
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        fail(kErrorLoadingLibrary, QStringLiteral("Error in loading DLL: %1").arg(QString::fromLocal8Bit(dlerror())));
    shareUiHooks(handle);
    return handle;
}

void* ControlLoader::symbol(void* handle, const char* name, const QString& fileName) {
    void* address = dlsym(handle, name);
    if (!address)
        fail(kNoEntryPoint, QStringLiteral("Can't find DLL entry point %1 in %2").arg(QLatin1String(name), fileName));
    return address;
}

void ControlLoader::registerLibrary(const QString& fileName) {
    void* handle = open(fileName);
    auto entry = reinterpret_cast<entry::RegisterServer>(symbol(handle, entry::RegisterServerName, fileName));
    if (const std::int32_t result = entry(); result != hresult::S_OK)
        fail(result, QStringLiteral("%1 could not register its classes (%2)").arg(fileName, hex(result)));
}

void ControlLoader::unregisterLibrary(const QString& fileName) {
    void* handle = open(fileName);
    auto entry = reinterpret_cast<entry::UnregisterServer>(symbol(handle, entry::UnregisterServerName, fileName));
    if (const std::int32_t result = entry(); result != hresult::S_OK)
        fail(result, QStringLiteral("%1 could not unregister its classes (%2)").arg(fileName, hex(result)));
}

std::int32_t ControlLoader::canUnloadNow(const QString& fileName) {
    void* handle = open(fileName);
    auto entry = reinterpret_cast<entry::CanUnloadNow>(symbol(handle, entry::CanUnloadNowName, fileName));
    return entry();
}

HostedControl* ControlLoader::createControl(const QString& progId, QWidget* parent, ControlSite* site) {
    const auto registered = ClassRegistry(programDir_).find(progId);
    if (!registered)
        fail(hresult::ClassNotRegistered, QStringLiteral("Class not registered: %1").arg(progId));
    void* handle = open(registered->library);
    auto entry =
        reinterpret_cast<entry::GetClassObject>(symbol(handle, entry::GetClassObjectName, registered->library));
    ControlClassFactory* factory = nullptr;
    const QByteArray clsid = registered->clsid.toLatin1();
    if (const std::int32_t result = entry(clsid.constData(), &factory); result != hresult::S_OK || !factory)
        fail(result != hresult::S_OK ? result : hresult::ClassNotAvailable,
             QStringLiteral("%1 does not provide class %2 %3 (%4)")
                 .arg(registered->library, progId, registered->clsid, hex(result)));
    return factory->CreateInstance(parent, site);
}

} // namespace vellumo
