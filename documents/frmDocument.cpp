#include "documents/frmDocument.h"

#include <cmath>

#include "core/square_fit.h"
#include "documents/document_files.h"
#include "documents/main_window.h"
#include "program/global.h"
#include "program/resource.h"
#include "win32/strings.h"
#include "win32/ui_seam.h"

frmDocument* FindDocument(const MainWindow& main, HWND window) {
    for (frmDocument* document : main.Documents()) {
        if (window && document->hwnd() == window) {
            return document;
        }
    }
    return nullptr;
}

frmDocument::frmDocument(HWND mdiClient, MainWindow& main) : main_(main) {
    static const rw::win::WindowClass cls{
        L"RidgewrightDocument", CS_DBLCLKS, reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1),
        LoadIconW(rw::win::ModuleInstance(), MAKEINTRESOURCEW(IDI_RIDGEWRIGHT))};
    Create(cls, WS_EX_MDICHILD, L"", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
           CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, mdiClient, nullptr);
}

frmDocument::~frmDocument() {
    Destroy();
}

std::wstring frmDocument::Caption() const {
    return rw::win::WindowText(hwnd());
}

void frmDocument::SetCaption(const std::wstring& caption) {
    SetWindowTextW(hwnd(), caption.c_str());
}

void frmDocument::Show() {
    ShowWindow(hwnd(), SW_SHOW);
}

void frmDocument::Activate() {
    HWND client = GetParent(hwnd());
    if (IsIconic(hwnd())) {
        SendMessageW(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(hwnd()), 0);
    }
    SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwnd()), 0);
    SetFocus(hwnd());
}

void frmDocument::SetModified(bool modified) {
    if (modified) {
        history_.Changed();
    } else {
        history_.Saved();
    }
}

void frmDocument::Form_Load() {
    Form_Resize();
    Lumbra1.DisplayMode(1);
    Lumbra1.DisplayOption(1);
}

void frmDocument::Form_Resize() {
    HWND control = Lumbra1.hwnd();
    if (!control) {
        return;
    }
    RECT client;
    GetClientRect(hwnd(), &client);
    const auto sideOf = [](float side) { return static_cast<int>(std::lround(side)); };
    const rw::SquarePlacement at = rw::FitSquare(
        static_cast<float>(client.right), static_cast<float>(client.bottom), [&](float side) {
            SetWindowPos(control, nullptr, 0, 0, sideOf(side), sideOf(side),
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            RECT taken;
            GetWindowRect(control, &taken);
            return rw::TakenSize{static_cast<float>(taken.right - taken.left),
                                 static_cast<float>(taken.bottom - taken.top)};
        });
    SetWindowPos(control, nullptr, sideOf(at.left), sideOf(at.top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void frmDocument::Form_QueryUnload(bool& Cancel, int /*UnloadMode*/) {
    // A titled document that holds no unsaved change closes without a question.
    if (!Caption().empty() && !Modified()) {
        return;
    }
    // Several untitled documents look alike: the one asked about is the one in front.
    Activate();
    HWND main = Main().OwnerWindow();
    const int answer = rw::Ui().ShowMessage(main, L"Save changes before closing?", Global::AppTitle,
                                            MB_YESNOCANCEL);
    if (answer == IDCANCEL) {
        Cancel = true;
    } else if (answer == IDYES) {
        // Leaving the Save dialog without a name, or a failed save, keeps the window open:
        // closing now would lose the work the user just asked to keep.
        Cancel = !SaveDocument(*this);
    }
}

void frmDocument::Lumbra1_CancelKey(int16_t, int16_t) {
    Global::CancelRequested = true;
}

bool frmDocument::Close(int unloadMode) {
    bool cancel = false;
    Form_QueryUnload(cancel, unloadMode);
    if (cancel) {
        return false;
    }
    Discard();
    return true;
}

void frmDocument::Discard() {
    SendMessageW(GetParent(hwnd()), WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd()), 0);
}

LRESULT frmDocument::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        Lumbra1.CreateChild(hwnd(), 1);
        Lumbra1.CancelKey = [this](int16_t key, int16_t shift) { Lumbra1_CancelKey(key, shift); };
        Form_Load();
        break;
    case WM_SIZE:
        Form_Resize();
        break; // the MDI default also needs it
    case WM_SETFOCUS: {
        const LRESULT result = DefaultProc(message, wParam, lParam);
        if (Lumbra1.hwnd()) {
            SetFocus(Lumbra1.hwnd()); // so that Esc reaches the image control
        }
        return result;
    }
    case WM_CLOSE:
        Close(vbFormControlMenu);
        return 0;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

LRESULT frmDocument::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefMDIChildProcW(hwnd(), message, wParam, lParam);
}

void frmDocument::OnDestroyed() {
    main_.ForgetDocument(this); // deletes this object
}
