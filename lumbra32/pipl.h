#pragma once
// The plug-in property list (PiPL) that a filter file carries as a resource: what kind of
// plug-in it is, its title and category, and the names of its entry points per architecture.
// Built for untrusted bytes: every count and length is checked against the data.
#include <cstddef>
#include <cstdint>
#include <string>

namespace lumbra {

constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24 |
           static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(d));
}

constexpr uint32_t kKindFilter = FourCC('8', 'B', 'F', 'M');

struct Pipl {
    uint32_t kind = 0;
    std::string name;     // code page 1252 bytes, trailing NULs and blanks trimmed
    std::string category; // likewise
    std::string entryX86; // 'wx86'
    std::string entryX64; // '8664'
    // 'mode': the image modes the filter works in; absent, no limit is known.
    bool modesGiven = false;
    bool supportsRgb = false;
    uint32_t requiredHost = 0; // 'host': 0 when absent
    uint32_t propertiesRead = 0;
};

// False when the data is not a PiPL at all (too short, wrong version). Damage after the header
// ends the walk with what was read so far.
bool ParsePipl(const uint8_t* data, size_t size, Pipl& out);

} // namespace lumbra
