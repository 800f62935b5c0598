#include "lumbra32/carried_state.h"

#include "lumbra32/suites/handle_suite.h"

#include <cstring>

namespace lumbra {
namespace {

constexpr uint32_t kMagic = 0x3153434Cu; // "LCS1"

enum Kind : uint8_t { kNothing = 0, kPlain = 1, kOurHandle = 2, kForeignHandle = 3 };

// One carried value: a handle's contents, a plain number, or nothing.
struct Value {
    Kind kind = kNothing;
    int64_t plain = 0;
    std::vector<char> bytes;
};

Value OfHandle(pi::Handle h) {
    Value v;
    HandleKind kind = KindOf(h);
    if (kind != HandleKind::None && CopyHandle(h, v.bytes)) {
        v.kind = kind == HandleKind::Ours ? kOurHandle : kForeignHandle;
    }
    return v;
}

// A global is carried when it is a handle of ours or a plain number. One that points at memory
// is not: a block of the platform's allocator cannot be told from memory the plug-in took
// itself, and a pointer into the old process would be followed in the new one. Without a way
// to tell a number from an address, nothing but our handles is carried.
Value OfGlobal(intptr_t data) {
    auto h = reinterpret_cast<pi::Handle>(data);
    if (KindOf(h) == HandleKind::Ours) {
        return OfHandle(h);
    }
    Value v;
    bool (*isAddress)(intptr_t) = State().platform.isAddress;
    if (data != 0 && isAddress && !isAddress(data)) {
        v.kind = kPlain;
        v.plain = data;
    }
    return v;
}

class Writer {
public:
    void U8(uint8_t v) { out_.push_back(v); }
    void U32(uint32_t v) { Bytes(&v, sizeof v); }
    void I64(int64_t v) { Bytes(&v, sizeof v); }
    void Bytes(const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        out_.insert(out_.end(), b, b + n);
    }
    void Block(const void* p, size_t n) {
        U32(static_cast<uint32_t>(n));
        Bytes(p, n);
    }
    void Put(const Value& v) {
        U8(v.kind);
        if (v.kind == kPlain) {
            I64(v.plain);
        } else if (v.kind != kNothing) {
            Block(v.bytes.data(), v.bytes.size());
        }
    }
    std::vector<uint8_t> Take() { return std::move(out_); }

private:
    std::vector<uint8_t> out_;
};

// Reads what Writer wrote; every read checks what is left.
class Reader {
public:
    Reader(const uint8_t* p, size_t n) : p_(p), left_(n) {}
    bool Bytes(void* out, size_t n) {
        if (n > left_) {
            return false;
        }
        std::memcpy(out, p_, n);
        p_ += n;
        left_ -= n;
        return true;
    }
    bool U8(uint8_t& v) { return Bytes(&v, sizeof v); }
    bool U32(uint32_t& v) { return Bytes(&v, sizeof v); }
    bool I64(int64_t& v) { return Bytes(&v, sizeof v); }
    template <class Container> bool Block(Container& out) {
        uint32_t n = 0;
        if (!U32(n) || n > left_) {
            return false;
        }
        out.resize(n);
        return Bytes(out.data(), n);
    }
    bool Get(Value& v) {
        uint8_t kind = 0;
        if (!U8(kind) || kind > kForeignHandle) {
            return false;
        }
        v.kind = static_cast<Kind>(kind);
        if (v.kind == kPlain) {
            return I64(v.plain);
        }
        return v.kind == kNothing || Block(v.bytes);
    }
    bool AtEnd() const { return left_ == 0; }

private:
    const uint8_t* p_;
    size_t left_;
};

struct Carried {
    std::string key;
    Value data, parameters;
    std::vector<StoredResource> resources;
};

pi::Handle Remake(const Value& v) {
    if (v.kind == kOurHandle) {
        return NewHandleWith(v.bytes.data(), v.bytes.size());
    }
    if (v.kind == kForeignHandle) {
        return NewForeignHandleWith(v.bytes.data(), v.bytes.size());
    }
    return nullptr;
}

} // namespace

std::vector<uint8_t> SaveFilterStates(const FilterStates& filters) {
    Writer w;
    w.U32(kMagic);
    w.U32(static_cast<uint32_t>(filters.size()));
    for (const auto& [key, state] : filters) {
        w.Block(key.data(), key.size());
        w.Put(OfGlobal(state->data));
        w.Put(OfHandle(state->parameters));
        w.U32(static_cast<uint32_t>(state->resources.size()));
        for (const StoredResource& r : state->resources) {
            w.U32(r.type);
            w.Block(r.data.data(), r.data.size());
        }
    }
    return w.Take();
}

bool LoadFilterStates(const uint8_t* bytes, size_t size, std::map<std::string, FilterState>& out) {
    Reader r(bytes, size);
    uint32_t magic = 0, count = 0;
    if (!r.U32(magic) || magic != kMagic || !r.U32(count)) {
        return false;
    }
    std::vector<Carried> carried;
    for (uint32_t i = 0; i < count; ++i) {
        Carried c;
        uint32_t resources = 0;
        if (!r.Block(c.key) || !r.Get(c.data) || !r.Get(c.parameters) || !r.U32(resources)) {
            return false;
        }
        for (uint32_t k = 0; k < resources; ++k) {
            StoredResource res;
            if (!r.U32(res.type) || !r.Block(res.data)) {
                return false;
            }
            c.resources.push_back(std::move(res));
        }
        carried.push_back(std::move(c));
    }
    if (!r.AtEnd()) {
        return false;
    }
    for (Carried& c : carried) {
        FilterState& state = out[c.key];
        state.data = c.data.kind == kPlain ? static_cast<intptr_t>(c.data.plain)
                                           : reinterpret_cast<intptr_t>(Remake(c.data));
        state.parameters = Remake(c.parameters);
        state.resources = std::move(c.resources);
    }
    return true;
}

} // namespace lumbra
