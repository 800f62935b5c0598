#include "ridgegen/app.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <new>
#include <random>

#include "generators/band_render.h"
#include "ridgegen/command_line.h"
#include "ridgegen/height_writer.h"
#include "ridgegen/progress_bar.h"

namespace rw {
namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "RequestStop runs in a signal handler");

class CommandHost final : public RenderHost {
public:
    explicit CommandHost(ProgressBar& bar) : bar_(bar) {}
    void Progress(int32_t percent) override { bar_.Show(percent); }
    bool CancelRequested() override { return stopRequested.load(); }

private:
    ProgressBar& bar_;
};

// A seed nobody chose: the system's random numbers, and the clock where they fail.
uint64_t DrawSeed() {
    uint64_t seed =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    try {
        std::random_device device;
        seed ^= (uint64_t{device()} << 32) ^ device();
    } catch (const std::exception&) {
    }
    return seed;
}

} // namespace

void RequestStop() {
    stopRequested.store(true);
}

int RunRidgegen(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                bool errIsTerminal) {
    if (args.empty()) {
        err << UsageText();
        return 2;
    }
    Request request;
    try {
        request = ParseCommandLine(args);
    } catch (const UsageError& e) {
        err << "ridgegen: " << e.what() << "\n";
        return 2;
    }
    if (request.help) {
        out << UsageText();
        return 0;
    }
    const uint64_t seed = request.seed.value_or(request.random ? DrawSeed() : 0);
    if (request.random && !request.seed) {
        err << "ridgegen: seed " << seed << " (--seed " << seed << " makes this terrain again)\n";
    }
    const SliderValues values = ValuesToRender(request, seed);
    try {
        const std::unique_ptr<TerrainModel> model = request.table->makeModel(values);
        const std::unique_ptr<HeightWriter> writer = OpenHeightWriter(
            request.output, request.format, request.region.width, request.region.height);
        ProgressBar bar(err, errIsTerminal);
        CommandHost host(bar);
        const bool completed = RenderRowBands(
            *model, request.width, request.height, request.region,
            [&](int32_t, int32_t rows, std::span<const float> levels) {
                writer->WriteRows(levels, rows);
            },
            host);
        bar.Finish();
        if (!completed) {
            err << "ridgegen: stopped; \"" << request.output << "\" was not written\n";
            return 130;
        }
        writer->Finish();
    } catch (const std::bad_alloc&) {
        err << "ridgegen: \"" << request.output
            << "\" was not written: there is not enough memory\n";
        return 1;
    } catch (const std::exception& e) {
        err << "ridgegen: " << e.what() << "\n";
        return 1;
    }
    for (const std::string& line : SettingLines(*request.table, values)) {
        out << line << "\n";
    }
    out.flush();
    return 0;
}

} // namespace rw
