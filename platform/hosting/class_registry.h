#pragma once
// ClassRegistry: the registry of control classes in the program folder, in place of the desktop's
// component registry. A control library's DllRegisterServer adds its classes here, DllUnregisterServer
// removes them, and ControlLoader looks a class up by its ProgID to find the library file.
//
// File "ControlClasses.txt" in the folder, UTF-8, one class per line, fields separated by a tab:
//
//   field  content                 example
//   1      ProgID                  Lumbra.Frame3D
//   2      CLSID                   {2DA272E9-0A6E-4B02-958B-F2F9E5C0D521}
//   3      library file name       liblumbra.so   (a name in the same folder)
//
// ProgIDs compare without regard to case. Lines that are not three fields are kept as they stand.
// Every change rewrites the file whole through a temporary file, so a reader never sees half a file.
// Not thread-safe; every caller is on the one user-interface thread.

#include <QString>

#include <optional>

namespace vellumo {

struct RegisteredClass {
    QString progId;
    QString clsid;
    QString library;
};

class ClassRegistry {
public:
    static QString fileName() { return QStringLiteral("ControlClasses.txt"); }

    explicit ClassRegistry(QString folder);

    // Adds the class or replaces its entry; false when the file cannot be written.
    bool add(const RegisteredClass& entry);
    // Removes the class; true when it is no longer registered (also when it never was).
    bool remove(const QString& progId);
    std::optional<RegisteredClass> find(const QString& progId) const;

    QString filePath() const;

private:
    QString folder_;
};

} // namespace vellumo
