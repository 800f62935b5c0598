// Exponential Wave: two exponential ramps (rising to the right and downwards) plus the absolute
// value of a nested sine, divided by a factor that keeps every level below 256.
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

#include "generators/generator_common.h"

namespace rw {
namespace {

// base^exponent for a whole-number exponent. Zero to a negative power has no value, and the
// sine of the power term has no limit as the base approaches 0 (it oscillates ever faster), so
// no neighbouring value could stand in for it either. That single column (x = 0) or row (y = 0)
// takes the power term as 0, as if the operator had no power term there. Any finite choice keeps
// |SX| <= 1 and with it the level in [0, 256); std::pow would give an infinity and then NaN.
double AmplitudePower(double base, double exponent) {
    if (base == 0.0 && exponent < 0.0) {
        return 0.0;
    }
    return std::pow(base, exponent);
}

class ExponentialWaveModel final : public TerrainModel {
public:
    explicit ExponentialWaveModel(const SliderValues& values)
        : orderX_(SliderAt(values, 0, 0)), amplitudeX_(SliderAt(values, 0, 1)),
          falloffX_(SliderAt(values, 0, 2)), orderY_(SliderAt(values, 1, 0)),
          amplitudeY_(SliderAt(values, 1, 1)), falloffY_(SliderAt(values, 1, 2)),
          shareX_(0.1353 * falloffX_), shareY_(0.1353 * falloffY_),
          divisor_(SliderAt(values, 0, 2) + SliderAt(values, 1, 2) + 1) {}

    float Level(float x, float y) const override {
        constexpr double e = std::numbers::e;
        float h = static_cast<float>(falloffX_ * std::exp(x / 5.0) / e);
        h = static_cast<float>(falloffY_ * std::exp(y / 5.0) / e + h);
        const double sy = std::sin(orderY_ * AmplitudePower(y, amplitudeY_));
        const double sx = std::sin(orderX_ * AmplitudePower(x, amplitudeX_) + sy);
        h = static_cast<float>(std::fabs(sx) + h);
        // Each ramp exp(x/5)/e is at least e^-2 > 0.1353 and below 1, so v lands in [0, 256);
        // only with both falloffs at 0 can |SX| = 1 reach 256, which is drawn 255.
        return static_cast<float>((h - shareX_ - shareY_) * 256 / divisor_);
    }

    std::unique_ptr<ColumnModel> Columns(std::span<const float> ys) override;

private:
    class Fill;

    double orderX_, amplitudeX_, falloffX_;
    double orderY_, amplitudeY_, falloffY_;
    double shareX_, shareY_; // the part of each ramp that never shows: 0.1353 per unit of falloff
    double divisor_;
};

// Level, a column at a time: the Y ramp and the inner sine SY once per row, the X ramp and the
// X power term once per column; a pixel adds the ramps, takes the outer sine and scales.
class ExponentialWaveModel::Fill final : public ColumnModel {
public:
    Fill(const ExponentialWaveModel& model, std::span<const float> ys) : model_(model) {
        constexpr double e = std::numbers::e;
        rows_.reserve(ys.size());
        for (const float y : ys) {
            rows_.push_back({model_.falloffY_ * std::exp(y / 5.0) / e,
                             std::sin(model_.orderY_ * AmplitudePower(y, model_.amplitudeY_))});
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
        constexpr double e = std::numbers::e;
        const float rampX = static_cast<float>(model_.falloffX_ * std::exp(x / 5.0) / e);
        const double powerX = model_.orderX_ * AmplitudePower(x, model_.amplitudeX_);
        const double shareX = model_.shareX_;
        const double shareY = model_.shareY_;
        const double divisor = model_.divisor_;
        for (std::size_t j = 0; j < rows_.size(); ++j) {
            float h = static_cast<float>(rows_[j].rampY + rampX);
            const double sx = std::sin(powerX + rows_[j].sy);
            h = static_cast<float>(std::fabs(sx) + h);
            sink(j, static_cast<float>((h - shareX - shareY) * 256 / divisor));
        }
    }

    struct Row {
        double rampY; // LY * exp(y / 5) / e, before it is rounded to single precision
        double sy;    // sin(OY * y^AY)
    };
    const ExponentialWaveModel model_;
    std::vector<Row> rows_;
};

std::unique_ptr<ColumnModel> ExponentialWaveModel::Columns(std::span<const float> ys) {
    return std::make_unique<Fill>(*this, ys);
}

std::unique_ptr<TerrainModel> MakeExponentialWave(const SliderValues& values) {
    return std::make_unique<ExponentialWaveModel>(values);
}

GeneratorTable BuildExponentialWave() {
    return GeneratorTable{
        "frmWave4",
        "Exponential Wave",
        "Exponential Wave ...",
        {{" Operator X",
          {kSkewedOrderRowX, kSignedAmplitudeRow, {"Falloff", 0, 10, 1, 5, 1, UniformRule<10, 0>}},
          2295},
         {" Operator Y ",
          {kSkewedOrderRowY, kSignedAmplitudeRow, {"Falloff", 0, 10, 1, 5, 1, UniformRule<11, 0>}},
          2295}},
        {},
        MakeExponentialWave};
}

} // namespace

const GeneratorTable& ExponentialWave() {
    static const GeneratorTable table = BuildExponentialWave();
    return table;
}

} // namespace rw
