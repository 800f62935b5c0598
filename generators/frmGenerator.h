#pragma once
// The generator dialog framework: one dialog class built from a generator's table, with its
// sliders, Lock boxes, option buttons and the five buttons, the render with progress and
// cancellation, Random, Reset and the undo copy. The five generator forms are instances of it.
#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "generators/generator_table.h"
#include "generators/layout.h"
#include "core/placement.h"
#include "win32/dialog.h"

namespace rw {
class ImageControl;
}
class frmDocument;
class MainWindow;

class frmGenerator : public rw::win::Dialog {
public:
    ~frmGenerator() override;

    const rw::GeneratorTable& Table() const { return table_; }

    // Targets the document's image, takes the undo copy and shows the dialog modally, owned by
    // the main window, until it is hidden.
    void Open(frmDocument& document, MainWindow& main);
    // Makes the document's image the one renders draw into (Open does this first).
    void Target(frmDocument& document);

    // The image control every read and write goes to; replaced at each opening.
    rw::ImageControl* TargetImage = nullptr;
    bool Rendering = false;
    // Threads a render computes its columns on, the user-interface thread included; 0 for one
    // per processor.
    int RenderThreads = 0;

    void RenderTerrain();
    void cmdApply_Click();
    void cmdRandom_Click();
    void cmdReset_Click();
    void cmdOk_Click();
    void cmdCancel_Click();

    // The controls, as the forms name them: frame 0 holds Slider1/Check1, frame 1 Slider2/Check2.
    HWND Frame1(int n) const { return frames_[n]; }
    HWND Slider(int frame, int row) const { return rows_[frame][static_cast<size_t>(row)].slider; }
    HWND Check(int frame, int row) const { return rows_[frame][static_cast<size_t>(row)].lock; }
    HWND Option(int k) const { return options_[static_cast<size_t>(k)]; }
    HWND Button(int id) const { return Item(id); }

    int32_t SliderValue(int frame, int row) const;
    void SetSliderValue(int frame, int row, int32_t value);
    bool Locked(int frame, int row) const;
    void SetLocked(int frame, int row, bool locked);
    int32_t Variant() const;
    void SetVariant(int32_t variant);
    // Every slider and the variant, as a render would take them now.
    rw::SliderValues CurrentValues() const;

    static constexpr int cmdReset = 1001;
    static constexpr int cmdRandom = 1002;
    static constexpr int cmdApply = 1003;
    static constexpr int cmdOk = IDOK;
    static constexpr int cmdCancel = IDCANCEL;

protected:
    frmGenerator(const rw::GeneratorTable& table, HWND owner);
    void OnCommand(int id, int code, HWND control) override;
    void PlaceForShowing(HWND owner) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    class RenderingScope;
    struct Row {
        HWND label = nullptr;
        HWND lock = nullptr;
        HWND slider = nullptr;
    };
    void Build(const rw::GeneratorLayout& layout);
    void ApplyValues(const rw::SliderValues& values);
    bool TakeSnapshot();
    bool RestoreSnapshot();
    void FinishHiddenRender();
    frmDocument* TargetDocument() const;

    const rw::GeneratorTable& table_;
    HWND frames_[2] = {};
    std::vector<Row> rows_[2];
    std::vector<HWND> options_;
    const MainWindow* main_ = nullptr; // the main window of the target document
    HWND targetWindow_ = nullptr;      // the document window of TargetImage
    bool modifiedAtOpening_ = false;
    bool hideWhenDone_ = false; // Ok was pressed during the render
    // Where the user last dragged the dialog, kept for later openings in this run.
    std::optional<rw::ScreenRect> userPlace_;
    rw::ScreenRect moveStart_;
};

// A generator form: the framework with one generator's table. Each is created on first use and
// kept (hidden between uses) for the rest of the run.
template <const rw::GeneratorTable& (*TableOf)()> class GeneratorForm : public frmGenerator {
public:
    explicit GeneratorForm(HWND owner) : frmGenerator(TableOf(), owner) {}

    static GeneratorForm& Instance(HWND owner) {
        static std::unique_ptr<GeneratorForm> form;
        if (!form || !form->hwnd()) {
            form = std::make_unique<GeneratorForm>(owner);
        }
        return *form;
    }
};

using frmWave1 = GeneratorForm<rw::SineWave>;
using frmWave2 = GeneratorForm<rw::FourierWave>;
using frmWave3 = GeneratorForm<rw::FmWave>;
using frmWave4 = GeneratorForm<rw::ExponentialWave>;
using frmFault1 = GeneratorForm<rw::FaultLine>;
