#pragma once
// Fitting the image control into its document window as a centred square.
#include <functional>

namespace rw {

struct SquarePlacement {
    float left = 0;
    float top = 0;
};

struct TakenSize {
    float width = 0;
    float height = 0;
};

// Sizes the control to a square whose side is the shorter client dimension and centres it along
// the longer one. `setSide` asks the container for a square of the side and returns the size the
// control actually took (the container may round it); the centring uses that size.
SquarePlacement FitSquare(float clientWidth, float clientHeight,
                          const std::function<TakenSize(float side)>& setSide);

} // namespace rw
