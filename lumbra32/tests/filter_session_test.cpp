// The filter protocol driven with plug-ins written as plain functions: selector order,
// advanceState in both the host-driven and the plug-in-driven style, padding, abort, errors
// and what survives between runs.
#include "lumbra32/filter_session.h"
#include "lumbra32/suites/handle_suite.h"
#include "lumbra32/tests/fake_call.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace lumbra {
namespace {

using pi::FilterRecord;

struct Image {
    Image(int w, int h) : width(w), height(h), src(static_cast<size_t>(w) * h * 3) {
        for (size_t i = 0; i < src.size(); ++i) {
            src[i] = static_cast<uint8_t>(i * 7 + 3);
        }
        dst = src;
    }
    FilterImage View() { return {src.data(), dst.data(), width, height}; }
    int width, height;
    std::vector<uint8_t> src, dst;
};

class Hooks : public RunHooks {
public:
    bool AbortRequested() override { return abortAfter >= 0 && polls++ >= abortAfter; }
    void Progress(int32_t done, int32_t total) override { progress.push_back({done, total}); }
    int abortAfter = -1;
    int polls = 0;
    std::vector<std::pair<int32_t, int32_t>> progress;
};

std::vector<int16_t> g_selectors;

void InvertRect(FilterRecord* r) {
    int w = r->outRect.right - r->outRect.left, h = r->outRect.bottom - r->outRect.top;
    int planes = r->outHiPlane - r->outLoPlane + 1;
    for (int y = 0; y < h; ++y) {
        auto* in = static_cast<uint8_t*>(r->inData) + y * r->inRowBytes;
        auto* out = static_cast<uint8_t*>(r->outData) + y * r->outRowBytes;
        for (int x = 0; x < w * planes; ++x) {
            out[x] = static_cast<uint8_t>(255 - in[x]);
        }
    }
}

// Host-driven: one band of rows per Continue, progress per band.
void BandInvert(int16_t selector, void* record, intptr_t*, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    g_selectors.push_back(selector);
    *result = 0;
    auto band = [r](int16_t top) {
        int16_t bottom = std::min<int16_t>(top + 3, r->filterRect.bottom);
        r->inRect = r->outRect = {top, r->filterRect.left, bottom, r->filterRect.right};
        r->inLoPlane = r->outLoPlane = 0;
        r->inHiPlane = r->outHiPlane = 2;
    };
    if (selector == pi::kSelectorStart) {
        band(0);
    } else if (selector == pi::kSelectorContinue) {
        if (r->abortProc()) {
            *result = pi::kUserCanceled;
            return;
        }
        InvertRect(r);
        r->progressProc(r->outRect.bottom, r->filterRect.bottom);
        if (r->outRect.bottom >= r->filterRect.bottom) {
            r->inRect = r->outRect = {};
        } else {
            band(r->outRect.bottom);
        }
    }
}

// Plug-in-driven: small tiles reaching past the image, one plane at a time, asked for through
// advanceState from Start; the padded input must not leak outside.
void TiledInvert(int16_t selector, void* record, intptr_t*, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    *result = 0;
    if (selector != pi::kSelectorStart) {
        return;
    }
    r->inputPadding = 0;
    r->outputPadding = pi::kPaddingNone;
    for (int16_t top = -2; top < r->imageSize.v + 2; top += 5) {
        for (int16_t left = -1; left < r->imageSize.h; left += 4) {
            for (int16_t plane = 0; plane < 3; ++plane) {
                r->inRect = r->outRect = {top, left, static_cast<int16_t>(top + 5),
                                          static_cast<int16_t>(left + 4)};
                r->inLoPlane = r->inHiPlane = r->outLoPlane = r->outHiPlane = plane;
                if ((*result = r->advanceState()) != 0) {
                    return;
                }
                InvertRect(r);
            }
        }
    }
    r->inRect = r->outRect = {};
}

Image Inverted(Image img) {
    for (auto& b : img.dst) {
        b = static_cast<uint8_t>(255 - b);
    }
    return img;
}

TEST(FilterSession, HostDrivenBandsInvertEveryPixelAndReportProgress) {
    Image img(7, 10);
    Image want = Inverted(img);
    FilterState state;
    Hooks hooks;
    g_selectors.clear();
    RunStats stats;
    RunResult r = RunFilter(BandInvert, state, img.View(), 0, hooks, &stats);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(img.dst, want.dst);
    EXPECT_EQ(stats.continueCalls, 4);
    ASSERT_FALSE(hooks.progress.empty());
    EXPECT_EQ(hooks.progress.back(), std::make_pair(10, 10));
    std::vector<int16_t> order = {1, 2, 3, 4, 4, 4, 4, 5};
    EXPECT_EQ(g_selectors, order);
}

TEST(FilterSession, PluginDrivenTilesWithPaddingGiveTheSamePixels) {
    Image img(9, 11);
    Image want = Inverted(img);
    FilterState state;
    Hooks hooks;
    RunResult r = RunFilter(TiledInvert, state, img.View(), 0, hooks);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(img.dst, want.dst);
    EXPECT_EQ(img.src, Image(9, 11).src) << "the source stays as it was";
}

TEST(FilterSession, AbortStopsTheRunAndFinishStillComes) {
    Image img(5, 30);
    std::vector<uint8_t> before = img.dst;
    FilterState state;
    Hooks hooks;
    hooks.abortAfter = 3;
    g_selectors.clear();
    RunResult r = RunFilter(BandInvert, state, img.View(), 0, hooks);
    EXPECT_EQ(r.code, pi::kUserCanceled);
    ASSERT_FALSE(g_selectors.empty());
    EXPECT_EQ(g_selectors.back(), pi::kSelectorFinish);
    EXPECT_LT(g_selectors.size(), 12u);
}

int g_finishCalls = 0;
void FailsInContinue(int16_t selector, void* record, intptr_t*, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    *result = 0;
    if (selector == pi::kSelectorStart) {
        r->inRect = r->outRect = r->filterRect;
        r->inHiPlane = r->outHiPlane = 2;
    } else if (selector == pi::kSelectorContinue) {
        const char text[] = "Fixture says no";
        r->errorString[0] = sizeof text - 1;
        std::memcpy(r->errorString + 1, text, sizeof text - 1);
        *result = pi::kReportString;
    } else if (selector == pi::kSelectorFinish) {
        ++g_finishCalls;
    }
}

TEST(FilterSession, ErrorTextComesBackAndFinishFollowsAFailedContinue) {
    Image img(3, 3);
    std::vector<uint8_t> before = img.dst;
    FilterState state;
    Hooks hooks;
    g_finishCalls = 0;
    RunResult r = RunFilter(FailsInContinue, state, img.View(), 0, hooks);
    EXPECT_EQ(r.code, pi::kReportString);
    EXPECT_EQ(r.selector, pi::kSelectorContinue);
    EXPECT_EQ(r.message, "Fixture says no");
    EXPECT_EQ(g_finishCalls, 1);
}

void FailsInStart(int16_t selector, void*, intptr_t*, int16_t* result) {
    *result = selector == pi::kSelectorStart ? pi::kFilterBadMode : 0;
    if (selector == pi::kSelectorFinish) {
        ++g_finishCalls;
    }
}

TEST(FilterSession, NoFinishWhenStartFails) {
    Image img(3, 3);
    FilterState state;
    Hooks hooks;
    g_finishCalls = 0;
    RunResult r = RunFilter(FailsInStart, state, img.View(), 0, hooks);
    EXPECT_EQ(r.code, pi::kFilterBadMode);
    EXPECT_EQ(r.selector, pi::kSelectorStart);
    EXPECT_EQ(g_finishCalls, 0);
}

// Counts its runs in its parameters handle and in its own global.
void Counter(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    *result = 0;
    if (selector == pi::kSelectorParameters) {
        if (!r->parameters) {
            r->parameters = r->handleProcs->newProc(1);
        }
        ++**r->parameters; // dereferenced without locking, as plug-ins do
        if (*data == 0) {
            *data = reinterpret_cast<intptr_t>(new int(0));
        }
        ++*reinterpret_cast<int*>(*data);
    }
}

TEST(FilterSession, ParametersAndGlobalDataSurviveBetweenRuns) {
    Image img(2, 2);
    FilterState state;
    Hooks hooks;
    size_t handlesBefore = LiveHandleCount();
    RunFilter(Counter, state, img.View(), 0, hooks);
    RunFilter(Counter, state, img.View(), 0, hooks);
    ASSERT_NE(state.parameters, nullptr);
    EXPECT_EQ(**state.parameters, 2);
    EXPECT_EQ(*reinterpret_cast<int*>(state.data), 2);
    EXPECT_EQ(HandleProcsSuite()->getSizeProc(state.parameters), 1);
    EXPECT_EQ(LiveHandleCount(), handlesBefore + 1);
    delete reinterpret_cast<int*>(state.data);
    HandleProcsSuite()->disposeProc(state.parameters);
    EXPECT_EQ(LiveHandleCount(), handlesBefore);
}

TEST(HandleSuite, ResizeKeepsContentsAndZeroesTheRest) {
    FakeCall host(1 << 20);
    ScopedCall inCall(host);
    pi::HandleProcs* procs = HandleProcsSuite();
    pi::Handle h = procs->newProc(3);
    ASSERT_NE(h, nullptr);
    std::memcpy(procs->lockProc(h, 0), "abc", 3);
    EXPECT_EQ(procs->setSizeProc(h, 6), 0);
    char* p = *h;
    EXPECT_EQ(std::string(p, 6), std::string("abc\0\0\0", 6));
    EXPECT_EQ(procs->getSizeProc(h), 6);
    EXPECT_EQ(procs->newProc(-1), nullptr);
    int fake = 0;
    EXPECT_EQ(procs->getSizeProc(reinterpret_cast<pi::Handle>(&fake)), 0) << "unknown handles";
    EXPECT_NE(procs->setSizeProc(reinterpret_cast<pi::Handle>(&fake), 4), 0);
    procs->disposeProc(h);
}

// Asks for the bands of input one at a time while keeping the whole output: the bytes it
// is handed must be the image's, with the row stride it is told.
void InputBandsWholeOutput(int16_t selector, void* record, intptr_t* data, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    *result = 0;
    if (selector == pi::kSelectorStart) {
        r->inRect = {0, 0, 1, r->imageSize.h};
        r->outRect = r->filterRect;
        r->inLoPlane = 1;
        r->inHiPlane = 1;
        r->outLoPlane = 0;
        r->outHiPlane = 2;
        *data = 0;
    } else if (selector == pi::kSelectorContinue) {
        int16_t y = r->inRect.top;
        auto* in = static_cast<uint8_t*>(r->inData);
        auto* out = static_cast<uint8_t*>(r->outData) + y * r->outRowBytes;
        for (int x = 0; x < r->imageSize.h; ++x) {
            out[x * 3] = out[x * 3 + 1] = out[x * 3 + 2] = in[x]; // green to gray
        }
        if (y + 1 < r->imageSize.v) {
            r->inRect = {static_cast<int16_t>(y + 1), 0, static_cast<int16_t>(y + 2),
                         r->imageSize.h};
        } else {
            r->inRect = r->outRect = {};
        }
    }
}

TEST(FilterSession, InputBandsWithTheWholeOutputRectangle) {
    Image img(6, 4);
    FilterState state;
    Hooks hooks;
    RunResult r = RunFilter(InputBandsWholeOutput, state, img.View(), 0, hooks);
    EXPECT_EQ(r.code, 0);
    for (size_t px = 0; px < 24; ++px) {
        EXPECT_EQ(img.dst[px * 3], img.src[px * 3 + 1]);
        EXPECT_EQ(img.dst[px * 3 + 2], img.src[px * 3 + 1]);
    }
}

TEST(FilterSession, RefusesImagesBeyondSixteenBitGeometry) {
    uint8_t px[3] = {};
    FilterState state;
    Hooks hooks;
    EXPECT_NE(RunFilter(BandInvert, state, {px, px, 40000, 1}, 0, hooks).code, 0);
}

} // namespace
} // namespace lumbra

namespace lumbra {
namespace {

// Handles the platform allocated (a stand-in for global-memory handles): the suite defers to
// the platform's services for anything it did not make itself.
char g_foreignBytes[12] = "foreign";
void* const g_foreignHandle = &g_foreignBytes;
int g_foreignUnlocks = 0;

TEST(DisplayPixels, RgbAndGrayMapsBecomeDibRowsCutToTheirBounds) {
    // Planar RGB, 3 x 2, bounds starting at (10, 20).
    uint8_t planes[3][2][3] = {
        {{1, 2, 3}, {4, 5, 6}}, {{11, 12, 13}, {14, 15, 16}}, {{21, 22, 23}, {24, 25, 26}}};
    pi::PSPixelMap map{};
    map.bounds = {10, 20, 12, 23};
    map.imageMode = pi::kImageModeRgb;
    map.rowBytes = 3;
    map.colBytes = 1;
    map.planeBytes = 6;
    map.baseAddr = planes;
    std::vector<uint8_t> rows;
    int32_t w = 0, h = 0;
    ASSERT_TRUE(PixelMapToDibRows(map, {11, 21, 50, 50}, rows, w, h));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 1);
    EXPECT_EQ(rows, (std::vector<uint8_t>{25, 15, 5, 26, 16, 6, 0, 0}));
    map.imageMode = pi::kImageModeGray;
    ASSERT_TRUE(PixelMapToDibRows(map, {10, 20, 11, 21}, rows, w, h));
    EXPECT_EQ(rows, (std::vector<uint8_t>{1, 1, 1, 0}));
    EXPECT_FALSE(PixelMapToDibRows(map, {0, 0, 5, 5}, rows, w, h)) << "outside the bounds";
    map.imageMode = 4;
    EXPECT_FALSE(PixelMapToDibRows(map, map.bounds, rows, w, h));
}

TEST(HandleSuite, ForeignHandlesGoToThePlatform) {
    FakeCall host(1 << 20);
    ScopedCall inCall(host);
    pi::HandleProcs* procs = HandleProcsSuite();
    auto h = static_cast<pi::Handle>(g_foreignHandle);
    EXPECT_EQ(procs->getSizeProc(h), 0) << "unknown without the platform's help";
    PlatformServices& platform = State().platform;
    PlatformServices saved = platform;
    platform.ownsForeignHandle = [](void* p) { return p == g_foreignHandle; };
    platform.foreignHandleSize = [](void*) { return int32_t{12}; };
    platform.lockForeignHandle = [](void*) { return static_cast<char*>(g_foreignBytes); };
    platform.unlockForeignHandle = [](void*) { ++g_foreignUnlocks; };
    EXPECT_EQ(procs->getSizeProc(h), 12);
    EXPECT_STREQ(procs->lockProc(h, 0), "foreign");
    procs->unlockProc(h);
    EXPECT_EQ(g_foreignUnlocks, 1);
    pi::Handle ours = procs->newProc(2);
    EXPECT_EQ(procs->getSizeProc(ours), 2) << "the suite's own handles stay its own";
    procs->disposeProc(ours);
    platform = saved;
}

} // namespace
} // namespace lumbra

namespace lumbra {
namespace {

// Keeps a copy of the record as Start saw it, and what its callbacks answered.
struct Seen {
    pi::FilterRecord record{};
    int16_t property = 1;
    intptr_t channels = 0;
};
Seen g_seen;

void Inspect(int16_t selector, void* record, intptr_t*, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    *result = 0;
    if (selector == pi::kSelectorStart) {
        g_seen.record = *r;
        r->hostProc(1, nullptr);
        g_seen.property = r->getPropertyObsolete(
            pi::kPhotoshopSignature, pi::prop::kNumberOfChannels, 0, &g_seen.channels, nullptr);
    }
}

TEST(FilterSession, RecordCarriesWhatRealFiltersReadUnguarded) {
    Image img(1500, 20);
    FilterState state;
    Hooks hooks;
    ASSERT_EQ(RunFilter(Inspect, state, img.View(), 0, hooks).code, 0);
    const pi::FilterRecord& r = g_seen.record;
    // Tiles as other hosts give them: the image, up to 1024 a side.
    EXPECT_EQ(r.outTileWidth, 1024);
    EXPECT_EQ(r.outTileHeight, 20);
    EXPECT_EQ(r.inTileWidth, r.outTileWidth);
    EXPECT_EQ(r.maskTileHeight, r.outTileHeight);
    EXPECT_EQ(r.absTileWidth, r.outTileWidth);
    EXPECT_EQ(r.inHiPlane, 0);
    EXPECT_EQ(r.outHiPlane, 0);
    EXPECT_EQ(r.inputPadding, pi::kPaddingErrorOutside);
    EXPECT_EQ(r.inputRate, 0x10000);
    EXPECT_EQ(r.samplingSupport, pi::kSamplingIntegral);
    EXPECT_GT(r.maxSpace, 0);
    EXPECT_EQ(r.bufferSpace, r.maxSpace);
    EXPECT_EQ(r.maxSpace64, r.maxSpace);
    EXPECT_TRUE(r.colorServices && r.sSPBasic && r.propertyProcs && r.resourceProcs &&
                r.handleProcs && r.bufferProcs && r.displayPixels && r.processEvent);
    EXPECT_EQ(r.descriptorParameters, nullptr) << "null, never half-filled";
    EXPECT_EQ(g_seen.property, 0);
    EXPECT_EQ(g_seen.channels, 3);
}

TEST(FilterSession, AdvertisedSpaceFollowsFreeMemoryWithinBounds) {
    EXPECT_EQ(AdvertisedSpace(uint64_t{300} << 20), int64_t{300} << 20);
    EXPECT_EQ(AdvertisedSpace(1000), int64_t{32} << 20) << "never less than a floor";
    EXPECT_LE(AdvertisedSpace(uint64_t{64} << 30), int64_t{1} << 30) << "below 2 GB";
    EXPECT_GT(AdvertisedSpace(0), 0) << "unknown: a guess, not nothing";
}

// Scribbles over its input after each band; the next band must still read the image.
void Scribbler(int16_t selector, void* record, intptr_t*, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    *result = 0;
    if (selector == pi::kSelectorStart) {
        r->inRect = r->outRect = {0, 0, 2, r->imageSize.h};
        r->inHiPlane = r->outHiPlane = 2;
    } else if (selector == pi::kSelectorContinue) {
        InvertRect(r);
        std::memset(r->inData, 0x5A, static_cast<size_t>(r->inRowBytes) * 2);
        if (r->outRect.bottom >= r->imageSize.v) {
            r->inRect = r->outRect = {};
        } else {
            // Overlapping bands: the second reads a row the first one scribbled over.
            int16_t top = static_cast<int16_t>(r->outRect.bottom - 1);
            r->inRect = r->outRect = {top, 0, static_cast<int16_t>(top + 2), r->imageSize.h};
        }
    }
}

TEST(FilterSession, InputIsACopySoScribblingInItChangesNothingLater) {
    Image img(4, 5);
    Image want = Inverted(img);
    FilterState state;
    Hooks hooks;
    ASSERT_EQ(RunFilter(Scribbler, state, img.View(), 0, hooks).code, 0);
    EXPECT_EQ(img.dst, want.dst);
    EXPECT_EQ(img.src, Image(4, 5).src);
}

// Asks for the image at half resolution: every second pixel of every second row.
std::vector<uint8_t> g_sampled;
void HalfRate(int16_t selector, void* record, intptr_t*, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    *result = 0;
    if (selector == pi::kSelectorStart) {
        r->inputRate = 2 << 16;
        r->inRect = {0, 0, static_cast<int16_t>(r->imageSize.v / 2),
                     static_cast<int16_t>(r->imageSize.h / 2)};
        r->inHiPlane = 2;
        if ((*result = r->advanceState()) == 0) {
            auto* in = static_cast<uint8_t*>(r->inData);
            g_sampled.assign(in, in + r->inRowBytes * (r->inRect.bottom - r->inRect.top));
        }
        r->inRect = {};
    }
}

TEST(FilterSession, InputRateSamplesTheImage) {
    Image img(6, 4);
    FilterState state;
    Hooks hooks;
    ASSERT_EQ(RunFilter(HalfRate, state, img.View(), 0, hooks).code, 0);
    ASSERT_EQ(g_sampled.size(), 3u * 2 * 3);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            for (int c = 0; c < 3; ++c) {
                EXPECT_EQ(g_sampled[(y * 3 + x) * 3 + c], img.src[(2 * y * 6 + 2 * x) * 3 + c]);
            }
        }
    }
}

// Asks for one tile through advanceState, with the padding it was given, and keeps the answer
// and the tile's first byte and the byte where the image's first pixel lies in it.
struct TileAsk {
    pi::Rect16 in{}, out{};
    int16_t lo = 0, hi = 2;
    int16_t padding = pi::kPaddingErrorOutside;
    int16_t code = 1;
    uint8_t corner = 0, origin = 0;
};
TileAsk g_ask;
void AskOnce(int16_t selector, void* record, intptr_t*, int16_t* result) {
    auto* r = static_cast<FilterRecord*>(record);
    *result = 0;
    if (selector == pi::kSelectorStart) {
        r->inputPadding = r->outputPadding = g_ask.padding;
        r->inRect = g_ask.in;
        r->outRect = g_ask.out;
        r->inLoPlane = r->outLoPlane = g_ask.lo;
        r->inHiPlane = r->outHiPlane = g_ask.hi;
        g_ask.code = r->advanceState();
        if (g_ask.code == 0 && r->inData) {
            auto* in = static_cast<uint8_t*>(r->inData);
            g_ask.corner = in[0];
            int planes = g_ask.hi - g_ask.lo + 1;
            g_ask.origin = in[-g_ask.in.top * r->inRowBytes - g_ask.in.left * planes];
        }
        r->inRect = r->outRect = {};
    }
}

int16_t Ask(TileAsk ask, Image& img, int64_t maxSpace = 0) {
    g_ask = ask;
    FilterState state;
    Hooks hooks;
    PlatformServices saved = State().platform;
    static int64_t space;
    space = maxSpace;
    if (maxSpace) {
        // The space a run promises follows the free memory the platform reports.
        State().platform.freeMemory = [] { return static_cast<uint64_t>(space); };
    }
    RunFilter(AskOnce, state, img.View(), 0, hooks);
    State().platform = saved;
    return g_ask.code;
}

TEST(FilterSession, TilesPartlyOutsideTheImageAreClippedAndPaddedAsAsked) {
    Image img(3, 3);
    TileAsk corner;
    corner.in = {-1, -1, 1, 1};
    EXPECT_EQ(Ask(corner, img), 0) << "no padding asked for: the part inside, zeros around";
    EXPECT_EQ(g_ask.corner, 0);
    EXPECT_EQ(g_ask.origin, img.src[0]);
    corner.padding = pi::kPaddingEdgeReplicate;
    EXPECT_EQ(Ask(corner, img), 0);
    EXPECT_EQ(g_ask.corner, img.src[0]);
    corner.padding = 77;
    EXPECT_EQ(Ask(corner, img), 0);
    EXPECT_EQ(g_ask.corner, 77);
    corner.padding = -9;
    EXPECT_EQ(Ask(corner, img), pi::kParamErr) << "no such padding";
}

TEST(FilterSession, TilesWhollyOutsideOrPastTheImagesPlanesAreRefused) {
    Image img(4, 3);
    TileAsk ask;
    ask.in = {3, 0, 5, 4};
    EXPECT_EQ(Ask(ask, img), pi::kParamErr) << "input below the image";
    ask.in = {};
    ask.out = {0, -5, 3, 0};
    EXPECT_EQ(Ask(ask, img), pi::kParamErr) << "output left of it";
    ask.out = {};
    ask.in = {0, 0, 3, 4};
    ask.lo = 2;
    ask.hi = 3;
    EXPECT_EQ(Ask(ask, img), pi::kParamErr) << "a fourth plane of three";
    ask.lo = -1;
    ask.hi = 0;
    EXPECT_EQ(Ask(ask, img), pi::kParamErr);
}

TEST(FilterSession, WhatATileTakesBeyondTheImageComesOutOfThePromisedSpace) {
    Image img(64, 48);
    TileAsk huge;
    // Large enough that the space promised is not the smallest a run ever promises.
    huge.in = {0, 0, 8000, 8000};
    huge.lo = huge.hi = 0;
    const int64_t beyond = int64_t{8000} * 8000 - 64 * 48;
    EXPECT_EQ(Ask(huge, img, beyond - 1), pi::kMemFull);
    EXPECT_EQ(Ask(huge, img, beyond), 0);
    huge.out = huge.in;
    EXPECT_EQ(Ask(huge, img, beyond), pi::kMemFull) << "input and output both count";
    EXPECT_LE(State().inTile.capacity(), size_t{64} * 48 * 3) << "given back after the run";
}

} // namespace
} // namespace lumbra
