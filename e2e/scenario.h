#pragma once
// Every scenario has a folder of its own; the editor's scenarios start it afresh, with a settings
// state of its own.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "e2e/editor.h"
#include "e2e/picture.h"
#include "e2e/program.h"
#include "e2e/remote_memory.h"
#include "e2e/window_text.h"
#include "win32/scoped.h"
#include "win32/tests/test_files.h"

namespace e2e {

class Workspace : public testing::Test {
protected:
    // The folder is named for the scenario, for whoever reads a log of its paths; plain ASCII,
    // as a person types it into a file dialog.
    Workspace() : dir_(L"rw-e2e-" + ScenarioName()), folder_(dir_.Path()) {}

    std::vector<std::wstring> FolderFiles() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW data;
        const rw::win::ScopedFind find(::FindFirstFileW((folder_ + L"\\*").c_str(), &data));
        if (!find) {
            return names;
        }
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(data.cFileName);
            }
        } while (::FindNextFileW(find.Get(), &data));
        return names;
    }

    std::wstring In(const std::wstring& name) const { return dir_.File(name); }

private:
    static std::wstring ScenarioName() {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& c : name) {
            c = (c == '/') ? '-' : c; // parameterised names hold slashes
        }
        return rw::win::Widen(name);
    }

    rw::test::TempDir dir_;

protected:
    const std::wstring folder_;
};

class Scenario : public Workspace {
protected:
    void SetUp() override { editor_ = std::make_unique<Editor>(folder_); }

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
