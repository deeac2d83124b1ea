#include "mbus/TFMeter_Bus.h"

#include "mbus/NetworkImport.h"
#include "mbus/PasteRules.h"
#include "mbus/TFNewIDNode.h"
#include "platform/Platform.h"
#include "platform/Prompts.h"
#include "state/SharedState.h"

#include <QAction>
#include <QTreeView>

// Copy, paste and import of nodes and variables. The rules are PasteRules' and
// NetworkImport's; here they meet the tree, the paste dialog and the message boxes.

namespace {

bool refused(Prompts& prompts, QWidget* parent, const LangTable& table, int message) {
    if (message == 0)
        return false;
    prompts.error(parent, table.text(message));
    return true;
}

} // namespace

void TFMeter_Bus::CopyVariable1Click() {
    // A copy never changes the network nor Is_Change.
    if (refused(
            platform_.prompts, this, state_.Lang_Table,
            model_.Copy_Buffers.copyVariable(model_.Nodi_List(), model_.IND_NODO, model_.IND_VAR)))
        return;
    updatePasteEntries();
}

void TFMeter_Bus::CopyNode1Click() {
    if (refused(platform_.prompts, this, state_.Lang_Table,
                model_.Copy_Buffers.copyNode(model_.Nodi_List(), model_.IND_NODO)))
        return;
    updatePasteEntries();
}

void TFMeter_Bus::PasteVariable1Click() {
    const LangTable& table = state_.Lang_Table;
    const PasteRules::CopyBuffers& buffers = model_.Copy_Buffers;
    if (refused(platform_.prompts, this, table,
                PasteRules::pasteVariableRefusal(buffers, model_.Nodi_List(), model_.IND_NODO)))
        return;
    FNewIDNode->prepareVariable(*buffers.Copy_Var());
    if (FNewIDNode->exec() != QDialog::Accepted)
        return;
    // The limit is checked after the dialog.
    if (refused(platform_.prompts, this, table, model_.Controllo_Num_Max_Var()))
        return;
    const int node = model_.IND_NODO;
    syncing_ = true;
    model_.appendVariable(
        node, PasteRules::pastedVariable(table, *buffers.Copy_Var(), FNewIDNode->newValues()));
    syncing_ = false;
    model_.markChanged();
    TW->expand(model_.tree().indexOf({node, -1}));
}

void TFMeter_Bus::PasteNode1Click() {
    const LangTable& table = state_.Lang_Table;
    const PasteRules::CopyBuffers& buffers = model_.Copy_Buffers;
    if (refused(platform_.prompts, this, table, PasteRules::pasteNodeRefusal(buffers)))
        return;
    FNewIDNode->prepareNode(*buffers.Copy_Node(), model_.Nodi_List());
    if (FNewIDNode->exec() != QDialog::Accepted)
        return;
    if (refused(platform_.prompts, this, table, model_.Controllo_Num_Max_Nodi()))
        return;
    // Always at the end, whatever is selected.
    syncing_ = true;
    model_.appendNode(
        PasteRules::pastedNode(table, *buffers.Copy_Node(), FNewIDNode->newPrimaryText(),
                               FNewIDNode->newSecondaryText(), FNewIDNode->newValues()));
    syncing_ = false;
    model_.markChanged();
    TW->expand(model_.tree().rootIndex());
}

void TFMeter_Bus::Btn_ImportNetClick() {
    // The dialog starts among the configurations, whose networks are the usual source.
    const auto outcome = NetworkImport::Import_Network(platform_.prompts, this, state_.Lang_Table,
                                                       state_.File_MBus, state_.Dir_Projects);
    // As when the window is shown: the new file, no selection, Is_Change false.
    if (NetworkImport::reloads(outcome))
        FormShow();
}

void TFMeter_Bus::updatePasteEntries() {
    PasteVariable1->setEnabled(model_.Copy_Buffers.canPasteVariable());
    PasteNode1->setEnabled(model_.Copy_Buffers.canPasteNode());
}
