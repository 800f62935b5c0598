#pragma once
// The image control: a child window that holds one 24-bit image, shows it, reads and writes image
// files and exchanges images with the clipboard.
//
// Display: DisplayMode 0 shows the image at its own size from the top-left corner; DisplayMode 1
// scales it to fit the control, keeping its aspect ratio. DisplayOption then places a fitted
// image: 0 at the top-left corner, 1 centred.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/surface.h"
#include "win32/scoped.h"
#include "win32/window.h"

namespace rw {

class ImageControl : public win::Window {
public:
    ImageControl() = default;
    ~ImageControl() override;

    void CreateChild(HWND parent, int id, int x = 0, int y = 0, int width = 0, int height = 0);

    int32_t ImageWidth() const { return surface_.width; }
    int32_t ImageHeight() const { return surface_.height; }
    // A memory device context with the image selected: SetPixel on it changes the image.
    HDC hDC() const { return memoryDc_.Get(); }
    // The same pixels as hDC, for writing many of them at once. Pending GDI drawing on hDC is
    // flushed first. Valid until the image is replaced.
    Surface24 Surface() const;

    void Refresh();
    // 11 shows the busy pointer over the control, 0 the default pointer.
    void MousePointer(int pointer);
    void DisplayMode(int mode);
    void DisplayOption(int option);

    // Replaces the image by a black one of the size. Only 24 bits per pixel are made.
    void CreateBlankImage(int32_t width, int32_t height, int bitsPerPixel);
    // Loads the file, replacing the image; on failure the image stays as it was.
    void Picture(const std::wstring& path);
    // Writes the image; the file type follows the name's extension.
    void SaveAs(const std::wstring& path) const;

    void ImageCopy() const;
    // Replaces the image by the clipboard's; on failure the image stays as it was.
    void ImagePaste();
    // The image as a packed bottom-up 24-bit DIB, as the clipboard and filter plug-ins take it.
    std::vector<uint8_t> CopyToDib() const;
    // Replaces the image by a packed DIB's (in place when it has the image's size); on failure
    // the image stays as it was.
    void PasteDib(std::span<const uint8_t> dib);

    int16_t FormatCount() const;
    std::string FormatFilter(int index) const;
    // Makes every control report these entries as its file types (nullopt: the real ones), so
    // that tests can see how callers cope with unusual lists.
    static void OverrideFormatsForTesting(std::optional<std::vector<std::string>> entries);

    // Raised with Esc while the control has the keyboard focus.
    std::function<void(int16_t keyCode, int16_t shift)> CancelKey;

    static constexpr int kBusyPointer = 11;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    // A new image section of the size, with its surface; the current image is untouched.
    struct Section {
        win::ScopedGdiObject bitmap;
        Surface24 surface;
    };
    static Section NewSection(int32_t width, int32_t height);
    // The image replaced by the DIB's; `unreadable` begins the message of a DIB that is not one.
    void Replace(std::span<const uint8_t> dib, const char* unreadable);
    void Adopt(Section section);
    void Paint(HDC dc, const RECT& client);
    RECT ImageRect(const RECT& client) const;
    // The image shrunk to the size shown, rebuilt after a Refresh or a change of size.
    HDC Preview(int width, int height);
    HDC PreviewOrNull(int width, int height);

    win::ScopedMemoryDc memoryDc_{CreateCompatibleDC(nullptr)};
    win::ScopedGdiObject bitmap_;
    HGDIOBJ originalBitmap_ = nullptr;
    Surface24 surface_;
    win::ScopedMemoryDc previewDc_{CreateCompatibleDC(nullptr)};
    Section preview_;
    HGDIOBJ originalPreviewBitmap_ = nullptr;
    bool previewStale_ = true;
    int pointer_ = 0;
    int displayMode_ = 0;
    int displayOption_ = 0;
};

} // namespace rw
