// Renders at sizes that are neither square nor (mostly) even, compared with the independent
// reference generators/tests/reference_levels.py, whose printed hashes and pixels are copied
// here. The gray hash catches swapped rows and columns or a wrong formula; the level hash, over
// the single-precision bit patterns of every level before rounding, also catches a step kept in
// double where single precision is required (the script counts how many levels each such slip
// changes).
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "generators/tests/test_support.h"

namespace rw {
namespace {

struct Probe {
    int32_t i, j;
    uint8_t gray;
    float level;
};

struct ReferenceCase {
    const char* name;
    const GeneratorTable& table;
    SliderValues values;
    int32_t width, height;
    uint32_t grayHash, levelHash;
    std::vector<Probe> probes;
};

// FNV-1a, fed as the script feeds it.
class Fnv1a {
public:
    void Add(uint8_t byte) { hash_ = (hash_ ^ byte) * 0x01000193u; }
    void Add(float level) {
        uint32_t bits;
        std::memcpy(&bits, &level, sizeof bits);
        for (int k = 0; k < 4; ++k) {
            Add(static_cast<uint8_t>(bits >> (8 * k)));
        }
    }
    uint32_t Value() const { return hash_; }

private:
    uint32_t hash_ = 0x811C9DC5u;
};

TEST(ReferenceLevels, MatchTheIndependentReference) {
    using test::Values;
    const ReferenceCase cases[] = {
        {"sine",
         SineWave(),
         Values({2, -3, 1, -4, 3, 2, 4}, {-1, 5, -7, 2, 1, 4}),
         97,
         61,
         0xEA1BD4B3u,
         0x9CD2609Au,
         // (3, 3) is a tie at 159.5, drawn 160
         {{0, 0, 158, 158.19589233398438f},
          {0, 60, 69, 68.7389144897461f},
          {71, 9, 126, 126.24826049804688f},
          {3, 3, 160, 159.5f}}},
        {"fourier",
         FourierWave(),
         Values({3, 45, 0, -90, 7, 170}, {1, -120, 5, 30, 2, 0}),
         97,
         61,
         0xE89BA922u,
         0x20662AF7u,
         {{96, 0, 57, 57.12363815307617f},
          {13, 47, 79, 78.84688568115234f},
          {48, 30, 162, 161.584228515625f}}},
        {"fault",
         FaultLine(),
         Values({3, 2, 4, -5}, {1, 5, -8, 7}),
         97,
         61,
         0xEC701755u,
         0xE81066BDu,
         {{96, 0, 255, 256.0f},
          {0, 60, 83, 82.50210571289062f},
          {71, 9, 140, 139.54139709472656f}}},
        {"fm variant 2",
         FmWave(),
         Values({3, -4, 2}, {2, 6, 3}, 1),
         97,
         61,
         0x26EE802Eu,
         0xA9ADB842u,
         {{96, 0, 252, 251.73284912109375f},
          {13, 47, 12, 12.344512939453125f},
          {48, 30, 118, 118.1800537109375f}}},
        {"fm variant 1",
         FmWave(),
         Values({2, 7, 4}, {5, -2, 1}, 0),
         97,
         61,
         0xD267EE04u,
         0xD86A84C0u,
         {{0, 0, 98, 97.83684539794922f},
          {0, 60, 145, 145.3719940185547f},
          {71, 9, 44, 44.03977966308594f}}},
        {"exponential",
         ExponentialWave(),
         Values({2, -3, 7}, {4, 5, 2}),
         97,
         61,
         0x0A4620F9u,
         0x5618936Fu,
         {{96, 0, 161, 160.55105590820312f},
          {13, 47, 52, 52.48492431640625f},
          {48, 30, 68, 68.01331329345703f}}},
        // x = 0 in column 49 and y = 0 in row 30, both raised to negative amplitudes
        {"exponential, zero to negative powers",
         ExponentialWave(),
         Values({3, -2, 4}, {1, -5, 6}),
         98,
         60,
         0xC7D8D881u,
         0x4B977D38u,
         {{0, 0, 3, 2.786846876144409f},
          {49, 30, 54, 54.12757873535156f},
          {49, 10, 29, 29.18868637084961f},
          {20, 30, 47, 46.64813232421875f}}},
    };
    for (const ReferenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto gray = test::RenderGray(c.table, c.values, c.width, c.height);
        const auto levels = test::RawLevels(c.table, c.values, c.width, c.height);
        for (const Probe& p : c.probes) {
            EXPECT_EQ(gray[p.j * c.width + p.i], p.gray) << "pixel " << p.i << "," << p.j;
            EXPECT_EQ(levels[p.j * c.width + p.i], p.level) << "pixel " << p.i << "," << p.j;
        }
        Fnv1a grayHash, levelHash;
        for (std::size_t k = 0; k < gray.size(); ++k) {
            grayHash.Add(gray[k]);
            levelHash.Add(levels[k]);
        }
        EXPECT_EQ(grayHash.Value(), c.grayHash);
        EXPECT_EQ(levelHash.Value(), c.levelHash);
    }
}

} // namespace
} // namespace rw
