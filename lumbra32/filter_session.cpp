#include "lumbra32/filter_session.h"

#include "lumbra32/dib_pixels.h"
#include "lumbra32/pipl.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_set>
#include <vector>

namespace lumbra {
namespace {

using Clock = std::chrono::steady_clock;
using pi::Boolean;
using pi::Handle;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// ---- Handle suite -------------------------------------------------------------------------

// The master pointer comes first, so a handle is a pointer to the data pointer.
struct HandleBlock {
    char* data;
    int32_t size;
};

std::unordered_set<HandleBlock*>& LiveHandles() {
    static std::unordered_set<HandleBlock*> live;
    return live;
}
const ForeignHandleOps* g_foreign = nullptr;
pi::DisplayPixelsProc g_displayPixels = nullptr;

HandleBlock* Ours(Handle h) {
    auto* block = reinterpret_cast<HandleBlock*>(h);
    return h && LiveHandles().count(block) ? block : nullptr;
}
bool Foreign(Handle h) {
    return h && g_foreign && g_foreign->owns(h);
}

Handle LUMBRA_PI_CALL NewHandle(int32_t size) {
    if (size < 0) {
        return nullptr;
    }
    auto* block = new (std::nothrow) HandleBlock{nullptr, size};
    if (!block) {
        return nullptr;
    }
    // Never a zero-byte allocation: a null master pointer reads as a purged handle.
    block->data = static_cast<char*>(std::calloc(std::max<int32_t>(size, 1), 1));
    if (!block->data) {
        delete block;
        return nullptr;
    }
    LiveHandles().insert(block);
    return reinterpret_cast<Handle>(block);
}

void LUMBRA_PI_CALL DisposeHandle(Handle h) {
    if (HandleBlock* block = Ours(h)) {
        LiveHandles().erase(block);
        std::free(block->data);
        delete block;
    } else if (Foreign(h)) {
        g_foreign->dispose(h);
    }
}

int32_t LUMBRA_PI_CALL GetHandleSize(Handle h) {
    if (HandleBlock* block = Ours(h)) {
        return block->size;
    }
    return Foreign(h) ? g_foreign->size(h) : 0;
}

int16_t LUMBRA_PI_CALL SetHandleSize(Handle h, int32_t size) {
    HandleBlock* block = Ours(h);
    if (!block || size < 0) {
        return pi::kParamErr;
    }
    char* grown = static_cast<char*>(std::realloc(block->data, std::max<int32_t>(size, 1)));
    if (!grown) {
        return pi::kMemFull;
    }
    if (size > block->size) {
        std::memset(grown + block->size, 0, static_cast<size_t>(size - block->size));
    }
    block->data = grown;
    block->size = size;
    return pi::kNoErr;
}

char* LUMBRA_PI_CALL LockHandle(Handle h, Boolean) {
    if (HandleBlock* block = Ours(h)) {
        return block->data;
    }
    return Foreign(h) ? g_foreign->lock(h) : nullptr;
}

void LUMBRA_PI_CALL UnlockHandle(Handle h) {
    if (!Ours(h) && Foreign(h)) {
        g_foreign->unlock(h);
    }
}

void LUMBRA_PI_CALL RecoverSpace(int32_t) {}

pi::HandleProcs g_handleProcs = {1,
                                 8,
                                 NewHandle,
                                 DisposeHandle,
                                 GetHandleSize,
                                 SetHandleSize,
                                 LockHandle,
                                 UnlockHandle,
                                 RecoverSpace,
                                 DisposeHandle};

// ---- The run ------------------------------------------------------------------------------

#if INTPTR_MAX == INT32_MAX
constexpr int32_t kMaxSpace = 256 << 20;
#else
constexpr int32_t kMaxSpace = 1 << 30;
#endif

bool Empty(const pi::Rect16& r) {
    return r.bottom <= r.top || r.right <= r.left;
}

struct Tile {
    pi::Rect16 rect{};
    int16_t lo = 0, hi = -1;
    uint8_t* data = nullptr;
    int32_t rowBytes = 0;
    bool buffered = false;
};

class Session {
public:
    Session(pi::FilterEntry entry, FilterState& state, const FilterImage& image, intptr_t owner,
            RunHooks& hooks)
        : entry_(entry), state_(state), image_(image), hooks_(hooks) {
        platform_.hwnd = owner;
    }

    RunResult Run(RunStats* stats);

    static Session* current;

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

    static Boolean LUMBRA_PI_CALL AbortProc();
    static void LUMBRA_PI_CALL ProgressProc(int32_t done, int32_t total);
    static int16_t LUMBRA_PI_CALL AdvanceStateProc();
    static int16_t LUMBRA_PI_CALL AllocateBuffer(int32_t size, pi::BufferID* id);
    static char* LUMBRA_PI_CALL LockBuffer(pi::BufferID id, Boolean);
    static void LUMBRA_PI_CALL UnlockBuffer(pi::BufferID) {}
    static void LUMBRA_PI_CALL FreeBuffer(pi::BufferID id);
    static int32_t LUMBRA_PI_CALL BufferSpace();
    static int16_t LUMBRA_PI_CALL NotAvailable() { return pi::kHostInsufficient; }
    static void LUMBRA_PI_CALL IgnoreEvent(void*) {}

    pi::FilterEntry entry_;
    FilterState& state_;
    FilterImage image_;
    RunHooks& hooks_;
    pi::FilterRecord record_{};
    pi::PlatformData platform_{};
    pi::BufferProcs bufferProcs_{};
    uint8_t errorString_[256]{};
    Tile lastOut_;
    std::vector<uint8_t> inBuffer_, outBuffer_;
    std::vector<std::unique_ptr<std::vector<char>>> buffers_;
    Clock::duration hostTime_{};
    Clock::duration filterTime_{};
    int advanceCalls_ = 0;
    int continueCalls_ = 0;
};

Session* Session::current = nullptr;

// The entry points take no context, so the callbacks find the run through `current`; the
// host runs one filter at a time.
Boolean Session::AbortProc() {
    return current && current->hooks_.AbortRequested() ? 1 : 0;
}

void Session::ProgressProc(int32_t done, int32_t total) {
    if (current) {
        current->hooks_.Progress(done, total);
    }
}

int16_t Session::AdvanceStateProc() {
    return current ? current->Advance() : int16_t{pi::kParamErr};
}

int16_t Session::AllocateBuffer(int32_t size, pi::BufferID* id) {
    if (!current || !id || size < 0 || size > kMaxSpace) {
        return pi::kMemFull;
    }
    try {
        auto buffer = std::make_unique<std::vector<char>>(static_cast<size_t>(std::max(size, 1)));
        *id = reinterpret_cast<pi::BufferID>(buffer.get());
        current->buffers_.push_back(std::move(buffer));
        return pi::kNoErr;
    } catch (const std::bad_alloc&) {
        return pi::kMemFull;
    }
}

char* Session::LockBuffer(pi::BufferID id, Boolean) {
    if (!current) {
        return nullptr;
    }
    for (auto& b : current->buffers_) {
        if (reinterpret_cast<pi::BufferID>(b.get()) == id) {
            return b->data();
        }
    }
    return nullptr;
}

void Session::FreeBuffer(pi::BufferID id) {
    if (!current) {
        return;
    }
    auto& list = current->buffers_;
    list.erase(std::remove_if(
                   list.begin(), list.end(),
                   [id](const auto& b) { return reinterpret_cast<pi::BufferID>(b.get()) == id; }),
               list.end());
}

int32_t Session::BufferSpace() {
    return kMaxSpace / 2;
}

void Session::FillRecord() {
    pi::FilterRecord& r = record_;
    r = pi::FilterRecord{};
    r.abortProc = AbortProc;
    r.progressProc = ProgressProc;
    r.parameters = state_.parameters;
    r.imageSize = {static_cast<int16_t>(image_.height), static_cast<int16_t>(image_.width)};
    r.planes = 3;
    r.filterRect = {0, 0, static_cast<int16_t>(image_.height), static_cast<int16_t>(image_.width)};
    r.background = {0xFFFF, 0xFFFF, 0xFFFF};
    r.foreground = {0, 0, 0};
    r.maxSpace = kMaxSpace;
    r.inHiPlane = r.outHiPlane = -1;
    r.backColor[0] = r.backColor[1] = r.backColor[2] = 255;
    r.hostSig = FourCC('R', 'd', 'g', 'w');
    r.imageMode = pi::kImageModeRgb;
    r.imageHRes = r.imageVRes = 72 << 16;
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
    bufferProcs_ = {2, 5, AllocateBuffer, LockBuffer, UnlockBuffer, FreeBuffer, BufferSpace};
    r.bufferProcs = &bufferProcs_;
    r.processEvent = reinterpret_cast<void*>(IgnoreEvent);
    r.displayPixels = g_displayPixels ? reinterpret_cast<void*>(g_displayPixels)
                                      : reinterpret_cast<void*>(NotAvailable);
    r.handleProcs = &g_handleProcs;
    r.filterCase = pi::kFilterCaseFlatNoSelection;
    r.dummyPlaneValue = -1;
    r.advanceState = AdvanceStateProc;
    r.supportsPadding = 1;
    r.inputPadding = r.outputPadding = r.maskPadding = pi::kPaddingNone;
    r.inputRate = r.maskRate = 0x10000;
    r.inNonLayerPlanes = r.outNonLayerPlanes = r.absNonLayerPlanes = 3;
    r.errorString = errorString_;
    r.depth = 8;
}

int16_t Session::Call(int16_t selector) {
    int16_t result = pi::kNoErr;
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

int16_t Session::FillInput() {
    pi::FilterRecord& r = record_;
    if (Empty(r.inRect)) {
        r.inData = nullptr;
        r.inRowBytes = 0;
        return pi::kNoErr;
    }
    int lo = r.inLoPlane, hi = r.inHiPlane;
    if (lo < 0 || hi < lo || hi - lo >= 16) {
        return pi::kParamErr;
    }
    int planes = hi - lo + 1;
    size_t rowBytes = RgbRowBytes(image_.width);
    r.inColumnBytes = planes;
    r.inPlaneBytes = 1;
    if (lo == 0 && hi == 2 && InsideImage(r.inRect)) {
        // The image's own rows are in the layout the filter asked for: no copy.
        r.inData = const_cast<uint8_t*>(image_.src) + r.inRect.top * rowBytes + r.inRect.left * 3;
        r.inRowBytes = static_cast<int32_t>(rowBytes);
        return pi::kNoErr;
    }
    int32_t w = r.inRect.right - r.inRect.left, h = r.inRect.bottom - r.inRect.top;
    int64_t bytes = int64_t{w} * h * planes;
    if (bytes > kMaxSpace) {
        return pi::kMemFull;
    }
    if (r.inputPadding == pi::kPaddingErrorOutside && !InsideImage(r.inRect)) {
        return pi::kParamErr;
    }
    inBuffer_.resize(static_cast<size_t>(bytes));
    uint8_t fill = r.inputPadding >= 0 ? static_cast<uint8_t>(r.inputPadding) : 0;
    uint8_t* out = inBuffer_.data();
    for (int32_t y = r.inRect.top; y < r.inRect.bottom; ++y) {
        for (int32_t x = r.inRect.left; x < r.inRect.right; ++x) {
            bool inside = y >= 0 && y < image_.height && x >= 0 && x < image_.width;
            int32_t sy = std::clamp(y, 0, image_.height - 1);
            int32_t sx = std::clamp(x, 0, image_.width - 1);
            for (int p = lo; p <= hi; ++p) {
                uint8_t v;
                if (!inside && r.inputPadding != pi::kPaddingEdgeReplicate) {
                    v = fill;
                } else if (p < 3) {
                    v = image_.src[sy * rowBytes + sx * 3 + p];
                } else {
                    v = 255; // planes past the colour ones read as opaque
                }
                *out++ = v;
            }
        }
    }
    r.inData = inBuffer_.data();
    r.inRowBytes = w * planes;
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
    int planes = hi - lo + 1;
    size_t rowBytes = RgbRowBytes(image_.width);
    r.outColumnBytes = planes;
    r.outPlaneBytes = 1;
    Tile tile;
    tile.rect = r.outRect;
    tile.lo = static_cast<int16_t>(lo);
    tile.hi = static_cast<int16_t>(hi);
    if (lo == 0 && hi == 2 && InsideImage(r.outRect)) {
        tile.data = image_.dst + r.outRect.top * rowBytes + r.outRect.left * 3;
        tile.rowBytes = static_cast<int32_t>(rowBytes);
    } else {
        int32_t w = r.outRect.right - r.outRect.left, h = r.outRect.bottom - r.outRect.top;
        int64_t bytes = int64_t{w} * h * planes;
        if (bytes > kMaxSpace) {
            return pi::kMemFull;
        }
        outBuffer_.assign(static_cast<size_t>(bytes), 0);
        uint8_t* out = outBuffer_.data();
        for (int32_t y = r.outRect.top; y < r.outRect.bottom; ++y) {
            for (int32_t x = r.outRect.left; x < r.outRect.right; ++x) {
                bool inside = y >= 0 && y < image_.height && x >= 0 && x < image_.width;
                for (int p = lo; p <= hi; ++p, ++out) {
                    if (inside && p < 3) {
                        *out = image_.dst[y * rowBytes + x * 3 + p];
                    }
                }
            }
        }
        tile.data = outBuffer_.data();
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
    Session* outer = current;
    current = this;
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
        record_.bufferSpace = 0;
        record_.maxSpace = kMaxSpace;
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
    current = outer;
    return result;
}

} // namespace

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
    pi::PlatformData platform{ownerWindow};
    pi::AboutRecord about{};
    about.platformData = &platform;
    int16_t result = pi::kNoErr;
    entry(pi::kSelectorAbout, &about, &state.data, &result);
    return result;
}

bool PixelMapToDibRows(const pi::PixelMap& map, pi::VRect rect, std::vector<uint8_t>& rows,
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

void SetDisplayPixels(pi::DisplayPixelsProc proc) {
    g_displayPixels = proc;
}

void SetForeignHandleOps(const ForeignHandleOps* ops) {
    g_foreign = ops;
}
pi::HandleProcs* HostHandleProcs() {
    return &g_handleProcs;
}
size_t LiveHandleCount() {
    return LiveHandles().size();
}

} // namespace lumbra
