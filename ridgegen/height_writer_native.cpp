// PNG through libpng and TIFF through libtiff, each writing into an OutputFile as rows come.
#include <png.h>
#include <tiffio.h>

#include <csetjmp>
#include <cstdio>
#include <exception>
#include <string>

#include "ridgegen/height_writer.h"

namespace rw {
namespace {

// Heightfields are smooth, so the "up" filter leaves little to compress, and zlib's fastest
// level shrinks that nearly as far as its default one (files about a fifth larger) at two to
// three times the speed: the one thread that compresses must keep up with all those that
// compute.
constexpr int kPngCompressionLevel = 1;

class PngWriter final : public HeightWriter {
public:
    PngWriter(std::unique_ptr<OutputFile> file, int bitDepth, int32_t width, int32_t height)
        : file_(std::move(file)), bitDepth_(bitDepth),
          rows_(width, static_cast<std::size_t>(width) * (bitDepth / 8)) {
        png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
        info_ = png_ ? png_create_info_struct(png_) : nullptr;
        if (!info_) {
            png_destroy_write_struct(&png_, nullptr);
            throw std::bad_alloc();
        }
        try {
            Start(width, height);
        } catch (...) {
            png_destroy_write_struct(&png_, &info_);
            throw;
        }
    }

    ~PngWriter() override { png_destroy_write_struct(&png_, &info_); }

    void WriteRows(std::span<const float> levels, int32_t rows) override {
        rows_.EachRow(levels, rows, bitDepth_ == 8 ? Gray8Row : Gray16BigEndianRow,
                      [this](uint8_t* bytes) { Guarded([&] { png_write_row(png_, bytes); }); });
    }

    void Finish() override {
        Guarded([&] { png_write_end(png_, nullptr); });
        file_->Commit();
    }

private:
    void Start(int32_t width, int32_t height) {
        Guarded([&] {
            png_set_write_fn(png_, this, OnWrite, nullptr);
            // libpng's default limit of a million pixels a side is for reading untrusted files.
            png_set_user_limits(png_, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
            png_set_IHDR(png_, info_, static_cast<png_uint_32>(width),
                         static_cast<png_uint_32>(height), bitDepth_, PNG_COLOR_TYPE_GRAY,
                         PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
            png_set_filter(png_, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
            png_set_compression_level(png_, kPngCompressionLevel);
            png_write_info(png_, info_);
        });
    }

    // Runs libpng calls, and only those: an error leaves them by longjmp, which must pass no
    // object that has a destructor to run. Then throws what failed.
    template <class Step> void Guarded(Step&& step) {
        if (!Attempt(step)) {
            if (failure_) {
                std::rethrow_exception(failure_);
            }
            file_->Fail(message_);
        }
    }
    template <class Step> bool Attempt(Step& step) {
        if (setjmp(png_jmpbuf(png_))) {
            return false;
        }
        step();
        return true;
    }

    static void OnError(png_structp png, png_const_charp message) {
        auto* self = static_cast<PngWriter*>(png_get_error_ptr(png));
        std::snprintf(self->message_, sizeof self->message_, "%s", message);
        png_longjmp(png, 1);
    }
    static void OnWarning(png_structp, png_const_charp) {}

    static void OnWrite(png_structp png, png_bytep data, std::size_t length) {
        auto* self = static_cast<PngWriter*>(png_get_io_ptr(png));
        bool failed = false;
        try {
            self->file_->Write(data, length);
        } catch (...) {
            self->failure_ = std::current_exception();
            failed = true;
        }
        if (failed) {
            png_error(png, "the file could not be written");
        }
    }

    std::unique_ptr<OutputFile> file_;
    int bitDepth_;
    RowConverter rows_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    std::exception_ptr failure_;
    char message_[256] = "libpng failed";
};

// What libtiff last reported; it reports through process-wide handlers, and one file is
// written at a time.
std::string tiffMessage;

void OnTiffError(const char* module, const char* format, va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    tiffMessage = std::string(module ? module : "libtiff") + ": " + text;
}

class TiffWriter final : public HeightWriter {
public:
    TiffWriter(std::unique_ptr<OutputFile> file, int32_t width, int32_t height)
        : file_(std::move(file)), rows_(width, static_cast<std::size_t>(width) * 4) {
        TIFFSetErrorHandler(OnTiffError);
        TIFFSetWarningHandler(nullptr);
        // Classic TIFF counts in 32 bits; larger files need BigTIFF, which fewer programs read.
        const uint64_t bytes = uint64_t{static_cast<uint32_t>(width)} * height * 4;
        const bool big = bytes > UINT32_MAX - (uint64_t{1} << 26);
        tiff_ = TIFFClientOpen(file_->Path().c_str(), big ? "w8" : "w", this, OnRead, OnWrite,
                               OnSeek, OnClose, OnSize, OnMap, OnUnmap);
        if (!tiff_) {
            Fail();
        }
        // Strips of about 256 KiB: few enough to list, small enough to write as rows come.
        const uint32_t rowsPerStrip = std::max<uint32_t>(1, (256u << 10) / (width * 4u));
        const bool tagsSet =
            TIFFSetField(tiff_, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width)) &&
            TIFFSetField(tiff_, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(height)) &&
            TIFFSetField(tiff_, TIFFTAG_BITSPERSAMPLE, 32) &&
            TIFFSetField(tiff_, TIFFTAG_SAMPLESPERPIXEL, 1) &&
            TIFFSetField(tiff_, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP) &&
            TIFFSetField(tiff_, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK) &&
            TIFFSetField(tiff_, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tiff_, TIFFTAG_COMPRESSION, COMPRESSION_NONE) &&
            TIFFSetField(tiff_, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);
        if (!tagsSet) {
            Fail();
        }
    }

    ~TiffWriter() override {
        if (tiff_) {
            TIFFClose(tiff_);
        }
    }

    void WriteRows(std::span<const float> levels, int32_t rows) override {
        rows_.EachRow(levels, rows, UnitFloatRow, [this](uint8_t* bytes) {
            if (TIFFWriteScanline(tiff_, bytes, row_++, 0) != 1) {
                Fail();
            }
        });
    }

    void Finish() override {
        // TIFFClose reports nothing; the flush writes the last strip and the directory.
        if (TIFFFlush(tiff_) != 1) {
            Fail();
        }
        TIFFClose(tiff_);
        tiff_ = nullptr;
        file_->Commit();
    }

private:
    [[noreturn]] void Fail() {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
        file_->Fail(tiffMessage.empty() ? "libtiff failed" : tiffMessage);
    }

    static OutputFile& FileOf(thandle_t handle) { return *static_cast<TiffWriter*>(handle)->file_; }

    // libtiff is C: exceptions stop here, and the writer rethrows them once libtiff has returned.
    template <class Call> static auto Caught(thandle_t handle, auto failed, Call&& call) {
        try {
            return call(FileOf(handle));
        } catch (...) {
            static_cast<TiffWriter*>(handle)->failure_ = std::current_exception();
            return failed;
        }
    }

    static tmsize_t OnRead(thandle_t handle, void* data, tmsize_t size) {
        return Caught(handle, tmsize_t{-1}, [&](OutputFile& file) {
            return static_cast<tmsize_t>(file.Read(data, static_cast<std::size_t>(size)));
        });
    }
    static tmsize_t OnWrite(thandle_t handle, void* data, tmsize_t size) {
        return Caught(handle, tmsize_t{-1}, [&](OutputFile& file) {
            file.Write(data, static_cast<std::size_t>(size));
            return size;
        });
    }
    static toff_t OnSeek(thandle_t handle, toff_t offset, int whence) {
        return Caught(handle, static_cast<toff_t>(-1), [&](OutputFile& file) {
            const uint64_t base =
                whence == SEEK_CUR ? file.Position() : (whence == SEEK_END ? file.Size() : 0);
            file.Seek(base + offset);
            return static_cast<toff_t>(base + offset);
        });
    }
    static int OnClose(thandle_t) { return 0; }
    static toff_t OnSize(thandle_t handle) {
        return Caught(handle, toff_t{0}, [](OutputFile& file) { return toff_t{file.Size()}; });
    }
    static int OnMap(thandle_t, void**, toff_t*) { return 0; }
    static void OnUnmap(thandle_t, void*, toff_t) {}

    std::unique_ptr<OutputFile> file_;
    RowConverter rows_;
    TIFF* tiff_ = nullptr;
    uint32_t row_ = 0;
    std::exception_ptr failure_;
};

} // namespace

std::unique_ptr<HeightWriter> OpenEncodedWriter(std::unique_ptr<OutputFile> file,
                                                HeightFormat format, int32_t width,
                                                int32_t height) {
    if (format == HeightFormat::Tiff32) {
        return std::make_unique<TiffWriter>(std::move(file), width, height);
    }
    return std::make_unique<PngWriter>(std::move(file), format == HeightFormat::Png8 ? 8 : 16,
                                       width, height);
}

} // namespace rw
