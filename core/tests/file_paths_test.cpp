#include "core/file_paths.h"

#include <gtest/gtest.h>

namespace rw {
namespace {

TEST(LongPathForm, LeavesShortAndRelativePathsAlone) {
    EXPECT_EQ(LongPathForm(L"C:\\maps\\a.tif"), L"C:\\maps\\a.tif");
    const std::wstring relative = L"maps\\" + std::wstring(300, L'x') + L".tif";
    EXPECT_EQ(LongPathForm(relative), relative);
    const std::wstring prefixed = L"\\\\?\\C:\\" + std::wstring(300, L'x');
    EXPECT_EQ(LongPathForm(prefixed), prefixed);
    const std::wstring device = L"\\\\.\\" + std::wstring(300, L'x');
    EXPECT_EQ(LongPathForm(device), device);
}

TEST(LongPathForm, PrefixesDeepDriveAndNetworkPaths) {
    const std::wstring deep = std::wstring(270, L'd');
    EXPECT_EQ(LongPathForm(L"C:/" + deep + L"/a.tif"), L"\\\\?\\C:\\" + deep + L"\\a.tif");
    EXPECT_EQ(LongPathForm(L"\\\\server\\share\\" + deep), L"\\\\?\\UNC\\server\\share\\" + deep);
    // Just under the limit, a temporary name beside the file would cross it.
    const std::wstring nearLimit = L"C:\\" + std::wstring(250, L'n');
    EXPECT_TRUE(LongPathForm(nearLimit).starts_with(L"\\\\?\\"));
}

TEST(TemporaryName, LivesInTheFolderAndDiffersPerSerialAndProcess) {
    const std::wstring a = TemporaryName(FolderOf(L"C:\\maps\\a.tif"), 0x1234, 1);
    EXPECT_TRUE(a.starts_with(L"C:\\maps\\~rw"));
    EXPECT_TRUE(a.ends_with(L".tmp"));
    EXPECT_NE(a, TemporaryName(L"C:\\maps\\", 0x1234, 2));
    EXPECT_NE(a, TemporaryName(L"C:\\maps\\", 0x1235, 1));
    EXPECT_EQ(FolderOf(L"a.tif"), L".\\");
    EXPECT_EQ(FolderOf(L"C:/x/a.tif"), L"C:/x/");
}

TEST(FilePaths, FolderPartIsTheTextBeforeTheLastBackslash) {
    EXPECT_EQ(FolderPart(L"C:\\maps\\a.tif"), L"C:\\maps");
    EXPECT_EQ(FolderPart(L"C:\\a.tif"), L"C:");
    EXPECT_EQ(FolderPart(L"\\\\server\\share\\x.png"), L"\\\\server\\share");
    EXPECT_EQ(FolderPart(L"a.tif"), L"");
}

} // namespace
} // namespace rw
