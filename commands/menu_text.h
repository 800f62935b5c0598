#pragma once
// Menu item texts that carry a name of the user's or of a plug-in: shown as written, never read
// as access keys.
#include <string>
#include <string_view>

namespace rw {

// The text as a menu shows it literally: every "&" doubled, control characters as blanks.
std::wstring MenuText(std::wstring_view text);

// A command's caption naming what it acts on: "&Undo" and "Invert" give "&Undo Invert"; an
// empty name gives the command alone.
std::wstring NamedCaption(std::wstring_view command, std::wstring_view name);

} // namespace rw
