// The plug-in's side of the filter interface: what a filter built on the public interface sees.
// The structures below this prologue are generated from the interface table; the fixture
// plug-ins use nothing of the host's own header, so a layout slip on either side shows up as a
// plug-in that fails.
#pragma once
#include <cstddef>
#include <cstdint>

namespace plugin {

using Boolean = uint8_t;
using Fixed = int32_t;
using Handle = char**;
using BufferID = struct OpaqueBuffer*;
using ColorID = intptr_t;

struct Point16 {
    int16_t v, h;
};
struct Rect16 {
    int16_t top, left, bottom, right;
};
struct RGBColor16 {
    uint16_t red, green, blue;
};
struct VRect {
    int32_t top, left, bottom, right;
};
struct PlugInMonitor {
    Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};
struct CS_XYZ {
    uint16_t x, y, z;
};
union ColorSelectorParameter {
    uint8_t* pickerPrompt;
    Point16* globalSamplePoint;
    int32_t specialColorID;
};

struct PSPixelMap;
struct ColorServicesInfo;
struct PlatformData;
struct BufferProcs;
struct ResourceProcs;
struct HandleProcs;
struct PropertyProcs;
struct SPBasicSuite;

enum : int16_t {
    filterSelectorAbout = 0,
    filterSelectorParameters = 1,
    filterSelectorPrepare = 2,
    filterSelectorStart = 3,
    filterSelectorContinue = 4,
    filterSelectorFinish = 5,
};

enum : int16_t {
    noErr = 0,
    userCanceledErr = -128,
    memFullErr = -108,
    paramErr = -50,
    filterBadParameters = -30100,
    filterBadMode = -30101,
    errPlugInHostInsufficient = -30900,
    errPlugInPropertyUndefined = -30901,
    errReportString = -30904,
};

constexpr int32_t kSPNoError = 0;
constexpr int32_t kSPSuiteNotFoundError = 0x53214664; // 'S!Fd'

constexpr uint32_t Code(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 |
           uint32_t(uint8_t(c[2])) << 8 | uint32_t(uint8_t(c[3]));
}
constexpr uint32_t kPhotoshopSignature = Code("8BIM");

constexpr int16_t plugInModeRGBColor = 3;
constexpr int16_t plugInWantsEdgeReplication = -1;
constexpr int16_t plugInDoesNotWantPadding = -2;
constexpr int16_t plugInWantsErrorOnBoundsException = -3;

// Colour services selectors and spaces.
constexpr int16_t plugIncolorServicesChooseColor = 0;
constexpr int16_t plugIncolorServicesConvertColor = 1;
constexpr int16_t plugIncolorServicesGetSpecialColor = 3;
constexpr int16_t plugIncolorServicesRGBSpace = 0;
constexpr int16_t plugIncolorServicesHSBSpace = 1;
constexpr int16_t plugIncolorServicesCMYKSpace = 2;
constexpr int16_t plugIncolorServicesLabSpace = 3;
constexpr int16_t plugIncolorServicesGraySpace = 4;
constexpr int16_t plugIncolorServicesXYZSpace = 6;
constexpr int32_t plugIncolorServicesForegroundColor = 0;
constexpr int32_t plugIncolorServicesBackgroundColor = 1;

// PICA suites a filter asks for by name and version.
constexpr const char* kPSHandleSuite = "Photoshop Handle Suite for Plug-ins";
constexpr const char* kPSBufferSuite = "Photoshop Buffer Suite for Plug-ins";
constexpr const char* kPSUIHooksSuite = "Photoshop UIHooks Suite for Plug-ins";
constexpr const char* kPSPropertySuite = "Photoshop Property Suite for Plug-ins";
constexpr const char* kPSColorSpaceSuite = "Photoshop ColorSpace Suite for Plug-ins";
