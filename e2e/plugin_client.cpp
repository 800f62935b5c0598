// A client of the PlugIn control: it creates it by ProgID, sets the directory through IDispatch
// by name as a script does, and reads SelectPlugIns through the dual interface as a C++ client
// does (IDispatch under Wine hands a null string result back as an empty one, so only the
// interface itself tells "nothing chosen" from a name). It shows a window of its own, so that
// the control's dialogs have an active window to belong to, makes one call and writes what
// came back to a file:
//   rw_plugin_client select <plug-in folder> <result file>   Directory, then SelectPlugIns
//   rw_plugin_client about <result file>                     AboutBox
//   rw_plugin_client run <plug-in folder> <plug-in file> <result file>
//       the control embedded in the window as a container does (atl.dll's host), Directory,
//       then InvokePlugIn on a 16 x 12 picture of the client's
// The result file holds one line: "null", "file <name>", "ok", "ok unchanged" or "ok changed"
// (the picture after a run), or "error 0x<hresult> <text>".
#include <windows.h>
#include <ole2.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

#include "plugin_host/lumbraplug_h.h"
#include "win32/bstr.h"
#include "win32/scoped.h"
#include "win32/strings.h"

namespace {

constexpr wchar_t kClass[] = L"RidgewrightPlugInClient";
constexpr UINT kRunCall = WM_APP + 1;

struct Call {
    std::wstring verb;
    std::wstring folder;
    std::wstring plugIn;
    std::wstring resultFile;
    std::string result = "error no call was made";
};
Call g_call;

std::string Failure(HRESULT hr, const EXCEPINFO& exception) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    std::string text = std::string("error ") + code;
    if (hr == DISP_E_EXCEPTION) {
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(exception.scode));
        text += std::string(" ") + code;
    }
    if (exception.bstrDescription) {
        text += " " + rw::win::Narrow(exception.bstrDescription);
    }
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrHelpFile);
    return text;
}

// One late-bound call by member name; `out` receives the result when there is one.
HRESULT Invoke(IDispatch* object, const wchar_t* member, WORD flags, VARIANT* argument,
               VARIANT* out, std::string& failure) {
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    HRESULT hr = object->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
        failure = Failure(hr, EXCEPINFO{});
        return hr;
    }
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{argument, nullptr, argument ? 1u : 0u, 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    hr =
        object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out, &exception, nullptr);
    if (FAILED(hr)) {
        failure = Failure(hr, exception);
    }
    return hr;
}

// A packed 24-bit picture in global memory, as a caller of InvokePlugIn hands it over.
HGLOBAL Picture() {
    constexpr int kWidth = 16, kHeight = 12, kStride = kWidth * 3;
    const HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + kStride * kHeight);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof *header;
    header->biWidth = kWidth;
    header->biHeight = kHeight;
    header->biPlanes = 1;
    header->biBitCount = 24;
    auto* bits = reinterpret_cast<BYTE*>(header + 1);
    for (int i = 0; i < kStride * kHeight; ++i) {
        bits[i] = static_cast<BYTE>(i * 7 + 3);
    }
    GlobalUnlock(dib);
    return dib;
}

std::string BytesOf(HGLOBAL memory) {
    const auto* data = static_cast<const char*>(GlobalLock(memory));
    std::string bytes(data, GlobalSize(memory));
    GlobalUnlock(memory);
    return bytes;
}

// Embeds the control in `frame` through atl.dll's host, so that it has a window of its own (the
// owner of what a plug-in shows), and runs the plug-in on a picture.
std::string RunInPlace(HWND frame) {
    using Init = BOOL(WINAPI*)();
    using Create = HRESULT(WINAPI*)(LPCOLESTR, HWND, IStream*, IUnknown**);
    using Get = HRESULT(WINAPI*)(HWND, IUnknown**);
    const HMODULE atl = LoadLibraryW(L"atl.dll");
    auto init =
        reinterpret_cast<Init>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxWinInit")));
    auto create = reinterpret_cast<Create>(
        reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxCreateControl")));
    auto get =
        reinterpret_cast<Get>(reinterpret_cast<void*>(GetProcAddress(atl, "AtlAxGetControl")));
    if (!init || !create || !get || !init()) {
        return "error no control host (atl.dll)";
    }
    const HWND host = CreateWindowExW(0, L"AtlAxWin", L"", WS_CHILD | WS_VISIBLE, 8, 8, 64, 64,
                                      frame, nullptr, nullptr, nullptr);
    IUnknown* container = nullptr;
    IUnknown* control = nullptr;
    IPlugIn* plugIn = nullptr;
    HRESULT hr = create(L"PlugIn.PlugIn", host, nullptr, &container);
    if (SUCCEEDED(hr)) {
        hr = get(host, &control);
    }
    if (SUCCEEDED(hr)) {
        hr = control->QueryInterface(IID_IPlugIn, reinterpret_cast<void**>(&plugIn));
    }
    std::string result;
    if (SUCCEEDED(hr)) {
        rw::win::Bstr folder(g_call.folder), name(g_call.plugIn);
        hr = plugIn->put_Directory(folder.Get());
        const HGLOBAL picture = Picture();
        const std::string before = BytesOf(picture);
        if (SUCCEEDED(hr)) {
            hr = plugIn->InvokePlugIn(name.Get(),
                                      static_cast<long>(reinterpret_cast<LONG_PTR>(picture)));
        }
        result = BytesOf(picture) == before ? "ok unchanged" : "ok changed";
        GlobalFree(picture);
    }
    if (FAILED(hr)) {
        result = Failure(hr, EXCEPINFO{});
    }
    for (IUnknown* p : {static_cast<IUnknown*>(plugIn), control, container}) {
        if (p) {
            p->Release();
        }
    }
    DestroyWindow(host);
    return result;
}

std::string RunCall(HWND frame) {
    if (g_call.verb == L"run") {
        return RunInPlace(frame);
    }
    CLSID clsid{};
    HRESULT hr = CLSIDFromProgID(L"PlugIn.PlugIn", &clsid);
    if (FAILED(hr)) {
        return Failure(hr, EXCEPINFO{});
    }
    IDispatch* control = nullptr;
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(&control));
    if (FAILED(hr)) {
        return Failure(hr, EXCEPINFO{});
    }
    std::string result;
    if (g_call.verb == L"select") {
        VARIANT folder;
        VariantInit(&folder);
        folder.vt = VT_BSTR;
        folder.bstrVal = SysAllocString(g_call.folder.c_str());
        IPlugIn* plugIn = nullptr;
        if (SUCCEEDED(
                Invoke(control, L"Directory", DISPATCH_PROPERTYPUT, &folder, nullptr, result))) {
            BSTR chosen = nullptr;
            hr = control->QueryInterface(IID_IPlugIn, reinterpret_cast<void**>(&plugIn));
            if (SUCCEEDED(hr)) {
                hr = plugIn->SelectPlugIns(&chosen);
            }
            if (FAILED(hr)) {
                result = Failure(hr, EXCEPINFO{});
            } else if (!chosen) {
                result = "null";
            } else {
                result = "file " + rw::win::Narrow(rw::win::Bstr::View(chosen));
            }
            SysFreeString(chosen);
        }
        if (plugIn) {
            plugIn->Release();
        }
        VariantClear(&folder);
    } else if (g_call.verb == L"about") {
        if (SUCCEEDED(Invoke(control, L"AboutBox", DISPATCH_METHOD, nullptr, nullptr, result))) {
            result = "ok";
        }
    } else {
        result = "error unknown verb";
    }
    control->Release();
    return result;
}

LRESULT CALLBACK ClientProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kRunCall:
        g_call.result = RunCall(window);
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

bool WriteResult() {
    rw::win::ScopedFile file(::CreateFileW(g_call.resultFile.c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    const std::string line = g_call.result + "\n";
    DWORD written = 0;
    const BOOL ok =
        ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    // Closed before the answer, so that a failure to write the file out counts too.
    return ::CloseHandle(file.Release()) && ok && written == line.size();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    const std::wstring verb = args && count > 1 ? args[1] : L"";
    if (count < 3 || (verb == L"select" && count < 4) || (verb == L"run" && count < 5)) {
        std::fputs("usage: rw_plugin_client select <folder> <result file> | about <result file> "
                   "| run <folder> <plug-in file> <result file>\n",
                   stderr);
        return 2;
    }
    g_call.verb = verb;
    g_call.folder = verb == L"select" || verb == L"run" ? args[2] : L"";
    g_call.plugIn = verb == L"run" ? args[3] : L"";
    g_call.resultFile = args[count - 1];
    LocalFree(args);

    if (FAILED(OleInitialize(nullptr))) {
        return 1;
    }
    WNDCLASSW cls{};
    cls.lpfnWndProc = ClientProc;
    cls.hInstance = instance;
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    cls.lpszClassName = kClass;
    RegisterClassW(&cls);
    const HWND window =
        CreateWindowExW(0, kClass, L"Plug-In Client", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                        CW_USEDEFAULT, 400, 300, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    SetForegroundWindow(window);
    PostMessageW(window, kRunCall, 0, 0);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    OleUninitialize();
    return WriteResult() ? 0 : 1;
}
