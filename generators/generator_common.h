#pragma once
// Building blocks that several generators share: the frequency factor of a slider, the random
// rules of their parameter tables, and the slider rows that FM Wave and Exponential Wave have
// in common. Internal to the generators folder.
#include <cstddef>
#include <cstdint>

#include "generators/generator_table.h"
#include "core/numerics.h"
#include "core/random.h"

namespace rw {

// Factor of a frequency slider value f in -10..10: (f + 10) / 10 up to f = 0, f + 1 above it,
// so the factors jump from 1 straight to 2. Computed in double, kept in single precision.
float FrequencyFactor(int32_t f);

// Slider value of row `row` in frame `frame`. Values that do not match the table are a caller's
// bug; this throws std::out_of_range rather than reading past them.
int32_t SliderAt(const SliderValues& values, int frame, std::size_t row);

// Int(Rnd * scale + offset): uniform over offset .. offset + scale - 1.
template <int32_t Scale, int32_t Offset> int32_t UniformRule(RandomSource& random) {
    return static_cast<int32_t>(Int(static_cast<double>(random.Rnd()) * Scale + Offset));
}

// Int(SkewedRandom(0.2) * scale + offset): favours the low end of the range.
template <int32_t Scale, int32_t Offset> int32_t SkewedRule(RandomSource& random) {
    return static_cast<int32_t>(Int(SkewedRandom(random, 0.2) * Scale + Offset));
}

// Int(sign(r2) * SkewedRandom(0.2) * 10), the SkewedRandom number drawn before r2. As r2 is never
// negative this yields 0 to 7 only, although the Amplitude sliders reach -10.
int32_t SignedSkewedRule(RandomSource& random);

// Rows of FM Wave and Exponential Wave whose whole definition is the same in both dialogs.
inline constexpr SliderRow kSkewedOrderRowX{"Order", 0, 5, 1, 5, 1, SkewedRule<5, 1>};
inline constexpr SliderRow kSkewedOrderRowY{"Order", 0, 5, 1, 5, 1, SkewedRule<6, 0>};
inline constexpr SliderRow kSignedAmplitudeRow{"Amplitude", -10, 10, 1, 5, 1, SignedSkewedRule};

} // namespace rw
