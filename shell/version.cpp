#include "shell/version.h"

namespace rw {

std::wstring AboutVersionLine(int major, int minor, int revision) {
    return L"Version " + std::to_wstring(major) + L"." + std::to_wstring(minor) + L" rev " +
           std::to_wstring(revision);
}

std::wstring SplashVersionLine(int major, int minor, int revision) {
    return L"Version " + std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
           std::to_wstring(revision);
}

} // namespace rw
