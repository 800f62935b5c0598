#include <windows.h>

#include <memory>
#include <string>

#include "e2e/scenario.h"

namespace e2e {
namespace {

TEST_F(Scenario, Smoke) {
    ed().Step("File New 64");
    ed().NewDocument(L"64");
    ed().Step("Edit Copy");
    const Image picture = ed().CopyPicture();
    EXPECT_EQ(64, picture.width);
    EXPECT_EQ(64, picture.height);
    ed().Step("toolbar New");
    ed().ClickToolbar(0);
    HWND dialog = ed().WaitDialog(L"New");
    ed().Press(VK_ESCAPE);
    ed().WaitGone(dialog);
    ed().Step("File Close");
    ed().Menu(L'F', L'C');
    HWND box = ed().WaitMessageBox();
    EXPECT_EQ(L"Save changes before closing?", Editor::DialogText(box));
    ed().Click(box, IDNO);
    ed().WaitUntil([&] { return ed().Documents().empty(); }, "the window to close");
    ed().Step("done");
}

} // namespace
} // namespace e2e
