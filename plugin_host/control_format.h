#pragma once
// The PlugIn control's fixed numbers: its persisted stream, its size in HIMETRIC and the HRESULTs
// of its error messages. No Windows header, so the rules are tested on the host too.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace rw::plugin {

// The saved form of the control: a format version and the extent, little-endian.
constexpr std::uint32_t kStreamVersion = 0x202;
constexpr std::size_t kVersionSize = 4;
constexpr std::size_t kExtentSize = 8;
constexpr std::size_t kStreamSize = kVersionSize + kExtentSize;

struct Extent {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    bool operator==(const Extent&) const = default;
};

// A new control's extent: 2 inches square in HIMETRIC (0.01 mm).
constexpr Extent kDefaultExtent{5080, 5080};

std::array<std::uint8_t, kStreamSize> EncodeStream(Extent extent);
std::uint32_t DecodeVersion(const std::uint8_t (&bytes)[kVersionSize]);
// Whether a stream of this version carries the extent after its version field.
constexpr bool VersionCarriesExtent(std::uint32_t version) {
    return version <= kStreamVersion;
}
Extent DecodeExtent(const std::uint8_t (&bytes)[kExtentSize]);

// The control always shows 32 x 32 pixels.
constexpr int kIconPixels = 32;
// Pixels to HIMETRIC at `dpi` logical pixels per inch, rounded to nearest (847 for 32 at 96 dpi).
// A nonsensical dpi (0 or below) counts as 96 rather than dividing by zero.
int HimetricFromPixels(int pixels, int dpi);

// The HRESULT that goes with message `id` of the string table (resource.h names them): severity
// error, facility 10 (the automation "control" facility), code = message id.
constexpr std::uint32_t HresultForMessage(unsigned id) {
    return 0x800A0000u + (id & 0xFFFFu);
}
// The one message that is a literal, not a table entry.
constexpr std::uint32_t kIndexOutOfBoundsHresult = 0x800A017Du;
constexpr const wchar_t* kIndexOutOfBoundsText = L"Index out of bounds.";

} // namespace rw::plugin
