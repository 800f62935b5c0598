// A stand-in for lumbra32.dll with the same exports and ordinals, whose answers a test scripts.
//
// The script is "name=value" pairs separated by ';', read from the environment variable
// LUMBRA32_DOUBLE when the library loads and replaced by DoubleConfigure():
//   available, open, status, enumerate, load, run, lasterror, about   results of those calls
//   fromdib     1: ImageFromDib hands out a small image; 0: it fails
//   plugins     how many plug-ins the enumeration reports ("Title k", "Filter k.8bf", "Category k")
//   entries     the plug-ins the enumeration reports instead, "title|file|category" each, separated
//               by ','
//   progress    comma-separated percentages that PlugInRun reports through the status callback
// Every call is written to a log that DoubleCalls() returns, one "Name(argument)" a line.
#define LUMBRA32_BUILD
#include "lumbra32/lumbra32.h"

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::map<std::string, std::string>& Script() {
    static std::map<std::string, std::string> script;
    return script;
}
std::string& Log() {
    static std::string log;
    return log;
}
PlugInStatusProc g_status = nullptr;
void* g_statusContext = nullptr;

void Configure(const char* text) {
    Script().clear();
    std::stringstream in(text ? text : "");
    std::string pair;
    while (std::getline(in, pair, ';')) {
        const auto eq = pair.find('=');
        if (eq != std::string::npos) {
            Script()[pair.substr(0, eq)] = pair.substr(eq + 1);
        }
    }
}

int Answer(const char* name, int fallback) {
    const auto found = Script().find(name);
    return found == Script().end() ? fallback : std::atoi(found->second.c_str());
}

void Record(const std::string& call) {
    Log() += call + "\n";
}

struct Init {
    Init() { Configure(std::getenv("LUMBRA32_DOUBLE")); }
} g_init;

} // namespace

extern "C" __declspec(dllexport) void DoubleConfigure(const char* script) {
    Configure(script);
    Log().clear();
}
extern "C" __declspec(dllexport) const char* DoubleCalls() {
    return Log().c_str();
}

LUMBRA32_API int WINAPI PlugInHostAvailable() {
    Record("PlugInHostAvailable()");
    return Answer("available", 1);
}
LUMBRA32_API int WINAPI PlugInHostOpen(const char* dir) {
    Record(std::string("PlugInHostOpen(") + (dir ? dir : "null") + ")");
    return Answer("open", 1);
}
LUMBRA32_API int WINAPI PlugInSetStatusCallback(PlugInStatusProc proc, int reserved,
                                                void* context) {
    Record("PlugInSetStatusCallback(" + std::to_string(reserved) + ")");
    g_status = proc;
    g_statusContext = context;
    return Answer("status", 1);
}
LUMBRA32_API int WINAPI PlugInEnumerate(PlugInFoundProc proc, int flags, void* context) {
    Record("PlugInEnumerate(" + std::to_string(flags) + ")");
    const auto entries = Script().find("entries");
    if (entries != Script().end()) {
        std::stringstream list(entries->second);
        std::string entry;
        while (std::getline(list, entry, ',')) {
            std::stringstream fields(entry);
            std::string title, file, category;
            std::getline(fields, title, '|');
            std::getline(fields, file, '|');
            std::getline(fields, category, '|');
            proc(title.c_str(), file.c_str(), category.c_str(), context);
        }
    }
    const int count = Answer("plugins", 0);
    for (int k = 0; k < count; ++k) {
        const std::string n = std::to_string(k);
        proc(("Title " + n).c_str(), ("Filter " + n + ".8bf").c_str(), ("Category " + n).c_str(),
             context);
    }
    return Answer("enumerate", 1);
}
LUMBRA32_API int WINAPI PlugInLoad(const char* fileName) {
    Record(std::string("PlugInLoad(") + (fileName ? fileName : "null") + ")");
    return Answer("load", 1);
}
LUMBRA32_API HGLOBAL WINAPI ImageFromDib(HGLOBAL) {
    Record("ImageFromDib()");
    return Answer("fromdib", 1) ? GlobalAlloc(GMEM_MOVEABLE, 16) : nullptr;
}
LUMBRA32_API int WINAPI PlugInRun(HGLOBAL, HWND, int reserved) {
    Record("PlugInRun(" + std::to_string(reserved) + ")");
    const auto found = Script().find("progress");
    if (found != Script().end() && g_status) {
        std::stringstream in(found->second);
        std::string percent;
        while (std::getline(in, percent, ',')) {
            g_status(0, std::atoi(percent.c_str()), g_statusContext);
        }
    }
    return Answer("run", 1);
}
LUMBRA32_API int WINAPI ImageLastError() {
    Record("ImageLastError()");
    return Answer("lasterror", 0);
}
LUMBRA32_API int WINAPI PlugInShowAbout(HWND, const char* fileName) {
    Record(std::string("PlugInShowAbout(") + (fileName ? fileName : "null") + ")");
    return Answer("about", 1);
}
LUMBRA32_API int WINAPI ShowLastError(HWND) {
    Record("ShowLastError()");
    return 1;
}
