#pragma once
// What a helper process hands to the one that replaces it: each filter's parameters, global data
// and stored resources, as bytes. Handles are carried by their contents and made again on the
// other side; a global that is a plain number is carried as it is; one that points at memory of
// the old process cannot be, and the filter starts without it, as on its first run.
#include "lumbra32/filter_session.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace lumbra {

// Filters by the helper's own key for them (opaque bytes).
using FilterStates = std::map<std::string, const FilterState*>;

std::vector<uint8_t> SaveFilterStates(const FilterStates& filters);

// The states of `bytes`, their handles made anew; false when the bytes are not a whole record of
// SaveFilterStates (nothing is made then).
bool LoadFilterStates(const uint8_t* bytes, size_t size, std::map<std::string, FilterState>& out);

} // namespace lumbra
