// The end-to-end driver: one GoogleTest case per scenario, each against a fresh run of the
// shipped program.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "e2e/program.h"

int main(int argc, char** argv) {
    // CTest reads the test list from our output; MinGW's text mode would end lines with "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    testing::InitGoogleTest(&argc, argv);
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg.rfind("--editor=", 0) == 0) {
            e2e::Config().editor = e2e::HostPath(arg.substr(9));
        } else if (arg.rfind("--out=", 0) == 0) {
            e2e::Config().out = e2e::HostPath(arg.substr(6));
        }
    }
    if (e2e::Config().editor.empty()) {
        // Beside the driver, where the build puts every program.
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring folder = self;
        folder.resize(folder.find_last_of(L'\\') + 1);
        e2e::Config().editor = folder + L"ridgewright.exe";
    }
    if (!e2e::Config().out.empty()) {
        CreateDirectoryW(e2e::Config().out.c_str(), nullptr);
    }
    return RUN_ALL_TESTS();
}
