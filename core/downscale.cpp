#include "core/downscale.h"

#include <cstdint>
#include <vector>

namespace rw {

namespace {

// The source range [first, last) that target index `k` of `count` covers along an axis of
// `size` source pixels; never empty when count <= size.
struct Span {
    int32_t first;
    int32_t last;
};
Span Cover(int32_t k, int32_t count, int32_t size) {
    return {static_cast<int32_t>(int64_t{k} * size / count),
            static_cast<int32_t>(int64_t{k + 1} * size / count)};
}

} // namespace

void DownscaleByArea(const Surface24& source, const Surface24& target) {
    if (target.width <= 0 || target.height <= 0 || source.width < target.width ||
        source.height < target.height) {
        return;
    }
    std::vector<uint32_t> sums(static_cast<size_t>(source.width) * 3);
    for (int32_t ty = 0; ty < target.height; ++ty) {
        const Span rows = Cover(ty, target.height, source.height);
        // Sum the covered rows column by column, then the covered columns of that sum.
        std::fill(sums.begin(), sums.end(), 0u);
        for (int32_t y = rows.first; y < rows.last; ++y) {
            const uint8_t* in = source.Pixel(0, y);
            for (size_t c = 0; c < sums.size(); ++c) {
                sums[c] += in[c];
            }
        }
        const uint32_t rowCount = static_cast<uint32_t>(rows.last - rows.first);
        uint8_t* out = target.Pixel(0, ty);
        for (int32_t tx = 0; tx < target.width; ++tx, out += 3) {
            const Span columns = Cover(tx, target.width, source.width);
            const uint64_t count =
                uint64_t{rowCount} * static_cast<uint32_t>(columns.last - columns.first);
            for (int channel = 0; channel < 3; ++channel) {
                uint64_t total = 0;
                for (int32_t x = columns.first; x < columns.last; ++x) {
                    total += sums[size_t(x) * 3 + channel];
                }
                out[channel] = static_cast<uint8_t>((total + count / 2) / count);
            }
        }
    }
}

} // namespace rw
