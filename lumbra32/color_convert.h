#pragma once
// Colour conversions between the spaces of the colour services, on the components as plug-ins
// pass them: RGB, CMYK, gray and XYZ 0..255 (CMYK as ink, 255 = full); HSB and HSL a hue of
// 0..359 degrees with saturation and brightness or lightness 0..255; Lab an L of 0..255 for
// 0..100 with a and b 0..255 around 128. RGB is sRGB; XYZ and Lab are relative to its D65
// white. Portable, no state.
#include <cstdint>

namespace lumbra {

// Converts in place; false (components untouched) when either space is not one of the seven.
bool ConvertColor(int16_t from, int16_t to, int16_t components[4]);

// The PICA colour-space suite's 8-bit form: every component 0..255, the hue as 0..255 for a
// full turn.
bool ConvertColor8(int16_t from, int16_t to, uint8_t components[4]);

} // namespace lumbra
