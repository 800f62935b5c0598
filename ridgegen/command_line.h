#pragma once
// What ridgegen is asked to do, read from its command line, and the slider settings it prints.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "generators/band_render.h"
#include "generators/generator_table.h"
#include "ridgegen/height_format.h"

namespace rw {

// A command line that cannot be carried out; the text names what is wrong, on one line.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The widest and tallest image: the normalised coordinates multiply a pixel's index by 50 in
// 32-bit integers.
inline constexpr int32_t kMaxImageSide = (INT32_MAX / 50) + 1;

struct Request {
    bool help = false;
    const GeneratorTable* table = nullptr;
    SliderValues values;         // the initial values with --set applied
    std::vector<bool> locked[2]; // rows Random keeps: --lock, and every row --set names
    bool random = false;
    std::optional<uint64_t> seed; // --seed, when given
    int32_t width = 0;
    int32_t height = 0;
    PixelRegion region; // the whole image unless --region names a part
    HeightFormat format = HeightFormat::Png16;
    std::string output;
};

// The arguments after the program's name. Throws UsageError.
Request ParseCommandLine(const std::vector<std::string>& args);

// The command line's help text.
const char* UsageText();

// The generator of a command-line name: sine, fourier, fault, fm or exp.
const GeneratorTable* GeneratorNamed(std::string_view name);

// The name of slider `row` of frame `frame` as --set and --lock take it: "op1.X Offset".
std::string SliderName(const GeneratorTable& table, int frame, std::size_t row);

// One line per slider, "op1.X Offset=0", each of them an argument --set takes back.
std::vector<std::string> SettingLines(const GeneratorTable& table, const SliderValues& values);

// The values a render uses: with --random, the generator's Random rule applied from the program's
// random numbers seeded with `seed`, to every row not locked; else the request's values.
SliderValues ValuesToRender(const Request& request, uint64_t seed);

} // namespace rw
