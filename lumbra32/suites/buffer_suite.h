#pragma once
// Buffers: the record's buffer procs (version 2, 5 procs) and the PICA buffer suite (version 1).
// Both draw on the pool of the call in progress, which frees what the plug-in left when the call
// ends.
#include "lumbra32/filter_api.h"

namespace lumbra {

pi::BufferProcs* BufferProcsSuite();
const pi::PSBufferSuite1* PicaBufferSuite1();

} // namespace lumbra
