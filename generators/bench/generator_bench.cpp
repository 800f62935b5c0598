// Prints what a render costs, per pixel, for every generator at three image sizes: the
// pixel-by-pixel reference and the dialog's column render on one thread and on every core (each
// with drawing, progress text and event processing), the speed-ups, the column arithmetic
// alone, and the costs every render pays. Run it under Wine with scripts/bench; it asserts
// nothing.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "components/image_control.h"
#include "documents/frmDocument.h"
#include "generators/frmGenerator.h"
#include "core/numerics.h"
#include "generators/render_loop.h"
#include "shell/frmMain.h"
#include "shell/global.h"
#include "program/settings_store.h"
#include "win32/message_loop.h"
#include "win32/strings.h"

namespace {

using Clock = std::chrono::steady_clock;

// The fastest of a few runs, in nanoseconds per pixel: the other runs measured the machine's
// other work as well.
template <class F> double NsPerPixel(double pixels, int runs, F&& body) {
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        body();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best * 1e9 / pixels;
}

class SilentHost final : public rw::RenderHost {
public:
    void Progress(int32_t) override {}
    bool CancelRequested() override { return false; }
};

// What the dialog's render reports per column, without the dialog around it.
class StatusHost final : public rw::RenderHost {
public:
    void Progress(int32_t percent) override {
        Global::SetStatusText(rw::win::Widen(rw::ProgressText(percent)));
    }
    bool CancelRequested() override { return Global::CancelRequested; }
};

// Columns that cost nothing to compute: what is left is the pipeline and the surface writes.
class FlatColumns final : public rw::ColumnModel {
public:
    void LevelColumn(float, uint8_t* gray) const override { std::memset(gray, 100, rows); }
    void RawLevelColumn(float, float* levels) const override { std::fill_n(levels, rows, 100.0f); }
    std::size_t rows = 0;
};

class FlatModel final : public rw::TerrainModel {
public:
    float Level(float, float) const override { return 100.0f; }
    std::unique_ptr<rw::ColumnModel> Columns(std::span<const float> ys) override {
        auto columns = std::make_unique<FlatColumns>();
        columns->rows = ys.size();
        return columns;
    }
};

// Every column's levels computed and thrown away, on this thread: the arithmetic alone.
double ComputeOnly(const rw::GeneratorTable& table, const rw::SliderValues& values, int32_t size) {
    const auto model = table.makeModel(values);
    std::vector<float> axis(static_cast<std::size_t>(size));
    for (int32_t k = 0; k < size; ++k) {
        axis[k] = rw::NormalizedCoordinate(k, size);
    }
    const std::unique_ptr<rw::ColumnModel> columns = model->Columns(axis);
    std::vector<uint8_t> gray(axis.size());
    const double pixels = double(size) * size;
    return NsPerPixel(pixels, 1, [&] {
        if (model->SurveysField()) {
            rw::FieldRange range;
            for (const float x : axis) {
                range.Add(columns->SurveyColumn(x));
            }
            columns->Surveyed(range);
        }
        for (const float x : axis) {
            columns->LevelColumn(x, gray.data());
        }
    });
}

frmGenerator& DialogFor(const rw::GeneratorTable& table, HWND owner) {
    if (&table == &rw::SineWave()) {
        return frmWave1::Instance(owner);
    }
    if (&table == &rw::FourierWave()) {
        return frmWave2::Instance(owner);
    }
    if (&table == &rw::FmWave()) {
        return frmWave3::Instance(owner);
    }
    if (&table == &rw::ExponentialWave()) {
        return frmWave4::Instance(owner);
    }
    return frmFault1::Instance(owner);
}

} // namespace

int main(int argc, char** argv) {
    SetProcessDPIAware();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);
    rw::SetSettingsApplication(L"RidgewrightBench");
    Global::StartUp();
    frmMain& main = *Global::MainForm;
    const int cores = rw::DefaultRenderThreads();

    std::printf(
        "Full renders with the initial slider values, ns per pixel (fastest of the runs).\n"
        "reference: pixel by pixel through the models' Level, with drawing, progress and\n"
        "event processing; 1 thread / %d threads: the dialog's render; compute: the column\n"
        "arithmetic alone on one thread, nothing drawn.\n\n",
        cores);
    std::printf("%-17s %5s %10s %10s %10s %8s %8s %10s\n", "generator", "size", "reference",
                "1 thread", (std::to_string(cores) + " threads").c_str(), "x 1 thr",
                ("x " + std::to_string(cores) + " thr").c_str(), "compute");
    // Sizes may be given on the command line (scripts/bench 4096); the default is all three.
    std::vector<int32_t> sizes;
    for (int k = 1; k < argc; ++k) {
        sizes.push_back(std::max(1, std::atoi(argv[k])));
    }
    if (sizes.empty()) {
        sizes = {512, 2048, 4096};
    }
    for (const int32_t size : sizes) {
        frmDocument& document = main.NewDocumentWindow();
        Global::MakeBlankImage(document.Lumbra1, size, size);
        const double pixels = double(size) * size;
        const rw::Surface24 surface = document.Lumbra1.Surface();
        const int runs = size >= 4096 ? 2 : 3;

        const auto measure = [&](const rw::GeneratorTable& table, const char* label,
                                 const rw::SliderValues& values) {
            frmGenerator& dialog = DialogFor(table, main.hwnd());
            dialog.Target(document);
            const double reference = NsPerPixel(pixels, runs, [&] {
                const auto model = table.makeModel(values);
                Global::CancelRequested = false;
                StatusHost host;
                rw::DrawTerrainPerPixel(*model, surface, host);
                document.Lumbra1.Refresh();
                Global::SetStatusText(L"");
            });
            for (int n = 0; n < 2; ++n) {
                for (std::size_t k = 0; k < values.frame[n].size(); ++k) {
                    dialog.SetSliderValue(n, static_cast<int>(k), values.frame[n][k]);
                }
            }
            dialog.RenderThreads = 1;
            const double single = NsPerPixel(pixels, runs, [&] { dialog.RenderTerrain(); });
            dialog.RenderThreads = 0;
            const double all = NsPerPixel(pixels, runs, [&] { dialog.RenderTerrain(); });
            const double compute = ComputeOnly(table, values, size);
            std::printf("%-17s %5d %10.2f %10.2f %10.2f %8.1f %8.1f %10.2f\n", label, size,
                        reference, single, all, reference / single, reference / all, compute);
            std::fflush(stdout);
        };
        for (const rw::GeneratorTable* table : rw::AllGenerators()) {
            measure(*table, table->caption, table->InitialValues());
        }
        // With the initial values both Sine Wave operators are alike and share one sine per
        // pixel; this setting has them differ (operator 2's X Offset 3), two sines per pixel.
        rw::SliderValues unequal = rw::SineWave().InitialValues();
        unequal.frame[1][0] = 3;
        measure(rw::SineWave(), "Sine (2 sines)", unequal);
        DialogFor(rw::SineWave(), main.hwnd()).SetSliderValue(1, 0, 0);
        std::printf("\n");

        // Costs every render pays whatever it draws.
        SilentHost silent;
        FlatModel flat;
        const double writes =
            NsPerPixel(pixels, runs, [&] { rw::DrawTerrain(flat, surface, silent, 1); });
        const double status = NsPerPixel(pixels, runs, [&] {
            for (int32_t i = 0; i < size; ++i) {
                main.SetPanelText(rw::win::Widen(rw::ProgressText(i * 100 / size)));
            }
            main.SetPanelText(L"");
        });
        const double pump = NsPerPixel(pixels, runs, [&] {
            for (int32_t i = 0; i < size; ++i) {
                rw::win::ProcessPendingMessages();
            }
        });
        const double refresh = NsPerPixel(pixels, runs, [&] { document.Lumbra1.Refresh(); });
        std::printf("%-17s %5d   column writes %.3f, status text %.3f, event processing %.3f, "
                    "refresh %.3f ns/px\n\n",
                    "(fixed costs)", size, writes, status, pump, refresh);
        document.Destroy();
    }

    // Saving and opening a large heightfield.
    {
        frmDocument& document = main.NewDocumentWindow();
        Global::MakeBlankImage(document.Lumbra1, 4096, 4096);
        frmWave1::Instance(main.hwnd()).Target(document);
        frmWave1::Instance(main.hwnd()).RenderTerrain();
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        for (const wchar_t* name : {L"rw-bench.tif", L"rw-bench.png", L"rw-bench.bmp"}) {
            const std::wstring path = std::wstring(folder) + name;
            const double pixels = 4096.0 * 4096.0;
            const double save = NsPerPixel(pixels, 1, [&] { document.Lumbra1.SaveAs(path); });
            const double open = NsPerPixel(pixels, 1, [&] { document.Lumbra1.Picture(path); });
            std::printf("4096 x 4096 %-14ls save %7.0f ms   open %7.0f ms\n", name + 3,
                        save * pixels / 1e6, open * pixels / 1e6);
            DeleteFileW(path.c_str());
        }
        document.Destroy();
    }
    Global::End();
    delete Global::MainForm;
    Global::MainForm = nullptr;
    OleUninitialize();
    return 0;
}
