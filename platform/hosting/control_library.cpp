#include "platform/hosting/control_library.h"

#include <QFile>

#include <dlfcn.h>

namespace vellumo {

QString libraryFileOf(const void* code) {
    Dl_info info{};
    if (dladdr(code, &info) == 0 || !info.dli_fname)
        return QString();
    return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}

} // namespace vellumo
