#pragma once
// ControlLoader: creates the controls of the control libraries by class name, in place of the
// desktop's class creation. It finds the class in the program folder's ClassRegistry, loads the
// library file named there from the program folder, asks its DllGetClassObject for the class object
// and has that create the control.
//
// A library carries its own copy of the platform layer. Where its calls to vellumo::ui() would reach
// that copy rather than the program's (a program that does not export its symbols), the loader gives
// the copy hooks that forward every call to the program's hooks in force, so message boxes of a
// control are the program's.
//
// Libraries stay loaded for the life of the process once opened: the widgets they create carry their
// code, and Qt may still hold pointers into it after the last control is gone.
//
// Errors (RuntimeError, source "ControlLoader"):
//   &H80040154  Class not registered      the ProgID has no entry in the registry
//   48          Error in loading DLL      the library file is missing or does not load
//   453         Can't find DLL entry point
//   other       the library's own result  DllGetClassObject or DllRegisterServer failed

#include "platform/hosting/hosted_control.h"

#include <QString>

namespace vellumo {

class ControlLoader {
public:
    explicit ControlLoader(QString programDir);

    // Loads fileName from the program folder and runs its self-registration.
    void registerLibrary(const QString& fileName);
    void unregisterLibrary(const QString& fileName);
    // Loads fileName from the program folder and asks whether it could be unloaded (S_OK or S_FALSE).
    std::int32_t canUnloadNow(const QString& fileName);

    // A new control of class progId ("Lumbra.Frame3D") as a child of parent, reporting to site. The
    // caller initialises it (InitProperties or ReadProperties).
    HostedControl* createControl(const QString& progId, QWidget* parent, ControlSite* site);

    const QString& programDir() const { return programDir_; }

private:
    void* open(const QString& fileName);
    void* symbol(void* handle, const char* name, const QString& fileName);

    QString programDir_;
};

} // namespace vellumo
