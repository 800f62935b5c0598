#pragma once
// Pictures as the driver knows them: pixels it makes, files it writes for the editor to open or
// for ImageMagick to compare, and what the clipboard holds.
#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0xRRGGBB, row 0 at the top

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool operator==(const Image&) const = default;
    // Whether column x holds the same pixels in both images.
    bool SameColumn(const Image& other, int x) const;
    bool IsUniform() const;
};

// Colours that differ from pixel to pixel and from seed to seed.
Image Gradient(int width, int height, int seed);
// A 24-bit BMP written by the driver: files for the editor to open whose pixels are known.
void WriteBmp(const std::wstring& path, const Image& image);
// A binary PPM, which ImageMagick compares with what the editor saved after the Wine run.
void WritePpm(const std::wstring& path, const Image& image);

// The clipboard's CF_DIB as pixels; an empty image when it holds none.
Image ReadClipboardPicture();

} // namespace e2e
