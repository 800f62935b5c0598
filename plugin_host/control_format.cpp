#include "plugin_host/control_format.h"

namespace rw::plugin {
namespace {

void Put32(std::uint8_t* out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t Get32(const std::uint8_t* in) {
    return std::uint32_t(in[0]) | std::uint32_t(in[1]) << 8 | std::uint32_t(in[2]) << 16 |
           std::uint32_t(in[3]) << 24;
}

} // namespace

std::array<std::uint8_t, kStreamSize> EncodeStream(Extent extent) {
    std::array<std::uint8_t, kStreamSize> bytes{};
    Put32(bytes.data(), kStreamVersion);
    Put32(bytes.data() + 4, static_cast<std::uint32_t>(extent.cx));
    Put32(bytes.data() + 8, static_cast<std::uint32_t>(extent.cy));
    return bytes;
}

std::uint32_t DecodeVersion(const std::uint8_t (&bytes)[kVersionSize]) {
    return Get32(bytes);
}

Extent DecodeExtent(const std::uint8_t (&bytes)[kExtentSize]) {
    return {static_cast<std::int32_t>(Get32(bytes)), static_cast<std::int32_t>(Get32(bytes + 4))};
}

int HimetricFromPixels(int pixels, int dpi) {
    if (dpi <= 0) {
        dpi = 96;
    }
    return static_cast<int>((static_cast<long long>(pixels) * 2540 + dpi / 2) / dpi);
}

} // namespace rw::plugin
