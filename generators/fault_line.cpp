// Fault line: two operators, each a power of one coordinate times a power of a nested sine; the
// sum is stretched over the whole gray range, which takes a survey of the field first.
#include <cmath>
#include <memory>
#include <vector>

#include "generators/generator_common.h"

namespace rw {
namespace {

// std::pow(base, exponent) for the whole-number orders, without the call where its result is
// known: pow(b, 0) is 1 for every b, and pow(b, 1) is b itself, the exact result, which a pow
// accurate to within one unit in the last place has to return (the tests check both of the
// library in use). Orders 0 and 1 are the common ones, and the power of the sine is the
// costliest call of a pixel.
double WholePower(double base, double exponent) {
    if (exponent == 0.0) {
        return 1.0;
    }
    if (exponent == 1.0) {
        return base;
    }
    return std::pow(base, exponent);
}

class FaultLineModel final : public TerrainModel {
public:
    explicit FaultLineModel(const SliderValues& values) {
        for (int n = 0; n < 2; ++n) {
            Operator& op = operators_[n];
            op.order1 = SliderAt(values, n, 0);
            op.order2 = SliderAt(values, n, 1);
            op.factor1 = FrequencyFactor(SliderAt(values, n, 2));
            op.factor2 = FrequencyFactor(SliderAt(values, n, 3));
        }
    }

    bool SurveysField() const override { return true; }

    void Survey(float x, float y) override {
        const float h = Field(x, y);
        if (h > hi_) {
            hi_ = h;
        }
        if (h < lo_) {
            lo_ = h;
        }
    }

    float Level(float x, float y) const override {
        // A flat field (every pixel the same height, e.g. all orders 0) has no range to stretch;
        // it is drawn mid-gray instead of dividing zero by zero. A model that never surveyed
        // anything has hi < lo and takes the same way out.
        if (!(hi_ > lo_)) {
            return kFlatLevel;
        }
        return (Field(x, y) - lo_) * 256.0f / (hi_ - lo_);
    }

    static constexpr float kFlatLevel = 128.0f;

    std::unique_ptr<ColumnModel> Columns(std::span<const float> ys) override;

private:
    class Fill;

    struct Operator {
        double order1 = 1, order2 = 1; // "Order 1" and "Order 2", as doubles for std::pow
        float factor1 = 1, factor2 = 1;

        // along^order1 * sin(factor1*along + cos(factor2*across))^order2. Operator 1 runs along
        // x, operator 2 along y.
        double Term(double along, double across) const {
            const double s = std::sin(factor1 * along + std::cos(factor2 * across));
            return std::pow(along, order1) * std::pow(s, order2);
        }
    };

    float Field(float x, float y) const {
        const float t = static_cast<float>(operators_[0].Term(x, y));
        return static_cast<float>(operators_[1].Term(y, x) + t);
    }

    Operator operators_[2];
    float lo_ = 1e10f;
    float hi_ = -1e10f;
};

// Field and Level, a column at a time. Operator 1 runs along x: its power of x and its frequency
// term are per column, the cosine of y per row. Operator 2 runs along y: the other way round.
// A pixel is left with the two sines and the two powers of the sines.
class FaultLineModel::Fill final : public ColumnModel {
public:
    Fill(const FaultLineModel& model, std::span<const float> ys) : model_(model) {
        const Operator& op1 = model_.operators_[0];
        const Operator& op2 = model_.operators_[1];
        rows_.reserve(ys.size());
        for (const float y : ys) {
            const double yd = y;
            rows_.push_back(
                {std::cos(op1.factor2 * yd), std::pow(yd, op2.order1), op2.factor1 * yd});
        }
    }

    FieldRange SurveyColumn(float x) const override {
        FieldRange range;
        ForEachField(x, [&](std::size_t, float h) { range.Add(h); });
        return range;
    }

    void Surveyed(const FieldRange& range) override {
        model_.lo_ = range.lo;
        model_.hi_ = range.hi;
    }

    void LevelColumn(float x, uint8_t* gray) const override {
        ForEachLevel(x, [gray](std::size_t j, float v) { gray[j] = GrayLevel(v); });
    }

    void RawLevelColumn(float x, float* levels) const override {
        ForEachLevel(x, [levels](std::size_t j, float v) { levels[j] = v; });
    }

private:
    struct Row {
        double cosine1; // operator 1: cos(factor2 * y)
        double power2;  // operator 2: y^order1
        double phase2;  // operator 2: factor1 * y
    };

    template <class Sink> void ForEachLevel(float x, Sink&& sink) const {
        const float lo = model_.lo_;
        const float hi = model_.hi_;
        if (!(hi > lo)) {
            for (std::size_t j = 0; j < rows_.size(); ++j) {
                sink(j, kFlatLevel);
            }
            return;
        }
        ForEachField(x, [&](std::size_t j, float h) { sink(j, (h - lo) * 256.0f / (hi - lo)); });
    }

    template <class Sink> void ForEachField(float x, Sink&& sink) const {
        const Operator& op1 = model_.operators_[0];
        const Operator& op2 = model_.operators_[1];
        const double xd = x;
        const double power1 = std::pow(xd, op1.order1);
        const double phase1 = op1.factor1 * xd;
        const double cosine2 = std::cos(op2.factor2 * xd);
        for (std::size_t j = 0; j < rows_.size(); ++j) {
            const Row& row = rows_[j];
            const double s1 = std::sin(phase1 + row.cosine1);
            const float t = static_cast<float>(power1 * WholePower(s1, op1.order2));
            const double s2 = std::sin(row.phase2 + cosine2);
            sink(j, static_cast<float>(row.power2 * WholePower(s2, op2.order2) + t));
        }
    }

    FaultLineModel model_;
    std::vector<Row> rows_;
};

std::unique_ptr<ColumnModel> FaultLineModel::Columns(std::span<const float> ys) {
    return std::make_unique<Fill>(*this, ys);
}

std::unique_ptr<TerrainModel> MakeFaultLine(const SliderValues& values) {
    return std::make_unique<FaultLineModel>(values);
}

GeneratorTable BuildFaultLine() {
    const std::vector<SliderRow> rows = {
        {"Order 1", 0, 5, 1, 5, 1, UniformRule<6, 0>},
        {"Order 2", 0, 5, 1, 5, 1, UniformRule<6, 0>},
        {"Frequency 1", -10, 10, 0, 5, 0, UniformRule<21, -10>},
        {"Frequency 2", -10, 10, 0, 5, 0, UniformRule<21, -10>},
    };
    return GeneratorTable{"frmFault1",
                          "Fault line",
                          "Fault line ...",
                          {{" Operator 1 ", rows, 3015}, {" Operator 2 ", rows, 3015}},
                          {},
                          MakeFaultLine};
}

} // namespace

const GeneratorTable& FaultLine() {
    static const GeneratorTable table = BuildFaultLine();
    return table;
}

} // namespace rw
