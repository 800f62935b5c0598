// FM Wave: the sine of a phase made of a power term and an inner sine per coordinate; the inner
// sines are added to the phase (Variant 1) or multiplied together first (Variant 2).
#include <cmath>
#include <memory>
#include <vector>

#include "generators/generator_common.h"

namespace rw {
namespace {

class FmWaveModel final : public TerrainModel {
public:
    explicit FmWaveModel(const SliderValues& values)
        : orderX_(SliderAt(values, 0, 0)), amplitudeX_(SliderAt(values, 0, 1)),
          frequencyX_(SliderAt(values, 0, 2)), orderY_(SliderAt(values, 1, 0)),
          amplitudeY_(SliderAt(values, 1, 1)), frequencyY_(SliderAt(values, 1, 2)),
          multiplySines_(values.variant == 1) {}

    float Level(float x, float y) const override {
        const double px = frequencyX_ * std::pow(x, orderX_);
        const double py = frequencyY_ * std::pow(y, orderY_);
        const double sx = std::sin(amplitudeX_ * x);
        const double sy = std::sin(amplitudeY_ * y);
        const double phase = multiplySines_ ? py + px + sy * sx : py + px + sx + sy;
        const float w = static_cast<float>(std::sin(phase));
        return (w + 1.0f) * 128.0f;
    }

    std::unique_ptr<ColumnModel> Columns(std::span<const float> ys) override;

private:
    class Fill;

    double orderX_, amplitudeX_, frequencyX_;
    double orderY_, amplitudeY_, frequencyY_;
    bool multiplySines_;
};

// Level, a column at a time: the power term and the inner sine of y once per row, those of x once
// per column; a pixel adds them up in Level's order and takes the outer sine.
class FmWaveModel::Fill final : public ColumnModel {
public:
    Fill(const FmWaveModel& model, std::span<const float> ys) : model_(model) {
        rows_.reserve(ys.size());
        for (const float y : ys) {
            rows_.push_back({model_.frequencyY_ * std::pow(y, model_.orderY_),
                             std::sin(model_.amplitudeY_ * y)});
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
        const double px = model_.frequencyX_ * std::pow(x, model_.orderX_);
        const double sx = std::sin(model_.amplitudeX_ * x);
        const std::size_t rows = rows_.size();
        if (model_.multiplySines_) {
            for (std::size_t j = 0; j < rows; ++j) {
                const double phase = rows_[j].py + px + rows_[j].sy * sx;
                sink(j, (static_cast<float>(std::sin(phase)) + 1.0f) * 128.0f);
            }
        } else {
            for (std::size_t j = 0; j < rows; ++j) {
                const double phase = rows_[j].py + px + sx + rows_[j].sy;
                sink(j, (static_cast<float>(std::sin(phase)) + 1.0f) * 128.0f);
            }
        }
    }

    struct Row {
        double py; // FY * y^OY
        double sy; // sin(AY * y)
    };
    const FmWaveModel model_;
    std::vector<Row> rows_;
};

std::unique_ptr<ColumnModel> FmWaveModel::Columns(std::span<const float> ys) {
    return std::make_unique<Fill>(*this, ys);
}

std::unique_ptr<TerrainModel> MakeFmWave(const SliderValues& values) {
    return std::make_unique<FmWaveModel>(values);
}

GeneratorTable BuildFmWave() {
    return GeneratorTable{
        "frmWave3",
        "FM Wave 1",
        "FM Wave ...",
        {{" Operator X",
          {kSkewedOrderRowX, kSignedAmplitudeRow, {"Frequency", 0, 4, 1, 5, 1, UniformRule<5, 0>}},
          2295},
         {" Operator Y ",
          {kSkewedOrderRowY, kSignedAmplitudeRow, {"Frequency", 0, 4, 1, 5, 2, UniformRule<5, 0>}},
          2295}},
        {"Variant 1", "Variant 2"},
        MakeFmWave};
}

} // namespace

const GeneratorTable& FmWave() {
    static const GeneratorTable table = BuildFmWave();
    return table;
}

} // namespace rw
