#include "core/numerics.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

namespace rw {

double Int(double v) {
    return std::floor(v);
}

int16_t CInt(double v) {
    if (std::isnan(v)) {
        throw std::overflow_error("CInt: not a number");
    }
    // Ties are settled by hand rather than by the current rounding mode, which a host (or a
    // plug-in sharing the thread) may have changed.
    double whole = std::floor(v);
    const double fraction = v - whole; // exact: whole only clears v's fractional bits
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    if (!(whole >= INT16_MIN && whole <= INT16_MAX)) {
        throw std::overflow_error("CInt: value out of the 16-bit range");
    }
    return static_cast<int16_t>(whole);
}

uint32_t(RGB)(int32_t r, int32_t g, int32_t b) {
    const auto component = [](int32_t c) -> uint32_t {
        return c > 255 ? 255u : (c < 0 ? 0u : static_cast<uint32_t>(c));
    };
    return component(r) + 256u * component(g) + 65536u * component(b);
}

float NormalizedCoordinate(int32_t index, int32_t size) {
    if (size <= 0) {
        throw std::domain_error("NormalizedCoordinate: empty axis");
    }
    const int64_t scaled = static_cast<int64_t>(index) * 50;
    if (scaled > INT32_MAX || scaled < INT32_MIN) {
        throw std::overflow_error("NormalizedCoordinate: index*50 overflows 32 bits");
    }
    return static_cast<float>((static_cast<double>(scaled) / size - 25.0) / 5.0);
}

} // namespace rw
