#pragma once
// The Generate menu: each item opens its generator on the active document; with no document
// open nothing happens.
class MainWindow;

class GenerateCommands {
public:
    explicit GenerateCommands(MainWindow& main) : main_(main) {}

    void mnuGenerateWave1_Click();
    void mnuGenerateWave2_Click();
    void mnuGenerateWave3_Click();
    void mnuGenerateWave4_Click();
    void mnuGenerateFault_Click();

private:
    template <class Form> void Open();

    MainWindow& main_;
};
