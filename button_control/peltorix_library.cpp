// The library's entry points: self-registration in the class registry of the folder that holds the
// library file, and the class object that creates TeskButtonConcept buttons. Also the published
// names of the enumerations.
#include "button_control/tesk_button_concept.h"

#include "platform/hosting/class_registry.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <dlfcn.h>

namespace vellumo {

namespace {

struct EnumMember {
    std::int32_t value;
    const char* name;
};

constexpr EnumMember kButtonTypes[] = {
    {1, "Windows 16-bit"}, {2, "Windows 32-bit"}, {3, "Windows XP"},     {4, "Mac"},       {5, "Java metal"},
    {6, "Netscape 6"},     {7, "Simple Flat"},    {8, "Flat Highlight"}, {9, "Office XP"}, {11, "Transparent"},
    {12, "3D Hover"},      {13, "Oval Flat"},     {14, "KDE 2"},
};
constexpr EnumMember kColorTypes[] = {{1, "Use Windows"}, {2, "Custom"}, {3, "Force Standard"}, {4, "Use Container"}};
constexpr EnumMember kPicPositions[] = {
    {0, "cbLeft"}, {1, "cbRight"}, {2, "cbTop"}, {3, "cbBottom"}, {4, "cbBackground"}};
constexpr EnumMember kFx[] = {{0, "cbNone"}, {1, "cbEmbossed"}, {2, "cbEngraved"}, {3, "cbShadowed"}};

struct EnumTable {
    const char* name;
    const EnumMember* members;
    std::size_t count;
};

template <std::size_t N> constexpr EnumTable table(const char* name, const EnumMember (&members)[N]) {
    return {name, members, N};
}

const EnumTable kEnums[] = {
    table("ButtonTypes", kButtonTypes),
    table("ColorTypes", kColorTypes),
    table("PicPositions", kPicPositions),
    table("fx", kFx),
};

class TeskButtonConceptClassObject : public ControlClassFactory {
public:
    HostedControl* CreateInstance(QWidget* parent, ControlSite* site) override {
        return new TeskButtonConcept(parent, site);
    }
};

TeskButtonConceptClassObject& classObject() {
    static TeskButtonConceptClassObject object;
    return object;
}

// The library file, found from the library's own code address.
QString libraryFile() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&classObject), &info) == 0 || !info.dli_fname)
        return QString();
    return QFileInfo(QFile::decodeName(info.dli_fname)).absoluteFilePath();
}

ClassRegistry libraryRegistry() {
    const QString file = libraryFile();
    return ClassRegistry(file.isEmpty() ? QString() : QFileInfo(file).absolutePath());
}

// The library's own file name, as the loader will look for it in the folder.
QString libraryFileName() {
    const QString file = libraryFile();
    return file.isEmpty() ? QString::fromLatin1(peltorix::LibraryFile) : QFileInfo(file).fileName();
}

} // namespace

QString buttonEnumName(const char* enumName, std::int32_t value) {
    for (const EnumTable& t : kEnums) {
        if (std::strcmp(t.name, enumName) != 0)
            continue;
        for (std::size_t i = 0; i < t.count; ++i) {
            if (t.members[i].value == value)
                return QString::fromLatin1(t.members[i].name);
        }
    }
    return QString();
}

} // namespace vellumo

using namespace vellumo;

extern "C" {

PELTORIX_EXPORT std::int32_t DllRegisterServer() {
    const bool ok = libraryRegistry().add(
        {QString::fromLatin1(peltorix::ProgId), QString::fromLatin1(peltorix::Clsid), libraryFileName()});
    return ok ? hresult::S_OK : hresult::SelfRegClass;
}

PELTORIX_EXPORT std::int32_t DllUnregisterServer() {
    return libraryRegistry().remove(QString::fromLatin1(peltorix::ProgId)) ? hresult::S_OK : hresult::SelfRegClass;
}

PELTORIX_EXPORT std::int32_t DllGetClassObject(const char* clsid, ControlClassFactory** factory) {
    if (!factory)
        return hresult::ClassNotAvailable;
    *factory = nullptr;
    if (!clsid || QString::fromLatin1(clsid).compare(QLatin1String(peltorix::Clsid), Qt::CaseInsensitive) != 0)
        return hresult::ClassNotAvailable;
    *factory = &classObject();
    return hresult::S_OK;
}

PELTORIX_EXPORT std::int32_t DllCanUnloadNow() {
    return TeskButtonConcept::liveInstances() == 0 ? hresult::S_OK : hresult::S_FALSE;
}

} // extern "C"
