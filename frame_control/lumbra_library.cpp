// The library's entry points: self-registration in the class registry of the folder that holds the
// library file, and the class object that creates Frame3D controls. Also the published names of the
// enumerations.
#include "frame_control/frame3d.h"

#include "platform/hosting/class_registry.h"

#include <QFileInfo>

#include <cstring>

namespace vellumo {

namespace {

constexpr EnumMember kBorderTypes[] = {
    {0, "None Border"},          {1, "Frame Inserted"},     {2, "Frame Raised"},           {3, "Panel Flat Shadow"},
    {4, "Panel Flat Highlight"}, {5, "Panel Raised"},       {6, "Panel Inserted"},         {7, "rFrame Inserted"},
    {8, "rFrame Raised"},        {9, "rPanel Flat Shadow"}, {10, "rPanel Flat Highlight"}, {11, "rPanel Raised"},
    {12, "rPanel Inserted"},     {13, "rNone Border"},
};
constexpr EnumMember kBevelInner[] = {
    {0, "None Bevel"}, {1, "Inserted Bevel"}, {2, "Raised Bevel"}, {3, "Flat Shadow"}, {4, "Flat Highlight"},
};
constexpr EnumMember kCaption3D[] = {{0, "Flat Caption"}, {1, "Inserted Caption"}, {2, "Raised Caption"}};
constexpr EnumMember kCaptionLocation[] = {{0, "Inside Frame"}, {1, "In Frame"}};
constexpr EnumMember kCaptionAlignment[] = {
    {0, "Top Left"},     {1, "Top Center"},  {2, "Top Right"},     {3, "Middle Left"},  {4, "Middle Center"},
    {5, "Middle Right"}, {6, "Bottom Left"}, {7, "Bottom Center"}, {8, "Bottom Right"},
};
constexpr EnumMember kFillGradient[] = {{0, "None Gradient"}, {1, "Fill Horizontal"}, {2, "Fill Vertical"}};
constexpr EnumMember kFloodType[] = {{0, "Left To Right"}, {1, "Bottom To Top"}};

template <std::size_t N> constexpr int countOf(const EnumMember (&)[N]) {
    return static_cast<int>(N);
}

const EnumTable kEnums[] = {
    {"enuBorderTypes", kBorderTypes, countOf(kBorderTypes)},
    {"enuBevelInner", kBevelInner, countOf(kBevelInner)},
    {"enuCaption3D", kCaption3D, countOf(kCaption3D)},
    {"enuCaptionLocation", kCaptionLocation, countOf(kCaptionLocation)},
    {"enuCaptionAlignment", kCaptionAlignment, countOf(kCaptionAlignment)},
    {"enuFillGradient", kFillGradient, countOf(kFillGradient)},
    {"enuFloodType", kFloodType, countOf(kFloodType)},
};

class Frame3DClassObject : public ControlClassFactory {
public:
    HostedControl* CreateInstance(QWidget* parent, ControlSite* site) override { return new Frame3D(parent, site); }
};

Frame3DClassObject& classObject() {
    static Frame3DClassObject object;
    return object;
}

ClassRegistry libraryRegistry() {
    return ClassRegistry(ErrorLog::libraryFolder());
}

// The library's own file name, as the loader will look for it in the folder.
QString libraryFileName() {
    const QString file = ErrorLog::libraryFile();
    return file.isEmpty() ? QString::fromLatin1(lumbra::LibraryFile) : QFileInfo(file).fileName();
}

} // namespace

const EnumTable* frame3dEnums(int* count) {
    if (count)
        *count = static_cast<int>(sizeof kEnums / sizeof kEnums[0]);
    return kEnums;
}

QString frame3dEnumName(const char* enumName, std::int32_t value) {
    for (const EnumTable& table : kEnums) {
        if (std::strcmp(table.name, enumName) != 0)
            continue;
        for (int i = 0; i < table.count; ++i) {
            if (table.members[i].value == value)
                return QString::fromLatin1(table.members[i].name);
        }
    }
    return QString();
}

} // namespace vellumo

using namespace vellumo;

extern "C" {

LUMBRA_EXPORT std::int32_t DllRegisterServer() {
    const bool ok = libraryRegistry().add(
        {QString::fromLatin1(lumbra::ProgId), QString::fromLatin1(lumbra::Clsid), libraryFileName()});
    return ok ? hresult::S_OK : hresult::SelfRegClass;
}

LUMBRA_EXPORT std::int32_t DllUnregisterServer() {
    return libraryRegistry().remove(QString::fromLatin1(lumbra::ProgId)) ? hresult::S_OK : hresult::SelfRegClass;
}

LUMBRA_EXPORT std::int32_t DllGetClassObject(const char* clsid, ControlClassFactory** factory) {
    if (!factory)
        return hresult::ClassNotAvailable;
    *factory = nullptr;
    if (!clsid || QString::fromLatin1(clsid).compare(QLatin1String(lumbra::Clsid), Qt::CaseInsensitive) != 0)
        return hresult::ClassNotAvailable;
    *factory = &classObject();
    return hresult::S_OK;
}

LUMBRA_EXPORT std::int32_t DllCanUnloadNow() {
    return Frame3D::liveInstances() == 0 ? hresult::S_OK : hresult::S_FALSE;
}

} // extern "C"
