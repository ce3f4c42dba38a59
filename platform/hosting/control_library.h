#pragma once
// ControlLibrary: what the four entry points of a control library with one control class do (see
// hosted_control.h), for the library to forward its exported DllRegisterServer, DllUnregisterServer,
// DllGetClassObject and DllCanUnloadNow to. The library keeps those four extern "C" functions itself,
// so that each library's exports stay its own.
//
//   entry point          what it does
//   DllRegisterServer    adds {ProgID, CLSID, the library's file name} to the class registry of the
//                        folder that holds the library file; SelfRegClass when it cannot be written
//   DllUnregisterServer  removes the ProgID from that registry; SelfRegClass when it cannot be written
//   DllGetClassObject    the one class object of the library for its own CLSID (compared without
//                        regard to case); CLASS_E_CLASSNOTAVAILABLE, and a null object, otherwise
//   DllCanUnloadNow      S_OK when no control of the class is alive, else S_FALSE
//
// The library file is found from the address of the library's own code, so a copy registers under
// its own name in its own folder. Control is a HostedControl with a constructor (QWidget* parent,
// ControlSite* site) and a static liveInstances() counting its live objects.
//
// Instantiated in the library itself; the class object is created on first use and lives as long as
// the library stays loaded.

#include "platform/hosting/class_registry.h"
#include "platform/hosting/hosted_control.h"

#include <QFileInfo>
#include <QLatin1String>
#include <QString>

#include <cstdint>

namespace vellumo {

// The absolute path of the shared object (or program) whose code holds the function at code, or an
// empty text when there is none. Hidden: a library uses it and does not export it.
__attribute__((visibility("hidden"))) QString libraryFileOf(const void* code);

template <class Control> class ControlLibrary {
public:
    // progId and clsid of the class; fileName the library's file name for when its own file cannot be
    // found.
    constexpr ControlLibrary(const char* progId, const char* clsid, const char* fileName)
        : progId_(progId), clsid_(clsid), fileName_(fileName) {}

    std::int32_t registerServer() const {
        const QString file = libraryFile();
        // The library's own file name, as the loader will look for it in the folder.
        const QString name = file.isEmpty() ? QString::fromLatin1(fileName_) : QFileInfo(file).fileName();
        const bool ok = registry(file).add({QString::fromLatin1(progId_), QString::fromLatin1(clsid_), name});
        return ok ? hresult::S_OK : hresult::SelfRegClass;
    }

    std::int32_t unregisterServer() const {
        return registry(libraryFile()).remove(QString::fromLatin1(progId_)) ? hresult::S_OK : hresult::SelfRegClass;
    }

    std::int32_t getClassObject(const char* clsid, ControlClassFactory** factory) const {
        if (!factory)
            return hresult::ClassNotAvailable;
        *factory = nullptr;
        if (!clsid || QString::fromLatin1(clsid).compare(QLatin1String(clsid_), Qt::CaseInsensitive) != 0)
            return hresult::ClassNotAvailable;
        *factory = &classObject();
        return hresult::S_OK;
    }

    std::int32_t canUnloadNow() const { return Control::liveInstances() == 0 ? hresult::S_OK : hresult::S_FALSE; }

private:
    class ClassObject : public ControlClassFactory {
    public:
        HostedControl* CreateInstance(QWidget* parent, ControlSite* site) override { return create(parent, site); }
    };

    static HostedControl* create(QWidget* parent, ControlSite* site) { return new Control(parent, site); }
    static ClassObject& classObject() {
        static ClassObject object;
        return object;
    }
    // The library file, from the address of this library's own instance of create.
    static QString libraryFile() { return libraryFileOf(reinterpret_cast<const void*>(&create)); }
    static ClassRegistry registry(const QString& file) {
        return ClassRegistry(file.isEmpty() ? QString() : QFileInfo(file).absolutePath());
    }

    const char* progId_;
    const char* clsid_;
    const char* fileName_;
};

} // namespace vellumo
