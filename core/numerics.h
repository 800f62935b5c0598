#pragma once
// The arithmetic every generator shares: rounding, colours and the normalised coordinates.
#include <cstdint>
#include <limits>

namespace rw {

// Largest integer not greater than v.
double Int(double v);

// Nearest integer, ties to the even neighbour, as a 16-bit signed integer.
// Throws std::overflow_error when the result does not fit (or v is not a number).
int16_t CInt(double v);

// The gray level drawn for a generator value v: CInt(v) with a level above 255 taken as 255.
// Values that no slider setting should produce (negative, not finite) are drawn black rather
// than handed to CInt.
// Inline, as it runs once per pixel.
inline uint8_t GrayLevel(float v) {
    // One comparison pair rejects negatives, NaN and both infinities.
    if (!(v >= 0.0f && v <= std::numeric_limits<float>::max())) {
        return 0;
    }
    if (v >= 255.0f) {
        return 255;
    }
    // CInt's range checks and exceptions stay out of this path; the result is the same as
    // CInt's for every v in [0, 255).
    // Whether to round up is worked out without a branch: for a smooth field it is a coin toss
    // from one pixel to the next, which a branch would mispredict half the time.
    const int whole = static_cast<int>(v);
    const float fraction = v - static_cast<float>(whole);
    const int up =
        static_cast<int>(fraction > 0.5f) | (static_cast<int>(fraction == 0.5f) & (whole & 1));
    return static_cast<uint8_t>(whole + up);
}

// Colour value r + 256*g + 65536*b with every component above 255 taken as 255 (and below 0
// as 0). The name is parenthesised because <windows.h> defines RGB as a function-like macro;
// callers that also include it write (rw::RGB)(r, g, b).
uint32_t(RGB)(int32_t r, int32_t g, int32_t b);

// Normalised coordinate of pixel `index` along an axis of `size` pixels: (index*50/size - 25)/5,
// index*50 in 32-bit integers, the rest in double precision, the result in single precision.
// Runs from -5 at the first pixel to 5 - 10/size at the last.
float NormalizedCoordinate(int32_t index, int32_t size);

} // namespace rw
