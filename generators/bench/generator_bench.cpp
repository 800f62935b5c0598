// Prints what a render costs, per pixel, for every generator at three image sizes: the bare
// gray-level loop, the full render in the running editor (drawing, progress text and message
// pumping included), their ratio, and where the difference goes. Run it under Wine with
// scripts/bench; it asserts nothing.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "components/image_control.h"
#include "documents/frmDocument.h"
#include "generators/frmGenerator.h"
#include "generators/render_loop.h"
#include "shell/frmMain.h"
#include "shell/global.h"
#include "shell/settings_store.h"
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

// A model whose level costs nothing: what is left is the loop and the surface writes.
class FlatModel final : public rw::TerrainModel {
public:
    float Level(float, float) const override { return 100.0f; }
};

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

int main() {
    SetProcessDPIAware();
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    OleInitialize(nullptr);
    rw::SetSettingsApplication(L"RidgewrightBench");
    Global::StartUp();
    frmMain& main = *Global::MainForm;

    std::printf("%-17s %6s %11s %11s %7s %11s %11s %11s %11s\n", "generator", "size", "bare ns/px",
                "full ns/px", "ratio", "writes", "status", "pump", "refresh");
    for (int32_t size : {512, 2048, 4096}) {
        frmDocument& document = main.NewDocumentWindow();
        Global::MakeBlankImage(document.Lumbra1, size, size);
        const double pixels = double(size) * size;
        const rw::Surface24 surface = document.Lumbra1.Surface();

        const int runs = 3;

        // Fixed costs of the render, the same for every generator.
        SilentHost silent;
        FlatModel flat;
        const double writes =
            NsPerPixel(pixels, runs, [&] { rw::DrawTerrain(flat, surface, silent); });
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

        for (const rw::GeneratorTable* table : rw::AllGenerators()) {
            const std::unique_ptr<rw::TerrainModel> model =
                table->makeModel(table->InitialValues());
            const double bare =
                NsPerPixel(pixels, runs, [&] { rw::DrawTerrain(*model, surface, silent); });
            frmGenerator& dialog = DialogFor(*table, main.hwnd());
            dialog.Target(document);
            const double full = NsPerPixel(pixels, runs, [&] { dialog.RenderTerrain(); });
            std::printf("%-17s %6d %11.2f %11.2f %7.3f %11.3f %11.3f %11.3f %11.3f\n",
                        table->caption, size, bare, full, full / bare, writes, status, pump,
                        refresh);
            std::fflush(stdout);
        }
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
