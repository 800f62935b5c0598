#include "lumbra32/suites/color_suite.h"

#include "lumbra32/color_convert.h"
#include "lumbra32/host_state.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace lumbra {
namespace {

using pi::ColorID;
using pi::SPErr;

constexpr int16_t kInvalidSamplePoint = -30903;

// The user's pick, starting from `rgb`; false when cancelled or when there is no picker.
bool Pick(const std::string& prompt, uint8_t rgb[3]) {
    const HostState& s = State();
    return s.platform.chooseColor &&
           s.platform.chooseColor(s.call ? s.call->OwnerWindow() : 0, prompt, rgb);
}

void ToComponents(const uint8_t rgb[3], int16_t components[4]) {
    components[0] = rgb[0];
    components[1] = rgb[1];
    components[2] = rgb[2];
    components[3] = 0;
}

int16_t LUMBRA_PI_CALL ColorServices(pi::ColorServicesInfo* info) {
    // The fields up to and including the selector's parameter must be there.
    if (!info || info->infoSize < static_cast<int32_t>(sizeof(pi::ColorServicesInfo)) ||
        info->reservedSourceSpaceInfo || info->reservedResultSpaceInfo || info->reserved) {
        return pi::kParamErr;
    }
    int16_t result = info->resultSpace;
    switch (info->selector) {
    case pi::kChooseColor: {
        int16_t rgbComponents[4];
        std::copy(info->colorComponents, info->colorComponents + 4, rgbComponents);
        if (!ConvertColor(info->sourceSpace, pi::kRgbSpace, rgbComponents)) {
            return pi::kParamErr;
        }
        std::string prompt;
        if (const uint8_t* p = info->selectorParameter.pickerPrompt) {
            prompt.assign(reinterpret_cast<const char*>(p + 1), p[0]);
        }
        uint8_t rgb[3] = {uint8_t(rgbComponents[0]), uint8_t(rgbComponents[1]),
                          uint8_t(rgbComponents[2])};
        if (!Pick(prompt, rgb)) {
            return pi::kUserCanceled;
        }
        ToComponents(rgb, info->colorComponents);
        info->sourceSpace = pi::kRgbSpace;
        break;
    }
    case pi::kConvertColor:
        break;
    case pi::kGetSpecialColor: {
        int32_t which = info->selectorParameter.specialColorID;
        if ((which != pi::kForegroundColor && which != pi::kBackgroundColor) || !State().call) {
            return pi::kParamErr;
        }
        uint8_t rgb[3];
        State().call->SpecialColor(which, rgb);
        ToComponents(rgb, info->colorComponents);
        info->sourceSpace = pi::kRgbSpace;
        break;
    }
    case pi::kSamplePoint:
        return kInvalidSamplePoint; // no image window to sample
    default:
        return pi::kParamErr;
    }
    if (result == pi::kChosenSpace) {
        result = info->sourceSpace;
    }
    if (!ConvertColor(info->sourceSpace, result, info->colorComponents)) {
        return pi::kParamErr;
    }
    info->resultSpace = result;
    info->resultGamutInfoValid = 0;
    return pi::kNoErr;
}

// ---- PICA colour-space suite: colours by id -------------------------------------------------

HostState::Colour* Find(ColorID id) {
    auto it = State().colours.find(id);
    return it == State().colours.end() ? nullptr : &it->second;
}

SPErr LUMBRA_PI_CALL Make(ColorID* id) {
    if (!id) {
        return pi::kSPBadParameterError;
    }
    HostState& s = State();
    *id = s.nextColour++;
    s.colours[*id] = HostState::Colour{pi::kRgbSpace, {0, 0, 0, 0}};
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL Delete(ColorID* id) {
    if (!id || !State().colours.erase(*id)) {
        return pi::kSPBadParameterError;
    }
    *id = 0;
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL StuffComponents(ColorID id, int16_t space, uint8_t c0, uint8_t c1, uint8_t c2,
                                     uint8_t c3) {
    HostState::Colour* c = Find(id);
    if (!c || space < pi::kRgbSpace || space > pi::kXyzSpace) {
        return pi::kSPBadParameterError;
    }
    *c = HostState::Colour{space, {c0, c1, c2, c3}};
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL ExtractComponents(ColorID id, int16_t space, uint8_t* c0, uint8_t* c1,
                                       uint8_t* c2, uint8_t* c3, pi::Boolean* gamut) {
    HostState::Colour* c = Find(id);
    if (!c || !c0 || !c1 || !c2 || !c3) {
        return pi::kSPBadParameterError;
    }
    uint8_t v[4] = {c->components[0], c->components[1], c->components[2], c->components[3]};
    if (!ConvertColor8(c->space, space, v)) {
        return pi::kSPBadParameterError;
    }
    *c0 = v[0], *c1 = v[1], *c2 = v[2], *c3 = v[3];
    if (gamut) {
        *gamut = 1;
    }
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL StuffXYZ(ColorID id, pi::CS_XYZ xyz) {
    auto eight = [](uint16_t v) { return static_cast<uint8_t>(std::min<uint16_t>(v, 255)); };
    return StuffComponents(id, pi::kXyzSpace, eight(xyz.x), eight(xyz.y), eight(xyz.z), 0);
}

SPErr LUMBRA_PI_CALL ExtractXYZ(ColorID id, pi::CS_XYZ* xyz) {
    uint8_t x, y, z, unused;
    if (!xyz) {
        return pi::kSPBadParameterError;
    }
    SPErr e = ExtractComponents(id, pi::kXyzSpace, &x, &y, &z, &unused, nullptr);
    if (e == pi::kSPNoError) {
        *xyz = pi::CS_XYZ{x, y, z};
    }
    return e;
}

SPErr LUMBRA_PI_CALL Convert8(int16_t from, int16_t to, void* colors, int16_t count) {
    if (!colors || count < 0) {
        return pi::kSPBadParameterError;
    }
    auto* c = static_cast<uint8_t*>(colors);
    for (int16_t i = 0; i < count; ++i) {
        if (!ConvertColor8(from, to, c + 4 * i)) {
            return pi::kSPBadParameterError;
        }
    }
    return pi::kSPNoError;
}

// Sixteen-bit components run 0..32768, as the host's 16-bit images do.
uint8_t To8(uint16_t v) {
    return static_cast<uint8_t>((std::min<uint32_t>(v, 32768) * 255 + 16384) / 32768);
}
uint16_t To16(uint8_t v) {
    return static_cast<uint16_t>((v * 32768 + 127) / 255);
}

SPErr LUMBRA_PI_CALL Convert16(int16_t from, int16_t to, void* colors, int16_t count) {
    if (!colors || count < 0) {
        return pi::kSPBadParameterError;
    }
    auto* c = static_cast<uint16_t*>(colors);
    for (int16_t i = 0; i < count; ++i) {
        uint8_t v[4];
        std::transform(c + 4 * i, c + 4 * i + 4, v, To8);
        if (!ConvertColor8(from, to, v)) {
            return pi::kSPBadParameterError;
        }
        std::transform(v, v + 4, c + 4 * i, To16);
    }
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL GetNativeSpace(ColorID id, int16_t* space) {
    HostState::Colour* c = Find(id);
    if (!c || !space) {
        return pi::kSPBadParameterError;
    }
    *space = c->space;
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL IsBookColor(ColorID id, pi::Boolean* isBook) {
    if (!Find(id) || !isBook) {
        return pi::kSPBadParameterError;
    }
    *isBook = 0;
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL ExtractColorName(ColorID, void**) {
    return pi::kSPUnimplementedError; // no colour books, so no names
}

SPErr LUMBRA_PI_CALL PickColor(ColorID* id, void*) {
    if (!id) {
        return pi::kSPBadParameterError;
    }
    uint8_t start[4] = {0, 0, 0, 0};
    if (HostState::Colour* c = Find(*id)) {
        std::copy(c->components, c->components + 4, start);
        ConvertColor8(c->space, pi::kRgbSpace, start);
    }
    uint8_t rgb[3] = {start[0], start[1], start[2]};
    if (!Pick({}, rgb)) {
        return pi::kSPUserCanceledError;
    }
    if (!Find(*id)) {
        Make(id);
    }
    return StuffComponents(*id, pi::kRgbSpace, rgb[0], rgb[1], rgb[2], 0);
}

SPErr LUMBRA_PI_CALL Convert8to16(void* in, void* out, int16_t count) {
    if (!in || !out || count < 0) {
        return pi::kSPBadParameterError;
    }
    std::transform(static_cast<uint8_t*>(in), static_cast<uint8_t*>(in) + 4 * count,
                   static_cast<uint16_t*>(out), To16);
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL Convert16to8(void* in, void* out, int16_t count) {
    if (!in || !out || count < 0) {
        return pi::kSPBadParameterError;
    }
    std::transform(static_cast<uint16_t*>(in), static_cast<uint16_t*>(in) + 4 * count,
                   static_cast<uint8_t*>(out), To8);
    return pi::kSPNoError;
}

SPErr LUMBRA_PI_CALL ConvertToMonitorRGB(int16_t from, void* in, void* out, int16_t count) {
    if (!in || !out || count < 0) {
        return pi::kSPBadParameterError;
    }
    std::copy(static_cast<uint8_t*>(in), static_cast<uint8_t*>(in) + 4 * count,
              static_cast<uint8_t*>(out));
    return Convert8(from, pi::kRgbSpace, out, count);
}

const pi::PSColorSpaceSuite1 g_suite = {
    Make,         Delete,       StuffComponents,    ExtractComponents, StuffXYZ,         ExtractXYZ,
    Convert8,     Convert16,    GetNativeSpace,     IsBookColor,       ExtractColorName, PickColor,
    Convert8to16, Convert16to8, ConvertToMonitorRGB};

} // namespace

pi::ColorServicesProc ColorServicesSuite() {
    return ColorServices;
}
const pi::PSColorSpaceSuite1* PicaColorSpaceSuite1() {
    return &g_suite;
}

} // namespace lumbra
