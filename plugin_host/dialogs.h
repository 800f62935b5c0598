#pragma once
// The control's two modal dialogs, from templates 102 (Select Plug-In) and 205 (About).
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "plugin_host/filter_library.h"
#include "win32/modal_dialog.h"

namespace rw::plugin {

// Picks one plug-in from a catalogue shown as a tree of categories.
class SelectPlugInDialog final : public rw::win::ModalDialog {
public:
    explicit SelectPlugInDialog(const PlugInCatalogue& catalogue);
    ~SelectPlugInDialog() override;

    // The file name of the plug-in highlighted last (active code page), when the dialog ended
    // with OK; nothing after Cancel or when no plug-in was highlighted.
    std::optional<std::string> Chosen() const;

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code) override;
    bool OnNotify(const NMHDR& header, LRESULT& result) override;

private:
    void FillTree();
    void OnHighlight(LPARAM itemValue);
    void OnDoubleClick();

    const PlugInCatalogue& catalogue_;
    HIMAGELIST images_ = nullptr;
    std::optional<std::string> selection_;
};

// Shows the library's logo and three values of the version resource of the module loaded under
// `moduleName`.
class ControlAboutDialog final : public rw::win::ModalDialog {
public:
    explicit ControlAboutDialog(std::wstring moduleName);

protected:
    bool OnInit() override;
    bool OnCommand(int id, int code) override;
    bool OnClose() override;

private:
    std::wstring moduleName_;
};

} // namespace rw::plugin
