// Fourier Wave: three sine harmonics along x plus three along y, scaled by the total amplitude.
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

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

    std::unique_ptr<ColumnModel> Columns(std::span<const float> ys) override;

private:
    class Fill;

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

// Level, a column at a time: the X series is the same down a whole column and each Y harmonic the
// same along a whole row, so a pixel only adds them up, in Level's order.
class FourierWaveModel::Fill final : public ColumnModel {
public:
    Fill(const FourierWaveModel& model, std::span<const float> ys) : model_(model) {
        const Series& sy = model_.series_[1];
        for (int h = 0; h < 3; ++h) {
            harmonics_[h].reserve(ys.size());
        }
        for (const float y : ys) {
            const double yd = y;
            harmonics_[0].push_back(sy.amplitude[0] * std::sin(yd + sy.phase[0]));
            harmonics_[1].push_back(sy.amplitude[1] * std::sin((yd + yd) + sy.phase[1]));
            harmonics_[2].push_back(sy.amplitude[2] * std::sin(yd * 3 + sy.phase[2]));
        }
    }

    void LevelColumn(float x, uint8_t* gray) const override {
        ForEachLevel(x, [gray](std::size_t j, float v) { gray[j] = GrayLevel(v); });
    }

    void RawLevelColumn(float x, float* levels) const override {
        ForEachLevel(x, [levels](std::size_t j, float v) { levels[j] = v; });
    }

private:
    template <class Sink> void ForEachLevel(float x, Sink&& sink) const {
        const std::size_t rows = harmonics_[0].size();
        const float total = model_.total_;
        if (total == 0.0f) {
            for (std::size_t j = 0; j < rows; ++j) {
                sink(j, 0.0f);
            }
            return;
        }
        const Series& sx = model_.series_[0];
        const double xd = x;
        const float u = static_cast<float>(sx.amplitude[0] * std::sin(xd + sx.phase[0]) +
                                           sx.amplitude[1] * std::sin((xd + xd) + sx.phase[1]) +
                                           sx.amplitude[2] * std::sin(xd * 3 + sx.phase[2]));
        const double* first = harmonics_[0].data();
        const double* second = harmonics_[1].data();
        const double* third = harmonics_[2].data();
        const float twiceTotal = model_.twiceTotal_;
        for (std::size_t j = 0; j < rows; ++j) {
            const float w = static_cast<float>(first[j] + u + second[j] + third[j]);
            sink(j, (total + w) * 256.0f / twiceTotal);
        }
    }

    const FourierWaveModel model_;
    std::vector<double> harmonics_[3]; // the Y operator's harmonics, amplitude included, per row
};

std::unique_ptr<ColumnModel> FourierWaveModel::Columns(std::span<const float> ys) {
    return std::make_unique<Fill>(*this, ys);
}

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
