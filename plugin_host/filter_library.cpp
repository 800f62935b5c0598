#include "plugin_host/filter_library.h"

#include <optional>
#include <set>

#include "lumbra32/code_page_path.h"
#include "lumbra32/lumbra32.h"
#include "plugin_host/connection_point.h"
#include "plugin_host/control_format.h"
#include "plugin_host/error_info.h"
#include "plugin_host/module.h"
#include "plugin_host/resource.h"
#include "win32/scoped.h"
#include "win32/strings.h"

namespace rw::plugin {
namespace {

using rw::win::Bstr;

// lumbra32 keeps the context of the last status callback registered: a callback that arrives
// for an object already gone must not reach it. Guarded by the module lock.
std::set<const FilterLibrary*>& Live() {
    static std::set<const FilterLibrary*> live;
    return live;
}

bool IsLive(const void* context) {
    ModuleGuard guard;
    return Live().count(static_cast<const FilterLibrary*>(context)) != 0;
}

// The path buffer that lumbra32 is handed holds 260 bytes, the search pattern included.
constexpr std::size_t kPathBuffer = 260;
constexpr char kPattern[] = "\\*.8bf";
constexpr int kEnumerateFlags = 32;

// A path that does not fit the library's buffer, or that a C string would cut short, would make
// the library open a different folder from the one checked here.
bool FitsTheLibrary(std::wstring_view given, const std::string& path) {
    return !path.empty() && path.size() + sizeof kPattern <= kPathBuffer &&
           given.find(L'\0') == std::wstring_view::npos;
}

// The directory attribute alone: a folder that is also read-only, hidden, archived and the like
// is refused, as are files and missing paths.
bool IsPlainFolder(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) == FILE_ATTRIBUTE_DIRECTORY;
}

bool HoldsPlugIns(const std::string& path) {
    WIN32_FIND_DATAA found;
    const rw::win::ScopedFind search(::FindFirstFileA((path + kPattern).c_str(), &found));
    return static_cast<bool>(search);
}

// The bit count of the information header that starts a packed bitmap; nothing when the block
// cannot be locked, or is too small to hold the header (its bit count would be read from past
// its end).
std::optional<WORD> BitCount(HGLOBAL dib) {
    const rw::win::GlobalLockPtr<const BYTE> header(dib);
    if (!header || ::GlobalSize(dib) < sizeof(BITMAPINFOHEADER)) {
        return std::nullopt;
    }
    return static_cast<WORD>(header.Get()[14] | header.Get()[15] << 8);
}

// A name for the library: in its code page, through the short form of a name the code page
// cannot hold (a folder named in Cyrillic on a Western system, say). Where there is none, the
// lossy form, which the checks below or the library refuse.
std::string LibraryName(std::wstring_view name) {
    std::string converted;
    lumbra::CodePagePath(name, converted);
    return converted;
}

// A string of the library as an automation string: null stays null. False when memory ran out.
bool CopyText(const char* text, Bstr& out) {
    if (text) {
        out = Bstr(rw::win::WidenCodePage(text));
    }
    return !text || out;
}

} // namespace

FilterLibrary::FilterLibrary(EventConnectionPoint& events) : events_(events) {
    ModuleGuard guard;
    Live().insert(this);
}

FilterLibrary::~FilterLibrary() {
    ModuleGuard guard;
    Live().erase(this);
}

bool FilterLibrary::AnyLive() {
    ModuleGuard guard;
    return !Live().empty();
}

int CALLBACK FilterLibrary::OnPlugInFound(const char* title, const char* fileName,
                                          const char* category, void* context) {
    if (IsLive(context)) {
        static_cast<FilterLibrary*>(context)->Append(title, fileName, category);
    }
    return 1;
}

int CALLBACK FilterLibrary::OnStatus(int, int percent, void* context) {
    if (IsLive(context)) {
        static_cast<FilterLibrary*>(context)->events_.FireStatus(
            static_cast<short>(percent & 0xFFFF));
    }
    return 1;
}

void FilterLibrary::Append(const char* title, const char* fileName, const char* category) {
    // An entry that cannot be copied for want of memory is left out.
    PlugInInfo info;
    if (!CopyText(title, info.Title) || !CopyText(fileName, info.FileName) ||
        !CopyText(category, info.Category)) {
        return;
    }
    try {
        catalogue_.push_back(std::move(info));
    } catch (...) {
    }
}

HRESULT FilterLibrary::RequireDirectory() const {
    return directory_ ? S_OK : ReportError(IDS_ERR_DIRECTORY_NOT_SET);
}

HRESULT FilterLibrary::SetDirectory(BSTR directory) {
    if (!::PlugInHostAvailable()) {
        return ReportError(IDS_ERR_HOST_NOT_FOUND);
    }
    directory_.Reset();
    const std::wstring_view given = Bstr::View(directory);
    const std::string path = LibraryName(given);
    catalogue_.clear();
    if (!FitsTheLibrary(given, path) || !IsPlainFolder(path) || !HoldsPlugIns(path)) {
        return ReportError(IDS_ERR_LOAD_DIRECTORY);
    }
    if (::PlugInHostOpen(path.c_str()) != 1) {
        return ReportError(IDS_ERR_LOAD_HOST);
    }
    directory_ = Bstr::Copy(directory);
    if (!directory_) {
        return E_OUTOFMEMORY;
    }
    if (::PlugInSetStatusCallback(OnStatus, 0, this) != 1) {
        return ReportError(IDS_ERR_NO_STATUS);
    }
    return S_OK;
}

HRESULT FilterLibrary::Catalogue(const PlugInCatalogue*& catalogue) {
    if (const HRESULT hr = RequireDirectory(); FAILED(hr)) {
        return hr;
    }
    // Listed once per folder: entries appended before a failure stay, and are not listed again.
    if (catalogue_.empty() && ::PlugInEnumerate(OnPlugInFound, kEnumerateFlags, this) != 1) {
        return ReportError(IDS_ERR_LOAD_DIRECTORY);
    }
    catalogue = &catalogue_;
    return S_OK;
}

HRESULT FilterLibrary::Entry(int index, const PlugInInfo*& entry) {
    const PlugInCatalogue* catalogue = nullptr;
    if (const HRESULT hr = Catalogue(catalogue); FAILED(hr)) {
        return hr;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= catalogue->size()) {
        return ReportError(kIndexOutOfBoundsText, static_cast<HRESULT>(kIndexOutOfBoundsHresult));
    }
    entry = &(*catalogue)[static_cast<std::size_t>(index)];
    return S_OK;
}

HRESULT FilterLibrary::Run(std::wstring_view fileName, HGLOBAL dib, HWND owner) {
    if (const HRESULT hr = RequireDirectory(); FAILED(hr)) {
        return hr;
    }
    if (::PlugInLoad(LibraryName(fileName).c_str()) != 1) {
        return ReportError(IDS_ERR_LOAD_PLUGIN);
    }
    const std::optional<WORD> bits = BitCount(dib);
    if (!bits) {
        return ReportError(IDS_ERR_IMAGE_NOT_VALID);
    }
    if (*bits != 24) {
        return ReportError(IDS_ERR_ONLY_24_BIT);
    }
    const rw::win::ScopedGlobal image(::ImageFromDib(dib));
    if (!image) {
        return ReportError(IDS_ERR_IMAGE_NOT_VALID);
    }
    if (::PlugInRun(image.Get(), owner, 0) == 1 || ::ImageLastError() == LUMBRA32_USER_CANCELLED) {
        return S_OK;
    }
    return ReportError(IDS_ERR_PROCESS);
}

HRESULT FilterLibrary::ShowAbout(std::wstring_view fileName, HWND owner) {
    if (const HRESULT hr = RequireDirectory(); FAILED(hr)) {
        return hr;
    }
    ShowAboutOf(LibraryName(fileName), owner);
    return S_OK;
}

void FilterLibrary::ShowAboutOf(const std::string& fileName, HWND owner) {
    if (::PlugInShowAbout(owner, fileName.c_str()) != 1) {
        ::ShowLastError(owner);
    }
}

} // namespace rw::plugin
