// The real ridgegen program, run as a user runs it: what each format holds, regions, seeded
// Random with locks, and bad input refused with nothing written.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "generators/tests/test_support.h"
#include "ridgegen/command_line.h"
#include "ridgegen/tests/run_support.h"

namespace rw {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

test::ReadImage ReadHeightFile(const fs::path& file, HeightFormat format, int32_t width,
                               int32_t height) {
    test::ReadImage image;
    if (format == HeightFormat::R16) {
        const std::string bytes = Bytes(file);
        for (std::size_t k = 0; k + 1 < bytes.size(); k += 2) {
            image.samples.push_back(static_cast<uint8_t>(bytes[k]) +
                                    static_cast<uint8_t>(bytes[k + 1]) * 256.0);
        }
        image.width = width;
        image.height = static_cast<int32_t>(bytes.size() / 2 / static_cast<std::size_t>(width));
    } else {
        image = test::ReadEncodedFile(file, format);
    }
    EXPECT_EQ(image.width, width) << file;
    EXPECT_EQ(image.height, height) << file;
    EXPECT_EQ(image.samples.size(), static_cast<std::size_t>(width) * height) << file;
    return image;
}

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

// A fresh folder per test, so that whatever a run leaves behind shows.
class Ridgegen : public testing::Test {
protected:
    void SetUp() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        folder_ = fs::temp_directory_path() / ("ridgegen-test-" + std::to_string(now));
        fs::create_directories(folder_);
    }
    void TearDown() override { test::RemoveFolder(folder_); }

    test::Ran Run(const std::vector<std::string>& args, uint64_t sizeLimit = 0) {
        return test::RunRidgegen(folder_, args, sizeLimit);
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path folder_;
};

// The command line for these settings, every slider named.
std::vector<std::string> Arguments(const char* generator, const GeneratorTable& table,
                                   const SliderValues& values) {
    std::vector<std::string> args = {generator};
    for (const std::string& line : SettingLines(table, values)) {
        args.insert(args.end(), {"--set", line});
    }
    if (values.variant != 0) {
        args.insert(args.end(), {"--variant", std::to_string(values.variant + 1)});
    }
    return args;
}

TEST_F(Ridgegen, EachFormatHoldsTheLevelsAndPng8IsTheEditorsPicture) {
    const int32_t width = 37, height = 23;
    // Every generator in 16 bits; each other format once or twice (the levels come out of the
    // same bands whatever the format).
    const std::pair<const char*, HeightFormat> runs[] = {{"sine", HeightFormat::Png8},
                                                         {"fourier", HeightFormat::Tiff32},
                                                         {"fault", HeightFormat::Png8},
                                                         {"fm", HeightFormat::R16},
                                                         {"exp", HeightFormat::Tiff32}};
    for (const auto& [name, other] : runs) {
        const GeneratorTable& table = *GeneratorNamed(name);
        // A setting over the sliders' whole ranges (FM Wave's in its second variant).
        const SliderValues values = test::SampleSettings(table, 1).back();
        const std::vector<float> levels = test::RawLevels(table, values, width, height);
        const std::vector<uint8_t> drawn = test::RenderGray(table, values, width, height);
        for (HeightFormat format : {HeightFormat::Png16, other}) {
            SCOPED_TRACE(std::string(name) + " " + NameOf(format));
            const std::string file = std::string("out.") + NameOf(format);
            std::vector<std::string> args = Arguments(name, table, values);
            args.insert(args.end(), {"--size", "37x23", "--format", NameOf(format), "-o", file});
            const test::Ran ran = Run(args);
#ifdef _WIN32
            // Not every system's TIFF encoder takes floating-point gray (Wine's does not).
            if (format == HeightFormat::Tiff32 && ran.status != 0) {
                EXPECT_EQ(ran.err, "ridgegen: \"out.tiff32\" was not written: the system's TIFF "
                                   "encoder cannot write 32-bit floating-point gray\n");
                EXPECT_TRUE(Names().empty());
                continue;
            }
#endif
            ASSERT_EQ(ran.status, 0) << ran.err;
            EXPECT_EQ(ran.out, Lines(SettingLines(table, values)));
            const test::ReadImage image = ReadHeightFile(folder_ / file, format, width, height);
            for (std::size_t p = 0; p < image.samples.size(); ++p) {
                const double v = levels[p];
                const double want = format == HeightFormat::Png8 ? drawn[p]
                                    : format == HeightFormat::Tiff32
                                        ? static_cast<float>(v / 256)
                                        : std::min(65535.0, std::round(v * 256));
                ASSERT_EQ(image.samples[p], want) << "pixel " << p << ", level " << v;
            }
            fs::remove(folder_ / file);
        }
    }
}

TEST_F(Ridgegen, ARegionIsTheSameCropOfTheWholeImage) {
    for (const char* name : {"fault", "fourier"}) {
        ASSERT_EQ(Run({name, "--size", "64x48", "--format", "r16", "-o", "whole.r16"}).status, 0);
        const test::ReadImage whole =
            ReadHeightFile(folder_ / "whole.r16", HeightFormat::R16, 64, 48);
        for (const PixelRegion& r : {PixelRegion{10, 7, 30, 20}, PixelRegion{63, 0, 1, 48}}) {
            const std::string region = std::to_string(r.x) + "," + std::to_string(r.y) + "," +
                                       std::to_string(r.width) + "," + std::to_string(r.height);
            const test::Ran ran = Run({name, "--size", "64x48", "--region", region, "--format",
                                       "png16", "-o", "part.png"});
            ASSERT_EQ(ran.status, 0) << ran.err;
            const test::ReadImage part =
                ReadHeightFile(folder_ / "part.png", HeightFormat::Png16, r.width, r.height);
            for (int32_t j = 0; j < r.height; ++j) {
                for (int32_t i = 0; i < r.width; ++i) {
                    ASSERT_EQ(part.samples[static_cast<std::size_t>(j * r.width + i)],
                              whole.samples[static_cast<std::size_t>((r.y + j) * 64 + r.x + i)])
                        << name << " " << region << " at " << i << "," << j;
                }
            }
        }
    }
}

TEST_F(Ridgegen, ASeededRandomTerrainComesBackAndKeepsWhatIsLockedOrSet) {
    const std::vector<std::string> args = {"fm",     "--random",      "--seed",   "42",
                                           "--lock", "op1.Amplitude", "--set",    "op2.Order=3",
                                           "--size", "40x30",         "--format", "r16"};
    auto to = [&](const char* file) {
        std::vector<std::string> all = args;
        all.insert(all.end(), {"-o", file});
        return all;
    };
    const test::Ran first = Run(to("a.r16"));
    const test::Ran second = Run(to("b.r16"));
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out, second.out);
    EXPECT_EQ(Bytes(folder_ / "a.r16"), Bytes(folder_ / "b.r16"));
    EXPECT_NE(first.out.find("op1.Amplitude=1\n"), std::string::npos) << first.out;
    EXPECT_NE(first.out.find("op2.Order=3\n"), std::string::npos) << first.out;
    EXPECT_EQ(first.err, "");

    // The printed values alone make the same terrain.
    std::vector<std::string> replay = {"fm", "--size", "40x30", "--format", "r16", "-o", "c.r16"};
    for (std::size_t at = 0, end; (end = first.out.find('\n', at)) != std::string::npos;
         at = end + 1) {
        replay.insert(replay.end(), {"--set", first.out.substr(at, end - at)});
    }
    ASSERT_EQ(Run(replay).status, 0);
    EXPECT_EQ(Bytes(folder_ / "c.r16"), Bytes(folder_ / "a.r16"));

    // Without a seed, one is drawn and told, and it makes the same terrain again.
    const test::Ran drawn =
        Run({"exp", "--random", "--size", "8x8", "--format", "png8", "-o", "d.png"});
    ASSERT_EQ(drawn.status, 0) << drawn.err;
    const std::size_t at = drawn.err.find("--seed ");
    ASSERT_NE(at, std::string::npos) << drawn.err;
    const std::string seed = drawn.err.substr(at + 7, drawn.err.find(' ', at + 7) - at - 7);
    const test::Ran again = Run(
        {"exp", "--random", "--seed", seed, "--size", "8x8", "--format", "png8", "-o", "e.png"});
    EXPECT_EQ(again.out, drawn.out);
    EXPECT_EQ(Bytes(folder_ / "d.png"), Bytes(folder_ / "e.png"));
}

TEST_F(Ridgegen, BadInputGetsItsErrorAndWritesNothing) {
    std::ofstream(folder_ / "kept.png") << "an earlier file";
    std::vector<std::string> ok = {"--size", "16x16", "--format", "png16", "-o", "kept.png"};
    auto with = [&](std::vector<std::string> args) {
        args.insert(args.end(), ok.begin(), ok.end());
        return args;
    };
    const std::pair<std::vector<std::string>, std::string> usage[] = {
        {with({"mountain"}), "unknown generator \"mountain\""},
        {with({"fault", "--set", "op1.Order 3=1"}), "no slider \"op1.Order 3\""},
        {with({"fourier", "--set", "op2.Phase 1=181"}), "op2.Phase 1 takes -180 to 180"},
        {{"sine", "--size", "16x16", "--format", "bmp", "-o", "kept.png"}, "unknown format"},
    };
    for (const auto& [args, named] : usage) {
        const test::Ran ran = Run(args);
        EXPECT_EQ(ran.status, 2) << named;
        EXPECT_NE(ran.err.find(named), std::string::npos) << ran.err;
        EXPECT_EQ(std::count(ran.err.begin(), ran.err.end(), '\n'), 1) << ran.err;
        EXPECT_EQ(ran.out, "");
    }
    fs::create_directory(folder_ / "folder.png");
    for (const char* target : {"missing/t.png", "folder.png"}) {
        const test::Ran ran = Run({"sine", "--size", "16x16", "--format", "png16", "-o", target});
        EXPECT_EQ(ran.status, 1) << target;
        EXPECT_NE(ran.err.find("was not written"), std::string::npos) << ran.err;
    }
    if (test::CanLimitFileSize()) {
        // The limit is reached in the middle of the image.
        const test::Ran full =
            Run({"fourier", "--size", "256x256", "--format", "r16", "-o", "kept.png"}, 65536);
        EXPECT_EQ(full.status, 1);
        EXPECT_NE(full.err.find("\"kept.png\" was not written"), std::string::npos) << full.err;
    }
    EXPECT_EQ(Bytes(folder_ / "kept.png"), "an earlier file");
    EXPECT_EQ(Names(), (std::vector<std::string>{"folder.png", "kept.png"}));

    // A disk that fills up (scripts/test provides one where it may mount it).
    if (const char* disk = std::getenv("RW_FULL_DISK")) {
        std::string folder = disk;
#ifdef _WIN32
        if (folder.front() == '/') {
            folder = "Z:" + folder; // Wine's drive for the host's file system
        }
#endif
        const test::Ran full =
            Run({"fourier", "--size", "1024x1024", "--format", "r16", "-o", folder + "/full.r16"});
        EXPECT_EQ(full.status, 1);
        EXPECT_NE(full.err.find("the disk is full"), std::string::npos) << full.err;
        EXPECT_TRUE(fs::is_empty(folder)) << "the full disk kept a file";
    }
}

} // namespace
} // namespace rw
