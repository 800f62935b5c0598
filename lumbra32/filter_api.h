#pragma once
// The binary interface between this host and a filter plug-in, as the host declares it: the
// record it fills, the callback suites, selectors, result codes and property keys. Field names
// are the public interface's. Only FilterRecord is packed to 4 bytes; the suites and every other
// structure keep natural alignment. The layout is checked field by field against the
// independent table in interface/layout.txt (interface/layout_checks.cpp). No Windows header:
// the protocol driver and its tests build anywhere.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#define LUMBRA_PI_CALL __cdecl
#else
#define LUMBRA_PI_CALL
#endif

namespace lumbra::pi {

using Boolean = uint8_t;
using Fixed = int32_t; // 16.16
using Handle = char**; // the first word points to the data; plug-ins dereference it unlocked
struct BufferRecord;
using BufferID = BufferRecord*;
using ColorID = intptr_t;
using SPErr = int32_t;

struct Rect16 {
    int16_t top, left, bottom, right;
};
struct Point16 {
    int16_t v, h;
};
struct RGBColor16 {
    uint16_t red, green, blue;
};
struct VRect {
    int32_t top, left, bottom, right;
};
struct CS_XYZ {
    uint16_t x, y, z;
};

enum Selector : int16_t {
    kSelectorAbout = 0,
    kSelectorParameters = 1,
    kSelectorPrepare = 2,
    kSelectorStart = 3,
    kSelectorContinue = 4,
    kSelectorFinish = 5,
};

enum Result : int16_t {
    kNoErr = 0,
    kUserCanceled = -128,
    kMemFull = -108,
    kNilHandle = -109,
    kParamErr = -50,
    kFilterBadParameters = -30100,
    kFilterBadMode = -30101,
    kHostInsufficient = -30900,
    kPropertyUndefined = -30901,
    kReportString = -30904,
};

// Results of the PICA suites (four-character codes where not 0).
constexpr SPErr kSPNoError = 0;
constexpr SPErr kSPBadParameterError = 0x5061726d;  // 'Parm'
constexpr SPErr kSPOutOfMemoryError = kMemFull;     // as the public hosts answer it
constexpr SPErr kSPSuiteNotFoundError = 0x53214664; // 'S!Fd'
constexpr SPErr kSPUnimplementedError = 0x21494d50; // '!IMP'
constexpr SPErr kSPUserCanceledError = 0x73746f70;  // 'stop'

constexpr uint32_t Code(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 |
           uint32_t(uint8_t(c[2])) << 8 | uint32_t(uint8_t(c[3]));
}
constexpr uint32_t kPhotoshopSignature = Code("8BIM");
constexpr uint32_t kAnyHostSignature = Code("    ");

constexpr int16_t kImageModeGray = 1;
constexpr int16_t kImageModeRgb = 3;
constexpr int16_t kFilterCaseFlatNoSelection = 1;
// inputPadding / outputPadding / maskPadding values below 0 (0..255 is a fill value).
constexpr int16_t kPaddingEdgeReplicate = -1;
constexpr int16_t kPaddingNone = -2;
constexpr int16_t kPaddingErrorOutside = -3;
// samplingSupport
constexpr uint8_t kSamplingIntegral = 1;

using TestAbortProc = Boolean(LUMBRA_PI_CALL*)();
using ProgressProc = void(LUMBRA_PI_CALL*)(int32_t done, int32_t total);
using HostProc = void(LUMBRA_PI_CALL*)(int16_t selector, intptr_t* data);
using ProcessEventProc = void(LUMBRA_PI_CALL*)(void* event);
using AdvanceStateProc = int16_t(LUMBRA_PI_CALL*)();
using FilterEntry = void(LUMBRA_PI_CALL*)(int16_t selector, void* record, intptr_t* data,
                                          int16_t* result);

struct PSPixelMap;
// `platformContext` is the device context to draw on (an HDC on Windows).
using DisplayPixelsProc = int16_t(LUMBRA_PI_CALL*)(const PSPixelMap* source, const VRect* srcRect,
                                                   int32_t dstRow, int32_t dstCol,
                                                   void* platformContext);
// The simple value is pointer-sized: what 64-bit plug-ins built on the current interface pass.
using GetPropertyProc = int16_t(LUMBRA_PI_CALL*)(uint32_t signature, uint32_t key, int32_t index,
                                                 intptr_t* simpleProperty, Handle* complexProperty);
using SetPropertyProc = int16_t(LUMBRA_PI_CALL*)(uint32_t signature, uint32_t key, int32_t index,
                                                 intptr_t simpleProperty, Handle complexProperty);

// ---- Callback suites of the record: natural alignment ------------------------------------

struct HandleProcs {
    int16_t handleProcsVersion; // 1
    int16_t numHandleProcs;     // 8
    Handle(LUMBRA_PI_CALL* newProc)(int32_t size);
    void(LUMBRA_PI_CALL* disposeProc)(Handle h);
    int32_t(LUMBRA_PI_CALL* getSizeProc)(Handle h);
    int16_t(LUMBRA_PI_CALL* setSizeProc)(Handle h, int32_t newSize);
    char*(LUMBRA_PI_CALL* lockProc)(Handle h, Boolean moveHigh);
    void(LUMBRA_PI_CALL* unlockProc)(Handle h);
    void(LUMBRA_PI_CALL* recoverSpaceProc)(int32_t size);
    void(LUMBRA_PI_CALL* disposeRegularHandleProc)(Handle h);
};

struct BufferProcs {
    int16_t bufferProcsVersion; // 2
    int16_t numBufferProcs;     // 5
    int16_t(LUMBRA_PI_CALL* allocateProc)(int32_t size, BufferID* bufferID);
    char*(LUMBRA_PI_CALL* lockProc)(BufferID bufferID, Boolean moveHigh);
    void(LUMBRA_PI_CALL* unlockProc)(BufferID bufferID);
    void(LUMBRA_PI_CALL* freeProc)(BufferID bufferID);
    int32_t(LUMBRA_PI_CALL* spaceProc)();
};

struct ResourceProcs {
    int16_t resourceProcsVersion; // 3
    int16_t numResourceProcs;     // 4
    int16_t(LUMBRA_PI_CALL* countProc)(uint32_t type);
    Handle(LUMBRA_PI_CALL* getProc)(uint32_t type, int16_t index);
    void(LUMBRA_PI_CALL* deleteProc)(uint32_t type, int16_t index);
    int16_t(LUMBRA_PI_CALL* addProc)(uint32_t type, Handle data);
};

// Also the PICA property suite, which has the same layout.
struct PropertyProcs {
    int16_t propertyProcsVersion; // 1
    int16_t numPropertyProcs;     // 2
    GetPropertyProc getPropertyProc;
    SetPropertyProc setPropertyProc;
};

// What platformData points to on Windows: the window that owns what the plug-in shows.
struct PlatformData {
    intptr_t hwnd;
};

struct PlugInMonitor {
    Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

struct ColorServicesInfo {
    int32_t infoSize;
    int16_t selector;
    int16_t sourceSpace;
    int16_t resultSpace;
    Boolean resultGamutInfoValid;
    Boolean resultInGamut;
    void* reservedSourceSpaceInfo; // must be null
    void* reservedResultSpaceInfo; // must be null
    int16_t colorComponents[4];
    void* reserved; // must be null
    union {
        uint8_t* pickerPrompt; // a length-prefixed string
        Point16* globalSamplePoint;
        int32_t specialColorID;
    } selectorParameter;
};
using ColorServicesProc = int16_t(LUMBRA_PI_CALL*)(ColorServicesInfo* info);

enum ColorSelector : int16_t {
    kChooseColor = 0,
    kConvertColor = 1,
    kSamplePoint = 2,
    kGetSpecialColor = 3,
};
enum ColorSpace : int16_t {
    kChosenSpace = -1,
    kRgbSpace = 0,
    kHsbSpace = 1,
    kCmykSpace = 2,
    kLabSpace = 3,
    kGraySpace = 4,
    kHslSpace = 5,
    kXyzSpace = 6,
};
constexpr int32_t kForegroundColor = 0;
constexpr int32_t kBackgroundColor = 1;

// What displayPixels shows: pixel (x, y) of plane p is at baseAddr + (y - bounds.top) * rowBytes
// + (x - bounds.left) * colBytes + p * planeBytes.
struct PSPixelMap {
    int32_t version;
    VRect bounds;
    int32_t imageMode;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t planeBytes;
    void* baseAddr;
    void* mat; // version 1 on
    void* masks;
    int32_t maskPhaseRow, maskPhaseCol;
    void* pixelOverlays; // version 2 on
    uint32_t colorManagementOptions;
};

// ---- PICA: the basic suite and the suites it hands out, natural alignment ---------------

struct SPBasicSuite {
    SPErr(LUMBRA_PI_CALL* AcquireSuite)(const char* name, int32_t version, const void** suite);
    SPErr(LUMBRA_PI_CALL* ReleaseSuite)(const char* name, int32_t version);
    int32_t(LUMBRA_PI_CALL* IsEqual)(const char* token1, const char* token2);
    SPErr(LUMBRA_PI_CALL* AllocateBlock)(int32_t size, void** block);
    SPErr(LUMBRA_PI_CALL* FreeBlock)(void* block);
    SPErr(LUMBRA_PI_CALL* ReallocateBlock)(void* block, int32_t newSize, void** newBlock);
    SPErr(LUMBRA_PI_CALL* Undefined)();
};

using SetHandleLockProc = void(LUMBRA_PI_CALL*)(Handle h, Boolean lock, char** address,
                                                Boolean* oldLock);
struct PSHandleSuite1 {
    Handle(LUMBRA_PI_CALL* New)(int32_t size);
    void(LUMBRA_PI_CALL* Dispose)(Handle h);
    SetHandleLockProc SetLock;
    int32_t(LUMBRA_PI_CALL* GetSize)(Handle h);
    int16_t(LUMBRA_PI_CALL* SetSize)(Handle h, int32_t newSize);
    void(LUMBRA_PI_CALL* RecoverSpace)(int32_t size);
};
struct PSHandleSuite2 {
    Handle(LUMBRA_PI_CALL* New)(int32_t size);
    void(LUMBRA_PI_CALL* Dispose)(Handle h);
    void(LUMBRA_PI_CALL* DisposeRegularHandle)(Handle h);
    SetHandleLockProc SetLock;
    int32_t(LUMBRA_PI_CALL* GetSize)(Handle h);
    int16_t(LUMBRA_PI_CALL* SetSize)(Handle h, int32_t newSize);
    void(LUMBRA_PI_CALL* RecoverSpace)(int32_t size);
};

struct PSBufferSuite1 {
    char*(LUMBRA_PI_CALL* New)(uint32_t* requestedSize, uint32_t minimumSize);
    void(LUMBRA_PI_CALL* Dispose)(char** buffer);
    uint32_t(LUMBRA_PI_CALL* GetSize)(char* buffer);
    uint32_t(LUMBRA_PI_CALL* GetSpace)();
};

struct PSUIHooksSuite1 {
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    ProgressProc progressBar;
    TestAbortProc testAbort;
    intptr_t(LUMBRA_PI_CALL* MainAppWindow)();
    SPErr(LUMBRA_PI_CALL* SetCursor)(void* cursor);
    uint32_t(LUMBRA_PI_CALL* TickCount)();
    SPErr(LUMBRA_PI_CALL* GetPluginName)(void* plugInRef, void** plugInName);
};

struct PSColorSpaceSuite1 {
    SPErr(LUMBRA_PI_CALL* Make)(ColorID* colorID);
    SPErr(LUMBRA_PI_CALL* Delete)(ColorID* colorID);
    SPErr(LUMBRA_PI_CALL* StuffComponents)(ColorID colorID, int16_t colorSpace, uint8_t c0,
                                           uint8_t c1, uint8_t c2, uint8_t c3);
    SPErr(LUMBRA_PI_CALL* ExtractComponents)(ColorID colorID, int16_t colorSpace, uint8_t* c0,
                                             uint8_t* c1, uint8_t* c2, uint8_t* c3,
                                             Boolean* gamutFlag);
    SPErr(LUMBRA_PI_CALL* StuffXYZ)(ColorID colorID, CS_XYZ xyz);
    SPErr(LUMBRA_PI_CALL* ExtractXYZ)(ColorID colorID, CS_XYZ* xyz);
    SPErr(LUMBRA_PI_CALL* Convert8)(int16_t inputSpace, int16_t outputSpace, void* colors,
                                    int16_t count);
    SPErr(LUMBRA_PI_CALL* Convert16)(int16_t inputSpace, int16_t outputSpace, void* colors,
                                     int16_t count);
    SPErr(LUMBRA_PI_CALL* GetNativeSpace)(ColorID colorID, int16_t* nativeSpace);
    SPErr(LUMBRA_PI_CALL* IsBookColor)(ColorID colorID, Boolean* isBookColor);
    SPErr(LUMBRA_PI_CALL* ExtractColorName)(ColorID colorID, void** colorName);
    SPErr(LUMBRA_PI_CALL* PickColor)(ColorID* colorID, void* prompt);
    SPErr(LUMBRA_PI_CALL* Convert8to16)(void* input, void* output, int16_t count);
    SPErr(LUMBRA_PI_CALL* Convert16to8)(void* input, void* output, int16_t count);
    SPErr(LUMBRA_PI_CALL* ConvertToMonitorRGB)(int16_t inputSpace, void* input, void* output,
                                               int16_t count);
};

// Names and versions under which the PICA suites are asked for.
constexpr const char* kPicaHandleSuite = "Photoshop Handle Suite for Plug-ins";
constexpr const char* kPicaBufferSuite = "Photoshop Buffer Suite for Plug-ins";
constexpr const char* kPicaUIHooksSuite = "Photoshop UIHooks Suite for Plug-ins";
constexpr const char* kPicaPropertySuite = "Photoshop Property Suite for Plug-ins";
constexpr const char* kPicaColorSpaceSuite = "Photoshop ColorSpace Suite for Plug-ins";

// ---- The record: packed to 4 bytes -------------------------------------------------------

#pragma pack(push, 4)

struct FilterRecord {
    int32_t serialNumber;
    TestAbortProc abortProc;
    ProgressProc progressProc;
    Handle parameters;
    Point16 imageSize;
    int16_t planes;
    Rect16 filterRect;
    RGBColor16 background;
    RGBColor16 foreground;
    int32_t maxSpace;
    int32_t bufferSpace;
    Rect16 inRect;
    int16_t inLoPlane, inHiPlane;
    Rect16 outRect;
    int16_t outLoPlane, outHiPlane;
    void* inData;
    int32_t inRowBytes;
    void* outData;
    int32_t outRowBytes;
    Boolean isFloating, haveMask, autoMask;
    Rect16 maskRect;
    void* maskData;
    int32_t maskRowBytes;
    uint8_t backColor[4];
    uint8_t foreColor[4];
    uint32_t hostSig;
    HostProc hostProc;
    int16_t imageMode;
    Fixed imageHRes, imageVRes;
    Point16 floatCoord;
    Point16 wholeSize;
    PlugInMonitor monitor;
    PlatformData* platformData;
    BufferProcs* bufferProcs;
    ResourceProcs* resourceProcs;
    ProcessEventProc processEvent;
    DisplayPixelsProc displayPixels;
    HandleProcs* handleProcs;
    Boolean supportsDummyChannels, supportsAlternateLayouts;
    int16_t wantLayout;
    int16_t filterCase;
    int16_t dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute, wantsAbsolute;
    GetPropertyProc getPropertyObsolete;
    Boolean cannotUndo, supportsPadding;
    int16_t inputPadding, outputPadding, maskPadding;
    uint8_t samplingSupport, reservedByte;
    Fixed inputRate, maskRate;
    ColorServicesProc colorServices;
    int16_t inLayerPlanes, inTransparencyMask, inLayerMasks, inInvertedLayerMasks, inNonLayerPlanes;
    int16_t outLayerPlanes, outTransparencyMask, outLayerMasks, outInvertedLayerMasks,
        outNonLayerPlanes;
    int16_t absLayerPlanes, absTransparencyMask, absLayerMasks, absInvertedLayerMasks,
        absNonLayerPlanes;
    int16_t inPreDummyPlanes, inPostDummyPlanes, outPreDummyPlanes, outPostDummyPlanes;
    int32_t inColumnBytes, inPlaneBytes, outColumnBytes, outPlaneBytes;
    void* imageServicesProcs;
    PropertyProcs* propertyProcs;
    int16_t inTileHeight, inTileWidth;
    Point16 inTileOrigin;
    int16_t absTileHeight, absTileWidth;
    Point16 absTileOrigin;
    int16_t outTileHeight, outTileWidth;
    Point16 outTileOrigin;
    int16_t maskTileHeight, maskTileWidth;
    Point16 maskTileOrigin;
    void* descriptorParameters; // null: safe for the known makers, unlike a half-filled one
    uint8_t* errorString;       // a 256-byte buffer for a length-prefixed message
    void* channelPortProcs;
    void* documentInfo;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    int32_t depth;
    Handle iCCprofileData;
    int32_t iCCprofileSize;
    int32_t canUseICCProfiles;
    int32_t hasImageScrap;
    void* bigDocumentData; // null: images stay within 16-bit geometry
    void* input3DScene;
    void* output3DScene;
    Boolean createNewLayer;
    Handle iCCWorkingProfileData;
    int32_t iCCWorkingProfileSize;
    int64_t bufferSpace64;
    int64_t maxSpace64;
    uint8_t reserved[46];
};

#pragma pack(pop)

// What the About selector gets instead of a FilterRecord.
struct AboutRecord {
    PlatformData* platformData;
    SPBasicSuite* sSPBasic;
    void* plugInRef;
    uint8_t reserved[244];
};

// Property keys the property suite answers.
namespace prop {
constexpr uint32_t kNumberOfChannels = Code("nuch");
constexpr uint32_t kChannelName = Code("nmch");
constexpr uint32_t kImageMode = Code("mode");
constexpr uint32_t kNumberOfPaths = Code("nupa");
constexpr uint32_t kWorkPathIndex = Code("wkpa");
constexpr uint32_t kClippingPathIndex = Code("clpa");
constexpr uint32_t kTargetPathIndex = Code("tgpa");
constexpr uint32_t kCaption = Code("capt");
constexpr uint32_t kBigNudgeH = Code("bndH");
constexpr uint32_t kBigNudgeV = Code("bndV");
constexpr uint32_t kInterpolationMethod = Code("intp");
constexpr uint32_t kRulerUnits = Code("rulr");
constexpr uint32_t kRulerOriginH = Code("rorH");
constexpr uint32_t kRulerOriginV = Code("rorV");
constexpr uint32_t kGridMajor = Code("grmj");
constexpr uint32_t kGridMinor = Code("grmn");
constexpr uint32_t kSerialString = Code("sstr");
constexpr uint32_t kSerialString2 = Code("sstR");
constexpr uint32_t kInterfaceColor = Code("iclr");
constexpr uint32_t kWatchSuspension = Code("wtch");
constexpr uint32_t kCopyright = Code("cpyr");
constexpr uint32_t kCopyright2 = Code("cpyR");
constexpr uint32_t kWatermark = Code("watr");
constexpr uint32_t kURL = Code("URL ");
constexpr uint32_t kTitle = Code("titl");
constexpr uint32_t kDocumentWidth = Code("docW");
constexpr uint32_t kDocumentHeight = Code("docH");
constexpr uint32_t kToolTips = Code("tltp");
constexpr uint32_t kVersion = Code("vers");
constexpr uint32_t kUnicodeName = Code("unnm");
constexpr uint32_t kNumberOfLayers = Code("nuly");
constexpr uint32_t kTargetLayerIndex = Code("tgly");
constexpr uint32_t kPlayInProgress = Code("plip");
constexpr uint32_t kRecordInProgress = Code("rcip");
constexpr uint32_t kHighDpi = Code("HDPI");
} // namespace prop

} // namespace lumbra::pi
