// PNG and TIFF through the system's imaging codecs, encoding into an OutputFile as rows come.
#include <windows.h>
#include <wincodec.h>

#include <atomic>
#include <exception>
#include <vector>

#include "ridgegen/height_writer.h"
#include "win32/scoped.h"
#include "win32/strings.h"

namespace rw {
namespace {

using win::ComPtr;

// The encoders see the file through this stream. Some encoders report their stream's write
// failures as success, so the stream keeps the first failure itself.
class FileStream final : public IStream {
public:
    explicit FileStream(OutputFile& file) : file_(file) {}

    std::exception_ptr Failure() const { return failure_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out) {
            return E_POINTER;
        }
        if (iid == IID_IUnknown || iid == IID_ISequentialStream || iid == IID_IStream) {
            *out = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE Read(void* data, ULONG size, ULONG* read) override {
        return Guarded([&] {
            const auto got = static_cast<ULONG>(file_.Read(data, size));
            if (read) {
                *read = got;
            }
            return got == size ? S_OK : S_FALSE;
        });
    }
    HRESULT STDMETHODCALLTYPE Write(const void* data, ULONG size, ULONG* written) override {
        if (written) {
            *written = 0;
        }
        return Guarded([&] {
            file_.Write(data, size);
            if (written) {
                *written = size;
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin,
                                   ULARGE_INTEGER* position) override {
        return Guarded([&] {
            const int64_t base = origin == STREAM_SEEK_CUR   ? int64_t(file_.Position())
                                 : origin == STREAM_SEEK_END ? int64_t(file_.Size())
                                                             : 0;
            if (base + move.QuadPart < 0) {
                return STG_E_INVALIDFUNCTION;
            }
            file_.Seek(static_cast<uint64_t>(base + move.QuadPart));
            if (position) {
                position->QuadPart = static_cast<ULONGLONG>(base + move.QuadPart);
            }
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER size) override {
        return Guarded([&] {
            file_.Resize(size.QuadPart);
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
        if (!stat) {
            return STG_E_INVALIDPOINTER;
        }
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        return Guarded([&] {
            stat->cbSize.QuadPart = file_.Size();
            return S_OK;
        });
    }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*,
                                     ULARGE_INTEGER*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    // No exception may cross into the codec.
    template <class Call> HRESULT Guarded(Call&& call) {
        try {
            return call();
        } catch (...) {
            if (!failure_) {
                failure_ = std::current_exception();
            }
            return STG_E_WRITEFAULT;
        }
    }

    OutputFile& file_;
    std::atomic<ULONG> references_{1};
    std::exception_ptr failure_;
};

// PNG stores 16-bit samples most significant byte first and WIC hands them over least
// significant first, so a PNG encoder swaps them. Wine's (8.0) does not, though its decoder
// does: one sample encoded into memory and decoded again tells which kind this system has.
bool EncoderKeepsSixteenBitByteOrder(IWICImagingFactory* factory) {
    const uint8_t sample[2] = {0x02, 0x01}; // 0x0102
    uint8_t back[2] = {};
    ComPtr<IStream> memory;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> decoded;
    WICPixelFormatGUID format = GUID_WICPixelFormat16bppGray;
    const bool roundTrip =
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, memory.Put())) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Put())) &&
        SUCCEEDED(encoder->Initialize(memory.Get(), WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(frame.Put(), nullptr)) &&
        SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(1, 1)) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) &&
        SUCCEEDED(frame->WritePixels(1, 2, 2, const_cast<BYTE*>(sample))) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()) &&
        SUCCEEDED(memory->Seek(LARGE_INTEGER{}, STREAM_SEEK_SET, nullptr)) &&
        SUCCEEDED(factory->CreateDecoderFromStream(
            memory.Get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.Put())) &&
        SUCCEEDED(decoder->GetFrame(0, decoded.Put())) &&
        SUCCEEDED(decoded->CopyPixels(nullptr, 2, 2, back));
    // Without an answer, trust the encoder to do what the format asks.
    return !roundTrip || (back[0] == sample[0] && back[1] == sample[1]);
}

class WicWriter final : public HeightWriter {
public:
    WicWriter(std::unique_ptr<OutputFile> file, HeightFormat format, int32_t width, int32_t height)
        : file_(std::move(file)), format_(format),
          rowBytes_(static_cast<std::size_t>(width) * BytesPerSample(format)) {
        Check(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IWICImagingFactory, factory_.PutVoid()),
              "the imaging codecs are not available");
        stream_ = ComPtr<FileStream>::Attach(new FileStream(*file_));
        const bool tiff = format == HeightFormat::Tiff32;
        Check(factory_->CreateEncoder(tiff ? GUID_ContainerFormatTiff : GUID_ContainerFormatPng,
                                      nullptr, encoder_.Put()),
              "the system has no encoder for it");
        Check(encoder_->Initialize(stream_.Get(), WICBitmapEncoderNoCache), "encoding failed");
        ComPtr<IPropertyBag2> options;
        Check(encoder_->CreateNewFrame(frame_.Put(), options.Put()), "encoding failed");
        Check(frame_->Initialize(options.Get()), "encoding failed");
        Check(frame_->SetSize(static_cast<UINT>(width), static_cast<UINT>(height)),
              "the image is too large for the system's encoder");
        const WICPixelFormatGUID wanted = format == HeightFormat::Png8 ? GUID_WICPixelFormat8bppGray
                                          : format == HeightFormat::Png16
                                              ? GUID_WICPixelFormat16bppGray
                                              : GUID_WICPixelFormat32bppGrayFloat;
        WICPixelFormatGUID offered = wanted;
        Check(frame_->SetPixelFormat(&offered), "encoding failed");
        if (offered != wanted) {
            file_->Fail(tiff ? "the system's TIFF encoder cannot write 32-bit floating-point gray"
                        : format == HeightFormat::Png16
                            ? "the system's PNG encoder cannot write 16-bit gray"
                            : "the system's PNG encoder cannot write 8-bit gray");
        }
        swapSixteenBits_ =
            format == HeightFormat::Png16 && !EncoderKeepsSixteenBitByteOrder(factory_.Get());
    }

    void WriteRows(std::span<const float> levels, int32_t rows) override {
        band_.resize(rowBytes_ * static_cast<std::size_t>(rows));
        const std::size_t width = rowBytes_ / BytesPerSample(format_);
        for (int32_t r = 0; r < rows; ++r) {
            const std::span<const float> row = levels.subspan(r * width, width);
            uint8_t* bytes = band_.data() + rowBytes_ * static_cast<std::size_t>(r);
            if (format_ == HeightFormat::Png8) {
                Gray8Row(row, bytes);
            } else if (format_ == HeightFormat::Png16) {
                (swapSixteenBits_ ? Gray16BigEndianRow : Gray16LittleEndianRow)(row, bytes);
            } else {
                UnitFloatRow(row, bytes);
            }
        }
        Check(frame_->WritePixels(static_cast<UINT>(rows), static_cast<UINT>(rowBytes_),
                                  static_cast<UINT>(band_.size()), band_.data()),
              "encoding failed");
    }

    void Finish() override {
        Check(frame_->Commit(), "encoding failed");
        Check(encoder_->Commit(), "encoding failed");
        // Every reference the codec took goes before the file is closed.
        frame_.Reset();
        encoder_.Reset();
        if (stream_->Failure()) {
            std::rethrow_exception(stream_->Failure());
        }
        file_->Commit();
    }

private:
    // A failure of the file itself is told as such; anything else by what the codec was doing.
    void Check(HRESULT hr, const char* what) {
        if (stream_ && stream_->Failure()) {
            std::rethrow_exception(stream_->Failure());
        }
        if (FAILED(hr)) {
            file_->Fail(std::string(what) + " (" + win::Narrow(win::ErrorText(hr)) + ")");
        }
    }

    win::ComApartment com_{COINIT_MULTITHREADED};
    std::unique_ptr<OutputFile> file_;
    HeightFormat format_;
    std::size_t rowBytes_;
    ComPtr<IWICImagingFactory> factory_;
    ComPtr<FileStream> stream_;
    ComPtr<IWICBitmapEncoder> encoder_;
    ComPtr<IWICBitmapFrameEncode> frame_;
    bool swapSixteenBits_ = false;
    std::vector<uint8_t> band_;
};

} // namespace

std::unique_ptr<HeightWriter> OpenEncodedWriter(std::unique_ptr<OutputFile> file,
                                                HeightFormat format, int32_t width,
                                                int32_t height) {
    return std::make_unique<WicWriter>(std::move(file), format, width, height);
}

} // namespace rw
