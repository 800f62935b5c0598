#include "core/random.h"

#include <cmath>

namespace rw {

float ProgramRandom::Rnd() {
    // splitmix64: one 64-bit state, no warm-up, and every seed (0 included) gives a full-period
    // stream, which is all the dialogs need.
    state_ += 0x9E3779B97F4A7C15ull;
    uint64_t z = state_;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    // The top 24 bits fill a float's significand exactly, so the result is k / 2^24 < 1.
    return static_cast<float>(z >> 40) * 0x1p-24f;
}

ProgramRandom& TheRandom() {
    static ProgramRandom random;
    return random;
}

double SkewedRandom(RandomSource& random, double centre) {
    return std::fabs(centre - static_cast<double>(random.Rnd()));
}

} // namespace rw
