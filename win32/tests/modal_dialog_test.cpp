#include "win32/modal_dialog.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace rw::win {
namespace {

constexpr int kTemplate = 100; // win32_tests.rc
constexpr int kProbe = 1001;   // a command that no control of the template sends

// A dialog whose command handler the test writes; it posts kProbe to itself when it opens.
class Scripted : public ModalDialog {
public:
    explicit Scripted(int templateId = kTemplate) : ModalDialog(templateId) {}
    std::function<void(Scripted&, int id)> onCommand;
    int inits = 0;
    int commands = 0;

    using ModalDialog::End;
    using ModalDialog::hwnd;

protected:
    bool OnInit() override {
        ++inits;
        ::PostMessageW(hwnd(), WM_COMMAND, kProbe, 0);
        return true;
    }
    bool OnCommand(int id, int) override {
        ++commands;
        onCommand(*this, id);
        return true;
    }
};

TEST(ModalDialog, RunsUntilEndAndAnswersWithItsResult) {
    Scripted dialog;
    dialog.onCommand = [](Scripted& self, int id) {
        if (id == kProbe) {
            self.End(7);
        }
    };
    EXPECT_EQ(dialog.Run(nullptr), 7);
    EXPECT_EQ(dialog.Result(), 7);
    EXPECT_EQ(dialog.inits, 1);
    EXPECT_EQ(dialog.commands, 1);
    EXPECT_EQ(dialog.hwnd(), nullptr); // destroyed with the run
}

TEST(ModalDialog, HandlersSeeNothingOnceTheResultIsDecided) {
    Scripted dialog;
    dialog.onCommand = [](Scripted& self, int id) {
        if (id == kProbe) {
            self.End(IDOK);
            // Still a window until the modal loop ends: what it is sent now goes to the system.
            ::SendMessageW(self.hwnd(), WM_COMMAND, IDCANCEL, 0);
        }
    };
    EXPECT_EQ(dialog.Run(nullptr), IDOK);
    EXPECT_EQ(dialog.commands, 1);
}

TEST(ModalDialog, AHandlerThatThrowsEndsItAsCancelled) {
    Scripted dialog;
    dialog.onCommand = [](Scripted&, int) { throw std::runtime_error("from a handler"); };
    EXPECT_EQ(dialog.Run(nullptr), IDCANCEL);
    EXPECT_EQ(dialog.Result(), IDCANCEL);
    EXPECT_EQ(dialog.commands, 1);
}

TEST(ModalDialog, AMissingTemplateRunsNoHandler) {
    Scripted dialog(4321);
    dialog.onCommand = [](Scripted& self, int) { self.End(IDOK); };
    EXPECT_EQ(dialog.Run(nullptr), -1);
    EXPECT_EQ(dialog.Result(), 0);
    EXPECT_EQ(dialog.inits, 0);
}

} // namespace
} // namespace rw::win
