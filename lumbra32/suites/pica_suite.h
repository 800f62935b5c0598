#pragma once
// PICA: the basic suite (AcquireSuite, ReleaseSuite, IsEqual and the block allocator) through
// which plug-ins ask for the suites below by name and version, and the UI hooks suite
// (version 1) it hands out with them. Any other name or version is "suite not found".
#include "lumbra32/filter_api.h"

namespace lumbra {

pi::SPBasicSuite* BasicSuite();
const pi::PSUIHooksSuite1* PicaUIHooksSuite1();

} // namespace lumbra
