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

// What an area outside the image reads as; false when the plug-in asked for an error there.
bool PaddingAllowed(int16_t padding) {
    return padding == pi::kPaddingEdgeReplicate || padding == pi::kPaddingNone ||
           (padding >= 0 && padding <= 255);
}

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
    bool InsideImage(const pi::Rect16& r) const {
        return r.top >= 0 && r.left >= 0 && r.bottom <= image_.height && r.right <= image_.width;
    }
    // One pixel's plane `p` as a buffer outside the image holds it under `padding`; inside the
    // image, `source`'s own.
    uint8_t Sample(const uint8_t* source, int64_t x, int64_t y, int p, int16_t padding) const;

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
    WriteBack();
    int16_t result = FillInput();
    if (result == pi::kNoErr) {
        result = FillOutput();
    }
    hostTime_ += Clock::now() - start;
    return result;
}

uint8_t Session::Sample(const uint8_t* source, int64_t x, int64_t y, int p, int16_t padding) const {
    bool inside = y >= 0 && y < image_.height && x >= 0 && x < image_.width;
    if (!inside) {
        if (padding >= 0) {
            return static_cast<uint8_t>(padding);
        }
        if (padding != pi::kPaddingEdgeReplicate) {
            return 0;
        }
        x = std::clamp<int64_t>(x, 0, image_.width - 1);
        y = std::clamp<int64_t>(y, 0, image_.height - 1);
    }
    // Planes past the colour ones read as opaque.
    return p < 3 ? source[y * RgbRowBytes(image_.width) + x * 3 + p] : 255;
}

int16_t Session::FillInput() {
    pi::FilterRecord& r = record_;
    if (Empty(r.inRect)) {
        r.inData = nullptr;
        r.inRowBytes = 0;
        return pi::kNoErr;
    }
    int lo = r.inLoPlane, hi = r.inHiPlane;
    if (lo < 0 || hi < lo || hi - lo >= 16 || r.inputRate <= 0) {
        return pi::kParamErr;
    }
    int planes = hi - lo + 1;
    int32_t w = r.inRect.right - r.inRect.left, h = r.inRect.bottom - r.inRect.top;
    int64_t bytes = int64_t{w} * h * planes;
    // Sampling is monotonic: the corners say whether every sample lies in the image.
    pi::Fixed rate = r.inputRate;
    int64_t top = Sampled(r.inRect.top, rate), bottom = Sampled(r.inRect.bottom - 1, rate);
    int64_t left = Sampled(r.inRect.left, rate), right = Sampled(r.inRect.right - 1, rate);
    bool inside = top >= 0 && left >= 0 && bottom < image_.height && right < image_.width;
    if (!inside && !PaddingAllowed(r.inputPadding)) {
        return pi::kParamErr;
    }
    // Always a copy: a plug-in that writes into its input must not change what later tiles read.
    if (!Reserve(State().inTile, bytes)) {
        return pi::kMemFull;
    }
    uint8_t* out = State().inTile.data();
    size_t rowBytes = RgbRowBytes(image_.width);
    if (inside && rate == kOne && lo == 0 && hi == 2) {
        for (int32_t y = r.inRect.top; y < r.inRect.bottom; ++y, out += w * 3) {
            std::memcpy(out, image_.src + y * rowBytes + r.inRect.left * 3,
                        static_cast<size_t>(w) * 3);
        }
    } else {
        for (int32_t y = r.inRect.top; y < r.inRect.bottom; ++y) {
            int64_t sy = Sampled(y, rate);
            for (int32_t x = r.inRect.left; x < r.inRect.right; ++x) {
                int64_t sx = Sampled(x, rate);
                for (int p = lo; p <= hi; ++p) {
                    *out++ = Sample(image_.src, sx, sy, p, r.inputPadding);
                }
            }
        }
    }
    r.inData = State().inTile.data();
    r.inRowBytes = w * planes;
    r.inColumnBytes = planes;
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
    int lo = r.outLoPlane, hi = r.outHiPlane;
    if (lo < 0 || hi < lo || hi - lo >= 16) {
        return pi::kParamErr;
    }
    bool inside = InsideImage(r.outRect);
    if (!inside && !PaddingAllowed(r.outputPadding)) {
        return pi::kParamErr;
    }
    int planes = hi - lo + 1;
    size_t rowBytes = RgbRowBytes(image_.width);
    r.outColumnBytes = planes;
    r.outPlaneBytes = 1;
    Tile tile;
    tile.rect = r.outRect;
    tile.lo = static_cast<int16_t>(lo);
    tile.hi = static_cast<int16_t>(hi);
    if (lo == 0 && hi == 2 && inside) {
        // The output image's own rows are in the layout asked for: the plug-in writes there.
        tile.data = image_.dst + r.outRect.top * rowBytes + r.outRect.left * 3;
        tile.rowBytes = static_cast<int32_t>(rowBytes);
    } else {
        int32_t w = r.outRect.right - r.outRect.left, h = r.outRect.bottom - r.outRect.top;
        if (!Reserve(State().outTile, int64_t{w} * h * planes)) {
            return pi::kMemFull;
        }
        uint8_t* out = State().outTile.data();
        for (int32_t y = r.outRect.top; y < r.outRect.bottom; ++y) {
            for (int32_t x = r.outRect.left; x < r.outRect.right; ++x) {
                for (int p = lo; p <= hi; ++p) {
                    *out++ = Sample(image_.dst, x, y, p, r.outputPadding);
                }
            }
        }
        tile.data = State().outTile.data();
        tile.rowBytes = w * planes;
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
            for (int p = t.lo; p <= std::min<int>(t.hi, 2); ++p) {
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
