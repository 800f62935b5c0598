#include "generators/generator_common.h"

namespace rw {

float FrequencyFactor(int32_t f) {
    return static_cast<float>(f > 0 ? f + 1.0 : (f + 10) / 10.0);
}

int32_t SliderAt(const SliderValues& values, int frame, std::size_t row) {
    return values.frame[frame].at(row);
}

int32_t SignedSkewedRule(RandomSource& random) {
    const double skewed = SkewedRandom(random, 0.2);
    const float r2 = random.Rnd();
    const double sign = r2 > 0.0f ? 1.0 : (r2 < 0.0f ? -1.0 : 0.0);
    return static_cast<int32_t>(Int(sign * skewed * 10));
}

} // namespace rw
