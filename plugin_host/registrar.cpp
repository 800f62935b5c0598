#include "plugin_host/registrar.h"

#include "plugin_host/module.h"
#include "plugin_host/registry_script.h"
#include "win32/scoped.h"
#include "win32/strings.h"

namespace rw::plugin {
namespace {

HKEY RootHandle(regscript::Root root) {
    switch (root) {
    case regscript::Root::ClassesRoot:
        return HKEY_CLASSES_ROOT;
    }
    return nullptr;
}

LSTATUS Execute(const regscript::Operation& op) {
    const HKEY root = RootHandle(op.root);
    const std::wstring path = rw::win::Widen(op.path);
    switch (op.kind) {
    case regscript::Operation::Kind::DeleteTree: {
        const LSTATUS status = ::RegDeleteTreeW(root, path.c_str());
        return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
    }
    case regscript::Operation::Kind::CreateKey:
    case regscript::Operation::Kind::SetValue:
        break;
    }
    rw::win::ScopedRegKey key;
    LSTATUS status = ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                       KEY_SET_VALUE, nullptr, key.Put(), nullptr);
    if (status != ERROR_SUCCESS || op.kind == regscript::Operation::Kind::CreateKey) {
        return status;
    }
    const std::wstring name = rw::win::Widen(op.value.name);
    if (op.value.type == regscript::Value::Type::Number) {
        const DWORD number = op.value.number;
        status = ::RegSetValueExW(key.Get(), name.empty() ? nullptr : name.c_str(), 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&number), sizeof number);
    } else {
        const std::wstring text = rw::win::Widen(op.value.text);
        status = ::RegSetValueExW(key.Get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(text.c_str()),
                                  static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    return status;
}

} // namespace

HRESULT RunRegistrationScript(int id, const std::wstring& modulePath, bool registering) {
    const HINSTANCE instance = rw::win::ModuleInstance();
    const HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), L"REGISTRY");
    const HGLOBAL loaded = found ? ::LoadResource(instance, found) : nullptr;
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) {
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_DATA_NOT_FOUND);
    }
    const std::string_view text(static_cast<const char*>(data), ::SizeofResource(instance, found));
    const regscript::ParseResult parsed =
        regscript::Parse(text, {{"MODULE", rw::win::Narrow(modulePath)}});
    if (!parsed.ok) {
        return E_UNEXPECTED;
    }
    const auto ops = regscript::Plan(parsed.script, registering ? regscript::Mode::Register
                                                                : regscript::Mode::Unregister);
    HRESULT first = S_OK;
    for (const regscript::Operation& op : ops) {
        const LSTATUS status = Execute(op);
        if (status != ERROR_SUCCESS) {
            if (registering) {
                return HRESULT_FROM_WIN32(status);
            }
            // Unregistering removes whatever it can.
            if (first == S_OK) {
                first = HRESULT_FROM_WIN32(status);
            }
        }
    }
    return first;
}

} // namespace rw::plugin
