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

} // namespace rw::test
