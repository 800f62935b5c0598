#include "win32/dpi.h"

#include <cmath>

namespace rw::win {

int ScreenDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int value = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int TwipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips * ScreenDpi() / 1440.0));
}

double PixelsToTwips(int pixels) {
    return pixels * 1440.0 / ScreenDpi();
}

} // namespace rw::win
