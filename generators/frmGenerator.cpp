#include "generators/frmGenerator.h"

#include <commctrl.h>

#include <algorithm>

#include "components/image_control.h"
#include "core/image_error.h"
#include "documents/frmDocument.h"
#include "documents/main_window.h"
#include "generators/dialog_placement.h"
#include "generators/layout.h"
#include "generators/render_loop.h"
#include "program/frmImage.h"
#include "program/global.h"
#include "win32/screen_rects.h"
#include "win32/dpi.h"
#include "win32/strings.h"
#include "win32/ui_seam.h"

namespace {

constexpr int kFirstControlId = 2000;

int Px(int32_t twips) {
    return rw::win::TwipsToPixels(twips);
}

// Progress and cancellation of a render reach the user through the status bar, whose update
// also lets pending input (Esc, Cancel, paints) through once per column.
class StatusBarHost final : public rw::RenderHost {
public:
    void Progress(int32_t percent) override {
        Global::SetStatusText(rw::win::Widen(rw::ProgressText(percent)));
    }
    bool CancelRequested() override { return Global::CancelRequested; }
};

} // namespace

frmGenerator::frmGenerator(const rw::GeneratorTable& table, HWND owner) : table_(table) {
    const rw::GeneratorLayout layout = rw::LayoutFor(table_);
    CreateEmpty(owner, rw::win::Widen(table_.caption), Px(layout.clientWidth),
                Px(layout.clientHeight));
    Build(layout);
    ApplyValues(table_.InitialValues());
}

frmGenerator::~frmGenerator() {
    Destroy();
}

void frmGenerator::Build(const rw::GeneratorLayout& layout) {
    const auto place = [](const rw::RectTwips& r) {
        return RECT{Px(r.left), Px(r.top), Px(r.width), Px(r.height)};
    };
    int nextId = kFirstControlId;
    for (int n = 0; n < 2; ++n) {
        const RECT f = place(layout.frames[n]);
        frames_[n] = AddControl(WC_BUTTONW, rw::win::Widen(table_.frames[n].caption).c_str(),
                                BS_GROUPBOX, nextId++, f.left, f.top, f.right, f.bottom);
        const auto& rows = table_.frames[n].rows;
        for (size_t k = 0; k < rows.size(); ++k) {
            const rw::RowLayout& at = layout.rows[n][k];
            Row row;
            RECT r = place(at.label);
            row.label = AddControl(WC_STATICW, rw::win::Widen(rows[k].label).c_str(), SS_LEFT,
                                   nextId++, r.left, r.top, r.right, r.bottom);
            r = place(at.lock);
            row.lock = AddControl(WC_BUTTONW, L"Lock", BS_AUTOCHECKBOX | WS_TABSTOP, nextId++,
                                  r.left, r.top, r.right, r.bottom);
            r = place(at.slider);
            row.slider =
                AddControl(TRACKBAR_CLASSW, L"",
                           TBS_HORZ | TBS_AUTOTICKS | TBS_TOOLTIPS | TBS_BOTTOM | WS_TABSTOP,
                           nextId++, r.left, r.top, r.right, r.bottom);
            const rw::SliderRow& range = rows[k];
            SendMessageW(row.slider, TBM_SETRANGEMIN, FALSE, range.min);
            SendMessageW(row.slider, TBM_SETRANGEMAX, FALSE, range.max);
            SendMessageW(row.slider, TBM_SETLINESIZE, 0, 1);
            SendMessageW(row.slider, TBM_SETPAGESIZE, 0, range.largeChange);
            // Ticks at most about twenty apart, so that long ranges stay readable.
            SendMessageW(row.slider, TBM_SETTICFREQ, std::max(1, (range.max - range.min + 19) / 20),
                         0);
            rows_[n].push_back(row);
        }
    }
    for (size_t k = 0; k < table_.variants.size(); ++k) {
        const RECT r = place(layout.variants[k]);
        options_.push_back(AddControl(WC_BUTTONW, rw::win::Widen(table_.variants[k]).c_str(),
                                      BS_AUTORADIOBUTTON | (k == 0 ? WS_GROUP | WS_TABSTOP : 0),
                                      nextId++, r.left, r.top, r.right, r.bottom));
    }
    struct ButtonInfo {
        rw::GeneratorButton slot;
        int id;
        const wchar_t* caption;
    };
    static constexpr ButtonInfo kButtons[] = {
        {rw::kReset, cmdReset, L"&Reset"}, {rw::kRandom, cmdRandom, L"Ra&ndom"},
        {rw::kOk, cmdOk, L"&Ok"},          {rw::kCancel, cmdCancel, L"&Cancel"},
        {rw::kApply, cmdApply, L"&Apply"},
    };
    for (const ButtonInfo& b : kButtons) {
        const RECT r = place(layout.buttons[b.slot]);
        AddControl(WC_BUTTONW, b.caption,
                   (b.id == cmdOk ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP |
                       (b.slot == rw::kReset ? WS_GROUP : 0),
                   b.id, r.left, r.top, r.right, r.bottom);
    }
    SendMessageW(hwnd(), DM_SETDEFID, cmdOk, 0);
}

int32_t frmGenerator::SliderValue(int frame, int row) const {
    return static_cast<int32_t>(SendMessageW(Slider(frame, row), TBM_GETPOS, 0, 0));
}

void frmGenerator::SetSliderValue(int frame, int row, int32_t value) {
    SendMessageW(Slider(frame, row), TBM_SETPOS, TRUE, value);
}

bool frmGenerator::Locked(int frame, int row) const {
    return SendMessageW(Check(frame, row), BM_GETCHECK, 0, 0) != BST_UNCHECKED;
}

void frmGenerator::SetLocked(int frame, int row, bool locked) {
    SendMessageW(Check(frame, row), BM_SETCHECK, locked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int32_t frmGenerator::Variant() const {
    for (size_t k = 0; k < options_.size(); ++k) {
        if (SendMessageW(options_[k], BM_GETCHECK, 0, 0) == BST_CHECKED) {
            return static_cast<int32_t>(k);
        }
    }
    return 0;
}

void frmGenerator::SetVariant(int32_t variant) {
    for (size_t k = 0; k < options_.size(); ++k) {
        SendMessageW(options_[k], BM_SETCHECK,
                     static_cast<int32_t>(k) == variant ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

rw::SliderValues frmGenerator::CurrentValues() const {
    rw::SliderValues values;
    for (int n = 0; n < 2; ++n) {
        for (size_t k = 0; k < rows_[n].size(); ++k) {
            values.frame[n].push_back(SliderValue(n, static_cast<int>(k)));
        }
    }
    values.variant = Variant();
    return values;
}

void frmGenerator::ApplyValues(const rw::SliderValues& values) {
    for (int n = 0; n < 2; ++n) {
        for (size_t k = 0; k < rows_[n].size() && k < values.frame[n].size(); ++k) {
            SetSliderValue(n, static_cast<int>(k), values.frame[n][k]);
        }
    }
    SetVariant(values.variant);
}

frmDocument* frmGenerator::TargetDocument() const {
    if (!main_) {
        return nullptr;
    }
    frmDocument* document = FindDocument(*main_, targetWindow_);
    return document && &document->Lumbra1 == TargetImage ? document : nullptr;
}

bool frmGenerator::TakeSnapshot() {
    try {
        TargetImage->ImageCopy();
        frmImage::Instance().Lumbra1.ImagePaste();
        return true;
    } catch (const rw::ImageError& e) {
        // Without an undo copy, Cancel could not put the image back: do not start.
        rw::Ui().ShowMessage(GetWindow(hwnd(), GW_OWNER),
                             L"The image cannot be kept for undoing the generator: " +
                                 rw::win::Widen(e.what()),
                             Global::AppTitle, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
}

bool frmGenerator::RestoreSnapshot() {
    if (!TargetDocument()) {
        return true; // the document is gone: there is nothing to put back
    }
    try {
        frmImage::Instance().Lumbra1.ImageCopy();
        TargetImage->ImagePaste();
        TargetImage->Refresh();
    } catch (const rw::ImageError& e) {
        rw::Ui().ShowMessage(hwnd(),
                             L"The image as it was cannot be put back: " + rw::win::Widen(e.what()),
                             Global::AppTitle, MB_OK | MB_ICONEXCLAMATION);
        return false;
    }
    // Only a render changes the document: a Cancel after none leaves what Undo can take back.
    frmDocument* document = TargetDocument();
    if (document && document->Modified() != modifiedAtOpening_) {
        document->SetModified(modifiedAtOpening_);
    }
    return true;
}

void frmGenerator::Target(frmDocument& document) {
    main_ = &document.Main();
    TargetImage = &document.Lumbra1;
    targetWindow_ = document.hwnd();
    modifiedAtOpening_ = document.Modified();
}

void frmGenerator::Open(frmDocument& document, MainWindow& main) {
    Target(document);
    if (!TakeSnapshot()) {
        return;
    }
    ShowModal(main.OwnerWindow());
}

void frmGenerator::PlaceForShowing(HWND owner) {
    const rw::ScreenRect self = rw::ScreenRectOf(hwnd());
    if (userPlace_) {
        // Where the user left it, unless the screen it was on has gone or shrunk.
        rw::MoveTo(hwnd(), rw::MoveOntoWorkArea(*userPlace_, rw::WorkAreaNear(hwnd())));
        return;
    }
    frmDocument* document = TargetDocument();
    if (!owner || !document) {
        Dialog::PlaceForShowing(owner);
        return;
    }
    // Only the part of the picture that shows in the documents' area can be covered.
    RECT picture{}, area{}, shown{};
    GetWindowRect(document->Lumbra1.hwnd(), &picture);
    GetWindowRect(GetParent(document->hwnd()), &area);
    IntersectRect(&shown, &picture, &area);
    rw::MoveTo(hwnd(), rw::PlaceGeneratorDialog(rw::WorkAreaNear(owner), rw::ScreenRectOf(owner),
                                                {shown.left, shown.top, shown.right, shown.bottom},
                                                self.Width(), self.Height()));
}

bool frmGenerator::OnMessage(UINT message, WPARAM, LPARAM, LRESULT&) {
    // A drag that ends where it began (a click on the caption) places nothing.
    if (message == WM_ENTERSIZEMOVE) {
        moveStart_ = rw::ScreenRectOf(hwnd());
    } else if (message == WM_EXITSIZEMOVE && rw::ScreenRectOf(hwnd()) != moveStart_) {
        userPlace_ = rw::ScreenRectOf(hwnd());
    }
    return false;
}

// The state a render holds while it runs, given back however it ends: the dialog's Rendering
// flag, the busy pointer, the progress text, and the hiding that Ok asked for meanwhile.
class frmGenerator::RenderingScope {
public:
    RenderingScope(frmGenerator& form, rw::ImageControl& target) : form_(form), target_(target) {
        form_.Rendering = true;
    }
    ~RenderingScope() {
        target_.MousePointer(0);
        form_.Rendering = false;
        Global::SetStatusText(L"");
        form_.FinishHiddenRender();
    }
    RenderingScope(const RenderingScope&) = delete;
    RenderingScope& operator=(const RenderingScope&) = delete;

private:
    frmGenerator& form_;
    rw::ImageControl& target_;
};

void frmGenerator::RenderTerrain() {
    if (!TargetDocument()) {
        return; // its document has been closed since the dialog was opened
    }
    rw::ImageControl& target = *TargetImage;
    Global::CancelRequested = false;
    rw::RenderResult result;
    {
        RenderingScope scope(*this, target);
        const std::unique_ptr<rw::TerrainModel> model = table_.makeModel(CurrentValues());
        target.MousePointer(rw::ImageControl::kBusyPointer);
        StatusBarHost host;
        const int threads = RenderThreads > 0 ? RenderThreads : rw::DefaultRenderThreads();
        result = rw::DrawTerrain(*model, target.Surface(), host, threads);
        target.Refresh();
    }
    if (result.columnsDrawn > 0) {
        if (frmDocument* document = TargetDocument()) {
            document->SetModified(true);
        }
    }
}

void frmGenerator::FinishHiddenRender() {
    if (hideWhenDone_) {
        hideWhenDone_ = false;
        Hide(); // gives the main window back its input now that the render is over
    }
}

void frmGenerator::cmdApply_Click() {
    if (!Rendering) {
        RenderTerrain();
    }
}

void frmGenerator::cmdRandom_Click() {
    if (Rendering) {
        return;
    }
    rw::SliderValues values = CurrentValues();
    std::vector<bool> locked[2];
    for (int n = 0; n < 2; ++n) {
        for (size_t k = 0; k < rows_[n].size(); ++k) {
            locked[n].push_back(Locked(n, static_cast<int>(k)));
        }
    }
    rw::RandomizeUnlocked(table_, values, locked, rw::TheRandom());
    ApplyValues(values);
    RenderTerrain();
}

void frmGenerator::cmdReset_Click() {
    if (Rendering) {
        return;
    }
    ApplyValues(table_.ResetValues(Variant()));
    for (int n = 0; n < 2; ++n) {
        for (size_t k = 0; k < rows_[n].size(); ++k) {
            SetLocked(n, static_cast<int>(k), false);
        }
    }
}

void frmGenerator::cmdOk_Click() {
    if (Rendering) {
        // The dialog goes at once; the main window stays disabled until the render, which is
        // still drawing into one of its documents, has finished.
        ShowWindow(hwnd(), SW_HIDE);
        hideWhenDone_ = true;
        return;
    }
    Hide();
}

void frmGenerator::cmdCancel_Click() {
    if (Rendering) {
        Global::CancelRequested = true;
        return;
    }
    if (RestoreSnapshot()) {
        Hide();
    }
}

void frmGenerator::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
    case cmdApply:
        cmdApply_Click();
        break;
    case cmdRandom:
        cmdRandom_Click();
        break;
    case cmdReset:
        cmdReset_Click();
        break;
    case cmdOk:
        cmdOk_Click();
        break;
    case cmdCancel: // Cancel, Esc and the close box
        cmdCancel_Click();
        break;
    default:
        break;
    }
}
