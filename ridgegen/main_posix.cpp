// ridgegen's entry point on POSIX systems.
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "ridgegen/app.h"

namespace {

extern "C" void OnInterrupt(int) {
    rw::RequestStop();
}

} // namespace

int main(int argc, char** argv) {
    // Ctrl+C ends the render at the next band, so that the temporary file is removed.
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    const std::vector<std::string> args(argv + 1, argv + argc);
    return rw::RunRidgegen(args, std::cout, std::cerr, isatty(STDERR_FILENO) == 1);
}
