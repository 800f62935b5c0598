#pragma once
// Writes a heightfield to a file in one of the formats, band of rows after band of rows, so that
// no image of the whole size is ever held.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ridgegen/height_format.h"
#include "ridgegen/output_file.h"

namespace rw {

class HeightWriter {
public:
    virtual ~HeightWriter() = default; // an unfinished file is removed
    // The next `rows` rows, top to bottom, of levels v (the image's width of them per row).
    virtual void WriteRows(std::span<const float> levels, int32_t rows) = 0;
    // Completes the file and puts it in place. Throws WriteError.
    virtual void Finish() = 0;
};

// Opens the file (as OutputFile does) and the encoder of `format`; throws WriteError, also when
// the system cannot encode that format. Formats the platform's codecs write are opened by
// OpenEncodedWriter; r16 needs none.
std::unique_ptr<HeightWriter> OpenHeightWriter(const std::string& path, HeightFormat format,
                                               int32_t width, int32_t height);
std::unique_ptr<HeightWriter> OpenEncodedWriter(std::unique_ptr<OutputFile> file,
                                                HeightFormat format, int32_t width, int32_t height);

// Converts each row of levels into the file's samples in a buffer of one row, kept from call to
// call.
class RowConverter {
public:
    RowConverter(int32_t width, std::size_t bytesPerRow) : width_(width), row_(bytesPerRow) {}
    // Each row of the band as converted by `convert(levels of one row, bytes)`, handed to
    // `take(bytes)`.
    template <class Convert, class Take>
    void EachRow(std::span<const float> levels, int32_t rows, Convert&& convert, Take&& take) {
        for (int32_t r = 0; r < rows; ++r) {
            convert(levels.subspan(static_cast<std::size_t>(r) * width_,
                                   static_cast<std::size_t>(width_)),
                    row_.data());
            take(row_.data());
        }
    }
    std::size_t RowBytes() const { return row_.size(); }

private:
    int32_t width_;
    std::vector<uint8_t> row_;
};

} // namespace rw
