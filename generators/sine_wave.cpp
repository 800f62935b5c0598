// Sine Wave: a blend of two operators, each the sine of a power of x plus a power of y.
#include <cmath>
#include <memory>
#include <vector>

#include "generators/generator_common.h"

namespace rw {
namespace {

class SineWaveModel final : public TerrainModel {
public:
    explicit SineWaveModel(const SliderValues& values) {
        for (int n = 0; n < 2; ++n) {
            Operator& op = operators_[n];
            op.offsetX = SliderAt(values, n, 0);
            op.offsetY = SliderAt(values, n, 1);
            op.factorX = FrequencyFactor(SliderAt(values, n, 2));
            op.factorY = FrequencyFactor(SliderAt(values, n, 3));
            op.orderX = SliderAt(values, n, 4);
            op.orderY = SliderAt(values, n, 5);
        }
        b_ = static_cast<float>((SliderAt(values, 0, 6) + 10) / 20.0);
        a_ = 1.0f - b_;
    }

    float Level(float x, float y) const override {
        float t = static_cast<float>(a_ * operators_[0].Sine(x, y));
        t = static_cast<float>(b_ * operators_[1].Sine(x, y) + t);
        return (t + 2.0f) * 64.0f;
    }

    std::unique_ptr<ColumnModel> Columns(std::span<const float> ys) override;

private:
    class Fill;

    struct Operator {
        // Offsets and orders are held as doubles so the per-pixel arithmetic converts nothing.
        double offsetX = 0, offsetY = 0;
        double orderX = 1, orderY = 1;
        float factorX = 1, factorY = 1;

        // A negative base is fine: the exponents are whole numbers.
        double Sine(float x, float y) const {
            return std::sin(factorX * std::pow(x - offsetX, orderX) +
                            factorY * std::pow(y - offsetY, orderY));
        }
    };

    Operator operators_[2];
    float a_ = 0.5f; // weight of operator 1
    float b_ = 0.5f; // weight of operator 2
};

// Level, a column at a time: each operator's power of y once per row, its power of x once per
// column, and per pixel only the two sines and the blend.
class SineWaveModel::Fill final : public ColumnModel {
public:
    Fill(const SineWaveModel& model, std::span<const float> ys) : model_(model) {
        const Operator* ops = model_.operators_;
        sameOperators_ = ops[0].offsetX == ops[1].offsetX && ops[0].offsetY == ops[1].offsetY &&
                         ops[0].orderX == ops[1].orderX && ops[0].orderY == ops[1].orderY &&
                         ops[0].factorX == ops[1].factorX && ops[0].factorY == ops[1].factorY;
        for (int n = 0; n < 2; ++n) {
            const Operator& op = model_.operators_[n];
            rowTerms_[n].reserve(ys.size());
            for (const float y : ys) {
                rowTerms_[n].push_back(op.factorY * std::pow(y - op.offsetY, op.orderY));
            }
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
        const Operator* ops = model_.operators_;
        const double columnTerm0 = ops[0].factorX * std::pow(x - ops[0].offsetX, ops[0].orderX);
        const double columnTerm1 = ops[1].factorX * std::pow(x - ops[1].offsetX, ops[1].orderX);
        const double* rowTerm0 = rowTerms_[0].data();
        const double* rowTerm1 = rowTerms_[1].data();
        const std::size_t rows = rowTerms_[0].size();
        if (sameOperators_) {
            // Equal sliders in both operators (as after Reset) make the two sines one and the
            // same value.
            for (std::size_t j = 0; j < rows; ++j) {
                const double sine = std::sin(columnTerm0 + rowTerm0[j]);
                float t = static_cast<float>(model_.a_ * sine);
                t = static_cast<float>(model_.b_ * sine + t);
                sink(j, (t + 2.0f) * 64.0f);
            }
            return;
        }
        for (std::size_t j = 0; j < rows; ++j) {
            float t = static_cast<float>(model_.a_ * std::sin(columnTerm0 + rowTerm0[j]));
            t = static_cast<float>(model_.b_ * std::sin(columnTerm1 + rowTerm1[j]) + t);
            sink(j, (t + 2.0f) * 64.0f);
        }
    }

    const SineWaveModel model_;
    std::vector<double> rowTerms_[2];
    bool sameOperators_ = false;
};

std::unique_ptr<ColumnModel> SineWaveModel::Columns(std::span<const float> ys) {
    return std::make_unique<Fill>(*this, ys);
}

std::unique_ptr<TerrainModel> MakeSineWave(const SliderValues& values) {
    return std::make_unique<SineWaveModel>(values);
}

GeneratorTable BuildSineWave() {
    std::vector<SliderRow> rows = {
        {"X Offset", -10, 10, 0, 5, 0, UniformRule<21, -10>},
        {"Y Offset", -10, 10, 0, 5, 0, UniformRule<21, -10>},
        {"X Frequency", -10, 10, 0, 5, 0, SkewedRule<21, -10>},
        {"Y Frequency", -10, 10, 0, 5, 0, SkewedRule<21, -10>},
        {"X Order", 1, 4, 2, 1, 2, SkewedRule<4, 1>},
        {"Y Order", 1, 4, 2, 1, 2, SkewedRule<4, 1>},
    };
    // Operator 2 has the same rows; only operator 1 carries the Blend.
    std::vector<SliderRow> withBlend = rows;
    withBlend.push_back({"Blend", -10, 10, 0, 1, 0, UniformRule<21, -10>});
    return GeneratorTable{
        "frmWave1",
        "Sine Wave",
        "Sine Wave ...",
        {{" Operator 1 ", std::move(withBlend)}, {" Operator 2 ", std::move(rows)}},
        {},
        MakeSineWave};
}

} // namespace

const GeneratorTable& SineWave() {
    static const GeneratorTable table = BuildSineWave();
    return table;
}

} // namespace rw
