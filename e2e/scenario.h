#pragma once
// Every scenario has a folder of its own; the editor's scenarios start it afresh, with a settings
// state of its own.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/session.h"

namespace e2e {

class Workspace : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name) {
            c = (c == '/') ? '-' : c; // parameterised names hold slashes
        }
        const std::wstring root = std::wstring(temp) + L"rw-e2e";
        CreateDirectoryW(root.c_str(), nullptr);
        folder_ = root + L"\\" + std::wstring(name.begin(), name.end());
        CreateDirectoryW(folder_.c_str(), nullptr);
        for (const std::wstring& file : FolderFiles()) {
            const std::wstring path = folder_ + L"\\" + file;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }

    std::vector<std::wstring> FolderFiles() const {
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

    std::wstring folder_;
};

class Scenario : public Workspace {
protected:
    void SetUp() override {
        Workspace::SetUp();
        editor_ = std::make_unique<Editor>(folder_);
    }

    // A scenario that ends with the program still expected to run checks that it does.
    void TearDown() override {
        if (editor_ && !editor_->Ended()) {
            editor_->Step("end of the scenario");
        }
    }

    Editor& ed() { return *editor_; }

    std::unique_ptr<Editor> editor_;
};

} // namespace e2e
