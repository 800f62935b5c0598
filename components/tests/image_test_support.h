#pragma once
// Images with known pixels for tests of the image control and its users.
#include <cstdint>
#include <vector>

namespace rw {
class ImageControl;
}

namespace rw::test {

// Fills the image with a pattern that differs in every channel from pixel to pixel, so that
// swapped channels, rows or columns show; `seed` makes patterns of different images differ.
void PaintPattern(ImageControl& control, int seed);

// Every byte of the control's image, row after row (without the rows' padding).
std::vector<uint8_t> Pixels(const ImageControl& control);

} // namespace rw::test
