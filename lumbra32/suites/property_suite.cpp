#include "lumbra32/suites/property_suite.h"

#include "lumbra32/host_state.h"
#include "lumbra32/suites/handle_suite.h"

#include <cstring>
#include <string>

namespace lumbra {
namespace {

using pi::Handle;
namespace prop = pi::prop;

constexpr pi::Fixed kOne = 1 << 16;

int16_t Simple(intptr_t* out, intptr_t value) {
    if (!out) {
        return pi::kParamErr;
    }
    *out = value;
    return pi::kNoErr;
}

int16_t Complex(Handle* out, const void* bytes, size_t size) {
    if (!out) {
        return pi::kParamErr;
    }
    *out = NewHandleWith(bytes, size);
    return *out ? pi::kNoErr : pi::kMemFull;
}

int16_t Text(Handle* out, const std::string& text) {
    return Complex(out, text.data(), text.size());
}

// An interface colour as the property gives it: the colour for full colour depth, then for a
// two-colour display, each three 16-bit components.
int16_t InterfaceColour(Handle* out, int32_t index) {
    uint8_t rgb[3];
    const PlatformServices& p = State().platform;
    if (index < 1 || index > 14 || !p.interfaceColor || !p.interfaceColor(index, rgb)) {
        return pi::kPropertyUndefined;
    }
    uint16_t colour[6];
    for (int i = 0; i < 3; ++i) {
        colour[i] = static_cast<uint16_t>(rgb[i] * 257);
    }
    bool light = rgb[0] + rgb[1] + rgb[2] >= 3 * 128;
    for (int i = 3; i < 6; ++i) {
        colour[i] = light ? 0xFFFF : 0;
    }
    return Complex(out, colour, sizeof colour);
}

int16_t LUMBRA_PI_CALL GetProperty(uint32_t signature, uint32_t key, int32_t index,
                                   intptr_t* simple, Handle* complex) {
    if (signature != pi::kPhotoshopSignature) {
        return pi::kPropertyUndefined;
    }
    HostState& s = State();
    int32_t width = s.call ? s.call->ImageWidth() : 0;
    int32_t height = s.call ? s.call->ImageHeight() : 0;
    switch (key) {
    case prop::kNumberOfChannels:
        return Simple(simple, 3);
    case prop::kImageMode:
        return Simple(simple, pi::kImageModeRgb);
    case prop::kChannelName: {
        static const char* const names[] = {"Red", "Green", "Blue"};
        if (index < 0 || index > 2) {
            return pi::kPropertyUndefined;
        }
        return Text(complex, names[index]);
    }
    case prop::kNumberOfPaths:
    case prop::kNumberOfLayers:
    case prop::kTargetLayerIndex:
    case prop::kPlayInProgress:
    case prop::kRecordInProgress:
    case prop::kRulerUnits: // pixels
    case prop::kRulerOriginH:
    case prop::kRulerOriginV:
    case prop::kWatermark:
    case prop::kHighDpi:
        return Simple(simple, 0);
    case prop::kWorkPathIndex:
    case prop::kClippingPathIndex:
    case prop::kTargetPathIndex:
        return Simple(simple, -1); // no paths
    case prop::kBigNudgeH:
    case prop::kBigNudgeV:
        return Simple(simple, 10 * kOne);
    case prop::kInterpolationMethod:
        return Simple(simple, 2); // bilinear
    case prop::kGridMajor:
        return Simple(simple, kOne);
    case prop::kGridMinor:
        return Simple(simple, 4);
    case prop::kWatchSuspension:
        return Simple(simple, s.watchSuspension);
    case prop::kCopyright:
    case prop::kCopyright2:
        return Simple(simple, s.copyright);
    case prop::kDocumentWidth:
        return Simple(simple, width);
    case prop::kDocumentHeight:
        return Simple(simple, height);
    case prop::kToolTips:
        return Simple(simple, 1);
    case prop::kVersion:
        return Simple(simple, kHostVersion);
    case prop::kSerialString:
    case prop::kSerialString2:
        return Text(complex, "0");
    case prop::kTitle:
        return Text(complex, kDocumentTitle);
    case prop::kUnicodeName: {
        std::u16string title(kDocumentTitle, kDocumentTitle + std::strlen(kDocumentTitle));
        return Complex(complex, title.data(), title.size() * sizeof(char16_t));
    }
    case prop::kCaption:
    case prop::kURL:
        return Text(complex, {});
    case prop::kInterfaceColor:
        return InterfaceColour(complex, index);
    default:
        return pi::kPropertyUndefined;
    }
}

int16_t LUMBRA_PI_CALL SetProperty(uint32_t signature, uint32_t key, int32_t, intptr_t simple,
                                   Handle) {
    if (signature != pi::kPhotoshopSignature) {
        return pi::kPropertyUndefined;
    }
    switch (key) {
    case prop::kWatchSuspension:
        State().watchSuspension = simple;
        return pi::kNoErr;
    case prop::kCopyright:
    case prop::kCopyright2:
        State().copyright = simple ? 1 : 0;
        return pi::kNoErr;
    // Accepted and forgotten: nothing of the document outlives the run.
    case prop::kWatermark:
    case prop::kCaption:
    case prop::kURL:
    case prop::kBigNudgeH:
    case prop::kBigNudgeV:
    case prop::kGridMajor:
    case prop::kGridMinor:
    case prop::kRulerOriginH:
    case prop::kRulerOriginV:
        return pi::kNoErr;
    default:
        return pi::kPropertyUndefined;
    }
}

pi::PropertyProcs g_procs = {1, 2, GetProperty, SetProperty};
const pi::PropertyProcs g_suite = {1, 2, GetProperty, SetProperty};

} // namespace

pi::PropertyProcs* PropertyProcsSuite() {
    return &g_procs;
}
const pi::PropertyProcs* PicaPropertySuite1() {
    return &g_suite;
}

} // namespace lumbra
