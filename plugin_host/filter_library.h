#pragma once
// The control's side of lumbra32: the plug-in folder, the catalogue of the plug-ins found there,
// and every call into the library, each failure reported as the control's error (error object
// and HRESULT). The IPlugIn members only adapt their parameters to it.
#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "win32/bstr.h"

namespace rw::plugin {

class EventConnectionPoint;

// One catalogue entry: three strings as the library reported them (each may be null).
struct PlugInInfo {
    rw::win::Bstr Title;
    rw::win::Bstr FileName;
    rw::win::Bstr Category;
};
// In the order the library reported the plug-ins; nothing sorted, merged or removed.
using PlugInCatalogue = std::vector<PlugInInfo>;

class FilterLibrary {
public:
    // The library's progress reports of a run are raised as Status on `events`.
    explicit FilterLibrary(EventConnectionPoint& events);
    ~FilterLibrary();
    FilterLibrary(const FilterLibrary&) = delete;
    FilterLibrary& operator=(const FilterLibrary&) = delete;

    // Whether any object of the module still lives.
    static bool AnyLive();

    // Checks the folder, opens it in the library and keeps it; the catalogue starts empty.
    HRESULT SetDirectory(BSTR directory);
    // The folder exactly as the client gave it; null while none is set.
    BSTR Directory() const { return directory_.Get(); }

    // The catalogue, listed by the library on first need (a folder must be set).
    HRESULT Catalogue(const PlugInCatalogue*& catalogue);
    // Entry `index` of the catalogue, listed on first need.
    HRESULT Entry(int index, const PlugInInfo*& entry);
    // The entries listed so far; never asks the library.
    std::size_t Listed() const { return catalogue_.size(); }

    // Runs plug-in `fileName` on the caller's packed bitmap `dib` (which stays the caller's),
    // `owner` parenting what the plug-in shows; Status events are raised from inside.
    HRESULT Run(std::wstring_view fileName, HGLOBAL dib, HWND owner);
    // Shows the plug-in's own About box (a folder must be set); a failure is shown, not returned.
    HRESULT ShowAbout(std::wstring_view fileName, HWND owner);
    // The same for a name already in the library's code page; for the Select Plug-In dialog.
    static void ShowAboutOf(const std::string& fileName, HWND owner);

private:
    static int CALLBACK OnPlugInFound(const char* title, const char* fileName, const char* category,
                                      void* context);
    static int CALLBACK OnStatus(int value, int percent, void* context);

    HRESULT RequireDirectory() const;
    void Append(const char* title, const char* fileName, const char* category);

    EventConnectionPoint& events_;
    rw::win::Bstr directory_;
    PlugInCatalogue catalogue_;
};

} // namespace rw::plugin
