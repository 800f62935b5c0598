#pragma once
// Whether a PNG file arrived whole: its signature, every chunk's length and checksum, a valid
// header first, image data, and the end chunk. The system's PNG decoders take a file whose
// checksums are wrong for an intact one, and call one whose header is damaged a file of no known
// type; checking first lets the user hear that the file is damaged.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace rw {

enum class PngDamage {
    Signature,        // the eight bytes that open every PNG file are altered
    Truncated,        // the file ends inside a chunk or before the end chunk
    ChunkLength,      // a length no PNG chunk can have
    ChunkType,        // a chunk name that is not four letters
    Checksum,         // a chunk's bytes do not match its CRC
    Header,           // sizes, bit depth, colour type or methods that no PNG image has
    ChunkOrder,       // no header first, a second header, or a palette image without palette
    MissingImageData, // the end chunk comes before any image data
};

// Bytes from the start of a file that LooksLikePng looks at (fewer when the file is shorter).
constexpr size_t kPngLookBytes = 32;

// Whether a file opening with `head` is a PNG file, intact or not: it has the PNG signature, or
// its header chunk's name stands where a damaged signature (a changed byte, or line ends
// converted as text) would put it.
bool LooksLikePng(std::span<const uint8_t> head);

// Reads a PNG file from its first byte, in pieces of any size.
class PngChecker {
public:
    void Feed(std::span<const uint8_t> bytes);
    // The verdict is in before the end of the file (damage found, or the end chunk read): the
    // rest of the file need not be fed.
    bool Decided() const { return damage_.has_value() || state_ == State::Done; }
    // Once the whole file (or all up to Decided) has been fed: the damage, or none.
    std::optional<PngDamage> Finish() const;

private:
    enum class State { Signature, Length, Type, Data, Crc, Done };
    void Expect(State state, size_t size);
    void FieldRead();
    void TypeRead();
    void ChunkEnded();

    State state_ = State::Signature;
    uint8_t field_[8] = {};
    size_t fieldSize_ = 8;
    size_t filled_ = 0;

    uint32_t length_ = 0;
    uint32_t remaining_ = 0;
    uint8_t type_[4] = {};
    uint32_t crc_ = 0;
    uint8_t header_[13] = {};
    uint32_t chunks_ = 0;
    bool palette_ = false;
    bool imageData_ = false;
    std::optional<PngDamage> damage_;
};

// The whole file at once.
std::optional<PngDamage> CheckPng(std::span<const uint8_t> file);

} // namespace rw
