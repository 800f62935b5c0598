#pragma once
// Reads what the plug-in host needs from a Windows executable image held as plain bytes: the
// machine it was built for and its resources of one string type. Nothing here runs or maps the
// image, so a hostile or foreign file costs no more than a bounds-checked walk.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumbra {

constexpr uint16_t kMachineX86 = 0x014C;
constexpr uint16_t kMachineX64 = 0x8664;

struct PeResource {
    // Either a numeric id or a name (upper-case ASCII as stored; other characters as '?').
    bool named = false;
    uint32_t id = 0;
    std::string name;
    uint16_t language = 0;
    size_t offset = 0; // of the data in the file
    size_t size = 0;
};

struct PeImage {
    uint16_t machine = 0;
    bool isDll = false;
    bool pe32Plus = false;
    std::vector<PeResource> resources; // of the type asked for, in directory order
};

// False when the bytes are not a PE image at all. Resources that point outside the file are
// left out; a damaged resource tree gives what could be read before the damage.
bool ReadPeImage(const uint8_t* bytes, size_t size, const std::string& resourceType, PeImage& out);

} // namespace lumbra
