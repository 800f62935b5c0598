#pragma once
// A file that appears under its name only once it is complete: written under a temporary name
// beside it, then renamed over it, so that a failed or interrupted write leaves no partial file
// (and any earlier file of that name as it was).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace rw {

// A file that cannot be written; the text names the file and the reason.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class OutputFile {
public:
    // Creates the temporary file beside `path` (UTF-8). Throws WriteError when the folder does not
    // exist or cannot be written, or when `path` is a folder or a read-only file.
    explicit OutputFile(const std::string& path);
    // Removes the temporary file unless it was committed.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // At the current position, which moves on. Throws WriteError (a full disk among the reasons).
    void Write(const void* data, std::size_t size);
    // Up to `size` bytes from the current position; returns how many there were.
    std::size_t Read(void* data, std::size_t size);
    void Seek(uint64_t position);
    uint64_t Position() const;
    uint64_t Size() const;
    void Resize(uint64_t size);

    // Makes sure that every byte is on the disk, then puts the file in place of `path`.
    void Commit();

    const std::string& Path() const { return path_; }
    // "\"path\" was not written: reason".
    [[noreturn]] void Fail(const std::string& reason) const;

private:
    struct System; // the platform's handle and temporary name
    std::string path_;
    std::unique_ptr<System> system_;
};

} // namespace rw
