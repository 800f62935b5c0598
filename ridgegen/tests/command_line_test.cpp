// Reading ridgegen's command line: slider labels as the dialogs show them, every kind of bad
// argument refused with its name in the message, and Random drawing as the dialog draws.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/random.h"
#include "ridgegen/command_line.h"

namespace rw {
namespace {

// `extra`, and whichever of a size, a format and an output it does not give itself.
std::vector<std::string> Args(std::vector<std::string> extra) {
    for (const auto& [option, value] :
         {std::pair{"--size", "64x32"}, {"--format", "png16"}, {"-o", "t.png"}}) {
        if (std::find(extra.begin(), extra.end(), option) == extra.end()) {
            extra.insert(extra.end(), {option, value});
        }
    }
    return extra;
}

TEST(CommandLine, SlidersAreSetByOperatorAndLabelAndPrintedSoThatSetTakesThemBack) {
    const Request request = ParseCommandLine(Args(
        {"fourier", "--set", "op1.Phase 2=-90", "--set=OP2.amplitude 3=10", "--region=8,4,16,2"}));
    EXPECT_EQ(request.table, &FourierWave());
    EXPECT_EQ(request.values.frame[0], (std::vector<int32_t>{1, 0, 1, -90, 1, 0}));
    EXPECT_EQ(request.values.frame[1], (std::vector<int32_t>{1, 0, 1, 0, 10, 0}));
    EXPECT_EQ(request.width, 64);
    EXPECT_EQ(request.height, 32);
    EXPECT_EQ(request.region.x, 8);
    EXPECT_EQ(request.region.height, 2);

    const std::vector<std::string> lines = SettingLines(FourierWave(), request.values);
    EXPECT_EQ(lines[3], "op1.Phase 2=-90");
    std::vector<std::string> again = {"fourier"};
    for (const std::string& line : lines) {
        again.insert(again.end(), {"--set", line});
    }
    EXPECT_EQ(ParseCommandLine(Args(again)).values.frame[1], request.values.frame[1]);

    const Request fm = ParseCommandLine(Args({"fm", "--variant", "2"}));
    EXPECT_EQ(fm.values.variant, 1);
    EXPECT_EQ(ParseCommandLine(Args({"exp", "--size", "42949673x1"})).width, kMaxImageSide);
}

TEST(CommandLine, EachBadArgumentIsRefusedByName) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"ridge"}, "unknown generator \"ridge\""},
        {{}, "no generator"},
        {{"sine", "fault"}, "not \"sine\" and \"fault\""},
        {{"fourier", "--set", "op1.Amp=3"}, "no slider \"op1.Amp\""},
        {{"sine", "--set", "op3.Blend=0"}, "no slider \"op3.Blend\""},
        {{"sine", "--set", "op2.Blend=0"}, "no slider \"op2.Blend\""},
        {{"fourier", "--set", "op1.Amplitude 1=11"}, "op1.Amplitude 1 takes 0 to 10, not \"11\""},
        {{"fault", "--set", "op2.Order 1=one"}, "not \"one\""},
        {{"fault", "--set", "op2.Order 1"}, "op1.LABEL=VALUE"},
        {{"sine", "--format", "png24"}, "unknown format \"png24\""},
        {{"sine", "--size", "0x5"}, "--size \"0x5\""},
        {{"sine", "--size", "42949674x1"}, "--size \"42949674x1\""},
        {{"sine", "--size", "12x"}, "--size \"12x\""},
        {{"sine", "--region", "60,0,5,5"}, "--region \"60,0,5,5\""},
        {{"sine", "--region", "1,2,3"}, "--region \"1,2,3\""},
        {{"sine", "--variant", "2"}, "sine has no variants"},
        {{"fm", "--variant", "3"}, "--variant \"3\""},
        {{"sine", "--lock", "op1.Blend"}, "--lock only applies with --random"},
        {{"sine", "--random", "--seed", "-1"}, "--seed \"-1\""},
        {{"sine", "--random", "--lock", "op1.Spin"}, "no slider \"op1.Spin\""},
        {{"sine", "--colour", "red"}, "unknown option \"--colour\""},
        {{"sine", "--size=8x8", "--size", "8x8"}, "--size is given more than once"},
    };
    for (const auto& [extra, named] : cases) {
        try {
            ParseCommandLine(Args(extra));
            ADD_FAILURE() << "accepted: " << named;
        } catch (const UsageError& e) {
            EXPECT_NE(std::string(e.what()).find(named), std::string::npos) << e.what();
            EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos) << e.what();
        }
    }
    for (const char* missing : {"--size", "--format", "-o"}) {
        std::vector<std::string> args = Args({"sine"});
        const auto at = std::find(args.begin(), args.end(), missing);
        args.erase(at, at + 2);
        EXPECT_THROW(ParseCommandLine(args), UsageError) << missing;
    }
    EXPECT_THROW(ParseCommandLine({"sine", "--size"}), UsageError);
}

// Fault line's rules are the plainest: Int(Rnd * 6) for an order, Int(Rnd * 21 - 10) for a
// frequency, one number per unlocked row, operator 1 first.
TEST(CommandLine, RandomDrawsLikeTheDialogAndKeepsWhatIsSetOrLocked) {
    const Request request = ParseCommandLine(Args({"fault", "--random", "--seed", "1234", "--lock",
                                                   "op1.Order 1", "--set", "op2.Frequency 2=7"}));
    ASSERT_TRUE(request.seed);
    const SliderValues values = ValuesToRender(request, *request.seed);
    ProgramRandom replay(1234);
    const auto order = [&] { return static_cast<int32_t>(std::floor(replay.Rnd() * 6.0)); };
    const auto frequency = [&] {
        return static_cast<int32_t>(std::floor(replay.Rnd() * 21.0 - 10));
    };
    EXPECT_EQ(values.frame[0][0], 1); // locked at its initial value
    EXPECT_EQ(values.frame[0][1], order());
    EXPECT_EQ(values.frame[0][2], frequency());
    EXPECT_EQ(values.frame[0][3], frequency());
    EXPECT_EQ(values.frame[1][0], order());
    EXPECT_EQ(values.frame[1][1], order());
    EXPECT_EQ(values.frame[1][2], frequency());
    EXPECT_EQ(values.frame[1][3], 7); // set, so kept

    EXPECT_EQ(ValuesToRender(request, 1234).frame[1], values.frame[1]);
    const Request fixed = ParseCommandLine(Args({"fault", "--set", "op2.Frequency 2=7"}));
    EXPECT_EQ(ValuesToRender(fixed, 99).frame[1], (std::vector<int32_t>{1, 1, 0, 7}));
}

} // namespace
} // namespace rw
