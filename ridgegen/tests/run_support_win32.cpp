#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "ridgegen/tests/run_support.h"
#include "win32/process.h"
#include "win32/scoped.h"
#include "win32/strings.h"

namespace rw::test {
namespace {

using win::ComPtr;

std::filesystem::path Program() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return std::filesystem::path(path).parent_path() / L"ridgegen.exe";
}

// As the C runtime splits a command line: quotes around each argument, and a backslash before
// each quote inside one (the backslashes right before a quote doubled).
std::wstring Quoted(const std::wstring& arg) {
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(2 * backslashes, L'\\');
    return text + L"\"";
}

// What the pipe holds now, without waiting for more.
void Drain(HANDLE pipe, std::string& text) {
    DWORD waiting = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(waiting, sizeof buffer), &got, nullptr)) {
            return;
        }
        text.append(buffer, got);
    }
}

} // namespace

Ran RunRidgegen(const std::filesystem::path& folder, const std::vector<std::string>& args,
                uint64_t) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE outRead, outWrite, errRead, errWrite;
    if (!CreatePipe(&outRead, &outWrite, &inherit, 0) ||
        !CreatePipe(&errRead, &errWrite, &inherit, 0)) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
    const std::wstring program = Program().wstring();
    std::wstring command = Quoted(program);
    for (const std::string& arg : args) {
        command += L" " + Quoted(win::Widen(arg));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outWrite;
    startup.hStdError = errWrite;
    PROCESS_INFORMATION process{};
    const BOOL started = win::StartProcess(program.c_str(), command, folder.c_str(), startup,
                                           process, CREATE_NO_WINDOW, true);
    CloseHandle(outWrite);
    CloseHandle(errWrite);
    Ran ran;
    if (!started) {
        ADD_FAILURE() << "ridgegen.exe did not start: " << GetLastError();
    } else {
        // Until the program ends, not until the pipes close: a process that Wine starts on the
        // program's behalf may keep a copy of its standard error open.
        DWORD state;
        do {
            state = WaitForSingleObject(process.hProcess, 10);
            Drain(outRead, ran.out);
            Drain(errRead, ran.err);
        } while (state == WAIT_TIMEOUT);
        DWORD status = 0;
        GetExitCodeProcess(process.hProcess, &status);
        ran.status = static_cast<int>(status);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(outRead);
    CloseHandle(errRead);
    return ran;
}

void RemoveFolder(const std::filesystem::path& folder) {
    // Wine lets go of a finished program's working folder a few milliseconds after the program
    // is reported ended; until then the folder cannot be removed.
    for (int attempt = 0;; ++attempt) {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
        if (!error || attempt == 200) {
            EXPECT_FALSE(error) << folder << ": " << error.message();
            return;
        }
        Sleep(10);
    }
}

bool CanLimitFileSize() {
    return false;
}

ReadImage ReadEncodedFile(const std::filesystem::path& file, HeightFormat format) {
    win::ComApartment com(COINIT_MULTITHREADED);
    ReadImage image;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    UINT width = 0, height = 0;
    WICPixelFormatGUID pixels{};
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.PutVoid())) ||
        FAILED(factory->CreateDecoderFromFilename(file.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, decoder.Put())) ||
        FAILED(decoder->GetFrame(0, frame.Put())) || FAILED(frame->GetSize(&width, &height)) ||
        FAILED(frame->GetPixelFormat(&pixels))) {
        ADD_FAILURE() << file << " cannot be decoded";
        return image;
    }
    const WICPixelFormatGUID wanted = format == HeightFormat::Png8 ? GUID_WICPixelFormat8bppGray
                                      : format == HeightFormat::Png16
                                          ? GUID_WICPixelFormat16bppGray
                                          : GUID_WICPixelFormat32bppGrayFloat;
    if (pixels != wanted) {
        ADD_FAILURE() << file << " does not hold " << NameOf(format) << " samples";
        return image;
    }
    const UINT stride = width * BytesPerSample(format);
    std::vector<uint8_t> bytes(static_cast<std::size_t>(stride) * height);
    if (FAILED(frame->CopyPixels(nullptr, stride, static_cast<UINT>(bytes.size()), bytes.data()))) {
        ADD_FAILURE() << file << ": its pixels cannot be read";
        return image;
    }
    image.width = static_cast<int32_t>(width);
    image.height = static_cast<int32_t>(height);
    for (std::size_t k = 0; k < bytes.size(); k += BytesPerSample(format)) {
        if (format == HeightFormat::Png8) {
            image.samples.push_back(bytes[k]);
        } else if (format == HeightFormat::Png16) {
            image.samples.push_back(bytes[k] + bytes[k + 1] * 256.0); // WIC's order: low first
        } else {
            float sample;
            std::memcpy(&sample, &bytes[k], sizeof sample);
            image.samples.push_back(sample);
        }
    }
    return image;
}

} // namespace rw::test
