// libFuzzer target for the PNG checker: whatever the bytes, it ends, and its verdict does not
// depend on how the file was cut into pieces while it was read.
#include "core/png_check.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    rw::LooksLikePng(file.first(std::min(size, rw::kPngLookBytes)));
    const auto whole = rw::CheckPng(file);
    rw::PngChecker pieces;
    size_t at = 0;
    for (size_t step = 1; at < size; step = step * 3 % 17 + 1) {
        const size_t n = std::min(step, size - at);
        pieces.Feed(file.subspan(at, n));
        at += n;
    }
    if (pieces.Finish() != whole) {
        __builtin_trap();
    }
    return 0;
}
