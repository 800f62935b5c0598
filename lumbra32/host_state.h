#pragma once
// The plug-in side's state, in one object: what the platform lends the suites (a small table of
// function pointers), the live handles, the PICA colours, and the call in progress. Plug-ins call
// back without any context, so the suites find everything through State(). One filter call runs
// at a time; nothing here is locked.
#include "lumbra32/filter_api.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace lumbra {

// What only the platform can do. Every member may be null: the suites then answer as a host
// without that service does.
struct PlatformServices {
    // Handles of the platform's own allocator, which some plug-ins put in `parameters`.
    bool (*ownsForeignHandle)(void* h) = nullptr;
    int32_t (*foreignHandleSize)(void* h) = nullptr;
    char* (*lockForeignHandle)(void* h) = nullptr;
    void (*unlockForeignHandle)(void* h) = nullptr;
    void (*disposeForeignHandle)(void* h) = nullptr;
    // Draws pixels for a plug-in's preview.
    pi::DisplayPixelsProc displayPixels = nullptr;
    // The system's colour picker owned by `owner`, starting at `rgb`; false when the user
    // cancelled. `prompt` is the plug-in's text (code page 1252).
    bool (*chooseColor)(intptr_t owner, const std::string& prompt, uint8_t rgb[3]) = nullptr;
    // Physical memory the machine has free now, in bytes.
    uint64_t (*freeMemory)() = nullptr;
    // Whether `value` is the address of memory of this process: a plug-in's global that is one
    // points at memory no other process can have.
    bool (*isAddress)(intptr_t value) = nullptr;
    // A new handle of the platform's allocator holding a copy of `bytes`; null when it cannot.
    void* (*newForeignHandle)(const void* bytes, size_t size) = nullptr;
    // The system's colour for an interface element (1..14 of the property interface).
    bool (*interfaceColor)(int32_t index, uint8_t rgb[3]) = nullptr;
};

// The callback suites a record carries; the session fills the record from this table.
struct SuiteTable {
    pi::HandleProcs* handleProcs;
    pi::BufferProcs* bufferProcs;
    pi::ResourceProcs* resourceProcs;
    pi::PropertyProcs* propertyProcs;
    pi::ColorServicesProc colorServices;
    pi::SPBasicSuite* basicSuite;
    pi::HostProc hostProc;
    pi::ProcessEventProc processEvent;
    pi::DisplayPixelsProc displayPixels;
};
const SuiteTable& Suites();

// A resource a plug-in stored through the resource suite.
struct StoredResource {
    uint32_t type;
    std::vector<char> data;
};

// What the suites need of the call in progress; the session (or the About call) provides it.
class CallContext {
public:
    virtual ~CallContext() = default;
    virtual intptr_t OwnerWindow() const = 0;
    virtual bool AbortRequested() = 0;
    virtual void Progress(int32_t done, int32_t total) = 0;
    // The image being filtered; 0 x 0 outside a run.
    virtual int32_t ImageWidth() const = 0;
    virtual int32_t ImageHeight() const = 0;
    // Colour of the foreground (0) or background (1), RGB.
    virtual void SpecialColor(int32_t which, uint8_t rgb[3]) const = 0;
    // The resources kept for the plug-in being called.
    virtual std::vector<StoredResource>& Resources() = 0;
    // The memory the host promised the plug-in (the record's maxSpace).
    virtual int64_t MaxSpace() const = 0;
    // The record's advanceState; only a run has one.
    virtual int16_t AdvanceState() { return pi::kParamErr; }
};

// Buffers of the buffer suites: kept by the host until the plug-in frees them or the call that
// made them ends.
class BufferPool {
public:
    char* Allocate(size_t bytes); // null when memory ran out
    bool Owns(const char* p) const { return buffers_.count(p) != 0; }
    size_t SizeOf(const char* p) const;
    void Free(const char* p);
    void Clear() {
        buffers_.clear();
        total_ = 0;
    }
    size_t TotalBytes() const { return total_; }

private:
    struct Block {
        std::unique_ptr<char[]> data;
        size_t size;
    };
    std::unordered_map<const char*, Block> buffers_;
    size_t total_ = 0;
};

struct HostState {
    PlatformServices platform;
    // Handles made by the handle suite (they outlive calls: parameters handles persist).
    std::unordered_set<void*> handles;
    // Blocks of the basic suite, by size (they outlive calls too).
    std::unordered_map<void*, size_t> blocks;
    // What the plug-ins hold in handles and blocks of ours.
    int64_t heldBytes = 0;
    // Buffers of the call in progress.
    BufferPool buffers;
    // The part of the call's current tiles beyond the size of the image (padding around it).
    int64_t tileOverhang = 0;
    // The copies advanceState hands out. Kept from run to run: a fresh buffer of a large image
    // costs more in page faults than the copy itself.
    std::vector<uint8_t> inTile, outTile;
    // Colours of the PICA colour-space suite, by id.
    struct Colour {
        int16_t space;
        uint8_t components[4];
    };
    std::map<pi::ColorID, Colour> colours;
    pi::ColorID nextColour = 1;
    // The property suite's modifiable values, reset per call as the interface says.
    intptr_t watchSuspension = 0;
    intptr_t copyright = 0;
    CallContext* call = nullptr;
};

HostState& State();

// The memory a plug-in may still take in the call in progress: what the call promised (the
// record's maxSpace) less what the plug-ins hold. 0 outside a call: a thread a plug-in left
// running gets nothing.
int64_t SpaceLeft();

// Makes `call` the one the suites see, for as long as it lives; the buffers it made go with it.
class ScopedCall {
public:
    explicit ScopedCall(CallContext& call);
    ~ScopedCall();
    ScopedCall(const ScopedCall&) = delete;
    ScopedCall& operator=(const ScopedCall&) = delete;

private:
    CallContext* outer_;
};

} // namespace lumbra
