#include "lumbra32/suites/pica_suite.h"

#include "lumbra32/host_state.h"
#include "lumbra32/suites/buffer_suite.h"
#include "lumbra32/suites/color_suite.h"
#include "lumbra32/suites/handle_suite.h"
#include "lumbra32/suites/property_suite.h"
#include "lumbra32/suites/resource_suite.h"

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace lumbra {
namespace {

using pi::SPErr;

const char* const kResourceSuite = "Photoshop Resource Suite for Plug-ins";

struct Offered {
    const char* name;
    int32_t version;
    const void* (*suite)();
};

const Offered kOffered[] = {
    {pi::kPicaHandleSuite, 1, [] { return static_cast<const void*>(PicaHandleSuite1()); }},
    {pi::kPicaHandleSuite, 2, [] { return static_cast<const void*>(PicaHandleSuite2()); }},
    {pi::kPicaBufferSuite, 1, [] { return static_cast<const void*>(PicaBufferSuite1()); }},
    {pi::kPicaUIHooksSuite, 1, [] { return static_cast<const void*>(PicaUIHooksSuite1()); }},
    {pi::kPicaPropertySuite, 1, [] { return static_cast<const void*>(PicaPropertySuite1()); }},
    {pi::kPicaColorSpaceSuite, 1, [] { return static_cast<const void*>(PicaColorSpaceSuite1()); }},
    {kResourceSuite, 3, [] { return static_cast<const void*>(ResourceProcsSuite()); }},
};

const Offered* Lookup(const char* name, int32_t version) {
    for (const Offered& o : kOffered) {
        if (o.version == version && std::strcmp(o.name, name) == 0) {
            return &o;
        }
    }
    return nullptr;
}

SPErr LUMBRA_PI_CALL AcquireSuite(const char* name, int32_t version, const void** suite) {
    if (!name || !suite) {
        return pi::kSPBadParameterError;
    }
    const Offered* o = Lookup(name, version);
    *suite = o ? o->suite() : nullptr;
    return o ? pi::kSPNoError : pi::kSPSuiteNotFoundError;
}

// The suites are static: nothing to count or free.
SPErr LUMBRA_PI_CALL ReleaseSuite(const char* name, int32_t version) {
    if (!name) {
        return pi::kSPBadParameterError;
    }
    return Lookup(name, version) ? pi::kSPNoError : pi::kSPSuiteNotFoundError;
}

int32_t LUMBRA_PI_CALL IsEqual(const char* a, const char* b) {
    if (!a || !b) {
        return a == b;
    }
    return std::strcmp(a, b) == 0;
}

// Blocks are the plug-in's memory like its handles: they count against the space the call
// promised, and are kept track of so that freeing one gives its space back.
SPErr LUMBRA_PI_CALL AllocateBlock(int32_t size, void** block) {
    if (!block || size < 0) {
        return pi::kSPBadParameterError;
    }
    if (size > SpaceLeft()) {
        return pi::kSPOutOfMemoryError;
    }
    *block = std::malloc(size > 0 ? static_cast<size_t>(size) : 1);
    if (!*block) {
        return pi::kSPOutOfMemoryError;
    }
    State().blocks[*block] = static_cast<size_t>(size);
    State().heldBytes += size;
    return pi::kSPNoError;
}

// The size a block of ours had, forgetting it; 0 for memory that is not ours.
int64_t Forget(void* block) {
    auto it = State().blocks.find(block);
    if (it == State().blocks.end()) {
        return 0;
    }
    auto size = static_cast<int64_t>(it->second);
    State().blocks.erase(it);
    State().heldBytes -= size;
    return size;
}

SPErr LUMBRA_PI_CALL FreeBlock(void* block) {
    Forget(block);
    std::free(block);
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL ReallocateBlock(void* block, int32_t size, void** grown) {
    if (!grown || size < 0) {
        return pi::kSPBadParameterError;
    }
    auto it = State().blocks.find(block);
    int64_t old = it == State().blocks.end() ? 0 : static_cast<int64_t>(it->second);
    if (size > old && size - old > SpaceLeft()) {
        return pi::kSPOutOfMemoryError;
    }
    void* p = std::realloc(block, size > 0 ? static_cast<size_t>(size) : 1);
    if (!p) {
        return pi::kSPOutOfMemoryError;
    }
    // The old block is gone (or is `p`): only its place in the books is left to clear.
    if (it != State().blocks.end()) {
        State().blocks.erase(it);
        State().heldBytes -= old;
    }
    State().blocks[p] = static_cast<size_t>(size);
    State().heldBytes += size;
    *grown = p;
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL Undefined() {
    return pi::kSPNoError;
}

// ---- UI hooks ----------------------------------------------------------------------------

void LUMBRA_PI_CALL ProgressBar(int32_t done, int32_t total) {
    if (CallContext* call = State().call) {
        call->Progress(done, total);
    }
}

pi::Boolean LUMBRA_PI_CALL TestAbort() {
    CallContext* call = State().call;
    return call && call->AbortRequested() ? 1 : 0;
}

intptr_t LUMBRA_PI_CALL MainAppWindow() {
    CallContext* call = State().call;
    return call ? call->OwnerWindow() : 0;
}

SPErr LUMBRA_PI_CALL SetCursor(void*) {
    return pi::kSPUnimplementedError;
}

// Ticks of a sixtieth of a second, as the interface counts time.
uint32_t LUMBRA_PI_CALL TickCount() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now).count() * 60 / 1000);
}

SPErr LUMBRA_PI_CALL GetPluginName(void*, void**) {
    return pi::kSPUnimplementedError; // names come as ZStrings, a suite this host does not offer
}

void LUMBRA_PI_CALL ProcessEvent(void*) {}

int16_t LUMBRA_PI_CALL DisplayPixels(const pi::PSPixelMap* source, const pi::VRect* rect,
                                     int32_t row, int32_t column, void* context) {
    pi::DisplayPixelsProc draw = Suites().displayPixels;
    return draw(source, rect, row, column, context);
}

pi::SPBasicSuite g_basic = {AcquireSuite, ReleaseSuite,    IsEqual,  AllocateBlock,
                            FreeBlock,    ReallocateBlock, Undefined};
const pi::PSUIHooksSuite1 g_hooks = {ProcessEvent,  DisplayPixels, ProgressBar, TestAbort,
                                     MainAppWindow, SetCursor,     TickCount,   GetPluginName};

} // namespace

pi::SPBasicSuite* BasicSuite() {
    return &g_basic;
}
const pi::PSUIHooksSuite1* PicaUIHooksSuite1() {
    return &g_hooks;
}

} // namespace lumbra
