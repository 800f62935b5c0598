#include "ridgegen/height_format.h"

#include <cmath>
#include <cstring>

#include "core/numerics.h"

namespace rw {

std::optional<HeightFormat> HeightFormatNamed(std::string_view name) {
    for (HeightFormat format :
         {HeightFormat::Png8, HeightFormat::Png16, HeightFormat::R16, HeightFormat::Tiff32}) {
        if (name == NameOf(format)) {
            return format;
        }
    }
    return std::nullopt;
}

const char* NameOf(HeightFormat format) {
    switch (format) {
    case HeightFormat::Png8:
        return "png8";
    case HeightFormat::Png16:
        return "png16";
    case HeightFormat::R16:
        return "r16";
    case HeightFormat::Tiff32:
        break;
    }
    return "tiff32";
}

uint16_t Sample16(float v) {
    // v * 256 is exact in single precision; rounding it in double needs no care about halves.
    const double scaled = static_cast<double>(v) * 256.0;
    if (!(scaled > 0.0)) {
        return 0;
    }
    return static_cast<uint16_t>(std::fmin(std::round(scaled), 65535.0));
}

float UnitSample(float v) {
    if (!(v > 0.0f)) {
        return 0.0f; // negative zero included, so that equal heights have equal bits
    }
    return v >= 256.0f ? 1.0f : v / 256.0f;
}

void Gray8Row(std::span<const float> levels, uint8_t* out) {
    for (const float v : levels) {
        *out++ = GrayLevel(v);
    }
}

void Gray16BigEndianRow(std::span<const float> levels, uint8_t* out) {
    for (const float v : levels) {
        const uint16_t sample = Sample16(v);
        *out++ = static_cast<uint8_t>(sample >> 8);
        *out++ = static_cast<uint8_t>(sample);
    }
}

void Gray16LittleEndianRow(std::span<const float> levels, uint8_t* out) {
    for (const float v : levels) {
        const uint16_t sample = Sample16(v);
        *out++ = static_cast<uint8_t>(sample);
        *out++ = static_cast<uint8_t>(sample >> 8);
    }
}

void UnitFloatRow(std::span<const float> levels, uint8_t* out) {
    for (const float v : levels) {
        const float sample = UnitSample(v);
        std::memcpy(out, &sample, sizeof sample);
        out += sizeof sample;
    }
}

int BytesPerSample(HeightFormat format) {
    switch (format) {
    case HeightFormat::Png8:
        return 1;
    case HeightFormat::Png16:
    case HeightFormat::R16:
        return 2;
    case HeightFormat::Tiff32:
        break;
    }
    return 4;
}

} // namespace rw
