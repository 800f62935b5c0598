#include "lumbra32/pe_image.h"

#include <algorithm>
#include <cctype>

namespace lumbra {
namespace {

class Reader {
public:
    Reader(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    bool Has(size_t offset, size_t count) const {
        return offset <= size_ && count <= size_ - offset;
    }
    uint16_t U16(size_t offset) const {
        return static_cast<uint16_t>(bytes_[offset] | bytes_[offset + 1] << 8);
    }
    uint32_t U32(size_t offset) const {
        return static_cast<uint32_t>(bytes_[offset]) |
               static_cast<uint32_t>(bytes_[offset + 1]) << 8 |
               static_cast<uint32_t>(bytes_[offset + 2]) << 16 |
               static_cast<uint32_t>(bytes_[offset + 3]) << 24;
    }

private:
    const uint8_t* bytes_;
    size_t size_;
};

struct Section {
    uint32_t virtualAddress;
    uint32_t virtualSize;
    uint32_t rawSize;
    uint32_t rawOffset;
};

constexpr uint32_t kSubdirectory = 0x80000000u;
constexpr uint32_t kNamedEntry = 0x80000000u;
constexpr size_t kDirectoryHeader = 16;
constexpr size_t kEntrySize = 8;

class ResourceWalker {
public:
    ResourceWalker(const Reader& r, const std::vector<Section>& sections, size_t base, size_t size)
        : r_(r), sections_(sections), base_(base), size_(size) {}

    // The file offset of an RVA, when the whole range lies in one section's raw data.
    bool FileOffset(uint32_t rva, uint32_t length, size_t& offset) const {
        for (const Section& s : sections_) {
            if (rva < s.virtualAddress) {
                continue;
            }
            uint64_t delta = rva - s.virtualAddress;
            if (delta + length > s.rawSize) {
                continue;
            }
            offset = static_cast<size_t>(s.rawOffset + delta);
            return r_.Has(offset, length);
        }
        return false;
    }

    // Entries of the directory at `dirOffset` (relative to the resource section).
    template <class Fn> void ForEachEntry(uint32_t dirOffset, Fn fn) const {
        if (!InSection(dirOffset, kDirectoryHeader)) {
            return;
        }
        size_t dir = base_ + dirOffset;
        size_t count = static_cast<size_t>(r_.U16(dir + 12)) + r_.U16(dir + 14);
        for (size_t i = 0; i < count; ++i) {
            size_t entryOffset = dirOffset + kDirectoryHeader + i * kEntrySize;
            if (!InSection(entryOffset, kEntrySize)) {
                return;
            }
            size_t entry = base_ + entryOffset;
            if (!fn(r_.U32(entry), r_.U32(entry + 4))) {
                return;
            }
        }
    }

    // A resource name: 16-bit length then UTF-16 code units, relative to the section.
    bool Name(uint32_t nameField, std::string& name) const {
        uint32_t offset = nameField & ~kNamedEntry;
        if (!InSection(offset, 2)) {
            return false;
        }
        size_t length = r_.U16(base_ + offset);
        if (!InSection(offset + 2, length * 2)) {
            return false;
        }
        name.clear();
        for (size_t i = 0; i < length; ++i) {
            uint16_t c = r_.U16(base_ + offset + 2 + i * 2);
            name.push_back(c < 0x80 ? static_cast<char>(std::toupper(c)) : '?');
        }
        return true;
    }

    bool InSection(size_t offset, size_t count) const {
        return offset <= size_ && count <= size_ - offset && r_.Has(base_ + offset, count);
    }

private:
    const Reader& r_;
    const std::vector<Section>& sections_;
    size_t base_;
    size_t size_;
};

std::string Upper(const std::string& s) {
    std::string u = s;
    for (char& c : u) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return u;
}

} // namespace

bool ReadPeImage(const uint8_t* bytes, size_t size, const std::string& resourceType, PeImage& out) {
    out = PeImage{};
    Reader r(bytes, size);
    if (!r.Has(0, 64) || bytes[0] != 'M' || bytes[1] != 'Z') {
        return false;
    }
    size_t pe = r.U32(0x3C);
    if (!r.Has(pe, 24) || r.U32(pe) != 0x00004550u) {
        return false;
    }
    size_t coff = pe + 4;
    out.machine = r.U16(coff);
    size_t sectionCount = r.U16(coff + 2);
    size_t optionalSize = r.U16(coff + 16);
    out.isDll = (r.U16(coff + 18) & 0x2000) != 0;
    size_t optional = coff + 20;
    if (!r.Has(optional, 2)) {
        return false;
    }
    uint16_t magic = r.U16(optional);
    size_t directoryCountAt;
    if (magic == 0x10B) {
        directoryCountAt = optional + 92;
    } else if (magic == 0x20B) {
        directoryCountAt = optional + 108;
        out.pe32Plus = true;
    } else {
        return false;
    }
    size_t sectionTable = optional + optionalSize;
    std::vector<Section> sections;
    for (size_t i = 0; i < sectionCount; ++i) {
        size_t s = sectionTable + i * 40;
        if (!r.Has(s, 40)) {
            break;
        }
        sections.push_back({r.U32(s + 12), r.U32(s + 8), r.U32(s + 16), r.U32(s + 20)});
    }

    // The resource directory is data directory 2.
    if (!r.Has(directoryCountAt, 4) || r.U32(directoryCountAt) < 3 ||
        directoryCountAt + 4 + 3 * 8 > optional + optionalSize ||
        !r.Has(directoryCountAt + 4, 24)) {
        return true;
    }
    uint32_t resourceRva = r.U32(directoryCountAt + 4 + 2 * 8);
    uint32_t resourceSize = r.U32(directoryCountAt + 4 + 2 * 8 + 4);
    if (resourceRva == 0 || resourceSize == 0) {
        return true;
    }
    // Some linkers state a directory size larger than the raw data; keep what is really there.
    size_t resourceBase = 0;
    uint32_t available = 0;
    for (const Section& s : sections) {
        if (resourceRva >= s.virtualAddress && resourceRva - s.virtualAddress < s.rawSize) {
            uint32_t delta = resourceRva - s.virtualAddress;
            resourceBase = static_cast<size_t>(s.rawOffset) + delta;
            available = std::min(resourceSize, s.rawSize - delta);
            if (!r.Has(resourceBase, 0)) {
                return true;
            }
            available = static_cast<uint32_t>(std::min<size_t>(available, size - resourceBase));
            break;
        }
    }
    if (available == 0) {
        return true;
    }
    ResourceWalker walk(r, sections, resourceBase, available);
    std::string wanted = Upper(resourceType);
    walk.ForEachEntry(0, [&](uint32_t typeName, uint32_t typeTarget) {
        std::string name;
        if (!(typeName & kNamedEntry) || !walk.Name(typeName, name) || name != wanted ||
            !(typeTarget & kSubdirectory)) {
            return true;
        }
        walk.ForEachEntry(typeTarget & ~kSubdirectory, [&](uint32_t idName, uint32_t idTarget) {
            if (!(idTarget & kSubdirectory)) {
                return true;
            }
            PeResource res;
            res.named = (idName & kNamedEntry) != 0;
            if (res.named) {
                if (!walk.Name(idName, res.name)) {
                    return true;
                }
            } else {
                res.id = idName;
            }
            walk.ForEachEntry(idTarget & ~kSubdirectory, [&](uint32_t lang, uint32_t dataEntry) {
                if (dataEntry & kSubdirectory || !walk.InSection(dataEntry, 16)) {
                    return true;
                }
                size_t entry = resourceBase + dataEntry;
                PeResource found = res;
                found.language = static_cast<uint16_t>(lang);
                found.size = r.U32(entry + 4);
                if (walk.FileOffset(r.U32(entry), static_cast<uint32_t>(found.size),
                                    found.offset)) {
                    out.resources.push_back(found);
                }
                return out.resources.size() < 4096;
            });
            return out.resources.size() < 4096;
        });
        return false; // one type directory of that name is all there is
    });
    return true;
}

} // namespace lumbra
