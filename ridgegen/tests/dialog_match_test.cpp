// ridgegen against the dialogs of the running editor: the same seed, Lock boxes and slider
// settings give the same Random values and the same gray levels, byte for byte.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "components/tests/image_test_support.h"
#include "core/random.h"
#include "documents/frmDocument.h"
#include "generators/frmGenerator.h"
#include "ridgegen/command_line.h"
#include "ridgegen/tests/run_support.h"
#include "shell/frmMain.h"
#include "shell/tests/editor_test_support.h"
#include "win32/strings.h"
#include "win32/tests/test_files.h"

namespace {

using rw::test::Main;

struct Dialog {
    const char* command; // ridgegen's name for the generator
    frmGenerator& (*form)();
    int menuCommand; // of its Generate menu item
};

template <class Form> frmGenerator& FormOf() {
    return Form::Instance(Main().hwnd());
}

TEST(RidgegenAndTheDialogs, RandomWithLocksDrawsTheSameTerrain) {
    rw::test::RunningEditor editor;
    rw::test::TempDir folder; // its name is not ASCII, as a user's folder may not be
    const Dialog dialogs[] = {
        {"sine", FormOf<frmWave1>, mnuGenerateWave1},
        {"fourier", FormOf<frmWave2>, mnuGenerateWave2},
        {"fm", FormOf<frmWave3>, mnuGenerateWave3},
        {"exp", FormOf<frmWave4>, mnuGenerateWave4},
        {"fault", FormOf<frmFault1>, mnuGenerateFault},
    };
    uint64_t seed = 2026;
    for (const Dialog& d : dialogs) {
        SCOPED_TRACE(d.command);
        frmDocument& document = rw::test::NewDocument(61, 37);
        frmGenerator& dialog = d.form();
        const rw::GeneratorTable& table = dialog.Table();
        // Operator 2's first slider set to its maximum and locked; operator 1's second locked at
        // its initial value (what ridgegen starts from); FM Wave in its second variant.
        const rw::SliderRow& set = table.frames[1].rows[0];
        const rw::SliderRow& kept = table.frames[0].rows[1];
        dialog.cmdReset_Click();
        dialog.SetSliderValue(1, 0, set.max);
        dialog.SetLocked(1, 0, true);
        dialog.SetSliderValue(0, 1, kept.initial);
        dialog.SetLocked(0, 1, true);
        if (table.variants.size() > 1) {
            dialog.SetVariant(1);
        }
        rw::TheRandom().Reseed(++seed);
        rw::test::WhileModal([&] {
            dialog.cmdRandom_Click();
            dialog.cmdOk_Click();
        });
        Main().RunCommand(d.menuCommand);

        const std::string file =
            rw::win::Narrow(folder.File(L"terrain-" + rw::win::Widen(d.command) + L".png"));
        std::vector<std::string> args = {
            d.command,  "--random",
            "--seed",   std::to_string(seed),
            "--set",    "op2." + std::string(set.label) + "=" + std::to_string(set.max),
            "--lock",   "op1." + std::string(kept.label),
            "--size",   "61x37",
            "--format", "png8",
            "-o",       file};
        if (table.variants.size() > 1) {
            args.insert(args.end(), {"--variant", "2"});
        }
        const rw::test::Ran ran =
            rw::test::RunRidgegen(std::filesystem::temp_directory_path(), args);
        ASSERT_EQ(ran.status, 0) << ran.err;
        std::string printed;
        for (const std::string& line : rw::SettingLines(table, dialog.CurrentValues())) {
            printed += line + "\n";
        }
        EXPECT_EQ(ran.out, printed);

        const rw::test::ReadImage image =
            rw::test::ReadEncodedFile(rw::win::Widen(file), rw::HeightFormat::Png8);
        const std::vector<uint8_t> drawn = rw::test::Pixels(document.Lumbra1);
        ASSERT_EQ(image.samples.size() * 3, drawn.size());
        for (std::size_t p = 0; p < image.samples.size(); ++p) {
            ASSERT_EQ(image.samples[p], drawn[3 * p]) << "pixel " << p;
        }
        dialog.SetLocked(1, 0, false);
        dialog.SetLocked(0, 1, false);
        dialog.SetVariant(0);
    }
}

} // namespace
