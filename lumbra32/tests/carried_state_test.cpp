// Filter states handed from a helper that is replaced to the next: what crosses, what cannot,
// and damaged records.
#include "lumbra32/carried_state.h"
#include "lumbra32/suites/handle_suite.h"
#include "lumbra32/tests/fake_call.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace lumbra {
namespace {

std::string Contents(pi::Handle h) {
    std::vector<char> bytes;
    EXPECT_TRUE(CopyHandle(h, bytes));
    return std::string(bytes.begin(), bytes.end());
}

// The platform's own allocator and address test, as a helper process has them.
struct FakePlatform {
    FakePlatform() : saved(State().platform) {
        State().platform.isAddress = [](intptr_t v) { return v >= 0x10000; };
        State().platform.ownsForeignHandle = [](void* h) { return h == &foreign; };
        State().platform.foreignHandleSize = [](void*) { return int32_t{3}; };
        State().platform.lockForeignHandle = [](void*) { return foreignBytes; };
        State().platform.newForeignHandle = [](const void* bytes, size_t size) -> void* {
            made.assign(static_cast<const char*>(bytes), size);
            return &foreign;
        };
    }
    ~FakePlatform() { State().platform = saved; }
    PlatformServices saved;
    static inline char foreignBytes[4] = "abc";
    static inline char* foreign = foreignBytes;
    static inline std::string made;
};

TEST(CarriedState, HandlesNumbersAndResourcesCrossPointersDoNot) {
    FakePlatform platform;
    FakeCall call(1 << 20);
    ScopedCall scope(call);
    FilterState withHandles, withNumber, withPointer;
    withHandles.data = reinterpret_cast<intptr_t>(NewHandleWith("globals", 7));
    withHandles.parameters = NewHandleWith("params", 6);
    withHandles.resources.push_back({pi::Code("TEST"), {'r', 'e', 's'}});
    withNumber.data = 42;
    withNumber.parameters = reinterpret_cast<pi::Handle>(&FakePlatform::foreign);
    int somewhere = 0;
    withPointer.data = reinterpret_cast<intptr_t>(&somewhere);

    std::vector<uint8_t> bytes =
        SaveFilterStates({{"a", &withHandles}, {"b", &withNumber}, {"c", &withPointer}});
    std::map<std::string, FilterState> loaded;
    ASSERT_TRUE(LoadFilterStates(bytes.data(), bytes.size(), loaded));
    ASSERT_EQ(loaded.size(), 3u);
    const FilterState& a = loaded["a"];
    EXPECT_NE(a.data, withHandles.data) << "a new handle";
    EXPECT_EQ(Contents(reinterpret_cast<pi::Handle>(a.data)), "globals");
    EXPECT_EQ(Contents(a.parameters), "params");
    ASSERT_EQ(a.resources.size(), 1u);
    EXPECT_EQ(a.resources[0].type, pi::Code("TEST"));
    EXPECT_EQ(std::string(a.resources[0].data.begin(), a.resources[0].data.end()), "res");
    EXPECT_EQ(loaded["b"].data, 42);
    EXPECT_EQ(FakePlatform::made, "abc") << "a handle of the platform's made anew by it";
    EXPECT_EQ(loaded["c"].data, 0) << "memory of the old process: the filter starts afresh";
    EXPECT_EQ(loaded["c"].parameters, nullptr);
    for (pi::Handle h : {reinterpret_cast<pi::Handle>(withHandles.data), withHandles.parameters,
                         reinterpret_cast<pi::Handle>(a.data), a.parameters}) {
        HandleProcsSuite()->disposeProc(h);
    }
}

TEST(CarriedState, ADamagedRecordMakesNothing) {
    FakeCall call(1 << 20);
    ScopedCall scope(call);
    FilterState state;
    state.parameters = NewHandleWith("params", 6);
    state.resources.push_back({pi::Code("TEST"), {'x'}});
    std::vector<uint8_t> bytes = SaveFilterStates({{"key", &state}});
    size_t handles = LiveHandleCount();
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        std::map<std::string, FilterState> loaded;
        ASSERT_FALSE(LoadFilterStates(bytes.data(), cut, loaded)) << cut;
        ASSERT_TRUE(loaded.empty());
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    std::map<std::string, FilterState> loaded;
    EXPECT_FALSE(LoadFilterStates(longer.data(), longer.size(), loaded));
    std::vector<uint8_t> huge = bytes;
    std::memset(huge.data() + 8, 0xFF, 4); // a key longer than the record
    EXPECT_FALSE(LoadFilterStates(huge.data(), huge.size(), loaded));
    EXPECT_EQ(LiveHandleCount(), handles);
    HandleProcsSuite()->disposeProc(state.parameters);
}

} // namespace
} // namespace lumbra
