#include "lumbra32/suites/handle_suite.h"

#include "lumbra32/host_state.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

namespace lumbra {
namespace {

using pi::Boolean;
using pi::Handle;

// The master pointer comes first, so a handle is a pointer to the data pointer.
struct HandleBlock {
    char* data;
    int32_t size;
};

HandleBlock* Ours(Handle h) {
    return h && State().handles.count(h) ? reinterpret_cast<HandleBlock*>(h) : nullptr;
}
bool Foreign(Handle h) {
    const PlatformServices& p = State().platform;
    return h && p.ownsForeignHandle && p.ownsForeignHandle(h);
}

// A handle of `size` bytes; `charged`: the plug-in asked for it, so it must fit in the space the
// call promised.
Handle Make(int32_t size, bool charged) {
    if (size < 0 || (charged && size > SpaceLeft())) {
        return nullptr;
    }
    auto* block = new (std::nothrow) HandleBlock{nullptr, size};
    if (!block) {
        return nullptr;
    }
    // Never a zero-byte allocation: a null master pointer reads as a purged handle.
    block->data = static_cast<char*>(std::calloc(std::max<int32_t>(size, 1), 1));
    if (!block->data) {
        delete block;
        return nullptr;
    }
    State().handles.insert(block);
    State().heldBytes += size;
    return reinterpret_cast<Handle>(block);
}

Handle LUMBRA_PI_CALL NewHandle(int32_t size) {
    return Make(size, true);
}

void LUMBRA_PI_CALL DisposeHandle(Handle h) {
    if (HandleBlock* block = Ours(h)) {
        State().handles.erase(block);
        State().heldBytes -= block->size;
        std::free(block->data);
        delete block;
    } else if (Foreign(h) && State().platform.disposeForeignHandle) {
        State().platform.disposeForeignHandle(h);
    }
}

int32_t LUMBRA_PI_CALL GetHandleSize(Handle h) {
    if (HandleBlock* block = Ours(h)) {
        return block->size;
    }
    return Foreign(h) && State().platform.foreignHandleSize ? State().platform.foreignHandleSize(h)
                                                            : 0;
}

int16_t LUMBRA_PI_CALL SetHandleSize(Handle h, int32_t size) {
    HandleBlock* block = Ours(h);
    if (!block || size < 0) {
        return pi::kParamErr;
    }
    if (size > block->size && size - block->size > SpaceLeft()) {
        return pi::kMemFull;
    }
    char* grown = static_cast<char*>(std::realloc(block->data, std::max<int32_t>(size, 1)));
    if (!grown) {
        return pi::kMemFull;
    }
    if (size > block->size) {
        std::memset(grown + block->size, 0, static_cast<size_t>(size - block->size));
    }
    State().heldBytes += int64_t{size} - block->size;
    block->data = grown;
    block->size = size;
    return pi::kNoErr;
}

char* LUMBRA_PI_CALL LockHandle(Handle h, Boolean) {
    if (HandleBlock* block = Ours(h)) {
        return block->data;
    }
    return Foreign(h) && State().platform.lockForeignHandle ? State().platform.lockForeignHandle(h)
                                                            : nullptr;
}

void LUMBRA_PI_CALL UnlockHandle(Handle h) {
    if (!Ours(h) && Foreign(h) && State().platform.unlockForeignHandle) {
        State().platform.unlockForeignHandle(h);
    }
}

void LUMBRA_PI_CALL RecoverSpace(int32_t) {}

// The PICA suites lock and unlock through one call; the old lock state is not kept, as no
// handle of ours ever moves.
void LUMBRA_PI_CALL SetLock(Handle h, Boolean lock, char** address, Boolean* oldLock) {
    if (oldLock) {
        *oldLock = lock ? 0 : 1;
    }
    if (lock) {
        char* p = LockHandle(h, 0);
        if (address) {
            *address = p;
        }
    } else {
        UnlockHandle(h);
        if (address) {
            *address = nullptr;
        }
    }
}

pi::HandleProcs g_procs = {1,
                           8,
                           NewHandle,
                           DisposeHandle,
                           GetHandleSize,
                           SetHandleSize,
                           LockHandle,
                           UnlockHandle,
                           RecoverSpace,
                           DisposeHandle};
const pi::PSHandleSuite1 g_suite1 = {NewHandle,     DisposeHandle, SetLock,
                                     GetHandleSize, SetHandleSize, RecoverSpace};
const pi::PSHandleSuite2 g_suite2 = {NewHandle,     DisposeHandle, DisposeHandle, SetLock,
                                     GetHandleSize, SetHandleSize, RecoverSpace};

} // namespace

pi::HandleProcs* HandleProcsSuite() {
    return &g_procs;
}
const pi::PSHandleSuite1* PicaHandleSuite1() {
    return &g_suite1;
}
const pi::PSHandleSuite2* PicaHandleSuite2() {
    return &g_suite2;
}

pi::Handle NewHandleWith(const void* bytes, size_t size) {
    if (size > INT32_MAX) {
        return nullptr;
    }
    Handle h = Make(static_cast<int32_t>(size), false);
    if (h && size > 0) {
        std::memcpy(*h, bytes, size);
    }
    return h;
}

pi::Handle NewForeignHandleWith(const void* bytes, size_t size) {
    const PlatformServices& p = State().platform;
    return p.newForeignHandle ? static_cast<Handle>(p.newForeignHandle(bytes, size)) : nullptr;
}

HandleKind KindOf(pi::Handle h) {
    return Ours(h) ? HandleKind::Ours : Foreign(h) ? HandleKind::Foreign : HandleKind::None;
}

bool CopyHandle(pi::Handle h, std::vector<char>& out) {
    if (!Ours(h) && !Foreign(h)) {
        return false;
    }
    int32_t size = GetHandleSize(h);
    const char* data = LockHandle(h, 0);
    out.assign(data, data + (data ? std::max<int32_t>(size, 0) : 0));
    UnlockHandle(h);
    return data != nullptr || size == 0;
}

size_t LiveHandleCount() {
    return State().handles.size();
}

} // namespace lumbra
