#include "e2e/picture.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "e2e/program.h"
#include "win32/scoped.h"

namespace e2e {
namespace {

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int k = 0; k < bytes; ++k) {
        out.push_back(static_cast<uint8_t>(value >> (8 * k)));
    }
}

void WriteWhole(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    const rw::win::ScopedFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (!file ||
        !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) ||
        written != bytes.size()) {
        throw StepFailure("cannot write " + Narrow(path));
    }
}

// The pixels of a packed 24- or 32-bit DIB of `size` bytes; empty when it holds anything else.
Image FromDib(const uint8_t* dib, size_t size) {
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    const int bits = header.biBitCount;
    const bool topDown = header.biHeight < 0;
    Image image;
    image.width = header.biWidth;
    image.height = topDown ? -header.biHeight : header.biHeight;
    const size_t stride = static_cast<size_t>((image.width * bits + 31) / 32 * 4);
    size_t offset = header.biSize;
    if (header.biCompression == BI_BITFIELDS) {
        offset += 12;
    }
    offset += (bits <= 8 ? (header.biClrUsed ? header.biClrUsed : 1u << bits) : 0) * 4;
    if ((bits != 24 && bits != 32) || size < offset + stride * image.height) {
        return Image{};
    }
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* row =
            dib + offset + stride * static_cast<size_t>(topDown ? y : image.height - 1 - y);
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * (bits / 8);
            image.pixels.push_back(static_cast<uint32_t>(p[2]) << 16 |
                                   static_cast<uint32_t>(p[1]) << 8 | p[0]);
        }
    }
    return image;
}

} // namespace

bool Image::SameColumn(const Image& other, int x) const {
    if (width != other.width || height != other.height) {
        return false;
    }
    for (int y = 0; y < height; ++y) {
        if (At(x, y) != other.At(x, y)) {
            return false;
        }
    }
    return true;
}

bool Image::IsUniform() const {
    return std::all_of(pixels.begin(), pixels.end(),
                       [this](uint32_t p) { return p == pixels.front(); });
}

Image Gradient(int width, int height, int seed) {
    Image image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t r = static_cast<uint32_t>(x * 255 / std::max(1, width - 1));
            const uint32_t g = static_cast<uint32_t>(y * 255 / std::max(1, height - 1));
            const uint32_t b = static_cast<uint32_t>((x * 7 + y * 13 + seed * 61) & 0xFF);
            image.pixels.push_back(r << 16 | g << 8 | b);
        }
    }
    return image;
}

void WriteBmp(const std::wstring& path, const Image& image) {
    const uint32_t stride = static_cast<uint32_t>((image.width * 3 + 3) & ~3);
    const uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutLe(out, 54 + dataSize, 4);
    PutLe(out, 0, 4);
    PutLe(out, 54, 4);
    PutLe(out, 40, 4);
    PutLe(out, static_cast<uint32_t>(image.width), 4);
    PutLe(out, static_cast<uint32_t>(image.height), 4); // bottom-up
    PutLe(out, 1, 2);
    PutLe(out, 24, 2);
    PutLe(out, 0, 4);
    PutLe(out, dataSize, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 2835, 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    for (int y = image.height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const uint32_t p = image.At(x, y);
            out.push_back(static_cast<uint8_t>(p));
            out.push_back(static_cast<uint8_t>(p >> 8));
            out.push_back(static_cast<uint8_t>(p >> 16));
        }
        out.resize(rowStart + stride, 0);
    }
    WriteWhole(path, out);
}

void WritePpm(const std::wstring& path, const Image& image) {
    const std::string header =
        "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    std::vector<uint8_t> out(header.begin(), header.end());
    for (uint32_t p : image.pixels) {
        out.push_back(static_cast<uint8_t>(p >> 16));
        out.push_back(static_cast<uint8_t>(p >> 8));
        out.push_back(static_cast<uint8_t>(p));
    }
    WriteWhole(path, out);
}

Image ReadClipboardPicture() {
    for (int attempt = 0; attempt < 200 && !::OpenClipboard(nullptr); ++attempt) {
        ::Sleep(kPollMs); // the editor may hold it for a moment
    }
    Image image;
    if (const HANDLE handle = ::GetClipboardData(CF_DIB)) {
        const rw::win::GlobalLockPtr<const uint8_t> dib(handle);
        if (dib) {
            image = FromDib(dib.Get(), ::GlobalSize(handle));
        }
    }
    ::CloseClipboard();
    return image;
}

} // namespace e2e
