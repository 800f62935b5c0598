#include "lumbra32/tests/pe_builder.h"

#include <map>

namespace lumbra::test {
namespace {

void Put16(Bytes& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
void Append32(Bytes& b, uint32_t v) {
    b.resize(b.size() + 4);
    Put32(b, b.size() - 4, v);
}

} // namespace

Bytes PascalBytes(const std::string& s) {
    Bytes b(s.size() + 1);
    b[0] = static_cast<uint8_t>(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        b[i + 1] = static_cast<uint8_t>(s[i]);
    }
    return b;
}

Bytes CStringBytes(const std::string& s) {
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
}

Bytes FourCCBytes(const std::string& code) {
    return Bytes(code.rbegin(), code.rend());
}

Bytes BuildPipl(const std::vector<PiplProperty>& properties, bool padded) {
    Bytes b{1, 0, 0, 0, 0, 0};
    Append32(b, static_cast<uint32_t>(properties.size()));
    for (const PiplProperty& p : properties) {
        Bytes vendor = FourCCBytes(p.vendor), key = FourCCBytes(p.key);
        b.insert(b.end(), vendor.begin(), vendor.end());
        b.insert(b.end(), key.begin(), key.end());
        Append32(b, 0);
        Append32(b, static_cast<uint32_t>(p.value.size()));
        b.insert(b.end(), p.value.begin(), p.value.end());
        while (padded && b.size() % 4 != 2) { // the list starts two bytes off a 4-byte boundary
            b.push_back(0);
        }
    }
    return b;
}

Bytes FilterPipl(const std::string& name, const std::string& category, const std::string& x86,
                 const std::string& x64, const std::vector<PiplProperty>& extra) {
    std::vector<PiplProperty> props = {
        {"8BIM", "kind", FourCCBytes("8BFM")},
        {"8BIM", "vers", Bytes{0, 0, 4, 0}},
        {"8BIM", "name", PascalBytes(name)},
        {"8BIM", "catg", PascalBytes(category)},
    };
    if (!x86.empty()) {
        props.push_back({"8BIM", "wx86", CStringBytes(x86)});
    }
    if (!x64.empty()) {
        props.push_back({"8BIM", "8664", CStringBytes(x64)});
    }
    props.insert(props.end(), extra.begin(), extra.end());
    return BuildPipl(props);
}

Bytes BuildPe(uint16_t machine, bool dll, const std::vector<Resource>& pipls,
              const std::string& type) {
    const bool plus = machine == 0x8664;
    const size_t optionalSize = plus ? 240 : 224;
    const size_t peAt = 64, coffAt = peAt + 4, optionalAt = coffAt + 20;
    const size_t sectionAt = optionalAt + optionalSize;
    const size_t rawAt = 512;
    const uint32_t rva = 0x1000;

    // Resource section: root -> type -> name/id -> language -> data entry.
    std::map<std::pair<std::string, uint32_t>, std::vector<const Resource*>> byName;
    for (const Resource& r : pipls) {
        byName[{r.name, r.id}].push_back(&r);
    }
    Bytes rs;
    auto dir = [&](size_t named, size_t ids) {
        size_t at = rs.size();
        rs.resize(at + 16 + 8 * (named + ids));
        Put16(rs, at + 12, static_cast<uint32_t>(named));
        Put16(rs, at + 14, static_cast<uint32_t>(ids));
        return at;
    };
    std::vector<std::pair<size_t, std::u16string>> namesToWrite; // entry field offset, name
    size_t root = dir(1, 0);
    size_t typeDir = dir(0, 0); // sized below
    rs.resize(typeDir);
    size_t namedCount = 0;
    for (auto& [key, list] : byName) {
        namedCount += key.first.empty() ? 0 : 1;
    }
    typeDir = dir(namedCount, byName.size() - namedCount);
    namesToWrite.push_back({root + 16, std::u16string(type.begin(), type.end())});
    Put32(rs, root + 16 + 4, 0x80000000u | static_cast<uint32_t>(typeDir));
    size_t i = 0;
    std::vector<std::pair<size_t, const Resource*>> dataEntries;
    for (auto& [key, list] : byName) {
        size_t entry = typeDir + 16 + 8 * i++;
        if (!key.first.empty()) {
            namesToWrite.push_back({entry, std::u16string(key.first.begin(), key.first.end())});
        } else {
            Put32(rs, entry, key.second);
        }
        size_t langDir = dir(0, list.size());
        Put32(rs, entry + 4, 0x80000000u | static_cast<uint32_t>(langDir));
        for (size_t j = 0; j < list.size(); ++j) {
            size_t langEntry = langDir + 16 + 8 * j;
            Put32(rs, langEntry, list[j]->language);
            size_t data = rs.size();
            rs.resize(data + 16);
            Put32(rs, langEntry + 4, static_cast<uint32_t>(data));
            dataEntries.push_back({data, list[j]});
        }
    }
    for (auto& [field, name] : namesToWrite) {
        size_t at = rs.size();
        rs.resize(at + 2 + 2 * name.size());
        Put16(rs, at, static_cast<uint32_t>(name.size()));
        for (size_t k = 0; k < name.size(); ++k) {
            Put16(rs, at + 2 + 2 * k, name[k]);
        }
        Put32(rs, field, 0x80000000u | static_cast<uint32_t>(at));
    }
    for (auto& [entry, res] : dataEntries) {
        while (rs.size() % 4) {
            rs.push_back(0);
        }
        Put32(rs, entry, rva + static_cast<uint32_t>(rs.size()));
        Put32(rs, entry + 4, static_cast<uint32_t>(res->data.size()));
        rs.insert(rs.end(), res->data.begin(), res->data.end());
    }
    while (rs.size() % 512) {
        rs.push_back(0);
    }

    Bytes b(rawAt, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, static_cast<uint32_t>(peAt));
    Put32(b, peAt, 0x00004550u);
    Put16(b, coffAt, machine);
    Put16(b, coffAt + 2, 1);
    Put16(b, coffAt + 16, static_cast<uint32_t>(optionalSize));
    Put16(b, coffAt + 18, dll ? 0x2102 : 0x0102);
    Put16(b, optionalAt, plus ? 0x20B : 0x10B);
    size_t dirCountAt = optionalAt + (plus ? 108 : 92);
    Put32(b, dirCountAt, 16);
    Put32(b, dirCountAt + 4 + 2 * 8, rva);
    Put32(b, dirCountAt + 4 + 2 * 8 + 4, static_cast<uint32_t>(rs.size()));
    const char name[8] = {'.', 'r', 's', 'r', 'c'};
    for (int k = 0; k < 8; ++k) {
        b[sectionAt + k] = static_cast<uint8_t>(name[k]);
    }
    Put32(b, sectionAt + 8, static_cast<uint32_t>(rs.size()));
    Put32(b, sectionAt + 12, rva);
    Put32(b, sectionAt + 16, static_cast<uint32_t>(rs.size()));
    Put32(b, sectionAt + 20, static_cast<uint32_t>(rawAt));
    b.insert(b.end(), rs.begin(), rs.end());
    return b;
}

} // namespace lumbra::test
