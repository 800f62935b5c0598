#include "components/wic_codec.h"

#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <vector>

#include "components/image_error.h"
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

// What went wrong, in words: the system's message table has no texts for the codecs' errors.
std::wstring Reason(HRESULT hr) {
    switch (hr) {
    case WINCODEC_ERR_COMPONENTNOTFOUND:
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT:
        return L"it is not an image file of a known type";
    case WINCODEC_ERR_BADHEADER:
        return L"its header is damaged";
    case WINCODEC_ERR_BADIMAGE:
    case WINCODEC_ERR_BADSTREAMDATA:
        return L"its image data is damaged";
    case WINCODEC_ERR_FRAMEMISSING:
        return L"it holds no image";
    case WINCODEC_ERR_STREAMREAD:
    case HRESULT_FROM_WIN32(ERROR_HANDLE_EOF):
        return L"it ends before its image data does (the file is incomplete)";
    case WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT:
        return L"its pixel format is not supported";
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
        return L"the file or its folder does not exist";
    case E_ACCESSDENIED:
        return L"access is denied";
    case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
        return L"another program has the file open";
    case HRESULT_FROM_WIN32(ERROR_DISK_FULL):
        return L"the disk is full";
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

std::wstring ReadFailure(const std::wstring& path, HRESULT hr) {
    return L"\"" + path + L"\" cannot be read: " + Reason(hr);
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

std::wstring FolderOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    return separator == std::wstring::npos ? std::wstring(L".") : path.substr(0, separator + 1);
}

void Encode(IWICImagingFactory* factory, const std::wstring& file, ImageFormat format,
            const Surface24& image) {
    ComPtr<IWICStream> stream;
    Check(factory->CreateStream(stream.Put()), L"The file cannot be written");
    Check(stream->InitializeFromFilename(file.c_str(), GENERIC_WRITE),
          L"The file cannot be written");
    ComPtr<IWICBitmapEncoder> encoder;
    Check(factory->CreateEncoder(ContainerOf(format), nullptr, encoder.Put()),
          L"This file type cannot be written on this system");
    Check(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache),
          L"The file cannot be written");
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
    Check(stream->Commit(STGC_DEFAULT), L"The file cannot be written");
}

} // namespace

void LoadImageFile(const std::wstring& path,
                   const std::function<Surface24(int32_t width, int32_t height)>& allocate) {
    win::ComApartment com; // whatever the calling thread has set up
    ComPtr<IWICImagingFactory> factory = Factory();
    ComPtr<IWICBitmapDecoder> decoder;
    HRESULT hr = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
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
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        throw ImageError(win::Narrow(L"\"" + path + L"\" was not saved: the file is read-only"));
    }
    win::ComApartment com; // whatever the calling thread has set up
    ComPtr<IWICImagingFactory> factory = Factory();

    wchar_t temp[MAX_PATH + 32] = {};
    const std::wstring folder = FolderOf(path);
    if (!GetTempFileNameW(folder.c_str(), L"rw", 0, temp)) {
        Fail(L"\"" + path + L"\" cannot be written", HRESULT_FROM_WIN32(GetLastError()));
    }
    try {
        Encode(factory.Get(), temp, *format, image);
    } catch (const ImageError& e) {
        DeleteFileW(temp);
        throw ImageError(win::Narrow(L"\"" + path + L"\" was not saved. ") + e.what());
    }
    if (!MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        DeleteFileW(temp);
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
