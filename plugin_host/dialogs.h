#pragma once
// The control's two modal dialogs (templates 102 and 205) and the version-resource reader that
// the About dialog uses.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace rw::plugin {

struct PlugInInfo;

// Picks one plug-in from a catalogue shown as a tree of categories.
class SelectPlugInDialog {
public:
    explicit SelectPlugInDialog(const std::vector<PlugInInfo>& catalogue) : catalogue_(catalogue) {}
    SelectPlugInDialog(const SelectPlugInDialog&) = delete;
    SelectPlugInDialog& operator=(const SelectPlugInDialog&) = delete;
    ~SelectPlugInDialog();

    // Runs the dialog owned by `owner`; the dialog's own result (1, 2, or -1 when it could
    // not be created).
    INT_PTR DoModal(HWND owner);
    // The file name chosen (active code page), or none.
    bool HasSelection() const { return hasSelection_; }
    const std::string& Selection() const { return selection_; }

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Route(UINT message, WPARAM wParam, LPARAM lParam);
    void FillTree();
    void OnHighlight(LPARAM itemValue);
    void OnDoubleClick();
    void OnAboutPlugIn();
    void Close(INT_PTR result);

    const std::vector<PlugInInfo>& catalogue_;
    HWND hwnd_ = nullptr;
    HIMAGELIST images_ = nullptr;
    std::string selection_;
    bool hasSelection_ = false;
    bool closing_ = false;
};

// Shows the library's logo and three values of the version resource of the module loaded under
// `moduleName`.
class ControlAboutDialog {
public:
    explicit ControlAboutDialog(std::wstring moduleName) : moduleName_(std::move(moduleName)) {}
    ControlAboutDialog(const ControlAboutDialog&) = delete;
    ControlAboutDialog& operator=(const ControlAboutDialog&) = delete;

    INT_PTR DoModal(HWND owner);

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void ShowVersion(HWND hwnd) const;

    std::wstring moduleName_;
};

// The version resource of a module loaded in this process.
class FileVersionReader {
public:
    FileVersionReader() = default;
    FileVersionReader(const FileVersionReader&) = delete;
    FileVersionReader& operator=(const FileVersionReader&) = delete;

    // False when no module of that file name is loaded or it has no readable version resource.
    bool Open(const wchar_t* moduleFileName);
    // The string value of `key` in the first translation's block; false when there is none.
    bool Value(const char* key, std::wstring& value) const;

private:
    std::vector<BYTE> block_;
    VS_FIXEDFILEINFO fixed_{};
    WORD language_ = 0;
    WORD codePage_ = 0x04E4;
};

} // namespace rw::plugin
