#include "components/tests/image_test_support.h"

#include "components/image_control.h"

namespace rw::test {

void PaintPattern(ImageControl& control, int seed) {
    const Surface24 s = control.Surface();
    for (int32_t y = 0; y < s.height; ++y) {
        for (int32_t x = 0; x < s.width; ++x) {
            uint8_t* p = s.Pixel(x, y);
            p[0] = static_cast<uint8_t>(x * 3 + seed);
            p[1] = static_cast<uint8_t>(y * 5 + seed);
            p[2] = static_cast<uint8_t>(x + y + seed);
        }
    }
}

std::vector<uint8_t> Pixels(const ImageControl& control) {
    const Surface24 s = control.Surface();
    std::vector<uint8_t> out;
    for (int32_t y = 0; y < s.height; ++y) {
        out.insert(out.end(), s.Pixel(0, y), s.Pixel(0, y) + 3 * s.width);
    }
    return out;
}

} // namespace rw::test
