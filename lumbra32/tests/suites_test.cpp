// The callback suites, called as a plug-in calls them: through the tables the host hands out,
// inside a call of the host's.
#include "lumbra32/color_convert.h"
#include "lumbra32/host_state.h"
#include "lumbra32/suites/buffer_suite.h"
#include "lumbra32/suites/color_suite.h"
#include "lumbra32/suites/handle_suite.h"
#include "lumbra32/suites/pica_suite.h"
#include "lumbra32/suites/property_suite.h"
#include "lumbra32/suites/resource_suite.h"
#include "lumbra32/tests/fake_call.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace lumbra {
namespace {

// Each test runs inside a call, with the platform as it found it afterwards.
class Suites : public ::testing::Test {
protected:
    void SetUp() override { saved_ = State().platform; }
    void TearDown() override { State().platform = saved_; }
    FakeCall fake_;
    ScopedCall call_{fake_};

private:
    PlatformServices saved_;
};

std::string HandleText(pi::Handle h) {
    std::vector<char> bytes;
    EXPECT_TRUE(CopyHandle(h, bytes));
    HandleProcsSuite()->disposeProc(h);
    return std::string(bytes.begin(), bytes.end());
}

// ---- colour ------------------------------------------------------------------------------

// Whole degrees of hue cost at most a step or two; 8 bits of XYZ and Lab lose more, so those
// are held to colours away from the edges of the RGB cube.
void ExpectRoundTrip(int16_t space, int first, int step, int slack) {
    for (int r = first; r < 256 - first + 1; r += step) {
        for (int g = first; g < 256 - first + 1; g += step) {
            for (int b = first; b < 256 - first + 1; b += step) {
                int16_t c[4] = {int16_t(r), int16_t(g), int16_t(b), 0};
                ASSERT_TRUE(ConvertColor(pi::kRgbSpace, space, c));
                ASSERT_TRUE(ConvertColor(space, pi::kRgbSpace, c));
                EXPECT_NEAR(c[0], r, slack) << space << ": " << r << "," << g << "," << b;
                EXPECT_NEAR(c[1], g, slack) << space << ": " << r << "," << g << "," << b;
                EXPECT_NEAR(c[2], b, slack) << space << ": " << r << "," << g << "," << b;
            }
        }
    }
}

TEST(ColorConvert, EverySpaceComesBackToTheSameRgb) {
    ExpectRoundTrip(pi::kCmykSpace, 0, 17, 1);
    ExpectRoundTrip(pi::kHsbSpace, 0, 17, 2);
    ExpectRoundTrip(pi::kHslSpace, 0, 17, 2);
    ExpectRoundTrip(pi::kLabSpace, 51, 51, 3);
    ExpectRoundTrip(pi::kXyzSpace, 51, 51, 6);
}

TEST(ColorConvert, KnownColoursInEachSpace) {
    int16_t red[4] = {255, 0, 0, 0};
    ConvertColor(pi::kRgbSpace, pi::kHsbSpace, red);
    EXPECT_EQ(std::vector<int16_t>(red, red + 3), (std::vector<int16_t>{0, 255, 255}));
    int16_t blue[4] = {0, 0, 255, 0};
    ConvertColor(pi::kRgbSpace, pi::kHslSpace, blue);
    EXPECT_EQ(std::vector<int16_t>(blue, blue + 3), (std::vector<int16_t>{240, 255, 128}));
    int16_t white[4] = {255, 255, 255, 0};
    ConvertColor(pi::kRgbSpace, pi::kLabSpace, white);
    EXPECT_EQ(std::vector<int16_t>(white, white + 3), (std::vector<int16_t>{255, 128, 128}));
    int16_t black[4] = {0, 0, 0, 0};
    ConvertColor(pi::kRgbSpace, pi::kCmykSpace, black);
    EXPECT_EQ(std::vector<int16_t>(black, black + 4), (std::vector<int16_t>{0, 0, 0, 255}));
    int16_t gray[4] = {200, 0, 0, 0};
    ConvertColor(pi::kGraySpace, pi::kRgbSpace, gray);
    EXPECT_EQ(std::vector<int16_t>(gray, gray + 3), (std::vector<int16_t>{200, 200, 200}));
    int16_t untouched[4] = {1, 2, 3, 4};
    EXPECT_FALSE(ConvertColor(pi::kRgbSpace, 9, untouched));
    EXPECT_EQ(untouched[0], 1);
}

pi::ColorServicesInfo Info(int16_t selector, int16_t from, int16_t to) {
    pi::ColorServicesInfo info{};
    info.infoSize = sizeof info;
    info.selector = selector;
    info.sourceSpace = from;
    info.resultSpace = to;
    return info;
}

TEST_F(Suites, ColourServicesConvertPickAndGiveTheDocumentColours) {
    pi::ColorServicesProc services = ColorServicesSuite();
    pi::ColorServicesInfo info = Info(pi::kGetSpecialColor, 0, pi::kHsbSpace);
    info.selectorParameter.specialColorID = pi::kForegroundColor;
    ASSERT_EQ(services(&info), pi::kNoErr);
    EXPECT_EQ(info.colorComponents[1], 255) << "red foreground, fully saturated";

    info = Info(pi::kChooseColor, pi::kRgbSpace, pi::kChosenSpace);
    EXPECT_EQ(services(&info), pi::kUserCanceled) << "no picker: as if the user cancelled";
    State().platform.chooseColor = [](intptr_t owner, const std::string&, uint8_t rgb[3]) {
        rgb[0] = owner == 0x1234 ? 10 : 0; // owned by the caller's window
        rgb[1] = 20;
        rgb[2] = 30;
        return true;
    };
    ASSERT_EQ(services(&info), pi::kNoErr);
    EXPECT_EQ(info.resultSpace, pi::kRgbSpace);
    EXPECT_EQ(info.colorComponents[0], 10);
    EXPECT_EQ(info.colorComponents[2], 30);

    info = Info(pi::kConvertColor, pi::kRgbSpace, pi::kGraySpace);
    int dummy = 0;
    info.reserved = &dummy;
    EXPECT_EQ(services(&info), pi::kParamErr) << "reserved fields must be null";
    info = Info(pi::kSamplePoint, pi::kRgbSpace, pi::kRgbSpace);
    EXPECT_NE(services(&info), pi::kNoErr);
    info = Info(17, pi::kRgbSpace, pi::kRgbSpace);
    EXPECT_EQ(services(&info), pi::kParamErr);
    EXPECT_EQ(services(nullptr), pi::kParamErr);
}

// ---- PICA --------------------------------------------------------------------------------

TEST_F(Suites, BasicSuiteHandsOutTheSuitesRealFiltersAskFor) {
    pi::SPBasicSuite* basic = BasicSuite();
    const std::pair<const char*, int32_t> offered[] = {
        {pi::kPicaHandleSuite, 1},
        {pi::kPicaHandleSuite, 2},
        {pi::kPicaBufferSuite, 1},
        {pi::kPicaUIHooksSuite, 1},
        {pi::kPicaPropertySuite, 1},
        {pi::kPicaColorSpaceSuite, 1},
        {"Photoshop Resource Suite for Plug-ins", 3}};
    for (auto [name, version] : offered) {
        const void* suite = nullptr;
        EXPECT_EQ(basic->AcquireSuite(name, version, &suite), pi::kSPNoError) << name << version;
        EXPECT_NE(suite, nullptr);
        EXPECT_NE(suite, HandleProcsSuite()) << "never the record's own procs";
        EXPECT_EQ(basic->ReleaseSuite(name, version), pi::kSPNoError);
    }
    const void* suite = &suite;
    EXPECT_EQ(basic->AcquireSuite(pi::kPicaBufferSuite, 2, &suite), pi::kSPSuiteNotFoundError);
    EXPECT_EQ(suite, nullptr);
    EXPECT_EQ(basic->AcquireSuite("AS ZString Suite", 1, &suite), pi::kSPSuiteNotFoundError);
    EXPECT_EQ(basic->AcquireSuite(nullptr, 1, &suite), pi::kSPBadParameterError);

    EXPECT_TRUE(basic->IsEqual("abc", "abc"));
    EXPECT_FALSE(basic->IsEqual("abc", "abd"));
    void* block = nullptr;
    ASSERT_EQ(basic->AllocateBlock(8, &block), pi::kSPNoError);
    std::memcpy(block, "12345678", 8);
    ASSERT_EQ(basic->ReallocateBlock(block, 512, &block), pi::kSPNoError);
    EXPECT_EQ(std::memcmp(block, "12345678", 8), 0);
    EXPECT_EQ(basic->FreeBlock(block), pi::kSPNoError);

    const pi::PSUIHooksSuite1* hooks = PicaUIHooksSuite1();
    EXPECT_EQ(hooks->MainAppWindow(), 0x1234);
}

TEST_F(Suites, PicaHandleSuiteLocksAndDisposesTheSameHandles) {
    const pi::PSHandleSuite2* suite = PicaHandleSuite2();
    size_t before = LiveHandleCount();
    pi::Handle h = suite->New(5);
    ASSERT_NE(h, nullptr);
    char* p = nullptr;
    pi::Boolean old = 7;
    suite->SetLock(h, 1, &p, &old);
    EXPECT_EQ(p, *h);
    EXPECT_EQ(old, 0);
    suite->SetLock(h, 0, &p, nullptr);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(suite->SetSize(h, 9), pi::kNoErr);
    EXPECT_EQ(HandleProcsSuite()->getSizeProc(h), 9) << "one handle, whichever suite";
    suite->Dispose(h);
    EXPECT_EQ(LiveHandleCount(), before);
}

// ---- buffers -----------------------------------------------------------------------------

TEST_F(Suites, BuffersComeFromThePromisedSpaceAndGoWithTheCall) {
    pi::BufferProcs* procs = BufferProcsSuite();
    pi::BufferID id = nullptr;
    ASSERT_EQ(procs->allocateProc(600, &id), pi::kNoErr);
    EXPECT_NE(procs->lockProc(id, 0), nullptr);
    EXPECT_EQ(procs->spaceProc(), 400);
    EXPECT_EQ(procs->allocateProc(1001, &id), pi::kMemFull) << "beyond maxSpace";

    const pi::PSBufferSuite1* pica = PicaBufferSuite1();
    uint32_t size = 800;
    char* buffer = pica->New(&size, 100);
    ASSERT_NE(buffer, nullptr);
    EXPECT_LE(size, 800u);
    EXPECT_EQ(pica->GetSize(buffer), size);
    pica->Dispose(&buffer);
    EXPECT_EQ(buffer, nullptr);
    procs->freeProc(id);
    EXPECT_EQ(procs->lockProc(id, 0), nullptr) << "freed";
    ASSERT_EQ(procs->allocateProc(10, &id), pi::kNoErr);
    {
        FakeCall later;
        ScopedCall nested(later);
    }
    EXPECT_NE(procs->lockProc(id, 0), nullptr) << "only the outermost call frees";
}

TEST_F(Suites, HandlesBlocksAndBuffersShareThePromisedSpace) {
    pi::HandleProcs* handles = HandleProcsSuite();
    pi::Handle h = handles->newProc(300);
    ASSERT_NE(h, nullptr);
    void* block = nullptr;
    ASSERT_EQ(BasicSuite()->AllocateBlock(300, &block), pi::kSPNoError);
    EXPECT_EQ(BufferProcsSuite()->spaceProc(), 400);
    EXPECT_EQ(handles->newProc(401), nullptr);
    EXPECT_EQ(handles->setSizeProc(h, 701), pi::kMemFull);
    EXPECT_EQ(handles->setSizeProc(h, 700), pi::kNoErr);
    void* more = nullptr;
    EXPECT_NE(BasicSuite()->AllocateBlock(1, &more), pi::kSPNoError) << "nothing left";
    BasicSuite()->FreeBlock(block);
    handles->disposeProc(h);
    EXPECT_EQ(BufferProcsSuite()->spaceProc(), 1000) << "all given back";
}

TEST(SuitesOutsideACall, AThreadLeftRunningGetsNothing) {
    void* block = nullptr;
    pi::BufferID id = nullptr;
    EXPECT_EQ(HandleProcsSuite()->newProc(1), nullptr);
    EXPECT_EQ(BufferProcsSuite()->allocateProc(1, &id), pi::kMemFull);
    EXPECT_NE(BasicSuite()->AllocateBlock(1, &block), pi::kSPNoError);
}

// ---- properties --------------------------------------------------------------------------

TEST_F(Suites, PropertiesAnswerTheCommonKeysAndRefuseTheRest) {
    pi::GetPropertyProc get = PropertyProcsSuite()->getPropertyProc;
    const uint32_t ps = pi::kPhotoshopSignature;
    intptr_t value = -7;
    pi::Handle h = nullptr;
    EXPECT_EQ(get(ps, pi::prop::kNumberOfChannels, 0, &value, nullptr), pi::kNoErr);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(get(ps, pi::prop::kDocumentWidth, 0, &value, nullptr), pi::kNoErr);
    EXPECT_EQ(value, 640);
    EXPECT_EQ(get(ps, pi::prop::kBigNudgeH, 0, &value, nullptr), pi::kNoErr);
    EXPECT_EQ(value, 10 << 16);
    EXPECT_EQ(get(ps, pi::prop::kVersion, 0, &value, nullptr), pi::kNoErr);
    EXPECT_EQ(value, kHostVersion);
    ASSERT_EQ(get(ps, pi::prop::kTitle, 0, nullptr, &h), pi::kNoErr);
    EXPECT_EQ(HandleText(h), kDocumentTitle);
    ASSERT_EQ(get(ps, pi::prop::kSerialString, 0, nullptr, &h), pi::kNoErr);
    EXPECT_EQ(HandleText(h), "0");
    ASSERT_EQ(get(ps, pi::prop::kChannelName, 1, nullptr, &h), pi::kNoErr);
    EXPECT_EQ(HandleText(h), "Green");

    State().platform.interfaceColor = [](int32_t, uint8_t rgb[3]) {
        rgb[0] = rgb[1] = rgb[2] = 0x80;
        return true;
    };
    ASSERT_EQ(get(ps, pi::prop::kInterfaceColor, 1, nullptr, &h), pi::kNoErr);
    std::string colour = HandleText(h);
    ASSERT_EQ(colour.size(), 12u);
    EXPECT_EQ(static_cast<uint8_t>(colour[0]), 0x80);
    EXPECT_EQ(get(ps, pi::prop::kInterfaceColor, 15, nullptr, &h), pi::kPropertyUndefined);

    EXPECT_EQ(PropertyProcsSuite()->setPropertyProc(ps, pi::prop::kWatchSuspension, 0, 2, nullptr),
              pi::kNoErr);
    EXPECT_EQ(get(ps, pi::prop::kWatchSuspension, 0, &value, nullptr), pi::kNoErr);
    EXPECT_EQ(value, 2);

    value = -7;
    EXPECT_EQ(get(ps, pi::Code("zzzz"), 0, &value, nullptr), pi::kPropertyUndefined);
    EXPECT_EQ(get(pi::Code("ABCD"), pi::prop::kNumberOfChannels, 0, &value, nullptr),
              pi::kPropertyUndefined);
    EXPECT_EQ(value, -7) << "left alone when undefined";
    EXPECT_EQ(get(ps, pi::prop::kNumberOfChannels, 0, nullptr, nullptr), pi::kParamErr);
    EXPECT_EQ(PicaPropertySuite1()->getPropertyProc, get);
}

// ---- resources ---------------------------------------------------------------------------

TEST_F(Suites, ResourcesAreCountedGotDeletedAndAddedPerType) {
    pi::ResourceProcs* procs = ResourceProcsSuite();
    const uint32_t type = pi::Code("TEST"), other = pi::Code("OTHR");
    for (const char* text : {"one", "two", "three"}) {
        pi::Handle h = NewHandleWith(text, std::strlen(text));
        ASSERT_EQ(procs->addProc(type, h), pi::kNoErr);
        HandleProcsSuite()->disposeProc(h);
    }
    pi::Handle h = NewHandleWith("x", 1);
    ASSERT_EQ(procs->addProc(other, h), pi::kNoErr);
    HandleProcsSuite()->disposeProc(h);
    EXPECT_EQ(procs->countProc(type), 3);
    EXPECT_EQ(procs->countProc(other), 1);
    EXPECT_EQ(HandleText(procs->getProc(type, 2)), "two");
    procs->deleteProc(type, 1);
    EXPECT_EQ(procs->countProc(type), 2);
    EXPECT_EQ(HandleText(procs->getProc(type, 1)), "two") << "numbered again from 1";
    EXPECT_EQ(procs->getProc(type, 3), nullptr);
    EXPECT_EQ(procs->getProc(type, 0), nullptr);
    EXPECT_EQ(fake_.resources.size(), 3u) << "kept with the plug-in's state";
    int notAHandle = 0;
    EXPECT_NE(procs->addProc(type, reinterpret_cast<pi::Handle>(&notAHandle)), pi::kNoErr);
}

} // namespace
} // namespace lumbra
