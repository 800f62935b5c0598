// The Generate menu: each item opens its generator on the active document; with no document
// open nothing happens.
#include "documents/frmDocument.h"
#include "generators/frmGenerator.h"
#include "shell/frmMain.h"

namespace {

template <class Form> void OpenGenerator(frmMain& main) {
    if (frmDocument* document = main.ActiveDocument()) {
        Form::Instance(main.hwnd()).Open(*document, main.hwnd());
    }
}

} // namespace

void frmMain::mnuGenerateWave1_Click() {
    OpenGenerator<frmWave1>(*this);
}
void frmMain::mnuGenerateWave2_Click() {
    OpenGenerator<frmWave2>(*this);
}
void frmMain::mnuGenerateWave3_Click() {
    OpenGenerator<frmWave3>(*this);
}
void frmMain::mnuGenerateWave4_Click() {
    OpenGenerator<frmWave4>(*this);
}
void frmMain::mnuGenerateFault_Click() {
    OpenGenerator<frmFault1>(*this);
}
