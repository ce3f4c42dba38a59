// The library's entry points, which register TeskButtonConcept in the class registry of the folder
// that holds the library file and hand out the class object that creates buttons (ControlLibrary);
// and the published names of the enumerations.
#include "button_control/tesk_button_concept.h"

#include "platform/hosting/control_library.h"
#include "platform/hosting/published_enum.h"

#include <iterator>

namespace vellumo {

namespace {

constexpr EnumMember kButtonTypes[] = {
    {1, "Windows 16-bit"}, {2, "Windows 32-bit"}, {3, "Windows XP"},     {4, "Mac"},       {5, "Java metal"},
    {6, "Netscape 6"},     {7, "Simple Flat"},    {8, "Flat Highlight"}, {9, "Office XP"}, {11, "Transparent"},
    {12, "3D Hover"},      {13, "Oval Flat"},     {14, "KDE 2"},
};
constexpr EnumMember kColorTypes[] = {{1, "Use Windows"}, {2, "Custom"}, {3, "Force Standard"}, {4, "Use Container"}};
constexpr EnumMember kPicPositions[] = {
    {0, "cbLeft"}, {1, "cbRight"}, {2, "cbTop"}, {3, "cbBottom"}, {4, "cbBackground"}};
constexpr EnumMember kFx[] = {{0, "cbNone"}, {1, "cbEmbossed"}, {2, "cbEngraved"}, {3, "cbShadowed"}};

constexpr EnumTable kEnums[] = {
    enumTable("ButtonTypes", kButtonTypes),
    enumTable("ColorTypes", kColorTypes),
    enumTable("PicPositions", kPicPositions),
    enumTable("fx", kFx),
};

constexpr ControlLibrary<TeskButtonConcept> kLibrary(peltorix::ProgId, peltorix::Clsid, peltorix::LibraryFile);

} // namespace

QString buttonEnumName(const char* enumName, std::int32_t value) {
    return publishedEnumName(kEnums, static_cast<int>(std::size(kEnums)), enumName, value);
}

} // namespace vellumo

using namespace vellumo;

extern "C" {

PELTORIX_EXPORT std::int32_t DllRegisterServer() {
    return kLibrary.registerServer();
}

PELTORIX_EXPORT std::int32_t DllUnregisterServer() {
    return kLibrary.unregisterServer();
}

PELTORIX_EXPORT std::int32_t DllGetClassObject(const char* clsid, ControlClassFactory** factory) {
    return kLibrary.getClassObject(clsid, factory);
}

PELTORIX_EXPORT std::int32_t DllCanUnloadNow() {
    return kLibrary.canUnloadNow();
}

} // extern "C"
