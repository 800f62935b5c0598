#include "lumbra32/host_state.h"

#include "lumbra32/suites/buffer_suite.h"
#include "lumbra32/suites/color_suite.h"
#include "lumbra32/suites/handle_suite.h"
#include "lumbra32/suites/pica_suite.h"
#include "lumbra32/suites/property_suite.h"
#include "lumbra32/suites/resource_suite.h"

#include <algorithm>

namespace lumbra {
namespace {

// A host without a way to draw tells the plug-in so.
int16_t LUMBRA_PI_CALL CannotDisplay(const pi::PSPixelMap*, const pi::VRect*, int32_t, int32_t,
                                     void*) {
    return pi::kHostInsufficient;
}

int16_t LUMBRA_PI_CALL DisplayThroughPlatform(const pi::PSPixelMap* source, const pi::VRect* rect,
                                              int32_t row, int32_t column, void* context) {
    pi::DisplayPixelsProc draw = State().platform.displayPixels;
    return draw ? draw(source, rect, row, column, context)
                : CannotDisplay(source, rect, row, column, context);
}

// Callable because plug-ins call it; this host defines no selectors of its own.
void LUMBRA_PI_CALL HostProcedure(int16_t, intptr_t*) {}

void LUMBRA_PI_CALL IgnoreEvent(void*) {}

} // namespace

HostState& State() {
    static HostState state;
    return state;
}

int64_t SpaceLeft() {
    const HostState& s = State();
    if (!s.call) {
        return 0;
    }
    int64_t held = s.heldBytes + static_cast<int64_t>(s.buffers.TotalBytes()) + s.tileOverhang;
    return std::max<int64_t>(s.call->MaxSpace() - held, 0);
}

const SuiteTable& Suites() {
    static const SuiteTable table = {
        HandleProcsSuite(),   BufferProcsSuite(),   ResourceProcsSuite(),
        PropertyProcsSuite(), ColorServicesSuite(), BasicSuite(),
        HostProcedure,        IgnoreEvent,          DisplayThroughPlatform};
    return table;
}

ScopedCall::ScopedCall(CallContext& call) : outer_(State().call) {
    State().call = &call;
}

ScopedCall::~ScopedCall() {
    State().call = outer_;
    if (!outer_) {
        State().buffers.Clear();
        State().tileOverhang = 0;
    }
}

} // namespace lumbra
