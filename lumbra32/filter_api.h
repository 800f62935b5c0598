#pragma once
// The binary interface between a filter host and a filter plug-in: the record the host fills,
// the callback suites, selectors and result codes. Written for this host; the 32-bit layout is
// pinned by the offsets below, and the 64-bit layout follows from the same 4-byte packing with
// pointer-sized fields. No Windows header: the host's protocol driver and its tests build
// anywhere, and the fixture plug-ins use the same definitions.
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

struct Rect16 {
    int16_t top, left, bottom, right;
};
struct Point16 {
    int16_t v, h;
};
struct RGBColor16 {
    uint16_t red, green, blue;
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
    kParamErr = -50,
    kFilterBadParameters = -30100,
    kFilterBadMode = -30101,
    kHostInsufficient = -30900,
    kReportString = -30904,
};

constexpr int16_t kImageModeRgb = 3;
constexpr int16_t kFilterCaseFlatNoSelection = 1;
// inputPadding / outputPadding values below 0 (0..255 is a fill value).
constexpr int16_t kPaddingEdgeReplicate = -1;
constexpr int16_t kPaddingNone = -2;
constexpr int16_t kPaddingErrorOutside = -3;

using TestAbortProc = Boolean(LUMBRA_PI_CALL*)();
using ProgressProc = void(LUMBRA_PI_CALL*)(int32_t done, int32_t total);
using AdvanceStateProc = int16_t(LUMBRA_PI_CALL*)();
using FilterEntry = void(LUMBRA_PI_CALL*)(int16_t selector, void* record, intptr_t* data,
                                          int16_t* result);

#pragma pack(push, 4)

struct HandleProcs {
    int16_t version; // 1
    int16_t count;   // 8
    Handle(LUMBRA_PI_CALL* newHandle)(int32_t size);
    void(LUMBRA_PI_CALL* dispose)(Handle h);
    int32_t(LUMBRA_PI_CALL* getSize)(Handle h);
    int16_t(LUMBRA_PI_CALL* setSize)(Handle h, int32_t size);
    char*(LUMBRA_PI_CALL* lock)(Handle h, Boolean moveHigh);
    void(LUMBRA_PI_CALL* unlock)(Handle h);
    void(LUMBRA_PI_CALL* recoverSpace)(int32_t size);
    void(LUMBRA_PI_CALL* disposeRegular)(Handle h);
};

struct BufferProcs {
    int16_t version; // 2
    int16_t count;   // 5
    int16_t(LUMBRA_PI_CALL* allocate)(int32_t size, BufferID* id);
    char*(LUMBRA_PI_CALL* lock)(BufferID id, Boolean moveHigh);
    void(LUMBRA_PI_CALL* unlock)(BufferID id);
    void(LUMBRA_PI_CALL* release)(BufferID id);
    int32_t(LUMBRA_PI_CALL* space)();
};

// What platformData points to on Windows: the window that owns what the plug-in shows.
struct PlatformData {
    intptr_t hwnd;
};

struct Monitor {
    Fixed gamma, redX, redY, greenX, greenY, blueX, blueY, whiteX, whiteY, ambient;
};

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
    void* hostProc;
    int16_t imageMode;
    Fixed imageHRes, imageVRes;
    Point16 floatCoord;
    Point16 wholeSize;
    Monitor monitor;
    PlatformData* platformData;
    BufferProcs* bufferProcs;
    void* resourceProcs;
    void* processEvent;
    void* displayPixels;
    HandleProcs* handleProcs;
    Boolean supportsDummyChannels, supportsAlternateLayouts;
    int16_t wantLayout;
    int16_t filterCase;
    int16_t dummyPlaneValue;
    void* premiereHook;
    AdvanceStateProc advanceState;
    Boolean supportsAbsolute, wantsAbsolute;
    void* getPropertyObsolete;
    Boolean cannotUndo, supportsPadding;
    int16_t inputPadding, outputPadding, maskPadding;
    uint8_t samplingSupport, reservedByte;
    Fixed inputRate, maskRate;
    void* colorServices;
    int16_t inLayerPlanes, inTransparencyMask, inLayerMasks, inInvertedLayerMasks, inNonLayerPlanes;
    int16_t outLayerPlanes, outTransparencyMask, outLayerMasks, outInvertedLayerMasks,
        outNonLayerPlanes;
    int16_t absLayerPlanes, absTransparencyMask, absLayerMasks, absInvertedLayerMasks,
        absNonLayerPlanes;
    int16_t inPreDummyPlanes, inPostDummyPlanes, outPreDummyPlanes, outPostDummyPlanes;
    int32_t inColumnBytes, inPlaneBytes, outColumnBytes, outPlaneBytes;
    void* imageServicesProcs;
    void* propertyProcs;
    int16_t inTileHeight, inTileWidth;
    Point16 inTileOrigin;
    int16_t absTileHeight, absTileWidth;
    Point16 absTileOrigin;
    int16_t outTileHeight, outTileWidth;
    Point16 outTileOrigin;
    int16_t maskTileHeight, maskTileWidth;
    Point16 maskTileOrigin;
    void* descriptorParameters;
    uint8_t* errorString; // a 256-byte buffer for a length-prefixed message
    void* channelPortProcs;
    void* documentInfo;
    void* sSPBasic;
    void* plugInRef;
    int32_t depth;
    uint8_t reserved[66];
};

// What the About selector gets instead of a FilterRecord.
struct AboutRecord {
    PlatformData* platformData;
    void* sSPBasic;
    void* plugInRef;
    uint8_t reserved[256 - 3 * sizeof(void*)];
};

#pragma pack(pop)

// What displayPixels shows: pixel (x, y) of plane p is at baseAddr + (y - bounds.top) * rowBytes
// + (x - bounds.left) * colBytes + p * planeBytes. Natural alignment, unlike the record.
struct VRect {
    int32_t top, left, bottom, right;
};
struct PixelMap {
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
};
// `context` is the device context to draw on (an HDC on Windows).
using DisplayPixelsProc = int16_t(LUMBRA_PI_CALL*)(const PixelMap* source, const VRect* rect,
                                                   int32_t dstRow, int32_t dstCol, void* context);
constexpr int16_t kImageModeGray = 1;

#if INTPTR_MAX == INT32_MAX
static_assert(sizeof(FilterRecord) == 452);
static_assert(offsetof(FilterRecord, abortProc) == 4);
static_assert(offsetof(FilterRecord, parameters) == 12);
static_assert(offsetof(FilterRecord, imageSize) == 16);
static_assert(offsetof(FilterRecord, filterRect) == 22);
static_assert(offsetof(FilterRecord, foreground) == 36);
static_assert(offsetof(FilterRecord, maxSpace) == 44);
static_assert(offsetof(FilterRecord, inRect) == 52);
static_assert(offsetof(FilterRecord, outRect) == 64);
static_assert(offsetof(FilterRecord, outHiPlane) == 74);
static_assert(offsetof(FilterRecord, inData) == 76);
static_assert(offsetof(FilterRecord, outRowBytes) == 88);
static_assert(offsetof(FilterRecord, isFloating) == 92);
static_assert(offsetof(FilterRecord, maskRect) == 96);
static_assert(offsetof(FilterRecord, maskRowBytes) == 108);
static_assert(offsetof(FilterRecord, hostSig) == 120);
static_assert(offsetof(FilterRecord, imageMode) == 128);
static_assert(offsetof(FilterRecord, imageHRes) == 132);
static_assert(offsetof(FilterRecord, wholeSize) == 144);
static_assert(offsetof(FilterRecord, platformData) == 188);
static_assert(offsetof(FilterRecord, handleProcs) == 208);
static_assert(offsetof(FilterRecord, filterCase) == 216);
static_assert(offsetof(FilterRecord, dummyPlaneValue) == 218);
static_assert(offsetof(FilterRecord, advanceState) == 224);
static_assert(offsetof(FilterRecord, inputPadding) == 238);
static_assert(offsetof(FilterRecord, maskPadding) == 242);
static_assert(offsetof(FilterRecord, inputRate) == 248);
static_assert(offsetof(FilterRecord, colorServices) == 256);
static_assert(offsetof(FilterRecord, inNonLayerPlanes) == 268);
static_assert(offsetof(FilterRecord, inColumnBytes) == 300);
static_assert(offsetof(FilterRecord, outPlaneBytes) == 312);
static_assert(offsetof(FilterRecord, imageServicesProcs) == 316);
static_assert(offsetof(FilterRecord, propertyProcs) == 320);
static_assert(offsetof(FilterRecord, descriptorParameters) == 356);
static_assert(offsetof(FilterRecord, errorString) == 360);
static_assert(offsetof(FilterRecord, sSPBasic) == 372);
static_assert(offsetof(FilterRecord, depth) == 380);
static_assert(sizeof(AboutRecord) == 256);
static_assert(offsetof(AboutRecord, plugInRef) == 8);
static_assert(offsetof(PixelMap, baseAddr) == 36);
#else
// Same packing, pointers widened: fields after each pointer move by four bytes.
static_assert(offsetof(FilterRecord, abortProc) == 4);
static_assert(offsetof(FilterRecord, parameters) == 20);
static_assert(offsetof(FilterRecord, inData) == 88);
static_assert(offsetof(FilterRecord, platformData) == 216);
static_assert(sizeof(AboutRecord) == 256);
static_assert(offsetof(PixelMap, baseAddr) == 40);
#endif

} // namespace lumbra::pi
