#pragma once
// Twips (1/1440 inch) to pixels at the screen's real resolution.
#include <windows.h>

namespace rw::win {

// Logical pixels per inch of the screen (the process is DPI-aware, so this is the real value).
int ScreenDpi();
int TwipsToPixels(double twips);
double PixelsToTwips(int pixels);

} // namespace rw::win
