#pragma once
// Handles: the record's handle procs (version 1, 8 procs) and the PICA handle suite (versions 1
// and 2). A handle is a pointer to the data pointer, so plug-ins may dereference it unlocked;
// handles of the platform's allocator are sized, locked and freed through the platform.
#include "lumbra32/filter_api.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumbra {

pi::HandleProcs* HandleProcsSuite();
const pi::PSHandleSuite1* PicaHandleSuite1();
const pi::PSHandleSuite2* PicaHandleSuite2();

// For the other suites: a new handle holding a copy of `bytes` (null when memory ran out), and
// a copy of the contents of any handle the suite knows (false for one it does not). The host
// makes these for the plug-in: they count as held, but are not refused for want of space.
pi::Handle NewHandleWith(const void* bytes, size_t size);
bool CopyHandle(pi::Handle h, std::vector<char>& out);
// The same in the platform's allocator, for a plug-in that kept one of those.
pi::Handle NewForeignHandleWith(const void* bytes, size_t size);

enum class HandleKind { None, Ours, Foreign };
HandleKind KindOf(pi::Handle h);
size_t LiveHandleCount();

} // namespace lumbra
