#pragma once
// Builds small plug-in files and property lists in memory, byte for byte as a linker and a
// resource compiler lay them out, so the readers can be tested without files.
#include <cstdint>
#include <string>
#include <vector>

namespace lumbra::test {

using Bytes = std::vector<uint8_t>;

struct PiplProperty {
    std::string vendor = "8BIM";
    std::string key;
    Bytes value;
};

Bytes PascalBytes(const std::string& s);
Bytes CStringBytes(const std::string& s);
Bytes FourCCBytes(const std::string& code); // stored reversed, as a little-endian int32

// `padded`: each property's data padded to four bytes (the stored length stays exact).
Bytes BuildPipl(const std::vector<PiplProperty>& properties, bool padded = true);
// A filter's property list: kind, name, category and entry points (empty ones left out), then
// `extra`.
Bytes FilterPipl(const std::string& name, const std::string& category, const std::string& x86,
                 const std::string& x64, const std::vector<PiplProperty>& extra = {});

struct Resource {
    uint32_t id = 16000;
    std::string name; // non-empty: a named resource
    uint16_t language = 0x409;
    Bytes data;
};

Bytes BuildPe(uint16_t machine, bool dll, const std::vector<Resource>& pipls,
              const std::string& type = "PIPL");

} // namespace lumbra::test
