// vellumo_regsvr: registers (or with -u unregisters) the classes of a control library in the class
// registry of the library's folder, by loading it and running its own entry point.
//   vellumo_regsvr [-u] <library file>
#include "platform/hosting/control_loader.h"
#include "platform/runtime/runtime_error.h"

#include <QFileInfo>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const bool unregister = argc == 3 && std::strcmp(argv[1], "-u") == 0;
    if (argc != 2 && !unregister) {
        std::fprintf(stderr, "usage: vellumo_regsvr [-u] <library file>\n");
        return 2;
    }
    const QFileInfo library(QString::fromLocal8Bit(argv[argc - 1]));
    try {
        vellumo::ControlLoader loader(library.absolutePath());
        if (unregister)
            loader.unregisterLibrary(library.fileName());
        else
            loader.registerLibrary(library.fileName());
    } catch (const vellumo::RuntimeError& e) {
        std::fprintf(stderr, "vellumo_regsvr: %s (%d)\n", qUtf8Printable(e.description()), e.number());
        return 1;
    }
    return 0;
}
