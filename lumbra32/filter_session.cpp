#include "lumbra32/filter_session.h"

#include "lumbra32/dib_pixels.h"
#include "lumbra32/pipl.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <vector>

namespace lumbra {
namespace {

using Clock = std::chrono::steady_clock;
using pi::Boolean;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Tiles as the other hosts offer them: the image up to this side.
constexpr int16_t kTileSide = 1024;
constexpr pi::Fixed kOne = 0x10000;

#if INTPTR_MAX == INT32_MAX
constexpr int64_t kSpaceCeiling = int64_t{512} << 20; // a 32-bit helper's address space is 4 GB
#else
constexpr int64_t kSpaceCeiling = int64_t{1} << 30; // as other hosts: some plug-ins add to it
#endif
constexpr int64_t kSpaceFloor = int64_t{32} << 20;
constexpr int64_t kSpaceUnknown = int64_t{256} << 20;
// Code, stacks, the system's libraries and a plug-in's dialogs.
constexpr uint64_t kHelperBaseline = uint64_t{512} << 20;

bool Empty(const pi::Rect16& r) {
    return r.bottom <= r.top || r.right <= r.left;
}

// The image coordinate a buffer coordinate samples at `rate` (16.16): floor(v * rate).
int64_t Sampled(int32_t v, pi::Fixed rate) {
    int64_t p = int64_t{v} * rate;
    return p >= 0 ? p >> 16 : -((-p + kOne - 1) >> 16);
}

// Sizes a tile buffer; false when the memory is not there.
bool Reserve(std::vector<uint8_t>& buffer, int64_t bytes) {
    if (static_cast<uint64_t>(bytes) > SIZE_MAX / 2) {
        return false;
    }
    try {
        buffer.resize(static_cast<size_t>(bytes));
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

struct Tile {
    pi::Rect16 rect{};
    int16_t lo = 0, hi = -1;
    uint8_t* data = nullptr;
    int32_t rowBytes = 0;
    bool buffered = false;
};

// The image has three planes, R G B; a plane range past them is no plane of this image.
constexpr int kImagePlanes = 3;

bool PlanesValid(int lo, int hi) {
    return lo >= 0 && lo <= hi && hi < kImagePlanes;
}

// What the plug-in said the area outside the image should read as: a fill byte, the nearest
// edge pixel, or (no padding, or an error asked for) nothing: as the other hosts, only the part
// inside the image comes from it, and the rest reads 0. False for a value the interface has not.
bool PaddingValid(int16_t padding) {
    return (padding >= 0 && padding <= 255) || padding == pi::kPaddingEdgeReplicate ||
           padding == pi::kPaddingNone || padding == pi::kPaddingErrorOutside;
}

// The buffer coordinates of [from, to) whose samples at `rate` fall in [0, side).
struct Span {
    int32_t begin, end;
    bool Empty() const { return end <= begin; }
};
Span InsideSpan(int16_t from, int16_t to, int32_t side, pi::Fixed rate) {
    // Sampled(v) < side exactly when v < side / rate, rounded up.
    int64_t limit = (int64_t{side} * kOne + rate - 1) / rate;
    return {std::max<int32_t>(from, 0), static_cast<int32_t>(std::min<int64_t>(to, limit))};
}

// A tile's planes lo..hi over `rect`, as the record describes a buffer request.
struct TileRequest {
    pi::Rect16 rect;
    int lo, hi;
    pi::Fixed rate;
    int16_t padding;
    int Planes() const { return hi - lo + 1; }
    int32_t Width() const { return rect.right - rect.left; }
    int32_t Height() const { return rect.bottom - rect.top; }
    int64_t Bytes() const { return int64_t{Width()} * Height() * Planes(); }
};

class Session : public CallContext {
public:
    Session(pi::FilterEntry entry, FilterState& state, const FilterImage& image, intptr_t owner,
            RunHooks& hooks)
        : entry_(entry), state_(state), image_(image), hooks_(hooks) {
        platform_.hwnd = owner;
        maxSpace_ =
            AdvertisedSpace(State().platform.freeMemory ? State().platform.freeMemory() : 0);
    }

    RunResult Run(RunStats* stats);

    intptr_t OwnerWindow() const override { return platform_.hwnd; }
    bool AbortRequested() override { return hooks_.AbortRequested(); }
    void Progress(int32_t done, int32_t total) override { hooks_.Progress(done, total); }
    int32_t ImageWidth() const override { return image_.width; }
    int32_t ImageHeight() const override { return image_.height; }
    void SpecialColor(int32_t which, uint8_t rgb[3]) const override {
        std::memcpy(rgb, which == pi::kForegroundColor ? record_.foreColor : record_.backColor, 3);
    }
    std::vector<StoredResource>& Resources() override { return state_.resources; }
    int64_t MaxSpace() const override { return maxSpace_; }
    int16_t AdvanceState() override { return Advance(); }

private:
    void FillRecord();
    int16_t Call(int16_t selector);
    int16_t Advance();
    int16_t FillInput();
    int16_t FillOutput();
    void WriteBack();
    // Checks a tile request against the image and charges what it takes beyond the image's own
    // size to the plug-in's space: paramErr or memFullErr, or noErr.
    int16_t Admit(const TileRequest& t) const;
    bool Inside(const TileRequest& t) const;
    // The tile's bytes from `source`, padded where the tile reaches past the image.
    void FillTile(const TileRequest& t, const uint8_t* source, uint8_t* out) const;
    // Gives the memory of tiles larger than the image back once the run is over.
    void ReleaseLargeTiles();

    static Boolean LUMBRA_PI_CALL AbortProc();
    static void LUMBRA_PI_CALL ProgressProc(int32_t done, int32_t total);
    static int16_t LUMBRA_PI_CALL AdvanceStateProc();

    pi::FilterEntry entry_;
    FilterState& state_;
    FilterImage image_;
    RunHooks& hooks_;
    pi::FilterRecord record_{};
    pi::PlatformData platform_{};
    int64_t maxSpace_ = 0;
    uint8_t errorString_[256]{};
    Tile lastOut_;
    Clock::duration hostTime_{};
    Clock::duration filterTime_{};
    int advanceCalls_ = 0;
    int continueCalls_ = 0;
};

Boolean Session::AbortProc() {
    CallContext* call = State().call;
    return call && call->AbortRequested() ? 1 : 0;
}

void Session::ProgressProc(int32_t done, int32_t total) {
    if (CallContext* call = State().call) {
        call->Progress(done, total);
    }
}

int16_t Session::AdvanceStateProc() {
    CallContext* call = State().call;
    return call ? call->AdvanceState() : int16_t{pi::kParamErr};
}

void Session::FillRecord() {
    const SuiteTable& suites = Suites();
    pi::FilterRecord& r = record_;
    r = pi::FilterRecord{};
    r.serialNumber = 0; // as every current host: the serial string is a property now
    r.abortProc = AbortProc;
    r.progressProc = ProgressProc;
    r.parameters = state_.parameters;
    auto h = static_cast<int16_t>(image_.height), w = static_cast<int16_t>(image_.width);
    r.imageSize = {h, w};
    r.planes = 3;
    r.filterRect = {0, 0, h, w};
    r.background = {0xFFFF, 0xFFFF, 0xFFFF};
    r.foreground = {0, 0, 0};
    r.maxSpace = r.bufferSpace = static_cast<int32_t>(maxSpace_);
    r.maxSpace64 = r.bufferSpace64 = maxSpace_;
    r.backColor[0] = r.backColor[1] = r.backColor[2] = 255;
    r.hostSig = FourCC('R', 'd', 'g', 'w');
    r.hostProc = suites.hostProc;
    r.imageMode = pi::kImageModeRgb;
    r.imageHRes = r.imageVRes = 72 * kOne;
    r.wholeSize = r.imageSize;
    // sRGB primaries and D65, gamma 2.2: what an untagged 24-bit bitmap usually means.
    r.monitor = {static_cast<pi::Fixed>(2.2 * 65536),
                 41943,
                 21627,
                 19661,
                 39322,
                 9830,
                 3932,
                 20493,
                 21561,
                 0};
    r.platformData = &platform_;
    r.bufferProcs = suites.bufferProcs;
    r.resourceProcs = suites.resourceProcs;
    r.processEvent = suites.processEvent;
    r.displayPixels = suites.displayPixels;
    r.handleProcs = suites.handleProcs;
    r.filterCase = pi::kFilterCaseFlatNoSelection;
    r.dummyPlaneValue = -1;
    r.advanceState = AdvanceStateProc;
    // A flat image has no layers: absolute planes are the same planes.
    r.supportsAbsolute = 1;
    r.getPropertyObsolete = suites.propertyProcs->getPropertyProc;
    r.supportsPadding = 1;
    // The interface's default: an area outside the image is an error unless asked for.
    r.inputPadding = r.outputPadding = r.maskPadding = pi::kPaddingErrorOutside;
    r.samplingSupport = pi::kSamplingIntegral;
    r.inputRate = r.maskRate = kOne;
    r.colorServices = suites.colorServices;
    r.inNonLayerPlanes = r.outNonLayerPlanes = r.absNonLayerPlanes = 3;
    r.inColumnBytes = r.outColumnBytes = 3;
    r.inPlaneBytes = r.outPlaneBytes = 1;
    r.propertyProcs = suites.propertyProcs;
    int16_t th = std::min(h, kTileSide), tw = std::min(w, kTileSide);
    r.inTileHeight = r.outTileHeight = r.maskTileHeight = r.absTileHeight = th;
    r.inTileWidth = r.outTileWidth = r.maskTileWidth = r.absTileWidth = tw;
    r.errorString = errorString_;
    r.sSPBasic = suites.basicSuite;
    r.depth = 8;
}

int16_t Session::Call(int16_t selector) {
    int16_t result = pi::kNoErr;
    State().watchSuspension = 0;
    Clock::duration hostBefore = hostTime_;
    Clock::time_point start = Clock::now();
    entry_(selector, &record_, &state_.data, &result);
    filterTime_ += (Clock::now() - start) - (hostTime_ - hostBefore);
    // The plug-in may have made or replaced its parameters at any selector.
    state_.parameters = record_.parameters;
    return result;
}

int16_t Session::Advance() {
    Clock::time_point start = Clock::now();
    ++advanceCalls_;
    hooks_.Working();
    WriteBack();
    // The previous tiles are handed back before the next ones are charged.
    State().tileOverhang = 0;
    int16_t result = FillInput();
    if (result == pi::kNoErr) {
        result = FillOutput();
    }
    hostTime_ += Clock::now() - start;
    return result;
}

bool Session::Inside(const TileRequest& t) const {
    Span xs = InsideSpan(t.rect.left, t.rect.right, image_.width, t.rate);
    Span ys = InsideSpan(t.rect.top, t.rect.bottom, image_.height, t.rate);
    return xs.begin == t.rect.left && xs.end == t.rect.right && ys.begin == t.rect.top &&
           ys.end == t.rect.bottom;
}

int16_t Session::Admit(const TileRequest& t) const {
    if (!PlanesValid(t.lo, t.hi) || t.rate <= 0 || !PaddingValid(t.padding)) {
        return pi::kParamErr;
    }
    if (InsideSpan(t.rect.left, t.rect.right, image_.width, t.rate).Empty() ||
        InsideSpan(t.rect.top, t.rect.bottom, image_.height, t.rate).Empty()) {
        return pi::kParamErr; // nothing of it lies in the image
    }
    // Up to the image's own size a tile is what the image costs anyway; beyond that it is
    // padding the plug-in asked for, out of the space it was promised.
    int64_t free = int64_t{image_.width} * image_.height * t.Planes();
    int64_t overhang = std::max<int64_t>(t.Bytes() - free, 0);
    if (overhang > SpaceLeft()) {
        return pi::kMemFull;
    }
    State().tileOverhang += overhang;
    return pi::kNoErr;
}

void Session::FillTile(const TileRequest& t, const uint8_t* source, uint8_t* out) const {
    const size_t rowBytes = static_cast<size_t>(t.Width()) * t.Planes();
    const size_t imageRowBytes = RgbRowBytes(image_.width);
    if (t.rate == kOne && t.lo == 0 && t.hi == 2 && Inside(t)) {
        for (int32_t y = t.rect.top; y < t.rect.bottom; ++y, out += rowBytes) {
            std::memcpy(out, source + y * imageRowBytes + t.rect.left * 3, rowBytes);
        }
        return;
    }
    const bool edge = t.padding == pi::kPaddingEdgeReplicate;
    const auto fill = static_cast<uint8_t>(t.padding >= 0 ? t.padding : 0);
    int64_t lastRow = -1;
    for (int32_t y = t.rect.top; y < t.rect.bottom; ++y, out += rowBytes) {
        int64_t sy = Sampled(y, t.rate);
        bool rowInside = sy >= 0 && sy < image_.height;
        if (!rowInside && !edge) {
            std::memset(out, fill, rowBytes);
            continue;
        }
        int64_t row = std::clamp<int64_t>(sy, 0, image_.height - 1);
        if (row == lastRow) {
            // Rows past the top or bottom edge repeat it; so do rows sampled twice.
            std::memcpy(out, out - rowBytes, rowBytes);
            continue;
        }
        lastRow = row;
        const uint8_t* line = source + row * imageRowBytes;
        uint8_t* px = out;
        for (int32_t x = t.rect.left; x < t.rect.right; ++x) {
            int64_t sx = Sampled(x, t.rate);
            bool inside = sx >= 0 && sx < image_.width;
            for (int p = t.lo; p <= t.hi; ++p) {
                *px++ = inside || edge ? line[std::clamp<int64_t>(sx, 0, image_.width - 1) * 3 + p]
                                       : fill;
            }
        }
    }
}

void Session::ReleaseLargeTiles() {
    size_t imageBytes = static_cast<size_t>(image_.width) * image_.height * kImagePlanes;
    for (std::vector<uint8_t>* tile : {&State().inTile, &State().outTile}) {
        if (tile->capacity() > imageBytes) {
            std::vector<uint8_t>().swap(*tile);
        }
    }
}

int16_t Session::FillInput() {
    pi::FilterRecord& r = record_;
    if (Empty(r.inRect)) {
        r.inData = nullptr;
        r.inRowBytes = 0;
        return pi::kNoErr;
    }
    TileRequest t{r.inRect, r.inLoPlane, r.inHiPlane, r.inputRate, r.inputPadding};
    if (int16_t refused = Admit(t); refused != pi::kNoErr) {
        return refused;
    }
    // Always a copy: a plug-in that writes into its input must not change what later tiles read.
    if (!Reserve(State().inTile, t.Bytes())) {
        return pi::kMemFull;
    }
    FillTile(t, image_.src, State().inTile.data());
    r.inData = State().inTile.data();
    r.inRowBytes = t.Width() * t.Planes();
    r.inColumnBytes = static_cast<int16_t>(t.Planes());
    r.inPlaneBytes = 1;
    return pi::kNoErr;
}

int16_t Session::FillOutput() {
    pi::FilterRecord& r = record_;
    lastOut_ = Tile{};
    if (Empty(r.outRect)) {
        r.outData = nullptr;
        r.outRowBytes = 0;
        return pi::kNoErr;
    }
    TileRequest t{r.outRect, r.outLoPlane, r.outHiPlane, kOne, r.outputPadding};
    if (int16_t refused = Admit(t); refused != pi::kNoErr) {
        return refused;
    }
    r.outColumnBytes = static_cast<int16_t>(t.Planes());
    r.outPlaneBytes = 1;
    Tile tile;
    tile.rect = r.outRect;
    tile.lo = static_cast<int16_t>(t.lo);
    tile.hi = static_cast<int16_t>(t.hi);
    if (t.lo == 0 && t.hi == 2 && Inside(t)) {
        // The output image's own rows are in the layout asked for: the plug-in writes there.
        size_t rowBytes = RgbRowBytes(image_.width);
        tile.data = image_.dst + r.outRect.top * rowBytes + r.outRect.left * 3;
        tile.rowBytes = static_cast<int32_t>(rowBytes);
    } else {
        if (!Reserve(State().outTile, t.Bytes())) {
            return pi::kMemFull;
        }
        FillTile(t, image_.dst, State().outTile.data());
        tile.data = State().outTile.data();
        tile.rowBytes = t.Width() * t.Planes();
        tile.buffered = true;
    }
    r.outData = tile.data;
    r.outRowBytes = tile.rowBytes;
    lastOut_ = tile;
    return pi::kNoErr;
}

void Session::WriteBack() {
    const Tile& t = lastOut_;
    if (!t.buffered || Empty(t.rect)) {
        return; // direct tiles were written in place
    }
    size_t rowBytes = RgbRowBytes(image_.width);
    int planes = t.hi - t.lo + 1;
    for (int32_t y = std::max<int32_t>(t.rect.top, 0);
         y < std::min<int32_t>(t.rect.bottom, image_.height); ++y) {
        const uint8_t* row = t.data + (y - t.rect.top) * t.rowBytes;
        for (int32_t x = std::max<int32_t>(t.rect.left, 0);
             x < std::min<int32_t>(t.rect.right, image_.width); ++x) {
            const uint8_t* px = row + (x - t.rect.left) * planes;
            for (int p = t.lo; p <= t.hi; ++p) {
                image_.dst[y * rowBytes + x * 3 + p] = px[p - t.lo];
            }
        }
    }
    lastOut_ = Tile{};
}

RunResult Session::Run(RunStats* stats) {
    RunResult result;
    ScopedCall call(*this);
    FillRecord();

    auto failed = [&](int16_t selector, int16_t code) {
        result.code = code;
        result.selector = selector;
        if (code == pi::kReportString) {
            result.message.assign(
                reinterpret_cast<const char*>(errorString_ + 1),
                strnlen(reinterpret_cast<const char*>(errorString_ + 1), errorString_[0]));
        }
    };

    int16_t code = Call(pi::kSelectorParameters);
    if (code != pi::kNoErr) {
        failed(pi::kSelectorParameters, code);
    } else if (hooks_.AbortRequested()) {
        failed(pi::kSelectorParameters, pi::kUserCanceled);
    }
    if (result.code == pi::kNoErr) {
        code = Call(pi::kSelectorPrepare);
        if (code != pi::kNoErr) {
            failed(pi::kSelectorPrepare, code);
        }
    }
    if (result.code == pi::kNoErr) {
        code = Call(pi::kSelectorStart);
        if (code != pi::kNoErr) {
            failed(pi::kSelectorStart, code);
        } else {
            auto more = [&] {
                const pi::FilterRecord& r = record_;
                return !Empty(r.inRect) || !Empty(r.outRect) || (r.haveMask && !Empty(r.maskRect));
            };
            while (more()) {
                if (hooks_.AbortRequested()) {
                    failed(pi::kSelectorContinue, pi::kUserCanceled);
                    break;
                }
                code = Advance();
                if (code == pi::kNoErr) {
                    code = Call(pi::kSelectorContinue);
                    ++continueCalls_;
                }
                if (code != pi::kNoErr) {
                    failed(pi::kSelectorContinue, code);
                    break;
                }
            }
            if (result.code == pi::kNoErr) {
                record_.inRect = record_.outRect = record_.maskRect = pi::Rect16{};
                code = Advance();
                if (code != pi::kNoErr) {
                    failed(pi::kSelectorContinue, code);
                }
            }
            // Finish after every successful Start, so the plug-in can free what it holds.
            code = Call(pi::kSelectorFinish);
            if (code != pi::kNoErr && result.code == pi::kNoErr) {
                failed(pi::kSelectorFinish, code);
            }
            if (result.code == pi::kNoErr && hooks_.AbortRequested()) {
                failed(pi::kSelectorFinish, pi::kUserCanceled);
            }
        }
    }
    ReleaseLargeTiles();
    if (stats) {
        stats->filterSeconds = Seconds(filterTime_);
        stats->hostSeconds = Seconds(hostTime_);
        stats->continueCalls = continueCalls_;
        stats->advanceCalls = advanceCalls_;
    }
    return result;
}

// The About call: no image, the owner and the plug-in's resources.
class AboutCall : public CallContext {
public:
    AboutCall(FilterState& state, intptr_t owner) : state_(state), owner_(owner) {}
    intptr_t OwnerWindow() const override { return owner_; }
    bool AbortRequested() override { return false; }
    void Progress(int32_t, int32_t) override {}
    int32_t ImageWidth() const override { return 0; }
    int32_t ImageHeight() const override { return 0; }
    void SpecialColor(int32_t which, uint8_t rgb[3]) const override {
        std::memset(rgb, which == pi::kForegroundColor ? 0 : 255, 3);
    }
    std::vector<StoredResource>& Resources() override { return state_.resources; }
    int64_t MaxSpace() const override {
        return AdvertisedSpace(State().platform.freeMemory ? State().platform.freeMemory() : 0);
    }

private:
    FilterState& state_;
    intptr_t owner_;
};

} // namespace

int64_t AdvertisedSpace(uint64_t freeBytes) {
    if (freeBytes == 0) {
        return kSpaceUnknown;
    }
    return std::clamp<int64_t>(static_cast<int64_t>(std::min<uint64_t>(freeBytes, INT64_MAX)),
                               kSpaceFloor, kSpaceCeiling);
}

uint64_t HelperMemoryLimit(uint64_t pixelBytes) {
    return pixelBytes * 2 + static_cast<uint64_t>(kSpaceCeiling) + kHelperBaseline;
}

RunResult RunFilter(pi::FilterEntry entry, FilterState& state, const FilterImage& image,
                    intptr_t ownerWindow, RunHooks& hooks, RunStats* stats) {
    if (!entry || !image.src || !image.dst || image.width <= 0 || image.height <= 0 ||
        image.width > 30000 || image.height > 30000) {
        RunResult bad;
        bad.code = pi::kParamErr;
        return bad;
    }
    Session session(entry, state, image, ownerWindow, hooks);
    return session.Run(stats);
}

int16_t ShowFilterAbout(pi::FilterEntry entry, FilterState& state, intptr_t ownerWindow) {
    if (!entry) {
        return pi::kParamErr;
    }
    AboutCall about(state, ownerWindow);
    ScopedCall call(about);
    pi::PlatformData platform{ownerWindow};
    pi::AboutRecord record{};
    record.platformData = &platform;
    record.sSPBasic = Suites().basicSuite;
    int16_t result = pi::kNoErr;
    entry(pi::kSelectorAbout, &record, &state.data, &result);
    return result;
}

bool PixelMapToDibRows(const pi::PSPixelMap& map, pi::VRect rect, std::vector<uint8_t>& rows,
                       int32_t& width, int32_t& height) {
    if (!map.baseAddr ||
        (map.imageMode != pi::kImageModeRgb && map.imageMode != pi::kImageModeGray)) {
        return false;
    }
    rect.top = std::max(rect.top, map.bounds.top);
    rect.left = std::max(rect.left, map.bounds.left);
    rect.bottom = std::min(rect.bottom, map.bounds.bottom);
    rect.right = std::min(rect.right, map.bounds.right);
    if (rect.bottom <= rect.top || rect.right <= rect.left) {
        return false;
    }
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    if (int64_t{width} * height > (int64_t{1} << 26)) {
        return false; // far beyond any preview
    }
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    rows.assign(stride * static_cast<size_t>(height), 0);
    const auto* base = static_cast<const uint8_t*>(map.baseAddr);
    bool gray = map.imageMode == pi::kImageModeGray;
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = rows.data() + stride * y;
        const uint8_t* row =
            base + static_cast<ptrdiff_t>(rect.top - map.bounds.top + y) * map.rowBytes;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* px =
                row + static_cast<ptrdiff_t>(rect.left - map.bounds.left + x) * map.colBytes;
            uint8_t r = px[0];
            uint8_t g = gray ? r : px[map.planeBytes];
            uint8_t b = gray ? r : px[2 * map.planeBytes];
            out[x * 3] = b;
            out[x * 3 + 1] = g;
            out[x * 3 + 2] = r;
        }
    }
    return true;
}

} // namespace lumbra
