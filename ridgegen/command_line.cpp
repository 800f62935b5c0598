#include "ridgegen/command_line.h"

#include <algorithm>
#include <charconv>
#include <map>

#include "core/random.h"

namespace rw {
namespace {

struct NamedGenerator {
    const char* name;
    const GeneratorTable& (*table)();
};

constexpr NamedGenerator kGenerators[] = {{"sine", SineWave},
                                          {"fourier", FourierWave},
                                          {"fault", FaultLine},
                                          {"fm", FmWave},
                                          {"exp", ExponentialWave}};

constexpr const char* kGeneratorChoice = "sine, fourier, fault, fm or exp";
constexpr const char* kFormatChoice = "png8, png16, r16 or tiff32";

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// A whole decimal number, optionally signed, and nothing else.
template <typename Number> std::optional<Number> WholeNumber(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> SplitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (;;) {
        const std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos) {
            return parts;
        }
        text.remove_prefix(at + 1);
    }
}

bool SameLetters(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

struct SliderRef {
    int frame;
    std::size_t row;
};

std::string AllSliderNames(const GeneratorTable& table) {
    std::string names;
    for (int n = 0; n < 2; ++n) {
        for (std::size_t k = 0; k < table.frames[n].rows.size(); ++k) {
            names += (names.empty() ? "" : ", ") + SliderName(table, n, k);
        }
    }
    return names;
}

// The slider a name means; letter case does not matter, as no two labels differ only by it.
SliderRef FindSlider(const GeneratorTable& table, std::string_view name,
                     std::string_view generator) {
    for (int n = 0; n < 2; ++n) {
        for (std::size_t k = 0; k < table.frames[n].rows.size(); ++k) {
            if (SameLetters(name, SliderName(table, n, k))) {
                return {n, k};
            }
        }
    }
    throw UsageError(std::string(generator) + " has no slider " + Quoted(name) +
                     " (its sliders: " + AllSliderNames(table) + ")");
}

// The options that take a value, and whether they may be given more than once.
const std::map<std::string_view, bool>& ValueOptions() {
    static const std::map<std::string_view, bool> options = {
        {"--size", false}, {"--set", true},      {"--seed", false},
        {"--lock", true},  {"--region", false},  {"--format", false},
        {"-o", false},     {"--variant", false}, {"--output", false}};
    return options;
}

struct RawArguments {
    std::vector<std::string> positional;
    std::multimap<std::string, std::string> values; // option -> value, in order given
    bool random = false;
    bool help = false;

    std::optional<std::string> Single(const std::string& option) const {
        const auto found = values.find(option);
        if (found == values.end()) {
            return std::nullopt;
        }
        return found->second;
    }
};

RawArguments Split(const std::vector<std::string>& args) {
    RawArguments raw;
    for (std::size_t k = 0; k < args.size(); ++k) {
        std::string option = args[k];
        std::optional<std::string> value;
        if (option.starts_with("--") && option.find('=') != std::string::npos) {
            value = option.substr(option.find('=') + 1);
            option.resize(option.find('='));
        }
        if (option == "--random" && !value) {
            raw.random = true;
            continue;
        }
        if ((option == "--help" || option == "-h") && !value) {
            raw.help = true;
            continue;
        }
        const auto known = ValueOptions().find(option);
        if (known == ValueOptions().end()) {
            if (option.size() > 1 && option.front() == '-') {
                throw UsageError("unknown option " + Quoted(args[k]) + " (see ridgegen --help)");
            }
            raw.positional.push_back(option);
            continue;
        }
        if (!value) {
            if (k + 1 == args.size()) {
                throw UsageError(option + " needs a value");
            }
            value = args[++k];
        }
        if (option == "--output") {
            option = "-o";
        }
        if (!known->second && raw.values.count(option) > 0) {
            throw UsageError(option + " is given more than once");
        }
        raw.values.emplace(option, *value);
    }
    return raw;
}

void ParseSize(const std::string& text, Request& request) {
    const std::size_t at = text.find_first_of("xX");
    const auto width = WholeNumber<int32_t>(std::string_view(text).substr(0, at));
    const auto height = at == std::string::npos
                            ? std::nullopt
                            : WholeNumber<int32_t>(std::string_view(text).substr(at + 1));
    if (!width || !height || *width < 1 || *height < 1 || *width > kMaxImageSide ||
        *height > kMaxImageSide) {
        throw UsageError("--size " + Quoted(text) + " is not WIDTHxHEIGHT with each from 1 to " +
                         std::to_string(kMaxImageSide) + " pixels");
    }
    request.width = *width;
    request.height = *height;
}

void ParseRegion(const std::string& text, Request& request) {
    const std::vector<std::string_view> parts = SplitAt(text, ',');
    std::optional<int32_t> n[4];
    for (std::size_t k = 0; k < parts.size() && k < 4; ++k) {
        n[k] = WholeNumber<int32_t>(parts[k]);
    }
    const bool numbers = parts.size() == 4 && n[0] && n[1] && n[2] && n[3];
    if (!numbers || *n[0] < 0 || *n[1] < 0 || *n[2] < 1 || *n[3] < 1 ||
        *n[0] > request.width - *n[2] || *n[1] > request.height - *n[3]) {
        throw UsageError("--region " + Quoted(text) + " is not X,Y,W,H of a part of the " +
                         std::to_string(request.width) + "x" + std::to_string(request.height) +
                         " image");
    }
    request.region = {*n[0], *n[1], *n[2], *n[3]};
}

void ApplySetting(const std::string& setting, const std::string& generator, Request& request) {
    const std::size_t at = setting.find('=');
    if (at == std::string::npos) {
        throw UsageError("--set " + Quoted(setting) + " is not op1.LABEL=VALUE or op2.LABEL=VALUE");
    }
    const std::string name = setting.substr(0, at);
    const SliderRef slider = FindSlider(*request.table, name, generator);
    const SliderRow& row = request.table->frames[slider.frame].rows[slider.row];
    const auto value = WholeNumber<int32_t>(std::string_view(setting).substr(at + 1));
    if (!value || *value < row.min || *value > row.max) {
        throw UsageError(SliderName(*request.table, slider.frame, slider.row) + " takes " +
                         std::to_string(row.min) + " to " + std::to_string(row.max) + ", not " +
                         Quoted(setting.substr(at + 1)));
    }
    request.values.frame[slider.frame][slider.row] = *value;
    // Random keeps what the user set, as the dialog keeps a slider whose Lock box is checked.
    request.locked[slider.frame][slider.row] = true;
}

} // namespace

const char* UsageText() {
    return R"(usage: ridgegen GENERATOR --size WxH --format FORMAT -o FILE
                [--set "op1.LABEL=VALUE"]... [--variant 1|2]
                [--random [--seed N] [--lock "op2.LABEL"]...] [--region X,Y,W,H]

GENERATOR   sine, fourier, fault, fm (FM Wave; --variant 1 or 2) or exp
--set       a slider, by operator (op1, op2) and label as the generator's dialog shows
            it; sliders not set keep their initial values
--random    new values for the sliders by the generator's Random rule; sliders that
            --set or --lock names keep theirs. Without --seed a seed is drawn and
            printed on standard error, so that the terrain can be made again
--region    only that part of the WxH image, with the values the whole image has there
FORMAT      png8    8-bit gray PNG, the editor's gray levels
            png16   16-bit gray PNG, round(v * 256) of each level v from 0 to 256
            r16     the same samples, raw 16-bit little-endian, rows from the top
            tiff32  32-bit floating-point gray TIFF, v / 256
The slider values used are printed on standard output, one op1.LABEL=VALUE a line.
)";
}

const GeneratorTable* GeneratorNamed(std::string_view name) {
    for (const NamedGenerator& generator : kGenerators) {
        if (name == generator.name) {
            return &generator.table();
        }
    }
    return nullptr;
}

std::string SliderName(const GeneratorTable& table, int frame, std::size_t row) {
    return "op" + std::to_string(frame + 1) + "." + table.frames[frame].rows.at(row).label;
}

std::vector<std::string> SettingLines(const GeneratorTable& table, const SliderValues& values) {
    std::vector<std::string> lines;
    for (int n = 0; n < 2; ++n) {
        for (std::size_t k = 0; k < table.frames[n].rows.size(); ++k) {
            lines.push_back(SliderName(table, n, k) + "=" + std::to_string(values.frame[n].at(k)));
        }
    }
    return lines;
}

Request ParseCommandLine(const std::vector<std::string>& args) {
    const RawArguments raw = Split(args);
    Request request;
    if (raw.help) {
        request.help = true;
        return request;
    }
    if (raw.positional.size() != 1) {
        throw UsageError(raw.positional.empty()
                             ? std::string("no generator is named (") + kGeneratorChoice + ")"
                             : "one generator at a time, not " + Quoted(raw.positional[0]) +
                                   " and " + Quoted(raw.positional[1]));
    }
    const std::string& generator = raw.positional[0];
    request.table = GeneratorNamed(generator);
    if (!request.table) {
        throw UsageError("unknown generator " + Quoted(generator) + " (" + kGeneratorChoice + ")");
    }
    request.values = request.table->InitialValues();
    for (int n = 0; n < 2; ++n) {
        request.locked[n].assign(request.table->frames[n].rows.size(), false);
    }

    if (const auto variant = raw.Single("--variant")) {
        const auto number = WholeNumber<int32_t>(*variant);
        const auto count = static_cast<int32_t>(request.table->variants.size());
        if (count < 2) {
            throw UsageError(generator + " has no variants; --variant is for fm");
        }
        if (!number || *number < 1 || *number > count) {
            throw UsageError("--variant " + Quoted(*variant) + " is not 1 to " +
                             std::to_string(count));
        }
        request.values.variant = *number - 1;
    }

    const auto size = raw.Single("--size");
    if (!size) {
        throw UsageError("--size WIDTHxHEIGHT is missing");
    }
    ParseSize(*size, request);
    request.region = {0, 0, request.width, request.height};
    if (const auto region = raw.Single("--region")) {
        ParseRegion(*region, request);
    }

    const auto format = raw.Single("--format");
    if (!format) {
        throw UsageError(std::string("--format is missing (") + kFormatChoice + ")");
    }
    const auto named = HeightFormatNamed(*format);
    if (!named) {
        throw UsageError("unknown format " + Quoted(*format) + " (" + kFormatChoice + ")");
    }
    request.format = *named;

    const auto output = raw.Single("-o");
    if (!output || output->empty()) {
        throw UsageError("-o FILE is missing");
    }
    request.output = *output;

    const auto [setsBegin, setsEnd] = raw.values.equal_range("--set");
    for (auto set = setsBegin; set != setsEnd; ++set) {
        ApplySetting(set->second, generator, request);
    }

    request.random = raw.random;
    const auto [locksBegin, locksEnd] = raw.values.equal_range("--lock");
    if (!request.random && (locksBegin != locksEnd || raw.Single("--seed"))) {
        throw UsageError(std::string(locksBegin != locksEnd ? "--lock" : "--seed") +
                         " only applies with --random");
    }
    for (auto lock = locksBegin; lock != locksEnd; ++lock) {
        const SliderRef slider = FindSlider(*request.table, lock->second, generator);
        request.locked[slider.frame][slider.row] = true;
    }
    if (const auto seed = raw.Single("--seed")) {
        request.seed = WholeNumber<uint64_t>(*seed);
        if (!request.seed) {
            throw UsageError("--seed " + Quoted(*seed) + " is not a whole number from 0 to " +
                             std::to_string(UINT64_MAX));
        }
    }
    return request;
}

SliderValues ValuesToRender(const Request& request, uint64_t seed) {
    SliderValues values = request.values;
    if (request.random) {
        ProgramRandom random(seed);
        RandomizeUnlocked(*request.table, values, request.locked, random);
    }
    return values;
}

} // namespace rw
