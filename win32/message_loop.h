#pragma once
// The program's one message loop, in its three forms: the main loop, a modal loop that runs until
// a condition holds, and the processing of pending messages from inside a long operation.
#include <windows.h>

#include <functional>

namespace rw::win {

// Sees each message of the thread before it is dispatched (a frame's accelerators, say).
class MessageFilter {
public:
    virtual ~MessageFilter() = default;
    // True when the message was handled and must not be dispatched.
    virtual bool PreTranslate(MSG& msg) = 0;
};

// Filters are asked in the order added; remove one before it is destroyed.
void AddMessageFilter(MessageFilter* filter);
void RemoveMessageFilter(MessageFilter* filter);

// Translates and dispatches one message: the message filters first, the dialog keyboard interface
// (Tab, Enter, Esc) inside dialogs.
void DispatchUiMessage(MSG& msg);

// Processes every message already queued, then returns. False when WM_QUIT was seen (it is
// posted again, so that the outer loop ends too).
bool ProcessPendingMessages();

// Runs until WM_QUIT and returns its exit code.
int RunMessageLoop();

// Runs until `done` returns true (checked after every message) or WM_QUIT arrives.
void RunMessageLoopUntil(const std::function<bool()>& done);

} // namespace rw::win
