#pragma once
// What the last PlugInRun spent where, for the benchmark (which links the library's code
// directly rather than through the DLL).
namespace lumbra {

struct RunTimings {
    double total = 0;           // the whole PlugInRun
    double convertIn = 0;       // caller's DIB to the shared pixels
    double convertOut = 0;      // shared pixels back into the DIB
    double helperBusy = 0;      // the helper between taking the command and replying
    double filter = 0;          // inside the plug-in's entry point, less its advanceState calls
    double buffers = 0;         // advanceState in the helper
    double retire = 0;          // ending a helper the plug-in left threads running in
    bool helperStarted = false; // this run had to start the helper process
};

RunTimings LastRunTimings();

} // namespace lumbra
