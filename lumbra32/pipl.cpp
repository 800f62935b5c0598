#include "lumbra32/pipl.h"

namespace lumbra {
namespace {

constexpr uint32_t kVendor = FourCC('8', 'B', 'I', 'M');
constexpr uint32_t kKind = FourCC('k', 'i', 'n', 'd');
constexpr uint32_t kName = FourCC('n', 'a', 'm', 'e');
constexpr uint32_t kCategory = FourCC('c', 'a', 't', 'g');
constexpr uint32_t kEntryX86 = FourCC('w', 'x', '8', '6');
constexpr uint32_t kEntryX64 = FourCC('8', '6', '6', '4');
constexpr uint32_t kModes = FourCC('m', 'o', 'd', 'e');
constexpr uint32_t kHost = FourCC('h', 'o', 's', 't');
// Modes are a set of flags, the first mode in the top bit of the first byte: RGB is mode 3.
constexpr uint8_t kRgbModeFlag = 0x80 >> 3;
constexpr size_t kPropertyHeader = 16;
// A real list holds a few dozen properties; this bounds the work on a hostile count.
constexpr uint32_t kMaxProperties = 4096;

uint32_t U32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

std::string Trimmed(const uint8_t* p, size_t n) {
    while (n > 0 && (p[n - 1] == 0 || p[n - 1] == ' ')) {
        --n;
    }
    return std::string(reinterpret_cast<const char*>(p), n);
}

// Length-prefixed string, the prefix bounded by the property's length.
std::string PascalString(const uint8_t* p, size_t length) {
    if (length == 0) {
        return {};
    }
    size_t n = p[0];
    if (n > length - 1) {
        n = length - 1;
    }
    return Trimmed(p + 1, n);
}

std::string CString(const uint8_t* p, size_t length) {
    size_t n = 0;
    while (n < length && p[n] != 0) {
        ++n;
    }
    return std::string(reinterpret_cast<const char*>(p), n);
}

bool PlausibleCode(uint32_t code) {
    for (int shift = 0; shift < 32; shift += 8) {
        uint8_t c = static_cast<uint8_t>(code >> shift);
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

} // namespace

bool ParsePipl(const uint8_t* data, size_t size, Pipl& out) {
    out = Pipl{};
    if (data == nullptr || size < 10) {
        return false;
    }
    uint16_t version = static_cast<uint16_t>(data[0] | data[1] << 8);
    if (version != 1) {
        return false;
    }
    uint32_t count = U32(data + 6);
    size_t at = 10;
    for (uint32_t i = 0; i < count && i < kMaxProperties; ++i) {
        if (size - at < kPropertyHeader) {
            break;
        }
        const uint8_t* p = data + at;
        uint32_t vendor = U32(p);
        uint32_t key = U32(p + 4);
        uint32_t length = U32(p + 12);
        size_t dataAt = at + kPropertyHeader;
        size_t available = size - dataAt;
        // A length past the end is cut to what is there: the name of a truncated list is
        // still worth having, and every reader below stays inside the data.
        size_t usable = length < available ? length : available;
        const uint8_t* value = data + dataAt;
        if (vendor == kVendor) {
            switch (key) {
            case kKind:
                if (usable >= 4) {
                    out.kind = U32(value);
                }
                break;
            case kName:
                out.name = PascalString(value, usable);
                break;
            case kCategory:
                out.category = PascalString(value, usable);
                break;
            case kEntryX86:
                out.entryX86 = CString(value, usable);
                break;
            case kEntryX64:
                out.entryX64 = CString(value, usable);
                break;
            case kModes:
                out.modesGiven = true;
                out.supportsRgb = usable >= 1 && (value[0] & kRgbModeFlag) != 0;
                break;
            case kHost:
                if (usable >= 4) {
                    out.requiredHost = U32(value);
                }
                break;
            default:
                break;
            }
        }
        ++out.propertiesRead;
        if (length >= available) {
            break;
        }
        // Properties are padded to four bytes, but old files store the lengths unpadded and
        // some pack the properties without padding: take the padded step unless only the
        // unpadded one lands on something that looks like the next property.
        size_t padded = (static_cast<size_t>(length) + 3) & ~static_cast<size_t>(3);
        size_t next = dataAt + padded;
        size_t unpadded = dataAt + length;
        if (padded != length && i + 1 < count) {
            bool paddedOk = next <= size && size - next >= 4 && PlausibleCode(U32(data + next));
            bool unpaddedOk = size - unpadded >= 4 && PlausibleCode(U32(data + unpadded));
            if (!paddedOk && unpaddedOk) {
                next = unpadded;
            }
        }
        if (next > size) {
            break;
        }
        at = next;
    }
    return true;
}

} // namespace lumbra
