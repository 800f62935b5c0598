#include <gtest/gtest.h>

#include "documents/frmDocument.h"
#include "shell/frmMain.h"
#include "shell/global.h"
#include "win32/tests/ui_test_support.h"

namespace {

TEST(Documents, NewDocumentWindowIsUntitledAndActive) {
    rw::test::RunningEditor editor;
    frmDocument& document = Global::MainForm->NewDocumentWindow();
    EXPECT_EQ(document.Caption(), L"");
    EXPECT_EQ(Global::MainForm->ActiveDocument(), &document);
}

} // namespace
