#include "generators/layout.h"

#include <algorithm>

namespace rw {
namespace {

constexpr int32_t kFrameLeft[2] = {120, 3480};
constexpr int32_t kFrameTop = 120;
constexpr int32_t kFrameWidth = 3255;
constexpr int32_t kRowPitch = 600;
// A frame without a given height ends this far below its last row's top line (2295 for the
// three-row frames, whose height is given and agrees).
constexpr int32_t kFrameFooter = 495;
constexpr int32_t kGap = 105; // between a frame or the option buttons and what follows below
constexpr int32_t kVariantPitch = 240;
constexpr int32_t kButtonWidth = 975;
constexpr int32_t kButtonHeight = 375;
constexpr int32_t kButtonLeft[kButtonCount] = {120, 1200, 3600, 4680, 5760};
constexpr int32_t kMargin = 120;

} // namespace

GeneratorLayout LayoutFor(const GeneratorTable& table) {
    GeneratorLayout layout;
    int32_t lowest = 0;
    for (int n = 0; n < 2; ++n) {
        const FrameTable& frame = table.frames[n];
        const int32_t rows = static_cast<int32_t>(frame.rows.size());
        const int32_t height =
            frame.heightTwips > 0 ? frame.heightTwips : kRowPitch * rows + kFrameFooter;
        const RectTwips box{kFrameLeft[n], kFrameTop, kFrameWidth, height};
        layout.frames[n] = box;
        for (int32_t k = 0; k < rows; ++k) {
            const int32_t line = box.top + 360 + kRowPitch * k;
            layout.rows[n].push_back({{box.left + 240, line, 2775, 255},
                                      {box.left + 2280, line, 735, 255},
                                      {box.left + 120, line + 240, 3015, 375}});
        }
        lowest = std::max(lowest, box.Bottom());
    }

    int32_t variantTop = layout.frames[0].Bottom() + kGap;
    for (std::size_t k = 0; k < table.variants.size(); ++k) {
        layout.variants.push_back({240, variantTop, 3015, 255});
        lowest = std::max(lowest, layout.variants.back().Bottom());
        variantTop += kVariantPitch;
    }

    const int32_t buttonTop = lowest + kGap;
    for (int b = 0; b < kButtonCount; ++b) {
        layout.buttons[b] = {kButtonLeft[b], buttonTop, kButtonWidth, kButtonHeight};
    }
    layout.clientWidth = kFrameLeft[1] + kFrameWidth + kMargin;
    layout.clientHeight = buttonTop + kButtonHeight + kMargin;
    return layout;
}

} // namespace rw
