#pragma once
// The error the image control raises: its text says what failed and why, ready to show.
#include <stdexcept>
#include <string>

namespace rw {

class ImageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error; // UTF-8 text
};

} // namespace rw
