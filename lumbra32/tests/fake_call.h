#pragma once
// A call of the host's for tests that call the suites as a plug-in does: fixed answers, and the
// space it promises set by the test.
#include "lumbra32/host_state.h"

#include <cstring>
#include <vector>

namespace lumbra {

class FakeCall : public CallContext {
public:
    explicit FakeCall(int64_t maxSpace = 1000) : maxSpace_(maxSpace) {}
    intptr_t OwnerWindow() const override { return 0x1234; }
    bool AbortRequested() override { return false; }
    void Progress(int32_t, int32_t) override {}
    int32_t ImageWidth() const override { return 640; }
    int32_t ImageHeight() const override { return 480; }
    void SpecialColor(int32_t which, uint8_t rgb[3]) const override {
        const uint8_t fg[3] = {255, 0, 0}, bg[3] = {255, 255, 255};
        std::memcpy(rgb, which == pi::kForegroundColor ? fg : bg, 3);
    }
    std::vector<StoredResource>& Resources() override { return resources; }
    int64_t MaxSpace() const override { return maxSpace_; }
    std::vector<StoredResource> resources;

private:
    int64_t maxSpace_;
};

} // namespace lumbra
