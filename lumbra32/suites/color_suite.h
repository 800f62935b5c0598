#pragma once
// Colours: the record's colour services (choose a colour with the system's picker, convert
// between the interface's spaces, the foreground and background colours) and the PICA
// colour-space suite (version 1).
#include "lumbra32/filter_api.h"

namespace lumbra {

pi::ColorServicesProc ColorServicesSuite();
const pi::PSColorSpaceSuite1* PicaColorSpaceSuite1();

} // namespace lumbra
