#include <windows.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "e2e/session.h"

namespace e2e {
namespace {

class Scenario : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        const std::string name = std::string(info->test_suite_name()) + "." + info->name();
        const std::wstring root = std::wstring(temp) + L"rw-e2e";
        CreateDirectoryW(root.c_str(), nullptr);
        folder_ = root + L"\\" + std::wstring(name.begin(), name.end());
        CreateDirectoryW(folder_.c_str(), nullptr);
        for (const std::wstring& file : Files()) {
            const std::wstring path = folder_ + L"\\" + file;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
        editor_ = std::make_unique<Editor>(folder_);
    }

    std::vector<std::wstring> Files() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder_ + L"\\*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(data.cFileName);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
        return names;
    }

    std::wstring In(const std::wstring& name) const { return folder_ + L"\\" + name; }

    Editor& ed() { return *editor_; }

    std::wstring folder_;
    std::unique_ptr<Editor> editor_;
};

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
