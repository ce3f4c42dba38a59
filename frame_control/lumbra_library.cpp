// The library's entry points, which register Frame3D in the class registry of the folder that holds
// the library file and hand out the class object that creates frames (ControlLibrary); and the
// published names of the enumerations.
#include "frame_control/frame3d.h"

#include "platform/hosting/control_library.h"

#include <iterator>

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

const EnumTable kEnums[] = {
    enumTable("enuBorderTypes", kBorderTypes),
    enumTable("enuBevelInner", kBevelInner),
    enumTable("enuCaption3D", kCaption3D),
    enumTable("enuCaptionLocation", kCaptionLocation),
    enumTable("enuCaptionAlignment", kCaptionAlignment),
    enumTable("enuFillGradient", kFillGradient),
    enumTable("enuFloodType", kFloodType),
};

constexpr ControlLibrary<Frame3D> kLibrary(lumbra::ProgId, lumbra::Clsid, lumbra::LibraryFile);

} // namespace

const EnumTable* frame3dEnums(int* count) {
    if (count)
        *count = static_cast<int>(std::size(kEnums));
    return kEnums;
}

QString frame3dEnumName(const char* enumName, std::int32_t value) {
    return publishedEnumName(kEnums, static_cast<int>(std::size(kEnums)), enumName, value);
}

} // namespace vellumo

using namespace vellumo;

extern "C" {

LUMBRA_EXPORT std::int32_t DllRegisterServer() {
    return kLibrary.registerServer();
}

LUMBRA_EXPORT std::int32_t DllUnregisterServer() {
    return kLibrary.unregisterServer();
}

LUMBRA_EXPORT std::int32_t DllGetClassObject(const char* clsid, ControlClassFactory** factory) {
    return kLibrary.getClassObject(clsid, factory);
}

LUMBRA_EXPORT std::int32_t DllCanUnloadNow() {
    return kLibrary.canUnloadNow();
}

} // extern "C"
