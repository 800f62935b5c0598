#include "core/png_check.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "core/crc32.h"

namespace rw {

namespace {

constexpr uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint32_t kLargestLength = 0x7FFFFFFFu;

uint32_t BigEndian(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

bool Named(const uint8_t* type, const char (&name)[5]) {
    return std::memcmp(type, name, 4) == 0;
}

bool IsLetter(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool ValidHeader(const uint8_t (&h)[13]) {
    const uint32_t width = BigEndian(h), height = BigEndian(h + 4);
    if (width == 0 || height == 0 || width > kLargestLength || height > kLargestLength) {
        return false;
    }
    const uint8_t depth = h[8], colour = h[9];
    const auto depthIn = [depth](std::initializer_list<uint8_t> allowed) {
        return std::find(allowed.begin(), allowed.end(), depth) != allowed.end();
    };
    bool depthFits = false;
    switch (colour) {
    case 0: // gray
        depthFits = depthIn({1, 2, 4, 8, 16});
        break;
    case 3: // palette
        depthFits = depthIn({1, 2, 4, 8});
        break;
    case 2: // RGB
    case 4: // gray and alpha
    case 6: // RGB and alpha
        depthFits = depthIn({8, 16});
        break;
    default:
        break;
    }
    return depthFits && h[10] == 0 && h[11] == 0 && h[12] <= 1;
}

} // namespace

bool LooksLikePng(std::span<const uint8_t> head) {
    if (head.size() >= sizeof kSignature &&
        std::equal(kSignature, kSignature + sizeof kSignature, head.begin())) {
        return true;
    }
    const std::string_view text(reinterpret_cast<const char*>(head.data()),
                                std::min(head.size(), kPngLookBytes));
    return text.find("IHDR") != std::string_view::npos;
}

void PngChecker::Expect(State state, size_t size) {
    state_ = state;
    fieldSize_ = size;
    filled_ = 0;
}

void PngChecker::Feed(std::span<const uint8_t> bytes) {
    size_t at = 0;
    while (at < bytes.size() && !Decided()) {
        if (state_ == State::Data) {
            const size_t n = std::min<size_t>(remaining_, bytes.size() - at);
            const std::span<const uint8_t> piece = bytes.subspan(at, n);
            crc_ = Crc32(crc_, piece);
            if (Named(type_, "IHDR")) { // its length is 13, checked with its name
                std::copy(piece.begin(), piece.end(), header_ + (length_ - remaining_));
            }
            remaining_ -= static_cast<uint32_t>(n);
            at += n;
            if (remaining_ == 0) {
                Expect(State::Crc, 4);
            }
            continue;
        }
        const size_t n = std::min(fieldSize_ - filled_, bytes.size() - at);
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), n, field_ + filled_);
        filled_ += n;
        at += n;
        if (filled_ == fieldSize_) {
            FieldRead();
        }
    }
}

void PngChecker::FieldRead() {
    switch (state_) {
    case State::Signature:
        if (!std::equal(kSignature, kSignature + sizeof kSignature, field_)) {
            damage_ = PngDamage::Signature;
            return;
        }
        Expect(State::Length, 4);
        return;
    case State::Length:
        length_ = BigEndian(field_);
        if (length_ > kLargestLength) {
            damage_ = PngDamage::ChunkLength;
            return;
        }
        Expect(State::Type, 4);
        return;
    case State::Type:
        TypeRead();
        return;
    case State::Crc:
        ChunkEnded();
        return;
    case State::Data:
    case State::Done:
        return;
    }
}

void PngChecker::TypeRead() {
    std::copy_n(field_, 4, type_);
    if (!std::all_of(type_, type_ + 4, IsLetter)) {
        damage_ = PngDamage::ChunkType;
        return;
    }
    const bool header = Named(type_, "IHDR");
    if ((chunks_ == 0) != header) {
        damage_ = PngDamage::ChunkOrder; // the header comes first, and only once
        return;
    }
    if (header && length_ != sizeof header_) {
        damage_ = PngDamage::Header;
        return;
    }
    if (Named(type_, "IDAT") && header_[9] == 3 && !palette_) {
        damage_ = PngDamage::ChunkOrder;
        return;
    }
    if (Named(type_, "IEND") && !imageData_) {
        damage_ = PngDamage::MissingImageData;
        return;
    }
    ++chunks_;
    crc_ = Crc32(0, std::span<const uint8_t>(type_, 4));
    remaining_ = length_;
    if (remaining_ == 0) {
        Expect(State::Crc, 4);
    } else {
        state_ = State::Data;
    }
}

void PngChecker::ChunkEnded() {
    if (BigEndian(field_) != crc_) {
        damage_ = PngDamage::Checksum;
        return;
    }
    if (Named(type_, "IHDR") && !ValidHeader(header_)) {
        damage_ = PngDamage::Header;
        return;
    }
    palette_ = palette_ || Named(type_, "PLTE");
    imageData_ = imageData_ || Named(type_, "IDAT");
    if (Named(type_, "IEND")) {
        state_ = State::Done;
        return;
    }
    Expect(State::Length, 4);
}

std::optional<PngDamage> PngChecker::Finish() const {
    if (damage_) {
        return damage_;
    }
    if (state_ != State::Done) {
        return PngDamage::Truncated;
    }
    return std::nullopt;
}

std::optional<PngDamage> CheckPng(std::span<const uint8_t> file) {
    PngChecker checker;
    checker.Feed(file);
    return checker.Finish();
}

} // namespace rw
