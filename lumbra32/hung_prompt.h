#pragma once
// The question put to the user when a plug-in seems to hang: stop it, or wait. Modeless, so that
// the wait for the plug-in goes on under it; owned by the caller's window, whose loop passes it
// its messages (Take).
#include <windows.h>

#include <string>

#include "win32/dialog.h"

namespace lumbra {

class HungPrompt : public rw::win::Dialog {
public:
    enum class Answer { None, Stop, Wait };

    // Shows the question for the plug-in titled `title`, silent for `seconds`.
    void Ask(HWND owner, const std::string& title, unsigned seconds);
    // Takes the message when it is the question's (its keyboard interface included).
    bool Take(MSG& msg);
    // The answer given since the question was shown; the question is then gone.
    Answer Given() const { return answer_; }
    bool Showing() const { return hwnd() != nullptr; }

protected:
    void OnCommand(int id, int code, HWND control) override;

private:
    Answer answer_ = Answer::None;
};

} // namespace lumbra
