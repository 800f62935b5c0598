#pragma once
// The program's version, shared by the About box, the splash and the version resource.
#define RW_VERSION_MAJOR 1
#define RW_VERSION_MINOR 1
#define RW_VERSION_REVISION 0
#define RW_VERSION_TEXT "1.1.0.0"

#ifndef RC_INVOKED
#include <string>

namespace rw {

// "Version 1.1 rev 0", as the About box shows it.
std::wstring AboutVersionLine(int major, int minor, int revision);
// "Version 1.1.0", as the splash shows it.
std::wstring SplashVersionLine(int major, int minor, int revision);

} // namespace rw
#endif
