#include "program/frmImage.h"

#include <ocidl.h>
#include <shlwapi.h>

#include <memory>

namespace {

std::unique_ptr<frmImage>& Slot() {
    static std::unique_ptr<frmImage> instance;
    return instance;
}

// lumbraplug's PlugIn class, and PlugIn1's saved form data (format 0x202, extent 5080 x 5080).
const CLSID kPlugInClass = {
    0x6a1d4c11, 0x5b3e, 0x4f11, {0x9c, 0x27, 0x1e, 0x8b, 0x30, 0xd4, 0xa6, 0xf5}};
const BYTE kPlugIn1Form[12] = {0x02, 0x02, 0, 0, 0xD8, 0x13, 0, 0, 0xD8, 0x13, 0, 0};

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
    LoadPlugIn1();
}

frmImage::~frmImage() {
    PlugIn1.Reset();
    Destroy();
}

void frmImage::LoadPlugIn1() {
    rw::com::ComPtr<IUnknown> control;
    if (FAILED(CoCreateInstance(kPlugInClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                control.PutVoid()))) {
        return;
    }
    rw::com::ComPtr<IPersistStreamInit> persist;
    if (FAILED(control.As(persist))) {
        return;
    }
    const auto stream =
        rw::com::ComPtr<IStream>::Attach(SHCreateMemStream(kPlugIn1Form, sizeof kPlugIn1Form));
    if (stream && SUCCEEDED(persist->Load(stream.Get()))) {
        PlugIn1 = control;
    }
}
