#include "core/square_fit.h"

namespace rw {

SquarePlacement FitSquare(float clientWidth, float clientHeight,
                          const std::function<TakenSize(float side)>& setSide) {
    if (clientWidth > clientHeight) {
        const float width = setSide(clientHeight).width;
        return {(clientWidth - width) / 2, 0};
    }
    const float height = setSide(clientWidth).height;
    return {0, (clientHeight - height) / 2};
}

} // namespace rw
