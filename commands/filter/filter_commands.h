#pragma once
// The Filter menu: the filter plug-ins of the PlugIn control's catalogue as submenus, the
// control's Select Plug-In dialog, Repeat, and the folder the filters come from. A filter runs
// on the active document's picture, which Undo then puts back.
#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "commands/filter/filter_menu.h"
#include "commands/filter/plugin_control.h"

class MainWindow;

class FilterCommands {
public:
    explicit FilterCommands(MainWindow& main);
    ~FilterCommands();
    FilterCommands(const FilterCommands&) = delete;
    FilterCommands& operator=(const FilterCommands&) = delete;

    void mnuFilterFolder_Click();
    void mnuFilterSelect_Click();
    void mnuFilterRepeat_Click();
    // A filter of the catalogue, by the command of its menu item.
    void mnuFilterPlugIn_Click(int command);
    static bool IsPlugInCommand(int command);

    // Brings the Filter menu up to date: the catalogue below Plug-In Folder, Repeat's caption,
    // and every item on or off.
    void UpdateMenu(HMENU filterMenu);
    // Whether `menu` is the Filter menu or one of its category submenus.
    bool Owns(HMENU menu) const;
    // What the status bar says about the filters: why they cannot run, or nothing.
    std::wstring Hint();
    // A filter is running: the editor takes no commands until it ends.
    bool Running() const { return running_; }

private:
    class RunScope;
    struct Filter {
        std::wstring fileName;
        std::wstring title;
    };

    rw::PlugInControl& Control();
    // The remembered folder and last filter, read on first need.
    void Restore();
    rw::FilterState State();
    // Gives the folder to the control and reads its catalogue.
    void OpenFolder();
    Filter Named(const std::wstring& fileName) const;
    // The last filter run, while the catalogue lists it.
    std::optional<Filter> LastListed() const;
    void Run(const Filter& filter);
    void Report(const std::wstring& what, const std::wstring& why) const;
    void ShowCatalogue(HMENU filterMenu, bool enabled);

    MainWindow& main_;
    std::unique_ptr<rw::PlugInControl> control_;
    bool restored_ = false;
    std::wstring folder_;
    bool opened_ = false; // the control has been given the folder since it was chosen
    rw::ControlAnswer folderAnswer_;
    std::vector<rw::FilterEntry> catalogue_;
    std::optional<Filter> last_;
    bool running_ = false;
    HMENU filterMenu_ = nullptr;
    std::vector<HMENU> categoryMenus_;
};
