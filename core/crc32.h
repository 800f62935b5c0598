#pragma once
// The CRC-32 of PNG chunks and zip files (polynomial 0xEDB88320), continued as zlib's crc32 is:
// start from 0 and pass each result back in with the next piece.
#include <cstdint>
#include <span>

namespace rw {

uint32_t Crc32(uint32_t crc, std::span<const uint8_t> bytes);

} // namespace rw
