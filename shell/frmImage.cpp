#include "shell/frmImage.h"

#include <memory>

namespace {

std::unique_ptr<frmImage>& Slot() {
    static std::unique_ptr<frmImage> instance;
    return instance;
}

} // namespace

frmImage& frmImage::Instance() {
    auto& slot = Slot();
    if (!slot || !slot->hwnd()) {
        slot.reset(new frmImage());
    }
    return *slot;
}

bool frmImage::Loaded() {
    return Slot() && Slot()->hwnd();
}

frmImage::frmImage() {
    static const rw::win::WindowClass cls{L"RidgewrightScratch"};
    Create(cls, 0, L"frmImage", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr);
    Lumbra1.CreateChild(hwnd(), 1);
}

frmImage::~frmImage() {
    Destroy();
}
