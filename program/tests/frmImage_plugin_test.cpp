// The editor's PlugIn1: created by class identifier with its saved form when lumbraplug is
// registered; the scratch form works without it.
#include <windows.h>
#include <ocidl.h>

#include <gtest/gtest.h>

#include <vector>

#include "program/frmImage.h"
#include "shell/tests/editor_test_support.h"

using rw::test::RegisterPlugInControl;

TEST(frmImagePlugIn, HoldsThePlugInControlWithItsSavedForm) {
    ASSERT_TRUE(RegisterPlugInControl(true));
    frmImage& form = frmImage::Instance();
    ASSERT_TRUE(form.PlugIn1);
    rw::com::ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(form.PlugIn1.As(persist), S_OK);
    rw::com::ComPtr<IStream> saved;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, saved.Put()), S_OK);
    ASSERT_EQ(persist->Save(saved.Get(), TRUE), S_OK);
    HGLOBAL memory = nullptr;
    ASSERT_EQ(GetHGlobalFromStream(saved.Get(), &memory), S_OK);
    const auto* bytes = static_cast<const BYTE*>(GlobalLock(memory));
    EXPECT_EQ(std::vector<BYTE>(bytes, bytes + 12),
              (std::vector<BYTE>{2, 2, 0, 0, 0xD8, 0x13, 0, 0, 0xD8, 0x13, 0, 0}));
    GlobalUnlock(memory);
}

TEST(frmImagePlugIn, StartsWithoutTheControl) {
    ASSERT_TRUE(RegisterPlugInControl(false));
    frmImage& form = frmImage::Instance();
    EXPECT_FALSE(form.PlugIn1);
    EXPECT_GT(form.Lumbra1.FormatCount(), 0);
}
