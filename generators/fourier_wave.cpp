// Fourier Wave: three sine harmonics along x plus three along y, scaled by the total amplitude.
#include <cmath>
#include <memory>
#include <numbers>

#include "generators/generator_common.h"

namespace rw {
namespace {

class FourierWaveModel final : public TerrainModel {
public:
    explicit FourierWaveModel(const SliderValues& values) {
        int32_t total = 0;
        for (int n = 0; n < 2; ++n) {
            for (int h = 0; h < 3; ++h) {
                const int32_t amplitude = SliderAt(values, n, 2 * h);
                total += amplitude;
                series_[n].amplitude[h] = amplitude;
                series_[n].phase[h] = PhaseAngle(SliderAt(values, n, 2 * h + 1));
            }
        }
        total_ = static_cast<float>(total);
        twiceTotal_ = 2.0f * total_;
    }

    float Level(float x, float y) const override {
        if (total_ == 0.0f) {
            return 0.0f;
        }
        const Series& sx = series_[0];
        const Series& sy = series_[1];
        const double xd = x;
        const double yd = y;
        const float u = static_cast<float>(sx.amplitude[0] * std::sin(xd + sx.phase[0]) +
                                           sx.amplitude[1] * std::sin((xd + xd) + sx.phase[1]) +
                                           sx.amplitude[2] * std::sin(xd * 3 + sx.phase[2]));
        const float w = static_cast<float>(sy.amplitude[0] * std::sin(yd + sy.phase[0]) + u +
                                           sy.amplitude[1] * std::sin((yd + yd) + sy.phase[1]) +
                                           sy.amplitude[2] * std::sin(yd * 3 + sy.phase[2]));
        // |w| <= total, so v stays in [0, 256].
        return (total_ + w) * 256.0f / twiceTotal_;
    }

private:
    // Degrees to radians: p * pi / 180 in double, kept in single precision.
    static float PhaseAngle(int32_t degrees) {
        return static_cast<float>(degrees * std::numbers::pi / 180.0);
    }

    struct Series {
        double amplitude[3] = {};
        float phase[3] = {};
    };

    Series series_[2];
    float total_ = 0.0f;
    float twiceTotal_ = 0.0f;
};

std::unique_ptr<TerrainModel> MakeFourierWave(const SliderValues& values) {
    return std::make_unique<FourierWaveModel>(values);
}

GeneratorTable BuildFourierWave() {
    const std::vector<SliderRow> rows = {
        {"Amplitude 1", 0, 10, 1, 5, 0, UniformRule<11, 0>},
        {"Phase 1", -180, 180, 0, 5, 0, UniformRule<360, -180>},
        {"Amplitude 2", 0, 10, 1, 5, 0, UniformRule<11, 0>},
        {"Phase 2", -180, 180, 0, 5, 0, UniformRule<360, -180>},
        {"Amplitude 3", 0, 10, 1, 1, 0, UniformRule<11, 0>},
        {"Phase 3", -180, 180, 0, 1, 0, UniformRule<360, -180>},
    };
    return GeneratorTable{"frmWave2",
                          "Fourier Wave",
                          "Fourier Wave ...",
                          {{" Operator X ", rows}, {" Operator Y ", rows}},
                          {},
                          MakeFourierWave};
}

} // namespace

const GeneratorTable& FourierWave() {
    static const GeneratorTable table = BuildFourierWave();
    return table;
}

} // namespace rw
