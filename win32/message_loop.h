#pragma once
// The program's one message loop, in its three forms: the main loop, a modal loop that runs until
// a condition holds, and the processing of pending messages from inside a long operation.
#include <windows.h>

#include <functional>

namespace rw::win {

// Translates and dispatches one message: the main frame's accelerators and MDI keys while it
// accepts input, the dialog keyboard interface (Tab, Enter, Esc) inside dialogs.
void DispatchUiMessage(MSG& msg);

// Processes every message already queued, then returns. False when WM_QUIT was seen (it is
// posted again, so that the outer loop ends too).
bool ProcessPendingMessages();

// Runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// Runs until `done` returns true (checked after every message) or WM_QUIT arrives.
void RunMessageLoopUntil(const std::function<bool()>& done);

// The main frame whose accelerators and MDI system keys are translated.
void SetFrameAccelerators(HWND frame, HWND mdiClient, HACCEL accelerators);

} // namespace rw::win
