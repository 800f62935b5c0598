#pragma once
// The CRC-32 of PNG chunks and zip files, zlib's: start from 0 and pass each result back in with
// the next piece.
#include <cstdint>
#include <span>

namespace rw {

uint32_t Crc32(uint32_t crc, std::span<const uint8_t> bytes);

} // namespace rw
