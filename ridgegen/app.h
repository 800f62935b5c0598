#pragma once
// ridgegen as a program, apart from the platform's entry point.
#include <ostream>
#include <string>
#include <vector>

namespace rw {

// Runs the command line `args` (without the program's name): writes the file, prints the slider
// values used on `out` and any error, one line, on `err`, with a progress bar there when it is
// a terminal. Returns the exit status: 0 done, 1 the file could not be made, 2 a bad command
// line, 130 stopped by RequestStop; in every case but 0 no file is left behind.
int RunRidgegen(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                bool errIsTerminal);

// Asks a running render to stop after its current band (safe in a signal handler).
void RequestStop();

} // namespace rw
