#include "components/wic_codec.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <vector>

#include "core/file_paths.h"
#include "core/image_error.h"
#include "core/png_check.h"
#include "win32/scoped.h"
#include "win32/strings.h"

namespace rw {

namespace {

using win::ComPtr;

const GUID& ContainerOf(ImageFormat format) {
    switch (format) {
    case ImageFormat::Bmp:
        return GUID_ContainerFormatBmp;
    case ImageFormat::Png:
        return GUID_ContainerFormatPng;
    case ImageFormat::Jpeg:
        return GUID_ContainerFormatJpeg;
    case ImageFormat::Gif:
        return GUID_ContainerFormatGif;
    case ImageFormat::Tiff:
        break;
    }
    return GUID_ContainerFormatTiff;
}

// What went wrong, in words: the system's message table has no texts for the codecs' errors,
// and its texts for file errors speak of handles and directory names.
std::wstring Reason(HRESULT hr) {
    switch (hr) {
    case WINCODEC_ERR_COMPONENTNOTFOUND:
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT:
        return L"it is not an image file of a known type";
    case WINCODEC_ERR_FRAMEMISSING:
        return L"it holds no image";
    case WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT:
        return L"its pixel format is not supported";
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
        return L"the file does not exist";
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_DIRECTORY):
    case HRESULT_FROM_WIN32(ERROR_BAD_NETPATH):
        return L"its folder does not exist";
    case HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE):
        return L"its path is too long";
    case HRESULT_FROM_WIN32(ERROR_INVALID_NAME):
        return L"its name is not a valid file name";
    case E_ACCESSDENIED:
    case STG_E_ACCESSDENIED:
        return L"access is denied";
    case HRESULT_FROM_WIN32(ERROR_WRITE_PROTECT):
        return L"the disk is write-protected";
    case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
    case HRESULT_FROM_WIN32(ERROR_LOCK_VIOLATION):
        return L"another program has the file open";
    case HRESULT_FROM_WIN32(ERROR_DISK_FULL):
    case HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL):
    case STG_E_MEDIUMFULL:
        return L"the disk is full";
    case E_OUTOFMEMORY:
        return L"there is not enough memory";
    default:
        return win::ErrorText(hr);
    }
}

[[noreturn]] void Fail(const std::wstring& what, HRESULT hr) {
    throw ImageError(win::Narrow(what + L": " + Reason(hr)));
}

void Check(HRESULT hr, const std::wstring& what) {
    if (FAILED(hr)) {
        Fail(what, hr);
    }
}

ComPtr<IWICImagingFactory> Factory() {
    ComPtr<IWICImagingFactory> factory;
    Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                           IID_IWICImagingFactory, factory.PutVoid()),
          L"The imaging codecs are not available");
    return factory;
}

constexpr wchar_t kDamaged[] = L"the file is damaged";

// Once a codec has taken the file for its type, a failure that is not the file system's means
// the bytes are not what that type holds. Cut or altered files come back as an unspecified
// failure from the system's TIFF and BMP decoders as often as by a code of their own.
std::wstring ReadReason(HRESULT hr) {
    switch (hr) {
    case E_FAIL:
    case WINCODEC_ERR_BADHEADER:
    case WINCODEC_ERR_BADIMAGE:
    case WINCODEC_ERR_BADSTREAMDATA:
    case WINCODEC_ERR_STREAMREAD:
    case HRESULT_FROM_WIN32(ERROR_HANDLE_EOF):
        return kDamaged;
    default:
        return Reason(hr);
    }
}

std::wstring CannotRead(const std::wstring& path, const std::wstring& reason) {
    return L"\"" + path + L"\" cannot be read: " + reason;
}

std::wstring ReadFailure(const std::wstring& path, HRESULT hr) {
    return CannotRead(path, ReadReason(hr));
}

// A PNG file is read through once before it is decoded: the system's decoder takes one with
// wrong checksums for intact and calls one with a damaged header a file of no known type. Files
// of other types, and files that cannot be opened, are left to the decoders to judge.
void RefuseDamagedPng(const std::wstring& path) {
    const win::ScopedFile file(CreateFileW(LongPathForm(path).c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        return;
    }
    std::vector<uint8_t> piece(size_t{1} << 20);
    PngChecker checker;
    bool first = true;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr)) {
            throw ImageError(win::Narrow(ReadFailure(path, HRESULT_FROM_WIN32(GetLastError()))));
        }
        const std::span<const uint8_t> bytes(piece.data(), got);
        if (first && !LooksLikePng(bytes.first(std::min<size_t>(got, kPngLookBytes)))) {
            return;
        }
        first = false;
        checker.Feed(bytes);
        if (got == 0 || checker.Decided()) {
            break;
        }
    }
    if (checker.Finish()) {
        throw ImageError(win::Narrow(CannotRead(path, kDamaged)));
    }
}

// Copies the source, already in `format` (24bppBGR or 32bppBGRA), into the surface in bands of
// rows, so that no second full-size buffer is needed.
void CopyInto(IWICBitmapSource* source, bool fourBytes, const Surface24& target,
              const std::wstring& path) {
    const UINT width = static_cast<UINT>(target.width);
    const UINT bytesPerPixel = fourBytes ? 4 : 3;
    const UINT stride = ((width * bytesPerPixel + 3) / 4) * 4;
    const INT bandRows = std::max<INT>(1, static_cast<INT>((1u << 20) / stride));
    std::vector<BYTE> band;
    for (INT top = 0; top < target.height; top += bandRows) {
        const INT rows = std::min(bandRows, target.height - top);
        const WICRect rect{0, top, target.width, rows};
        if (!fourBytes) {
            // 24-bit rows can go straight into the surface.
            HRESULT hr =
                source->CopyPixels(&rect, static_cast<UINT>(target.stride),
                                   static_cast<UINT>(target.stride * rows), target.Pixel(0, top));
            if (FAILED(hr)) {
                throw ImageError(win::Narrow(ReadFailure(path, hr)));
            }
            continue;
        }
        band.resize(size_t{stride} * rows);
        HRESULT hr = source->CopyPixels(&rect, stride, static_cast<UINT>(band.size()), band.data());
        if (FAILED(hr)) {
            throw ImageError(win::Narrow(ReadFailure(path, hr)));
        }
        for (INT r = 0; r < rows; ++r) {
            const BYTE* in = band.data() + size_t{stride} * r;
            uint8_t* out = target.Pixel(0, top + r);
            for (UINT x = 0; x < width; ++x, in += 4, out += 3) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
    }
}

bool IsGray(const Surface24& image) {
    for (int32_t y = 0; y < image.height; ++y) {
        const uint8_t* p = image.Pixel(0, y);
        for (int32_t x = 0; x < image.width; ++x, p += 3) {
            if (p[0] != p[1] || p[1] != p[2]) {
                return false;
            }
        }
    }
    return true;
}

// The source converted to the pixel format the encoder asked for (palettised types get a gray
// palette for heightfields, a generated one otherwise).
ComPtr<IWICBitmapSource> ConvertForEncoder(IWICImagingFactory* factory,
                                           IWICBitmapFrameEncode* frame, const Surface24& image,
                                           const GUID& target) {
    ComPtr<IWICBitmap> bitmap;
    Check(factory->CreateBitmapFromMemory(
              static_cast<UINT>(image.width), static_cast<UINT>(image.height),
              GUID_WICPixelFormat24bppBGR, static_cast<UINT>(image.stride),
              static_cast<UINT>(image.stride * image.height), image.bits, bitmap.Put()),
          L"The image cannot be prepared for saving");
    ComPtr<IWICPalette> palette;
    const bool indexed =
        target == GUID_WICPixelFormat8bppIndexed || target == GUID_WICPixelFormat4bppIndexed ||
        target == GUID_WICPixelFormat2bppIndexed || target == GUID_WICPixelFormat1bppIndexed;
    if (indexed) {
        Check(factory->CreatePalette(palette.Put()), L"The image cannot be prepared for saving");
        HRESULT hr = IsGray(image)
                         ? palette->InitializePredefined(WICBitmapPaletteTypeFixedGray256, FALSE)
                         : palette->InitializeFromBitmap(bitmap.Get(), 256, FALSE);
        if (FAILED(hr)) {
            Check(palette->InitializePredefined(WICBitmapPaletteTypeFixedHalftone256, FALSE),
                  L"The image cannot be prepared for saving");
        }
        Check(frame->SetPalette(palette.Get()), L"The image cannot be prepared for saving");
    }
    ComPtr<IWICFormatConverter> converter;
    Check(factory->CreateFormatConverter(converter.Put()),
          L"The image cannot be prepared for saving");
    Check(converter->Initialize(bitmap.Get(), target, WICBitmapDitherTypeNone, palette.Get(), 0.0,
                                WICBitmapPaletteTypeCustom),
          L"The image cannot be converted for this file type");
    ComPtr<IWICBitmapSource> source;
    Check(converter->QueryInterface(IID_IWICBitmapSource, source.PutVoid()),
          L"The image cannot be converted for this file type");
    return source;
}

// Encodes the image into `stream`. Some encoders report their stream's write failures as
// success, so they never write to a file directly: the caller writes the finished bytes and
// checks every write.
void Encode(IWICImagingFactory* factory, IStream* stream, ImageFormat format,
            const Surface24& image) {
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(ContainerOf(format), nullptr, encoder.Put()),
          L"This file type cannot be written on this system");
    Check(encoder->Initialize(stream, WICBitmapEncoderNoCache), L"The file cannot be written");
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IPropertyBag2> options;
    Check(encoder->CreateNewFrame(frame.Put(), options.Put()), L"The file cannot be written");
    Check(frame->Initialize(options.Get()), L"The file cannot be written");
    Check(frame->SetSize(static_cast<UINT>(image.width), static_cast<UINT>(image.height)),
          L"The file cannot be written");
    WICPixelFormatGUID pixelFormat = GUID_WICPixelFormat24bppBGR;
    Check(frame->SetPixelFormat(&pixelFormat), L"The file cannot be written");
    if (pixelFormat == GUID_WICPixelFormat24bppBGR) {
        Check(frame->WritePixels(static_cast<UINT>(image.height), static_cast<UINT>(image.stride),
                                 static_cast<UINT>(image.stride * image.height), image.bits),
              L"The file cannot be written");
    } else {
        ComPtr<IWICBitmapSource> converted =
            ConvertForEncoder(factory, frame.Get(), image, pixelFormat);
        Check(frame->WriteSource(converted.Get(), nullptr), L"The file cannot be written");
    }
    Check(frame->Commit(), L"The file cannot be written");
    Check(encoder->Commit(), L"The file cannot be written");
}

// The encoded bytes held by a memory stream.
struct EncodedBytes {
    const BYTE* data = nullptr;
    size_t size = 0;
};

// Writes `bytes` as a new file at `file` (which must not exist) and makes sure that all of
// them reached the disk. Returns the failure, S_OK when the file is complete.
HRESULT WriteNewFile(const std::wstring& file, EncodedBytes bytes) {
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return HRESULT_FROM_WIN32(GetLastError());
    }
    HRESULT result = S_OK;
    constexpr size_t kChunk = size_t{1} << 20;
    for (size_t done = 0; done < bytes.size && SUCCEEDED(result);) {
        const DWORD want = static_cast<DWORD>(std::min(kChunk, bytes.size - done));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data + done, want, &written, nullptr)) {
            result = HRESULT_FROM_WIN32(GetLastError());
        } else if (written != want) {
            result = HRESULT_FROM_WIN32(ERROR_DISK_FULL); // a short write means no room
        }
        done += written;
    }
    LARGE_INTEGER size{};
    if (SUCCEEDED(result) && !FlushFileBuffers(handle)) {
        result = HRESULT_FROM_WIN32(GetLastError());
    }
    if (SUCCEEDED(result) &&
        (!GetFileSizeEx(handle, &size) || static_cast<uint64_t>(size.QuadPart) != bytes.size)) {
        result = HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    }
    if (!CloseHandle(handle) && SUCCEEDED(result)) {
        result = HRESULT_FROM_WIN32(GetLastError());
    }
    return result;
}

// Creates a new, not yet existing temporary file in `folder` holding `bytes`; returns its name.
std::wstring WriteTemporaryFile(const std::wstring& folder, EncodedBytes bytes, HRESULT& result) {
    static uint32_t serial = GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring name =
            LongPathForm(TemporaryName(folder, GetCurrentProcessId(), ++serial));
        result = WriteNewFile(name, bytes);
        if (result == HRESULT_FROM_WIN32(ERROR_FILE_EXISTS) ||
            result == HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS)) {
            continue;
        }
        if (FAILED(result)) {
            DeleteFileW(name.c_str()); // what part of it was written
        }
        return name;
    }
    return {};
}

} // namespace

void LoadImageFile(const std::wstring& path,
                   const std::function<Surface24(int32_t width, int32_t height)>& allocate) {
    RefuseDamagedPng(path);
    win::ComApartment com; // whatever the calling thread has set up
    ComPtr<IWICImagingFactory> factory = Factory();
    ComPtr<IWICBitmapDecoder> decoder;
    HRESULT hr =
        factory->CreateDecoderFromFilename(LongPathForm(path).c_str(), nullptr, GENERIC_READ,
                                           WICDecodeMetadataCacheOnDemand, decoder.Put());
    if (FAILED(hr)) {
        throw ImageError(win::Narrow(ReadFailure(path, hr)));
    }
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(hr = decoder->GetFrame(0, frame.Put()))) {
        throw ImageError(win::Narrow(ReadFailure(path, hr)));
    }
    UINT width = 0, height = 0;
    if (FAILED(hr = frame->GetSize(&width, &height))) {
        throw ImageError(win::Narrow(ReadFailure(path, hr)));
    }
    if (width == 0 || height == 0 || width > INT32_MAX / 4 || height > INT32_MAX) {
        throw ImageError(win::Narrow(L"\"" + path + L"\" holds an image of an unusable size"));
    }
    WICPixelFormatGUID pixelFormat{};
    frame->GetPixelFormat(&pixelFormat);
    ComPtr<IWICBitmapSource> source;
    bool fourBytes = false;
    if (pixelFormat == GUID_WICPixelFormat24bppBGR) {
        frame->QueryInterface(IID_IWICBitmapSource, source.PutVoid());
    } else {
        // Some converters refuse gray or 48-bit sources to 24 bits directly, but all reach
        // 32-bit BGRA; the alpha byte is dropped while copying.
        if (FAILED(hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, frame.Get(),
                                               source.Put()))) {
            throw ImageError(win::Narrow(ReadFailure(path, hr)));
        }
        fourBytes = true;
    }
    const Surface24 target = allocate(static_cast<int32_t>(width), static_cast<int32_t>(height));
    CopyInto(source.Get(), fourBytes, target, path);
}

void SaveImageFile(const std::wstring& path, const Surface24& image) {
    if (!image.bits || image.width <= 0 || image.height <= 0) {
        throw ImageError("There is no image to save");
    }
    const std::optional<ImageFormat> format = FormatForFileName(path);
    if (!format) {
        throw ImageError(win::Narrow(L"\"" + path +
                                     L"\" does not name a file type that can be saved; use an "
                                     L"extension such as .tif, .png or .bmp"));
    }
    // Replacing a file by renaming over it would slip past its read-only attribute on some file
    // systems; a read-only file is the user's request not to change it.
    const DWORD attributes = GetFileAttributesW(LongPathForm(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        throw ImageError(win::Narrow(L"\"" + path + L"\" was not saved: the file is read-only"));
    }
    win::ComApartment com; // whatever the calling thread has set up
    ComPtr<IWICImagingFactory> factory = Factory();

    // The whole file is encoded in memory first, then written and checked, then renamed over
    // the old file: a failure at any step leaves the old file as it was.
    ComPtr<IStream> memory;
    Check(CreateStreamOnHGlobal(nullptr, TRUE, memory.Put()),
          L"\"" + path + L"\" was not saved: there is not enough memory");
    try {
        Encode(factory.Get(), memory.Get(), *format, image);
    } catch (const ImageError& e) {
        throw ImageError(win::Narrow(L"\"" + path + L"\" was not saved. ") + e.what());
    }
    HGLOBAL block = nullptr;
    STATSTG stat{};
    Check(GetHGlobalFromStream(memory.Get(), &block), L"\"" + path + L"\" was not saved");
    Check(memory->Stat(&stat, STATFLAG_NONAME), L"\"" + path + L"\" was not saved");
    const win::GlobalLockPtr<BYTE> bytes(block);
    if (!bytes.Get()) {
        Fail(L"\"" + path + L"\" was not saved", E_OUTOFMEMORY);
    }
    const std::wstring target = LongPathForm(path);
    HRESULT hr = S_OK;
    const std::wstring temp = WriteTemporaryFile(
        FolderOf(target), {bytes.Get(), static_cast<size_t>(stat.cbSize.QuadPart)}, hr);
    if (FAILED(hr)) {
        Fail(L"\"" + path + L"\" was not saved", hr);
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        hr = HRESULT_FROM_WIN32(GetLastError());
        DeleteFileW(temp.c_str());
        Fail(L"\"" + path + L"\" was not saved", hr);
    }
}

bool CodecAvailable(ImageFormat format) {
    win::ComApartment com; // whatever the calling thread has set up
    try {
        ComPtr<IWICImagingFactory> factory = Factory();
        ComPtr<IWICBitmapEncoder> encoder;
        ComPtr<IWICBitmapDecoder> decoder;
        return SUCCEEDED(factory->CreateEncoder(ContainerOf(format), nullptr, encoder.Put())) &&
               SUCCEEDED(factory->CreateDecoder(ContainerOf(format), nullptr, decoder.Put()));
    } catch (const ImageError&) {
        return false;
    }
}

} // namespace rw
