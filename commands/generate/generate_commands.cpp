#include "commands/generate/generate_commands.h"

#include "documents/frmDocument.h"
#include "documents/main_window.h"
#include "generators/frmGenerator.h"

template <class Form> void GenerateCommands::Open() {
    if (frmDocument* document = main_.ActiveDocument()) {
        Form::Instance(main_.OwnerWindow()).Open(*document, main_);
    }
}

void GenerateCommands::mnuGenerateWave1_Click() {
    Open<frmWave1>();
}
void GenerateCommands::mnuGenerateWave2_Click() {
    Open<frmWave2>();
}
void GenerateCommands::mnuGenerateWave3_Click() {
    Open<frmWave3>();
}
void GenerateCommands::mnuGenerateWave4_Click() {
    Open<frmWave4>();
}
void GenerateCommands::mnuGenerateFault_Click() {
    Open<frmFault1>();
}
