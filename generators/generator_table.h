#pragma once
// What each terrain generator supplies to the shared dialog framework: its parameter table
// (two frames of slider rows), its optional variants and its terrain model.
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "core/random.h"
#include "generators/column_model.h"

namespace rw {

struct SliderRow {
    const char* label;
    int32_t min;
    int32_t max;
    int32_t initial;
    int32_t largeChange;
    int32_t reset;
    // New value for an unlocked row on Random; draws its random numbers in the documented order.
    int32_t (*random)(RandomSource&);
};

struct FrameTable {
    const char* caption;
    std::vector<SliderRow> rows;
    int32_t heightTwips = 0; // 0: as tall as the rows need
};

// The values a render is computed from, taken when it starts.
struct SliderValues {
    std::vector<int32_t> frame[2]; // frame[0][k] is Slider1(k), frame[1][k] is Slider2(k)
    int32_t variant = 0;           // index of the selected option button, 0 when there are none
};

// The per-pixel part of a generator, prepared once per render from the slider values.
class TerrainModel {
public:
    virtual ~TerrainModel() = default;

    // Models whose gray levels depend on the whole field (they stretch its range over the gray
    // scale) see every pixel in a first pass before any is drawn.
    virtual bool SurveysField() const { return false; }
    virtual void Survey(float /*x*/, float /*y*/) {}

    // The value v of the pixel at normalised coordinates (x, y); the pixel is drawn GrayLevel(v).
    virtual float Level(float x, float y) const = 0;

    // The model as whole columns for an image whose rows have the normalised coordinates `ys`,
    // which must outlive the result. The default wraps Survey and Level pixel by pixel and runs
    // on one thread only; the generators supply their own.
    virtual std::unique_ptr<ColumnModel> Columns(std::span<const float> ys);
};

struct GeneratorTable {
    const char* formName;    // frmWave1 ...
    const char* caption;     // dialog caption
    const char* menuCaption; // Generate menu item
    FrameTable frames[2];
    std::vector<const char*>
        variants; // option buttons under the first frame; the first is selected
    std::unique_ptr<TerrainModel> (*makeModel)(const SliderValues&);

    SliderValues InitialValues() const;
    SliderValues ResetValues(int32_t variant) const;
};

const GeneratorTable& SineWave();
const GeneratorTable& FourierWave();
const GeneratorTable& FmWave();
const GeneratorTable& ExponentialWave();
const GeneratorTable& FaultLine();

// Random (with the dialog's lock boxes): rows of the first frame in increasing index, then of the
// second; each row whose locked[frame][row] is false takes a new value by its random rule, which
// draws its numbers from `random` in that order. Locked rows draw nothing; rows beyond the end of
// a lock vector count as unlocked.
void RandomizeUnlocked(const GeneratorTable& table, SliderValues& values,
                       const std::vector<bool> locked[2], RandomSource& random);

// The five generators in the order of the Generate menu.
std::span<const GeneratorTable* const> AllGenerators();

} // namespace rw
