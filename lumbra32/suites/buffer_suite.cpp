#include "lumbra32/suites/buffer_suite.h"

#include "lumbra32/host_state.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace lumbra {
namespace {

using pi::Boolean;
using pi::BufferID;

// Within what the record promised, whatever the machine might still give.
char* Allocate(uint64_t bytes) {
    if (bytes > static_cast<uint64_t>(SpaceLeft())) {
        return nullptr;
    }
    return State().buffers.Allocate(static_cast<size_t>(bytes));
}

int16_t LUMBRA_PI_CALL AllocateBuffer(int32_t size, BufferID* id) {
    if (!id || size < 0) {
        return pi::kParamErr;
    }
    char* p = Allocate(static_cast<uint64_t>(size));
    if (!p) {
        return pi::kMemFull;
    }
    *id = reinterpret_cast<BufferID>(p);
    return pi::kNoErr;
}

char* LUMBRA_PI_CALL LockBuffer(BufferID id, Boolean) {
    auto* p = reinterpret_cast<char*>(id);
    return State().buffers.Owns(p) ? p : nullptr;
}

void LUMBRA_PI_CALL UnlockBuffer(BufferID) {}

void LUMBRA_PI_CALL FreeBuffer(BufferID id) {
    State().buffers.Free(reinterpret_cast<char*>(id));
}

int32_t LUMBRA_PI_CALL BufferSpace() {
    return static_cast<int32_t>(std::min<int64_t>(SpaceLeft(), INT32_MAX));
}

// The PICA form: the largest buffer up to the request, halving down to the minimum.
char* LUMBRA_PI_CALL PicaNew(uint32_t* requestedSize, uint32_t minimumSize) {
    uint64_t size = requestedSize ? std::max(*requestedSize, minimumSize) : minimumSize;
    for (;;) {
        if (char* p = Allocate(size)) {
            if (requestedSize) {
                *requestedSize = static_cast<uint32_t>(size);
            }
            return p;
        }
        if (size <= minimumSize) {
            return nullptr;
        }
        size = std::max<uint64_t>(size / 2, minimumSize);
    }
}

void LUMBRA_PI_CALL PicaDispose(char** buffer) {
    if (buffer) {
        State().buffers.Free(*buffer);
        *buffer = nullptr;
    }
}

uint32_t LUMBRA_PI_CALL PicaGetSize(char* buffer) {
    return static_cast<uint32_t>(State().buffers.SizeOf(buffer));
}

uint32_t LUMBRA_PI_CALL PicaGetSpace() {
    return static_cast<uint32_t>(std::min<int64_t>(SpaceLeft(), UINT32_MAX));
}

pi::BufferProcs g_procs = {2, 5, AllocateBuffer, LockBuffer, UnlockBuffer, FreeBuffer, BufferSpace};
const pi::PSBufferSuite1 g_suite1 = {PicaNew, PicaDispose, PicaGetSize, PicaGetSpace};

} // namespace

char* BufferPool::Allocate(size_t bytes) {
    // Never a zero-byte block: its address must be a buffer of its own.
    std::unique_ptr<char[]> data(new (std::nothrow) char[std::max<size_t>(bytes, 1)]);
    if (!data) {
        return nullptr;
    }
    char* p = data.get();
    buffers_.emplace(p, Block{std::move(data), bytes});
    total_ += bytes;
    return p;
}

size_t BufferPool::SizeOf(const char* p) const {
    auto it = buffers_.find(p);
    return it == buffers_.end() ? 0 : it->second.size;
}

void BufferPool::Free(const char* p) {
    auto it = buffers_.find(p);
    if (it != buffers_.end()) {
        total_ -= it->second.size;
        buffers_.erase(it);
    }
}

pi::BufferProcs* BufferProcsSuite() {
    return &g_procs;
}
const pi::PSBufferSuite1* PicaBufferSuite1() {
    return &g_suite1;
}

} // namespace lumbra
