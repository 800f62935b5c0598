#include "lumbra32/color_convert.h"

#include "lumbra32/filter_api.h"

#include <algorithm>
#include <cmath>

namespace lumbra {
namespace {

struct Rgb {
    double r, g, b; // 0..1, sRGB-encoded
};

bool Known(int16_t space) {
    return space >= pi::kRgbSpace && space <= pi::kXyzSpace;
}

double Linear(double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}
double Encoded(double c) {
    return c <= 0.0031308 ? c * 12.92 : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
}

// sRGB primaries, D65 white.
constexpr double kWhite[3] = {0.95047, 1.0, 1.08883};

void ToXyz(const Rgb& c, double xyz[3]) {
    double r = Linear(c.r), g = Linear(c.g), b = Linear(c.b);
    xyz[0] = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b;
    xyz[1] = 0.2126729 * r + 0.7151522 * g + 0.0721750 * b;
    xyz[2] = 0.0193339 * r + 0.1191920 * g + 0.9503041 * b;
}
Rgb FromXyz(const double xyz[3]) {
    double r = 3.2404542 * xyz[0] - 1.5371385 * xyz[1] - 0.4985314 * xyz[2];
    double g = -0.9692660 * xyz[0] + 1.8760108 * xyz[1] + 0.0415560 * xyz[2];
    double b = 0.0556434 * xyz[0] - 0.2040259 * xyz[1] + 1.0572252 * xyz[2];
    auto clamp = [](double v) { return Encoded(std::clamp(v, 0.0, 1.0)); };
    return {clamp(r), clamp(g), clamp(b)};
}

double LabF(double t) {
    constexpr double e = 216.0 / 24389.0, k = 24389.0 / 27.0;
    return t > e ? std::cbrt(t) : (k * t + 16) / 116;
}
double LabFInverse(double f) {
    constexpr double e = 6.0 / 29.0;
    return f > e ? f * f * f : 3 * e * e * (f - 4.0 / 29.0);
}

// Hue in degrees, the other two 0..1.
void ToHsb(const Rgb& c, double out[3]) {
    double hi = std::max({c.r, c.g, c.b}), lo = std::min({c.r, c.g, c.b}), d = hi - lo;
    double h = 0;
    if (d > 0) {
        if (hi == c.r) {
            h = std::fmod((c.g - c.b) / d + 6, 6);
        } else if (hi == c.g) {
            h = (c.b - c.r) / d + 2;
        } else {
            h = (c.r - c.g) / d + 4;
        }
    }
    out[0] = h * 60;
    out[1] = hi > 0 ? d / hi : 0;
    out[2] = hi;
}
// From hue, chroma and the value added to every channel.
Rgb FromHue(double hue, double chroma, double m) {
    double h = std::fmod(std::fmod(hue, 360) + 360, 360) / 60;
    double x = chroma * (1 - std::fabs(std::fmod(h, 2) - 1));
    double r = 0, g = 0, b = 0;
    switch (static_cast<int>(h)) {
    case 0:
        r = chroma, g = x;
        break;
    case 1:
        r = x, g = chroma;
        break;
    case 2:
        g = chroma, b = x;
        break;
    case 3:
        g = x, b = chroma;
        break;
    case 4:
        r = x, b = chroma;
        break;
    default:
        r = chroma, b = x;
        break;
    }
    return {r + m, g + m, b + m};
}

// Components (in their natural units) to RGB.
Rgb ToRgb(int16_t space, const double c[4]) {
    switch (space) {
    case pi::kHsbSpace: {
        double chroma = c[2] * c[1];
        return FromHue(c[0], chroma, c[2] - chroma);
    }
    case pi::kHslSpace: {
        double chroma = (1 - std::fabs(2 * c[2] - 1)) * c[1];
        return FromHue(c[0], chroma, c[2] - chroma / 2);
    }
    case pi::kCmykSpace:
        return {(1 - c[0]) * (1 - c[3]), (1 - c[1]) * (1 - c[3]), (1 - c[2]) * (1 - c[3])};
    case pi::kGraySpace:
        return {c[0], c[0], c[0]};
    case pi::kXyzSpace:
        return FromXyz(c);
    case pi::kLabSpace: {
        double fy = (c[0] + 16) / 116, fx = fy + c[1] / 500, fz = fy - c[2] / 200;
        double xyz[3] = {kWhite[0] * LabFInverse(fx), kWhite[1] * LabFInverse(fy),
                         kWhite[2] * LabFInverse(fz)};
        return FromXyz(xyz);
    }
    default:
        return {c[0], c[1], c[2]};
    }
}

void FromRgb(int16_t space, const Rgb& rgb, double c[4]) {
    c[3] = 0;
    switch (space) {
    case pi::kHsbSpace:
        ToHsb(rgb, c);
        break;
    case pi::kHslSpace: {
        double hi = std::max({rgb.r, rgb.g, rgb.b}), lo = std::min({rgb.r, rgb.g, rgb.b});
        double hsb[3];
        ToHsb(rgb, hsb);
        double l = (hi + lo) / 2, d = hi - lo;
        c[0] = hsb[0];
        c[1] = d > 0 ? d / (1 - std::fabs(2 * l - 1)) : 0;
        c[2] = l;
        break;
    }
    case pi::kCmykSpace: {
        double k = 1 - std::max({rgb.r, rgb.g, rgb.b});
        double left = 1 - k;
        c[0] = left > 0 ? (left - rgb.r) / left : 0;
        c[1] = left > 0 ? (left - rgb.g) / left : 0;
        c[2] = left > 0 ? (left - rgb.b) / left : 0;
        c[3] = k;
        break;
    }
    case pi::kGraySpace:
        c[0] = 0.299 * rgb.r + 0.587 * rgb.g + 0.114 * rgb.b;
        c[1] = c[2] = 0;
        break;
    case pi::kXyzSpace:
        ToXyz(rgb, c);
        break;
    case pi::kLabSpace: {
        double xyz[3];
        ToXyz(rgb, xyz);
        double fx = LabF(xyz[0] / kWhite[0]), fy = LabF(xyz[1] / kWhite[1]),
               fz = LabF(xyz[2] / kWhite[2]);
        c[0] = 116 * fy - 16;
        c[1] = 500 * (fx - fy);
        c[2] = 200 * (fy - fz);
        break;
    }
    default:
        c[0] = rgb.r, c[1] = rgb.g, c[2] = rgb.b;
        break;
    }
}

// Plug-in units to natural units and back. `hueTurn` is what a full turn of hue counts.
void Unpack(int16_t space, const double in[4], double hueTurn, double out[4]) {
    for (int i = 0; i < 4; ++i) {
        out[i] = in[i] / 255;
    }
    if (space == pi::kHsbSpace || space == pi::kHslSpace) {
        out[0] = in[0] * 360 / hueTurn;
    } else if (space == pi::kLabSpace) {
        out[0] = in[0] * 100 / 255;
        out[1] = in[1] - 128;
        out[2] = in[2] - 128;
    }
}
void Pack(int16_t space, const double in[4], double hueTurn, double out[4]) {
    for (int i = 0; i < 4; ++i) {
        out[i] = in[i] * 255;
    }
    if (space == pi::kHsbSpace || space == pi::kHslSpace) {
        double hue = std::round(in[0] * hueTurn / 360);
        out[0] = hue >= hueTurn ? 0 : hue;
    } else if (space == pi::kLabSpace) {
        out[0] = in[0] * 255 / 100;
        out[1] = in[1] + 128;
        out[2] = in[2] + 128;
    }
}

bool Convert(int16_t from, int16_t to, double values[4], double hueTurn) {
    if (!Known(from) || !Known(to)) {
        return false;
    }
    if (from == to) {
        return true;
    }
    double natural[4];
    Unpack(from, values, hueTurn, natural);
    FromRgb(to, ToRgb(from, natural), natural);
    Pack(to, natural, hueTurn, values);
    return true;
}

} // namespace

bool ConvertColor(int16_t from, int16_t to, int16_t components[4]) {
    double v[4];
    std::copy(components, components + 4, v);
    if (!Convert(from, to, v, 360)) {
        return false;
    }
    if (from != to) {
        bool hued = to == pi::kHsbSpace || to == pi::kHslSpace;
        for (int i = 0; i < 4; ++i) {
            components[i] = static_cast<int16_t>(
                std::clamp(std::round(v[i]), 0.0, i == 0 && hued ? 359.0 : 255.0));
        }
    }
    return true;
}

bool ConvertColor8(int16_t from, int16_t to, uint8_t components[4]) {
    double v[4];
    std::copy(components, components + 4, v);
    if (!Convert(from, to, v, 256)) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        components[i] = static_cast<uint8_t>(std::clamp(std::round(v[i]), 0.0, 255.0));
    }
    return true;
}

} // namespace lumbra
