#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <png.h>
#include <tiffio.h>

#include <csignal>
#include <csetjmp>
#include <cstdio>

#include <gtest/gtest.h>

#include "ridgegen/tests/run_support.h"

namespace rw::test {
namespace {

std::filesystem::path Program() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / "ridgegen";
}

std::vector<double> ReadPng(const std::filesystem::path& file, int bitDepth, int32_t& width,
                            int32_t& height) {
    FILE* stream = std::fopen(file.c_str(), "rb");
    if (!stream) {
        ADD_FAILURE() << file << " cannot be opened";
        return {};
    }
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    std::vector<png_bytep> rows;
    std::vector<uint8_t> bytes;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        std::fclose(stream);
        ADD_FAILURE() << file << " is not a readable PNG";
        return {};
    }
    png_init_io(png, stream);
    png_read_info(png, info);
    width = static_cast<int32_t>(png_get_image_width(png, info));
    height = static_cast<int32_t>(png_get_image_height(png, info));
    const bool gray = png_get_color_type(png, info) == PNG_COLOR_TYPE_GRAY &&
                      png_get_bit_depth(png, info) == bitDepth;
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    bytes.resize(rowBytes * static_cast<std::size_t>(height));
    for (int32_t j = 0; j < height; ++j) {
        rows.push_back(bytes.data() + rowBytes * static_cast<std::size_t>(j));
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(stream);
    EXPECT_TRUE(gray) << file << " is not " << bitDepth << "-bit gray";
    std::vector<double> samples;
    for (std::size_t k = 0; gray && k < bytes.size(); k += bitDepth / 8) {
        samples.push_back(bitDepth == 8 ? bytes[k] : bytes[k] * 256.0 + bytes[k + 1]);
    }
    return samples;
}

std::vector<double> ReadTiff(const std::filesystem::path& file, int32_t& width, int32_t& height) {
    TIFF* tiff = TIFFOpen(file.c_str(), "r");
    if (!tiff) {
        ADD_FAILURE() << file << " is not a readable TIFF";
        return {};
    }
    uint32_t w = 0, h = 0;
    uint16_t bits = 0, format = 0, channels = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &h);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format);
    TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &channels);
    width = static_cast<int32_t>(w);
    height = static_cast<int32_t>(h);
    std::vector<double> samples;
    if (bits == 32 && format == SAMPLEFORMAT_IEEEFP && channels == 1) {
        std::vector<float> row(w);
        for (uint32_t j = 0; j < h; ++j) {
            EXPECT_EQ(TIFFReadScanline(tiff, row.data(), j, 0), 1);
            samples.insert(samples.end(), row.begin(), row.end());
        }
    } else {
        ADD_FAILURE() << file << " is not 32-bit float gray";
    }
    TIFFClose(tiff);
    return samples;
}

} // namespace

Ran RunRidgegen(const std::filesystem::path& folder, const std::vector<std::string>& args,
                uint64_t sizeLimit) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(err[0]);
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        if (sizeLimit > 0) {
            // Beyond the limit a write fails with EFBIG instead of ending the program.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{sizeLimit, sizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        const std::string program = Program();
        std::vector<char*> argv = {const_cast<char*>(program.c_str())};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    Ran ran;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* texts[2] = {&ran.out, &ran.err};
    for (int open = 2; open > 0;) {
        poll(fds, 2, -1);
        for (int k = 0; k < 2; ++k) {
            if (fds[k].fd >= 0 && fds[k].revents != 0) {
                char buffer[4096];
                const ssize_t got = read(fds[k].fd, buffer, sizeof buffer);
                if (got > 0) {
                    texts[k]->append(buffer, static_cast<std::size_t>(got));
                } else {
                    close(fds[k].fd);
                    fds[k].fd = -1;
                    --open;
                }
            }
        }
    }
    int status = 0;
    waitpid(child, &status, 0);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return ran;
}

void RemoveFolder(const std::filesystem::path& folder) {
    std::filesystem::remove_all(folder);
}

bool CanLimitFileSize() {
    return true;
}

ReadImage ReadEncodedFile(const std::filesystem::path& file, HeightFormat format) {
    ReadImage image;
    if (format == HeightFormat::Tiff32) {
        image.samples = ReadTiff(file, image.width, image.height);
    } else {
        image.samples =
            ReadPng(file, format == HeightFormat::Png8 ? 8 : 16, image.width, image.height);
    }
    return image;
}

} // namespace rw::test
