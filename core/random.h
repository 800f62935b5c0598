#pragma once
// The program's pseudo-random numbers: uniform single-precision values k / 2^24 in [0, 1).
#include <cstdint>

namespace rw {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // The next number, uniform in [0, 1).
    virtual float Rnd() = 0;
};

class ProgramRandom final : public RandomSource {
public:
    explicit ProgramRandom(uint64_t seed = 0) { Reseed(seed); }
    void Reseed(uint64_t seed) { state_ = seed; }
    float Rnd() override;

private:
    uint64_t state_ = 0;
};

// The generator the dialogs draw from; reseeded from the clock when the main window loads.
ProgramRandom& TheRandom();

// |centre - Rnd| in double precision: a number in [0, 1 - centre) that favours values near 0.
double SkewedRandom(RandomSource& random, double centre = 0.2);

} // namespace rw
