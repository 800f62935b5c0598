#include "plugin_host/file_version.h"

#include <cstring>

#include "plugin_host/category_tree.h"
#include "win32/strings.h"

namespace rw::plugin {

bool FileVersionReader::Open(const wchar_t* moduleFileName) {
    const HMODULE module = ::GetModuleHandleW(moduleFileName);
    if (!module) {
        return false;
    }
    wchar_t path[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameW(module, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) {
        return false;
    }
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0) {
        return false;
    }
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path, 0, size, block.data())) {
        return false;
    }
    void* root = nullptr;
    UINT rootLength = 0;
    if (!::VerQueryValueW(block.data(), L"\\", &root, &rootLength) || !root ||
        rootLength < sizeof(VS_FIXEDFILEINFO)) {
        return false;
    }
    std::memcpy(&fixed_, root, sizeof fixed_);
    void* translation = nullptr;
    UINT translationLength = 0;
    if (::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &translation,
                         &translationLength)) {
        const Translation first = FirstTranslation(translation, translationLength);
        language_ = first.Language;
        codePage_ = first.CodePage;
    }
    block_ = std::move(block);
    return fixed_.dwSignature == 0xFEEF04BD;
}

bool FileVersionReader::Value(const char* key, std::wstring& value) const {
    if (block_.empty()) {
        return false;
    }
    const std::wstring path = rw::win::Widen(VersionValuePath(language_, codePage_, key));
    void* found = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block_.data(), path.c_str(), &found, &length) || !found) {
        return false;
    }
    value.assign(static_cast<const wchar_t*>(found));
    return true;
}

} // namespace rw::plugin
