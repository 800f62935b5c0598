// Tries every plug-in file of a folder the way a client would: through lumbra32's ten functions,
// bound by ordinal, and through the shipped PlugIn control, on a 64 x 48 picture. Any dialog a
// plug-in opens is answered with its default button. A Filter Foundry standalone filter whose
// formulas can be read from its PARM resource is checked pixel by pixel where a formula's effect
// is known. Prints one line per file; exits non-zero when a listed filter failed or a check did
// not hold. Run by scripts/try-real-filters.
//
//   lumbra32_try.exe <folder of .8bf files>
#include <windows.h>
#include <oleauto.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kWidth = 64, kHeight = 48;

// ---- lumbra32 by ordinal ----------------------------------------------------------------

using FoundProc = int(CALLBACK*)(const char*, const char*, const char*, void*);
struct Lumbra32 {
    int(WINAPI* hostAvailable)();
    int(WINAPI* hostOpen)(const char*);
    int(WINAPI* enumerate)(FoundProc, int, void*);
    int(WINAPI* load)(const char*);
    HGLOBAL(WINAPI* imageFromDib)(HGLOBAL);
    int(WINAPI* run)(HGLOBAL, HWND, int);
    int(WINAPI* lastError)();
};

template <class F> bool Bind(HMODULE m, int ordinal, F& f) {
    f = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, MAKEINTRESOURCEA(ordinal))));
    return f != nullptr;
}

bool BindLumbra32(Lumbra32& l) {
    HMODULE m = LoadLibraryW(L"lumbra32.dll");
    return m && Bind(m, 400, l.hostAvailable) && Bind(m, 402, l.hostOpen) &&
           Bind(m, 407, l.enumerate) && Bind(m, 405, l.load) && Bind(m, 28, l.imageFromDib) &&
           Bind(m, 406, l.run) && Bind(m, 3, l.lastError);
}

struct Listed {
    std::string title, file, category;
};

int CALLBACK Collect(const char* title, const char* file, const char* category, void* context) {
    static_cast<std::vector<Listed>*>(context)->push_back({title, file, category});
    return 1;
}

// ---- the picture ------------------------------------------------------------------------

uint8_t Pattern(int x, int y, int c) {
    return static_cast<uint8_t>(x * 7 + y * 13 + c * 71 + 9);
}

HGLOBAL MakeDib() {
    const size_t stride = (kWidth * 3 + 3) & ~3;
    HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + stride * kHeight);
    auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(g));
    *bih = BITMAPINFOHEADER{};
    bih->biSize = sizeof *bih;
    bih->biWidth = kWidth;
    bih->biHeight = kHeight; // bottom-up, as most callers' bitmaps are
    bih->biPlanes = 1;
    bih->biBitCount = 24;
    auto* bits = reinterpret_cast<uint8_t*>(bih + 1);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = bits + stride * (kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x) {
            row[x * 3] = Pattern(x, y, 2);
            row[x * 3 + 1] = Pattern(x, y, 1);
            row[x * 3 + 2] = Pattern(x, y, 0);
        }
    }
    GlobalUnlock(g);
    return g;
}

// R G B of pixel (x, y), y from the top.
std::vector<uint8_t> ReadDib(HGLOBAL g) {
    const size_t stride = (kWidth * 3 + 3) & ~3;
    auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(g));
    auto* bits = reinterpret_cast<uint8_t*>(bih + 1);
    std::vector<uint8_t> out;
    for (int y = 0; y < kHeight; ++y) {
        const uint8_t* row = bits + stride * (kHeight - 1 - y);
        for (int x = 0; x < kWidth; ++x) {
            out.insert(out.end(), {row[x * 3 + 2], row[x * 3 + 1], row[x * 3]});
        }
    }
    GlobalUnlock(g);
    return out;
}

// ---- dialogs of the helper process, answered with their default button -------------------

bool OfTheHelper(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    wchar_t path[MAX_PATH] = L"";
    DWORD n = MAX_PATH;
    bool helper = p && QueryFullProcessImageNameW(p, 0, path, &n) &&
                  wcsstr(_wcslwr(path), L"lumbra32host.exe") != nullptr;
    if (p) {
        CloseHandle(p);
    }
    return helper;
}

BOOL CALLBACK AddStaticText(HWND child, LPARAM out) {
    wchar_t cls[32] = L"", text[256] = L"";
    GetClassNameW(child, cls, 32);
    if (_wcsicmp(cls, L"Static") == 0 && GetWindowTextW(child, text, 256) > 0) {
        *reinterpret_cast<std::wstring*>(out) += std::wstring(L": ") + text;
    }
    return TRUE;
}

// The text of a dialog: its caption and its static texts.
std::wstring DialogText(HWND w) {
    wchar_t text[256] = L"";
    GetWindowTextW(w, text, 256);
    std::wstring all = text;
    EnumChildWindows(w, AddStaticText, reinterpret_cast<LPARAM>(&all));
    return all;
}

class Answerer {
public:
    Answerer()
        : thread_([this] {
              while (!stop_) {
                  EnumWindows(AnswerIfOurs, reinterpret_cast<LPARAM>(this));
                  Sleep(20);
              }
          }) {}
    // Stops looking; the texts of the dialogs answered.
    std::string Stop() {
        stop_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        std::string out;
        for (auto& [w, t] : answered_) {
            char narrow[1024];
            WideCharToMultiByte(CP_ACP, 0, t.c_str(), -1, narrow, sizeof narrow, nullptr, nullptr);
            for (char* p = narrow; *p; ++p) {
                *p = *p == '\r' || *p == '\n' ? ' ' : *p;
            }
            out += std::string(out.empty() ? "" : ", ") + "\"" + narrow + "\"";
        }
        return out;
    }
    ~Answerer() { Stop(); }

private:
    static BOOL CALLBACK AnswerIfOurs(HWND w, LPARAM self) {
        auto* me = reinterpret_cast<Answerer*>(self);
        if (IsWindowVisible(w) && OfTheHelper(w) && !me->answered_.count(w)) {
            Sleep(100); // let it draw its texts
            me->answered_[w] = DialogText(w);
            PostMessageW(w, WM_KEYDOWN, VK_RETURN, 0);
            PostMessageW(w, WM_COMMAND, IDOK, 0);
        }
        return TRUE;
    }

    std::atomic<bool> stop_{false};
    std::map<HWND, std::wstring> answered_;
    std::thread thread_;
};

// ---- what a Filter Foundry filter's formulas say about the picture ----------------------

struct Formulas {
    bool known = false;
    std::string channel[3];
};

// The PARM resource of a standalone filter: C-string formulas at 4200 (red, green, blue).
Formulas ReadFormulas(const std::wstring& file) {
    Formulas f;
    HMODULE data = LoadLibraryExW(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!data) {
        return f;
    }
    for (int id : {16000, 16}) {
        HRSRC r = FindResourceW(data, MAKEINTRESOURCEW(id), L"PARM");
        if (!r || SizeofResource(data, r) < 4200 + 3 * 1024) {
            continue;
        }
        const char* p = static_cast<const char*>(LockResource(LoadResource(data, r)));
        for (int c = 0; c < 3; ++c) {
            f.channel[c].assign(p + 4200 + 1024 * c, strnlen(p + 4200 + 1024 * c, 1024));
        }
        f.known = true;
        break;
    }
    FreeLibrary(data);
    return f;
}

// Checks the channels whose formula has a known effect: r, g and b keep a channel; d (the
// direction from the centre) and m (the distance from it) are checked along the centre row,
// where they are whole numbers. Returns what was checked, or what failed.
bool CheckFormulas(const Formulas& f, const std::vector<uint8_t>& px, std::string& note) {
    const int cx = kWidth / 2, cy = kHeight / 2;
    int checked = 0;
    for (int c = 0; c < 3; ++c) {
        const std::string& e = f.channel[c];
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                int want = -1;
                if (e == "r" || e == "g" || e == "b") {
                    want = Pattern(x, y, e == "r" ? 0 : e == "g" ? 1 : 2);
                } else if (e == "d" && y == cy) {
                    want = x < cx ? 255 : 0; // 512 clamped, or 0
                } else if (e == "m" && y == cy) {
                    want = std::min(std::abs(x - cx), 255);
                }
                if (want < 0) {
                    continue;
                }
                ++checked;
                if (px[(y * kWidth + x) * 3 + c] != want) {
                    char text[160];
                    snprintf(text, sizeof text,
                             "pixel (%d,%d) channel %d is %d, formula '%s' gives %d", x, y, c,
                             px[(y * kWidth + x) * 3 + c], e.c_str(), want);
                    note = text;
                    return false;
                }
            }
        }
    }
    note = "formulas " + f.channel[0] + "," + f.channel[1] + "," + f.channel[2] + ": " +
           std::to_string(checked) + " values as the formulas say";
    return true;
}

// ---- the PlugIn control through IDispatch -----------------------------------------------

class Control {
public:
    explicit Control(const std::wstring& ocx) {
        HMODULE m = LoadLibraryExW(ocx.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        auto reg = m ? reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
                           reinterpret_cast<void*>(GetProcAddress(m, "DllRegisterServer")))
                     : nullptr;
        CLSID clsid{};
        if (reg && reg() == S_OK && CLSIDFromProgID(L"PlugIn.PlugIn", &clsid) == S_OK) {
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                             reinterpret_cast<void**>(&d_));
        }
    }
    ~Control() {
        if (d_) {
            d_->Release();
        }
    }
    bool Ok() const { return d_ != nullptr; }

    HRESULT Call(const wchar_t* name, WORD flags, std::vector<VARIANT> args, VARIANT* result) {
        DISPID id = 0;
        LPOLESTR n = const_cast<LPOLESTR>(name);
        HRESULT hr = d_->GetIDsOfNames(IID_NULL, &n, 1, 0x0409, &id);
        if (FAILED(hr)) {
            return hr;
        }
        std::reverse(args.begin(), args.end());
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{args.data(), flags == DISPATCH_PROPERTYPUT ? &put : nullptr,
                          static_cast<UINT>(args.size()), flags == DISPATCH_PROPERTYPUT ? 1u : 0u};
        return d_->Invoke(id, IID_NULL, 0x0409, flags, &params, result, nullptr, nullptr);
    }

private:
    IDispatch* d_ = nullptr;
};

VARIANT Long(LONG v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}
VARIANT Text(BSTR s) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_BSTR;
    x.bstrVal = s;
    return x;
}

std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
    return w;
}

std::string Machine(const std::wstring& file) {
    HANDLE f = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    uint8_t head[4096] = {};
    DWORD read = 0;
    if (f != INVALID_HANDLE_VALUE) {
        ReadFile(f, head, sizeof head, &read, nullptr);
        CloseHandle(f);
    }
    uint32_t pe = read >= 64 ? *reinterpret_cast<uint32_t*>(head + 60) : 0;
    if (pe + 6 > read) {
        return "not a program";
    }
    uint16_t machine = *reinterpret_cast<uint16_t*>(head + pe + 4);
    return machine == 0x14C ? "32-bit" : machine == 0x8664 ? "64-bit" : "other machine";
}

std::string Base(const std::string& path) {
    return path.substr(path.find_last_of("\\/") + 1);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: lumbra32_try <folder of .8bf files>\n");
        return 2;
    }
    CoInitialize(nullptr);
    std::wstring folder = argv[1];
    char narrowFolder[MAX_PATH * 2];
    WideCharToMultiByte(CP_ACP, 0, folder.c_str(), -1, narrowFolder, sizeof narrowFolder, nullptr,
                        nullptr);
    Lumbra32 l{};
    if (!BindLumbra32(l) || !l.hostAvailable() || l.hostOpen(narrowFolder) != 1) {
        std::fprintf(stderr, "lumbra32 cannot be used on %s\n", narrowFolder);
        return 2;
    }
    std::vector<Listed> listed;
    l.enumerate(Collect, 32, &listed);

    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self);
    dir = dir.substr(0, dir.find_last_of(L'\\') + 1);
    Control control(dir + L"lumbraplug.ocx");
    std::vector<std::string> controlFiles;
    if (control.Ok()) {
        BSTR d = SysAllocString(folder.c_str());
        control.Call(L"Directory", DISPATCH_PROPERTYPUT, {Text(d)}, nullptr);
        SysFreeString(d);
        VARIANT count;
        VariantInit(&count);
        control.Call(L"PlugInCount", DISPATCH_PROPERTYGET, {}, &count); // filled lazily: -1
        for (LONG i = 0;; ++i) {
            VARIANT name;
            VariantInit(&name);
            if (FAILED(control.Call(L"FileName", DISPATCH_PROPERTYGET, {Long(i)}, &name))) {
                break;
            }
            char n[1024] = "";
            WideCharToMultiByte(CP_ACP, 0, name.bstrVal, -1, n, sizeof n, nullptr, nullptr);
            controlFiles.push_back(n);
            VariantClear(&name);
        }
    }

    int failures = 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*.8bf").c_str(), &found);
    std::vector<std::wstring> files;
    while (search != INVALID_HANDLE_VALUE) {
        files.push_back(found.cFileName);
        if (!FindNextFileW(search, &found)) {
            FindClose(search);
            break;
        }
    }
    std::sort(files.begin(), files.end());
    for (const std::wstring& name : files) {
        std::wstring path = folder + L"\\" + name;
        char file[MAX_PATH * 2];
        WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, file, sizeof file, nullptr, nullptr);
        std::string machine = Machine(path);
        std::vector<const Listed*> mine;
        for (const Listed& f : listed) {
            if (Base(f.file.substr(0, f.file.find('|'))) == file) {
                mine.push_back(&f);
            }
        }
        if (mine.empty()) {
            std::printf("%-56s %-7s not listed (this host runs %s plug-ins)\n", file,
                        machine.c_str(), sizeof(void*) == 8 ? "64-bit" : "32-bit");
            continue;
        }
        for (const Listed* f : mine) {
            HGLOBAL dib = MakeDib();
            int ok = 0, code = 0;
            std::string dialogs;
            {
                Answerer answerer;
                ok = l.load(f->file.c_str());
                if (ok) {
                    HGLOBAL image = l.imageFromDib(dib);
                    ok = l.run(image, nullptr, 0);
                    GlobalFree(image);
                }
                code = ok ? 0 : l.lastError();
                dialogs = answerer.Stop();
            }
            std::vector<uint8_t> px = ReadDib(dib);
            std::string note;
            bool good = ok == 1;
            Formulas formulas = ReadFormulas(path);
            if (good && formulas.known) {
                good = CheckFormulas(formulas, px, note);
            } else if (good) {
                // Obfuscated formulas: the test filters are made from a few plain ones, so
                // their pixels must match one of those.
                size_t changed[3] = {};
                for (int i = 0; i < kWidth * kHeight * 3; ++i) {
                    changed[i % 3] += px[i] != Pattern(i / 3 % kWidth, i / 3 / kWidth, i % 3);
                }
                note = "formulas obfuscated, pixels match none of the plain test filters' (values "
                       "changed in R, G, B: " +
                       std::to_string(changed[0]) + ", " + std::to_string(changed[1]) + ", " +
                       std::to_string(changed[2]) + ")";
                // '?' leaves a channel unchecked: the last resort, that the kept ones are kept.
                for (const char* candidate : {"dmb", "dgb", "?gb"}) {
                    Formulas guess;
                    for (int c = 0; c < 3; ++c) {
                        guess.channel[c] = std::string(1, candidate[c]);
                    }
                    std::string matched;
                    if (CheckFormulas(guess, px, matched)) {
                        note = "obfuscated; pixels as " + matched.substr(std::strlen("formulas "));
                        break;
                    }
                }
            }
            // The same filter through the control, on a bitmap of its own.
            std::string byControl = "control: not available";
            if (control.Ok() && std::find(controlFiles.begin(), controlFiles.end(), f->file) !=
                                    controlFiles.end()) {
                HGLOBAL other = MakeDib();
                HRESULT hr = E_FAIL;
                if (reinterpret_cast<uintptr_t>(other) <= 0xFFFFFFFFu) {
                    Answerer answerer;
                    BSTR n = SysAllocString(Wide(f->file).c_str());
                    hr = control.Call(
                        L"InvokePlugIn", DISPATCH_METHOD,
                        {Text(n), Long(static_cast<LONG>(reinterpret_cast<uintptr_t>(other)))},
                        nullptr);
                    SysFreeString(n);
                }
                bool same = SUCCEEDED(hr) && ReadDib(other) == px;
                byControl = SUCCEEDED(hr)
                                ? (same ? "control: same pixels" : "control: ran, OTHER pixels")
                                : "control: failed";
                good = good && same;
                GlobalFree(other);
            } else if (control.Ok()) {
                byControl = "control: not listed";
                good = false;
            }
            failures += !good;
            std::printf("%-56s %-7s \"%s\" %s%s; %s; %s%s\n", file, machine.c_str(),
                        f->title.c_str(), ok ? "ran" : "FAILED, code ",
                        ok ? "" : std::to_string(code).c_str(), note.c_str(), byControl.c_str(),
                        dialogs.empty() ? "" : ("; dialogs answered: " + dialogs).c_str());
            GlobalFree(dib);
        }
    }
    CoUninitialize();
    return failures ? 1 : 0;
}
