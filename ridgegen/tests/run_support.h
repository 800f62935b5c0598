#pragma once
// Running the real ridgegen program from a test, and reading back what it wrote with a reader of
// the platform (libpng and libtiff here, the imaging codecs on Windows).
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "ridgegen/height_format.h"

namespace rw::test {

struct Ran {
    int status = -1;
    std::string out; // standard output
    std::string err; // standard error
};

// Runs the ridgegen beside the test program in `folder` with `args`. A `sizeLimit` above 0 makes
// every write beyond that many bytes fail, as on a full disk (where the platform allows).
Ran RunRidgegen(const std::filesystem::path& folder, const std::vector<std::string>& args,
                uint64_t sizeLimit = 0);
// Removes a folder that RunRidgegen used, with all it holds.
void RemoveFolder(const std::filesystem::path& folder);
// Whether RunRidgegen can limit the size of the files written.
bool CanLimitFileSize();

struct ReadImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<double> samples; // row after row: 0..255, 0..65535 or 0..1 by format
};

// Reads a PNG (8 or 16-bit gray, as `format` says) or a TIFF (32-bit float gray) through the
// platform's decoder, checking that the file holds exactly that kind of samples. A failed check
// is a test failure, and no samples.
ReadImage ReadEncodedFile(const std::filesystem::path& file, HeightFormat format);

} // namespace rw::test
