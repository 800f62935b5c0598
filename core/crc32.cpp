#include "core/crc32.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

namespace rw {

uint32_t Crc32(uint32_t crc, std::span<const uint8_t> bytes) {
    // zlib counts bytes in an unsigned int: a longer span goes in pieces.
    uLong c = crc;
    while (!bytes.empty()) {
        const size_t n = std::min<size_t>(bytes.size(), UINT_MAX);
        c = crc32(c, bytes.data(), static_cast<uInt>(n));
        bytes = bytes.subspan(n);
    }
    return static_cast<uint32_t>(c);
}

} // namespace rw
