#pragma once
// What a person reads on the screen, read from outside the program that shows it: the text of a
// window (also a control of another process), a window's class, a dialog's message.
#include <windows.h>

#include <string>
#include <vector>

#include "win32/strings.h"

namespace e2e {

using rw::win::Narrow;
using rw::win::WindowText;

// The class of the dialog manager's windows (message boxes, dialogs, file dialogs) and of a
// dropped-down menu.
inline constexpr wchar_t kDialogClass[] = L"#32770";
inline constexpr wchar_t kMenuClass[] = L"#32768";

std::wstring ClassOf(HWND window);
// Every window below `parent`, at any depth.
std::vector<HWND> Children(HWND parent);
// The first window right below `parent` of that class; null when there is none.
HWND ChildOfClass(HWND parent, const wchar_t* cls);
// A dialog's static texts (its message, not its buttons or pictures), one a line.
std::wstring DialogText(HWND dialog);
// Visible top-level windows of any process with that caption.
std::vector<HWND> WindowsCaptioned(const wchar_t* caption);

} // namespace e2e
