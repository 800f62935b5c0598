#pragma once
// Resources: the record's resource procs (version 3, 4 procs). A plug-in's resources are kept
// with its other state for as long as the host process keeps the plug-in, numbered from 1 per
// type; what `getProc` returns is a new handle the plug-in owns.
#include "lumbra32/filter_api.h"

namespace lumbra {

pi::ResourceProcs* ResourceProcsSuite();

} // namespace lumbra
