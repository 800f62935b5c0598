// ridgegen's entry point on Windows: the arguments as typed, whatever the code page.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <csignal>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "ridgegen/app.h"
#include "win32/strings.h"

namespace {

extern "C" void OnInterrupt(int) {
    rw::RequestStop();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    // Ctrl+C ends the render at the next band, so that the temporary file is removed.
    std::signal(SIGINT, OnInterrupt);
    // The same bytes as on other systems ("\n" line ends), so that scripts read either alike.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> args;
    for (int k = 1; k < argc; ++k) {
        args.push_back(rw::win::Narrow(argv[k]));
    }
    return rw::RunRidgegen(args, std::cout, std::cerr, _isatty(_fileno(stderr)) != 0);
}
