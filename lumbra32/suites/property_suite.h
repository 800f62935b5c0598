#pragma once
// Properties: the record's property procs, its obsolete getter and the PICA property suite
// (version 1, the same structure). Simple properties come back in the pointer-sized value,
// complex ones in a new handle the plug-in disposes of; an unknown key is "property undefined".
#include "lumbra32/filter_api.h"

namespace lumbra {

pi::PropertyProcs* PropertyProcsSuite();
const pi::PropertyProcs* PicaPropertySuite1();

// The host's version as the 'vers' property gives it: major << 16 | minor << 8 | fix.
constexpr intptr_t kHostVersion = 1 << 16 | 1 << 8 | 0;
// What the host calls the document it filters; it is never told the caller's file name.
constexpr const char* kDocumentTitle = "Untitled";

} // namespace lumbra
