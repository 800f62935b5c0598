#pragma once
// Shrinking an image for display: each shown pixel is the average of the image pixels it
// covers, so that fine terrain detail does not alias into false patterns.
#include "core/surface.h"

namespace rw {

// Fills `target` (not larger than `source` in either direction) with the area averages.
void DownscaleByArea(const Surface24& source, const Surface24& target);

} // namespace rw
