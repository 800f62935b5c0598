// Damaged plug-in files: thousands of seeded random mutations of valid files go through the
// whole listing path. Run under AddressSanitizer and UBSan, a read past the data fails here.
#include "lumbra32/filter_catalogue.h"
#include "lumbra32/pe_image.h"
#include "lumbra32/tests/pe_builder.h"

#include <gtest/gtest.h>

#include <random>

namespace lumbra {
namespace {

void Mutate(test::Bytes& b, std::mt19937& rng) {
    std::uniform_int_distribution<int> kind(0, 5);
    int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits && !b.empty(); ++e) {
        size_t at = rng() % b.size();
        switch (kind(rng)) {
        case 0:
            b[at] = static_cast<uint8_t>(rng());
            break;
        case 1: // a length or count turned huge
            for (size_t k = at; k < b.size() && k < at + 4; ++k) {
                b[k] = 0xFF;
            }
            break;
        case 2:
            b[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
            break;
        case 3:
            b.resize(at);
            break;
        case 4:
            b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), static_cast<uint8_t>(rng()));
            break;
        default:
            b.erase(b.begin() + static_cast<std::ptrdiff_t>(at));
            break;
        }
    }
}

TEST(DamagedFiles, RandomMutationsAreReadSafely) {
    std::vector<test::Bytes> seeds = {
        test::BuildPe(kMachineX64, true,
                      {{16000, "", 0x409, test::FilterPipl("One", "Cat", "e86", "e64")},
                       {16000, "", 0x407, test::FilterPipl("Eins", "Cat", "e86", "e64")},
                       {16001, "", 0x409, test::FilterPipl("Two", "Cat", "", "t64")}}),
        test::BuildPe(kMachineX86, true,
                      {{0, "NAMED", 0x409, test::FilterPipl("N", "C", "n", "")}}),
    };
    std::mt19937 rng(20261208);
    size_t listed = 0;
    for (int round = 0; round < 20000; ++round) {
        test::Bytes b = seeds[round % seeds.size()];
        Mutate(b, rng);
        for (uint16_t machine : {kMachineX86, kMachineX64}) {
            auto filters = ListFilters(b.data(), b.size(), machine, "fallback");
            listed += filters.size();
            for (const FilterInfo& f : filters) {
                EXPECT_FALSE(f.entry.empty());
            }
        }
    }
    // Most mutations leave some filter readable: the walk was not cut short everywhere.
    EXPECT_GT(listed, 1000u);
}

} // namespace
} // namespace lumbra
