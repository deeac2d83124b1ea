#include "mbus/TFMeter_Bus.h"

#include <QAction>

// Copy, paste and import of nodes and variables.

void TFMeter_Bus::CopyVariable1Click() {}

void TFMeter_Bus::PasteVariable1Click() {}

void TFMeter_Bus::CopyNode1Click() {}

void TFMeter_Bus::PasteNode1Click() {}

void TFMeter_Bus::Btn_ImportNetClick() {}

void TFMeter_Bus::updatePasteEntries() {
    // Nothing has been copied yet.
    PasteVariable1->setEnabled(false);
    PasteNode1->setEnabled(false);
}
