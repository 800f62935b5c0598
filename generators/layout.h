#pragma once
// Where the controls of a generator dialog stand, in twips, computed from its table.
#include <cstdint>
#include <vector>

#include "generators/generator_table.h"

namespace rw {

struct RectTwips {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t Bottom() const { return top + height; }
    bool operator==(const RectTwips&) const = default;
};

struct RowLayout {
    RectTwips label;
    RectTwips lock;
    RectTwips slider;
};

enum GeneratorButton { kReset, kRandom, kOk, kCancel, kApply, kButtonCount };

struct GeneratorLayout {
    RectTwips frames[2];
    std::vector<RowLayout> rows[2]; // positions in the dialog, not relative to the frame
    std::vector<RectTwips> variants;
    RectTwips buttons[kButtonCount];
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
};

GeneratorLayout LayoutFor(const GeneratorTable& table);

} // namespace rw
