#pragma once
// The File menu: new, open, save and close documents, and leave the program.
class MainWindow;

class FileCommands {
public:
    explicit FileCommands(MainWindow& main) : main_(main) {}

    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileClose_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileExit_Click();

private:
    MainWindow& main_;
};
