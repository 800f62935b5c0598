#pragma once
// Shared by the generator tests: scripted random numbers and renders into plain gray grids.
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <vector>

#include "generators/generator_table.h"
#include "core/numerics.h"
#include "generators/render_loop.h"

namespace rw::test {

// Hands out the given numbers in order; a draw beyond the script is a test failure.
class ScriptedRandom final : public RandomSource {
public:
    ScriptedRandom(std::initializer_list<float> numbers) : numbers_(numbers) {}
    float Rnd() override {
        if (next_ >= numbers_.size()) {
            throw std::logic_error("drew more random numbers than scripted");
        }
        return numbers_[next_++];
    }
    std::size_t Drawn() const { return next_; }

private:
    std::vector<float> numbers_;
    std::size_t next_ = 0;
};

class QuietHost final : public RenderHost {
public:
    void Progress(int32_t) override {}
    bool CancelRequested() override { return false; }
};

inline SliderValues Values(std::vector<int32_t> first, std::vector<int32_t> second,
                           int32_t variant = 0) {
    SliderValues values;
    values.frame[0] = std::move(first);
    values.frame[1] = std::move(second);
    values.variant = variant;
    return values;
}

// Gray levels of a full render; element j * width + i is pixel (i, j).
inline std::vector<uint8_t> RenderGray(const GeneratorTable& table, const SliderValues& values,
                                       int32_t width, int32_t height) {
    std::vector<uint8_t> bgr(static_cast<std::size_t>(width) * height * 3);
    const Surface24 surface{bgr.data(), width * 3, width, height};
    QuietHost host;
    DrawTerrain(*table.makeModel(values), surface, host);
    std::vector<uint8_t> gray(bgr.size() / 3);
    for (std::size_t p = 0; p < gray.size(); ++p) {
        gray[p] = bgr[3 * p];
    }
    return gray;
}

// The raw levels v (before rounding), surveying first where the model asks for it.
inline std::vector<float> RawLevels(const GeneratorTable& table, const SliderValues& values,
                                    int32_t width, int32_t height) {
    auto model = table.makeModel(values);
    std::vector<float> xs, ys;
    for (int32_t i = 0; i < width; ++i) {
        xs.push_back(NormalizedCoordinate(i, width));
    }
    for (int32_t j = 0; j < height; ++j) {
        ys.push_back(NormalizedCoordinate(j, height));
    }
    if (model->SurveysField()) {
        for (float x : xs) {
            for (float y : ys) {
                model->Survey(x, y);
            }
        }
    }
    std::vector<float> levels;
    for (float y : ys) {
        for (float x : xs) {
            levels.push_back(model->Level(x, y));
        }
    }
    return levels;
}

// Settings that reach the corners of every generator's behaviour, then random ones over the
// full slider ranges (not only what Random produces).
inline std::vector<SliderValues> SampleSettings(const GeneratorTable& table, int randomCount) {
    std::vector<SliderValues> settings = {table.InitialValues(), table.ResetValues(0)};
    SliderValues lowest, highest;
    for (int n = 0; n < 2; ++n) {
        for (const SliderRow& row : table.frames[n].rows) {
            lowest.frame[n].push_back(row.min);
            highest.frame[n].push_back(row.max);
        }
    }
    settings.push_back(lowest);
    settings.push_back(highest);
    if (&table == &FaultLine()) {
        settings.push_back(Values({0, 0, 3, -2}, {0, 0, 7, 1})); // a flat field
        settings.push_back(Values({5, 5, 10, -10}, {3, 4, -10, 10}));
    } else if (&table == &ExponentialWave()) {
        settings.push_back(Values({3, -3, 4}, {2, -1, 6})); // zero to a negative power
        settings.push_back(Values({0, 2, 0}, {0, 1, 0}));   // black
    } else if (&table == &FourierWave()) {
        settings.push_back(Values({0, 45, 0, -90, 0, 180}, {0, 10, 0, 0, 0, -180})); // total 0
        settings.push_back(Values({10, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 3, 77}));
    }
    ProgramRandom random(7 + static_cast<uint64_t>(table.caption[0]));
    for (int k = 0; k < randomCount; ++k) {
        SliderValues values;
        for (int n = 0; n < 2; ++n) {
            for (const SliderRow& row : table.frames[n].rows) {
                const int32_t span = row.max - row.min + 1;
                values.frame[n].push_back(row.min + static_cast<int32_t>(random.Rnd() * span));
            }
        }
        settings.push_back(values);
    }
    // Both variants of every setting where there are variants.
    if (table.variants.size() > 1) {
        const std::size_t count = settings.size();
        for (std::size_t k = 0; k < count; ++k) {
            settings.push_back(settings[k]);
            settings.back().variant = 1;
        }
    }
    return settings;
}

} // namespace rw::test
