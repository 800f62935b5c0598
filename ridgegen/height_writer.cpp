#include "ridgegen/height_writer.h"

namespace rw {
namespace {

// r16: the samples and nothing else, so the file is exactly width * height * 2 bytes.
class RawWriter final : public HeightWriter {
public:
    RawWriter(std::unique_ptr<OutputFile> file, int32_t width)
        : file_(std::move(file)), rows_(width, static_cast<std::size_t>(width) * 2) {}

    void WriteRows(std::span<const float> levels, int32_t rows) override {
        rows_.EachRow(levels, rows, Gray16LittleEndianRow,
                      [this](const uint8_t* bytes) { file_->Write(bytes, rows_.RowBytes()); });
    }

    void Finish() override { file_->Commit(); }

private:
    std::unique_ptr<OutputFile> file_;
    RowConverter rows_;
};

} // namespace

std::unique_ptr<HeightWriter> OpenHeightWriter(const std::string& path, HeightFormat format,
                                               int32_t width, int32_t height) {
    auto file = std::make_unique<OutputFile>(path);
    if (format == HeightFormat::R16) {
        return std::make_unique<RawWriter>(std::move(file), width);
    }
    return OpenEncodedWriter(std::move(file), format, width, height);
}

} // namespace rw
