#include "lumbra32/hung_prompt.h"

#include "win32/strings.h"

namespace lumbra {
namespace {

constexpr int kStop = 100;
constexpr int kText = 101;

// Dialog units to this dialog's pixels.
RECT Units(HWND dialog, int x, int y, int width, int height) {
    RECT r{x, y, x + width, y + height};
    MapDialogRect(dialog, &r);
    return r;
}

} // namespace

void HungPrompt::Ask(HWND owner, const std::string& title, unsigned seconds) {
    answer_ = Answer::None;
    Destroy();
    CreateEmpty(owner, L"Plug-in not responding", 1, 1);
    if (!hwnd()) {
        return;
    }
    const std::wstring text = L"The plug-in \u201C" + rw::win::WidenCodePage(title) +
                              L"\u201D has reported no progress for " + std::to_wstring(seconds) +
                              L" seconds and may have stopped responding.\n\nStop it? The picture "
                              L"is left as it was.";
    const RECT label = Units(hwnd(), 7, 7, 206, 40);
    const RECT stop = Units(hwnd(), 106, 54, 50, 14);
    const RECT wait = Units(hwnd(), 163, 54, 50, 14);
    const RECT client = Units(hwnd(), 0, 0, 220, 75);
    AddControl(L"STATIC", text.c_str(), SS_LEFT, kText, label.left, label.top,
               label.right - label.left, label.bottom - label.top);
    AddControl(L"BUTTON", L"&Stop", BS_PUSHBUTTON | WS_TABSTOP, kStop, stop.left, stop.top,
               stop.right - stop.left, stop.bottom - stop.top);
    HWND waitButton =
        AddControl(L"BUTTON", L"&Wait", BS_DEFPUSHBUTTON | WS_TABSTOP, IDCANCEL, wait.left,
                   wait.top, wait.right - wait.left, wait.bottom - wait.top);
    SendMessageW(hwnd(), DM_SETDEFID, IDCANCEL, 0);
    RECT frame = client;
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE)));
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    RECT over{};
    HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    if (!root || !GetWindowRect(root, &over)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
    }
    SetWindowPos(hwnd(), HWND_TOP, over.left + ((over.right - over.left) - w) / 2,
                 over.top + ((over.bottom - over.top) - h) / 2, w, h, 0);
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    SetFocus(waitButton);
}

bool HungPrompt::Take(MSG& msg) {
    return hwnd() && (msg.hwnd == hwnd() || IsChild(hwnd(), msg.hwnd)) &&
           IsDialogMessageW(hwnd(), &msg);
}

void HungPrompt::OnCommand(int id, int, HWND) {
    if (id == kStop || id == IDCANCEL) {
        answer_ = id == kStop ? Answer::Stop : Answer::Wait;
        Destroy();
    }
}

} // namespace lumbra
