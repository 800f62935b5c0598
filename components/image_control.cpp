#include "components/image_control.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "core/dib.h"
#include "core/downscale.h"
#include "core/image_error.h"
#include "core/image_formats.h"
#include "components/wic_codec.h"
#include "win32/strings.h"

namespace rw {

namespace {

// Another program may hold the clipboard for a moment; try a few times before giving up.
bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenClipboard(owner)) {
            return true;
        }
        Sleep(20);
    }
    return false;
}

class ClipboardSession {
public:
    explicit ClipboardSession(HWND owner) {
        if (!OpenClipboardPatiently(owner)) {
            throw ImageError("The clipboard is in use by another program");
        }
    }
    ~ClipboardSession() { CloseClipboard(); }
    ClipboardSession(const ClipboardSession&) = delete;
    ClipboardSession& operator=(const ClipboardSession&) = delete;
};

// The entries the controls report: the known types whose codecs are present, found once.
std::optional<std::vector<std::string>>& FormatOverride() {
    static std::optional<std::vector<std::string>> entries;
    return entries;
}

// Runs `body`, reporting a failed allocation as the control's own error, as callers expect.
template <class F> void NoMemoryIsAnError(F&& body) {
    try {
        body();
    } catch (const std::bad_alloc&) {
        throw ImageError("There is not enough memory for this image");
    }
}

const std::vector<std::string>& AvailableFormats() {
    if (FormatOverride()) {
        return *FormatOverride();
    }
    static const std::vector<std::string> formats = [] {
        std::vector<std::string> list;
        for (const ImageFormatInfo& info : KnownImageFormats()) {
            if (CodecAvailable(info.format)) {
                list.push_back(FormatFilterEntry(info));
            }
        }
        return list;
    }();
    return formats;
}

} // namespace

ImageControl::~ImageControl() {
    Destroy();
    if (originalBitmap_) {
        SelectObject(memoryDc_.Get(), originalBitmap_);
    }
    if (originalPreviewBitmap_) {
        SelectObject(previewDc_.Get(), originalPreviewBitmap_);
    }
}

void ImageControl::CreateChild(HWND parent, int id, int x, int y, int width, int height) {
    static const win::WindowClass cls{L"RidgewrightImage", CS_DBLCLKS, nullptr, nullptr, IDC_ARROW};
    Create(cls, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, width, height, parent,
           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
    if (!hwnd()) {
        throw ImageError("The image control could not be created");
    }
}

Surface24 ImageControl::Surface() const {
    GdiFlush();
    return surface_;
}

void ImageControl::Refresh() {
    previewStale_ = true;
    if (hwnd()) {
        InvalidateRect(hwnd(), nullptr, FALSE);
        UpdateWindow(hwnd());
    }
}

void ImageControl::MousePointer(int pointer) {
    pointer_ = pointer;
    if (!hwnd()) {
        return;
    }
    POINT at{};
    GetCursorPos(&at);
    if (WindowFromPoint(at) == hwnd()) {
        SetCursor(LoadCursorW(nullptr, pointer_ == kBusyPointer ? IDC_WAIT : IDC_ARROW));
    }
}

void ImageControl::DisplayMode(int mode) {
    displayMode_ = mode;
    if (hwnd()) {
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

void ImageControl::DisplayOption(int option) {
    displayOption_ = option;
    if (hwnd()) {
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

ImageControl::Section ImageControl::NewSection(int32_t width, int32_t height) {
    if (width <= 0 || height <= 0) {
        throw ImageError("An image needs a width and a height of at least 1 pixel");
    }
    const auto stride = static_cast<uint64_t>(DibStride24(width));
    if (stride * static_cast<uint64_t>(height) > static_cast<uint64_t>(INT32_MAX)) {
        throw ImageError("An image of " + std::to_string(width) + " by " + std::to_string(height) +
                         " pixels is larger than the 2 GB an image can hold");
    }
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = width;
    bmi.bmiHeader.biHeight = -height; // top-down: row 0 is the top row
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    // The section's memory comes zeroed from the system: a new image is black.
    HBITMAP bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) {
        if (bitmap) {
            DeleteObject(bitmap);
        }
        throw ImageError("There is not enough memory for an image of " + std::to_string(width) +
                         " by " + std::to_string(height) + " pixels");
    }
    Section section;
    section.bitmap.Reset(bitmap);
    section.surface = {static_cast<uint8_t*>(bits), static_cast<ptrdiff_t>(stride), width, height};
    return section;
}

void ImageControl::Adopt(Section section) {
    HGDIOBJ previous = SelectObject(memoryDc_.Get(), section.bitmap.Get());
    if (!originalBitmap_) {
        originalBitmap_ = previous;
    }
    bitmap_ = std::move(section.bitmap);
    surface_ = section.surface;
    previewStale_ = true;
}

HDC ImageControl::PreviewOrNull(int width, int height) {
    try {
        return Preview(width, height);
    } catch (const ImageError&) {
        return nullptr; // no memory for the shrunk copy: the plain stretch still shows the image
    }
}

HDC ImageControl::Preview(int width, int height) {
    if (preview_.surface.width != width || preview_.surface.height != height) {
        Section fresh = NewSection(width, height);
        HGDIOBJ previous = SelectObject(previewDc_.Get(), fresh.bitmap.Get());
        if (!originalPreviewBitmap_) {
            originalPreviewBitmap_ = previous;
        }
        preview_ = std::move(fresh);
        previewStale_ = true;
    }
    if (previewStale_) {
        DownscaleByArea(Surface(), preview_.surface);
        previewStale_ = false;
    }
    return previewDc_.Get();
}

void ImageControl::CreateBlankImage(int32_t width, int32_t height, int bitsPerPixel) {
    if (bitsPerPixel != 24) {
        throw ImageError("Only images of 24 bits per pixel can be made");
    }
    Adopt(NewSection(width, height));
    if (hwnd()) {
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

void ImageControl::Picture(const std::wstring& path) {
    Section loaded;
    NoMemoryIsAnError([&] {
        LoadImageFile(path, [&loaded](int32_t width, int32_t height) {
            loaded = NewSection(width, height);
            return loaded.surface;
        });
    });
    Adopt(std::move(loaded));
    if (hwnd()) {
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

void ImageControl::SaveAs(const std::wstring& path) const {
    NoMemoryIsAnError([&] { SaveImageFile(path, Surface()); });
}

void ImageControl::ImageCopy() const {
    if (!bitmap_) {
        throw ImageError("There is no image to copy");
    }
    // Encoded straight into the block the clipboard takes: no second copy of a large image.
    const size_t size = EncodedDib24Size(surface_.width, surface_.height);
    win::ScopedGlobal memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory) {
        throw ImageError("There is not enough memory to copy the image");
    }
    {
        win::GlobalLockPtr<uint8_t> data(memory.Get());
        if (!data) {
            throw ImageError("There is not enough memory to copy the image");
        }
        EncodeDib24(Surface(), std::span<uint8_t>(data.Get(), size));
    }
    ClipboardSession clipboard(hwnd());
    EmptyClipboard();
    if (!SetClipboardData(CF_DIB, memory.Get())) {
        throw ImageError("The clipboard did not accept the image");
    }
    memory.Release(); // the clipboard owns it now
}

void ImageControl::ImagePaste() {
    ClipboardSession clipboard(hwnd());
    HANDLE handle = GetClipboardData(CF_DIB);
    if (!handle) {
        throw ImageError("The clipboard holds no image");
    }
    win::GlobalLockPtr<const uint8_t> data(handle);
    if (!data) {
        throw ImageError("The clipboard's image cannot be read");
    }
    Replace(std::span<const uint8_t>(data.Get(), GlobalSize(handle)),
            "The clipboard's image cannot be used: ");
}

std::vector<uint8_t> ImageControl::CopyToDib() const {
    if (!bitmap_) {
        throw ImageError("There is no image to copy");
    }
    std::vector<uint8_t> dib;
    NoMemoryIsAnError([&] { dib.resize(EncodedDib24Size(surface_.width, surface_.height)); });
    EncodeDib24(Surface(), dib);
    return dib;
}

void ImageControl::PasteDib(std::span<const uint8_t> dib) {
    Replace(dib, "The picture cannot be read: ");
}

void ImageControl::Replace(std::span<const uint8_t> dib, const char* unreadable) {
    DibInfo info;
    try {
        info = ParseDib(dib);
    } catch (const DibError& e) {
        throw ImageError(unreadable + std::string(e.what()));
    }
    if (bitmap_ && info.width == surface_.width && info.height == surface_.height) {
        // The same size: in place, without a second image's memory.
        ConvertDibTo24(dib, info, Surface());
        previewStale_ = true;
    } else {
        Section section = NewSection(info.width, info.height);
        ConvertDibTo24(dib, info, section.surface);
        Adopt(std::move(section));
    }
    if (hwnd()) {
        InvalidateRect(hwnd(), nullptr, FALSE);
    }
}

int16_t ImageControl::FormatCount() const {
    return static_cast<int16_t>(AvailableFormats().size());
}

std::string ImageControl::FormatFilter(int index) const {
    const auto& formats = AvailableFormats();
    if (index < 0 || static_cast<size_t>(index) >= formats.size()) {
        throw ImageError("There is no file type number " + std::to_string(index));
    }
    return formats[static_cast<size_t>(index)];
}

void ImageControl::OverrideFormatsForTesting(std::optional<std::vector<std::string>> entries) {
    FormatOverride() = std::move(entries);
}

RECT ImageControl::ImageRect(const RECT& client) const {
    const int cw = client.right - client.left;
    const int ch = client.bottom - client.top;
    if (displayMode_ != 1 || surface_.width <= 0 || surface_.height <= 0) {
        return {0, 0, surface_.width, surface_.height};
    }
    // Fit inside the client area keeping the aspect ratio.
    int64_t w = cw;
    int64_t h = int64_t{cw} * surface_.height / surface_.width;
    if (h > ch) {
        h = ch;
        w = int64_t{ch} * surface_.width / surface_.height;
    }
    w = std::max<int64_t>(w, 1);
    h = std::max<int64_t>(h, 1);
    const int left = displayOption_ == 1 ? static_cast<int>((cw - w) / 2) : 0;
    const int top = displayOption_ == 1 ? static_cast<int>((ch - h) / 2) : 0;
    return {left, top, left + static_cast<int>(w), top + static_cast<int>(h)};
}

void ImageControl::Paint(HDC dc, const RECT& client) {
    const RECT image = ImageRect(client);
    if (bitmap_) {
        const int w = image.right - image.left;
        const int h = image.bottom - image.top;
        if (w == surface_.width && h == surface_.height) {
            BitBlt(dc, image.left, image.top, w, h, memoryDc_.Get(), 0, 0, SRCCOPY);
        } else if (HDC preview = w <= surface_.width && h <= surface_.height ? PreviewOrNull(w, h)
                                                                             : nullptr) {
            BitBlt(dc, image.left, image.top, w, h, preview, 0, 0, SRCCOPY);
        } else {
            // Enlarged, each image pixel shows as a block.
            SetStretchBltMode(dc, COLORONCOLOR);
            StretchBlt(dc, image.left, image.top, w, h, memoryDc_.Get(), 0, 0, surface_.width,
                       surface_.height, SRCCOPY);
        }
        ExcludeClipRect(dc, image.left, image.top, image.right, image.bottom);
    }
    FillRect(dc, &client, GetSysColorBrush(COLOR_APPWORKSPACE));
}

LRESULT ImageControl::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        RECT client;
        GetClientRect(hwnd(), &client);
        Paint(dc, client);
        EndPaint(hwnd(), &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        InvalidateRect(hwnd(), nullptr, FALSE);
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT) {
            SetCursor(LoadCursorW(nullptr, pointer_ == kBusyPointer ? IDC_WAIT : IDC_ARROW));
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        SetFocus(hwnd());
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == VK_ESCAPE && CancelKey) {
            const int16_t shift = static_cast<int16_t>((GetKeyState(VK_SHIFT) < 0 ? 1 : 0) |
                                                       (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                                                       (GetKeyState(VK_MENU) < 0 ? 4 : 0));
            CancelKey(static_cast<int16_t>(wParam), shift);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

} // namespace rw
