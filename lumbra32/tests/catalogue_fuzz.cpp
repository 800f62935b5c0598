// libFuzzer target for the listing path: PE headers, the resource tree and property lists.
#include "lumbra32/filter_catalogue.h"
#include "lumbra32/pe_image.h"
#include "lumbra32/pipl.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (uint16_t machine : {lumbra::kMachineX86, lumbra::kMachineX64}) {
        lumbra::ListFilters(data, size, machine, "fuzz");
    }
    lumbra::Pipl pipl;
    lumbra::ParsePipl(data, size, pipl);
    return 0;
}
