#pragma once
// The file formats of a heightfield and how a level v in [0, 256] becomes one of their samples.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace rw {

enum class HeightFormat {
    Png8,   // 8-bit gray PNG: the editor's gray levels
    Png16,  // 16-bit gray PNG
    R16,    // raw 16-bit little-endian samples, rows from the top
    Tiff32, // 32-bit floating-point gray TIFF, 0 to 1
};

std::optional<HeightFormat> HeightFormatNamed(std::string_view name);
const char* NameOf(HeightFormat format);

// The 16-bit sample of a level: min(65535, round(v * 256)), halves rounded up. A level that
// no setting should produce (negative, not a number) is 0, as the editor draws it black.
uint16_t Sample16(float v);

// The floating-point sample of a level: v / 256, which is 0 to 1; levels outside [0, 256] (and
// not-a-number) are taken to the nearer end, 0 for not-a-number.
float UnitSample(float v);

// A row of levels as the bytes of a file's samples.
void Gray8Row(std::span<const float> levels, uint8_t* out);
void Gray16BigEndianRow(std::span<const float> levels, uint8_t* out);
void Gray16LittleEndianRow(std::span<const float> levels, uint8_t* out);
void UnitFloatRow(std::span<const float> levels, uint8_t* out); // native byte order

// Bytes per sample in the file.
int BytesPerSample(HeightFormat format);

} // namespace rw
