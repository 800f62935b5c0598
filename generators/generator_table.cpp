#include "generators/generator_table.h"

#include <algorithm>

namespace rw {
namespace {

template <typename Pick>
SliderValues ValuesOf(const GeneratorTable& table, int32_t variant, Pick pick) {
    SliderValues values;
    for (int n = 0; n < 2; ++n) {
        for (const SliderRow& row : table.frames[n].rows) {
            values.frame[n].push_back(pick(row));
        }
    }
    values.variant = variant;
    return values;
}

} // namespace

SliderValues GeneratorTable::InitialValues() const {
    return ValuesOf(*this, 0, [](const SliderRow& row) { return row.initial; });
}

SliderValues GeneratorTable::ResetValues(int32_t variant) const {
    return ValuesOf(*this, variant, [](const SliderRow& row) { return row.reset; });
}

void RandomizeUnlocked(const GeneratorTable& table, SliderValues& values,
                       const std::vector<bool> locked[2], RandomSource& random) {
    for (int n = 0; n < 2; ++n) {
        const std::vector<SliderRow>& rows = table.frames[n].rows;
        std::vector<int32_t>& frame = values.frame[n];
        // Values that do not cover the table start from the initial ones, so a locked row never
        // ends up outside its slider's range.
        frame.resize(std::min(frame.size(), rows.size()));
        while (frame.size() < rows.size()) {
            frame.push_back(rows[frame.size()].initial);
        }
        for (std::size_t k = 0; k < rows.size(); ++k) {
            const bool isLocked = k < locked[n].size() && locked[n][k];
            if (!isLocked) {
                frame[k] = rows[k].random(random);
            }
        }
    }
}

std::span<const GeneratorTable* const> AllGenerators() {
    static const GeneratorTable* const generators[] = {&SineWave(), &FourierWave(), &FmWave(),
                                                       &ExponentialWave(), &FaultLine()};
    return generators;
}

} // namespace rw
