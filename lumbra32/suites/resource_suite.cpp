#include "lumbra32/suites/resource_suite.h"

#include "lumbra32/host_state.h"
#include "lumbra32/suites/handle_suite.h"

#include <new>

namespace lumbra {
namespace {

std::vector<StoredResource>* Store() {
    return State().call ? &State().call->Resources() : nullptr;
}

// The position in the store of the index-th (from 1) resource of `type`; null when none.
StoredResource* Nth(uint32_t type, int16_t index, size_t* at = nullptr) {
    std::vector<StoredResource>* store = Store();
    if (!store || index < 1) {
        return nullptr;
    }
    int16_t seen = 0;
    for (size_t i = 0; i < store->size(); ++i) {
        if ((*store)[i].type == type && ++seen == index) {
            if (at) {
                *at = i;
            }
            return &(*store)[i];
        }
    }
    return nullptr;
}

int16_t LUMBRA_PI_CALL Count(uint32_t type) {
    int16_t n = 0;
    if (std::vector<StoredResource>* store = Store()) {
        for (const StoredResource& r : *store) {
            n += r.type == type && n < INT16_MAX;
        }
    }
    return n;
}

pi::Handle LUMBRA_PI_CALL Get(uint32_t type, int16_t index) {
    StoredResource* r = Nth(type, index);
    return r ? NewHandleWith(r->data.data(), r->data.size()) : nullptr;
}

void LUMBRA_PI_CALL Delete(uint32_t type, int16_t index) {
    size_t at = 0;
    if (Nth(type, index, &at)) {
        Store()->erase(Store()->begin() + static_cast<std::ptrdiff_t>(at));
    }
}

int16_t LUMBRA_PI_CALL Add(uint32_t type, pi::Handle data) {
    std::vector<StoredResource>* store = Store();
    if (!store) {
        return pi::kParamErr;
    }
    if (Count(type) == INT16_MAX) {
        return pi::kMemFull;
    }
    StoredResource r{type, {}};
    try {
        if (!CopyHandle(data, r.data)) {
            return pi::kNilHandle;
        }
        store->push_back(std::move(r));
    } catch (const std::bad_alloc&) {
        return pi::kMemFull;
    }
    return pi::kNoErr;
}

pi::ResourceProcs g_procs = {3, 4, Count, Get, Delete, Add};

} // namespace

pi::ResourceProcs* ResourceProcsSuite() {
    return &g_procs;
}

} // namespace lumbra
