#include "gui/network/NetworkEditorWindow.h"

#include "core/network/NetworkImport.h"
#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/state/SharedState.h"
#include "gui/network/PasteDialog.h"

#include <QAction>
#include <QLabel>
#include <QTreeView>

// Copy, paste and import of nodes and variables. The rules are PasteRules' and
// NetworkImport's; here they meet the tree, the paste dialog and the message boxes.

namespace {

constexpr int Txt_ImportIsFinal = 531;

bool refused(Prompts& prompts, QWidget* parent, const LanguageTable& table, int message) {
    if (message == 0)
        return false;
    prompts.error(parent, table.text(message));
    return true;
}

} // namespace

void NetworkEditorWindow::copyVariableChosen() {
    // A copy never changes the network nor isChanged.
    if (!refused(platform_.prompts, this, state_.texts, model_.copyVariable()))
        updatePasteEntries();
}

void NetworkEditorWindow::copyNodeChosen() {
    if (!refused(platform_.prompts, this, state_.texts, model_.copyNode()))
        updatePasteEntries();
}

void NetworkEditorWindow::pasteVariableChosen() {
    const LanguageTable& table = state_.texts;
    if (refused(platform_.prompts, this, table, model_.pasteVariableRefusal()))
        return;
    pasteDialog_->prepareVariable(*model_.copyBuffers().copiedVariable());
    if (pasteDialog_->exec() != QDialog::Accepted)
        return;
    syncing_ = true;
    const int message = model_.pasteVariable(pasteDialog_->newValues());
    syncing_ = false;
    if (!refused(platform_.prompts, this, table, message))
        TW->expand(model_.tree().indexOf({model_.selectedNodeIndex(), -1}));
}

void NetworkEditorWindow::pasteNodeChosen() {
    const LanguageTable& table = state_.texts;
    if (refused(platform_.prompts, this, table, model_.pasteNodeRefusal()))
        return;
    pasteDialog_->prepareNode(*model_.copyBuffers().copiedNode(), model_.network());
    if (pasteDialog_->exec() != QDialog::Accepted)
        return;
    syncing_ = true;
    const int message =
        model_.pasteNode(pasteDialog_->newPrimaryText(), pasteDialog_->newSecondaryText(),
                         pasteDialog_->newValues());
    syncing_ = false;
    if (!refused(platform_.prompts, this, table, message))
        TW->expand(model_.tree().rootIndex());
}

void NetworkEditorWindow::importNetworkClicked() {
    if (state_.readOnly()) {
        platform_.prompts.error(this, state_.readOnlyNotice());
        return;
    }
    readPanels();
    // The dialog starts among the configurations, whose networks are the usual source.
    const auto outcome =
        NetworkImport::importFile(platform_.prompts, this, state_.texts, state_.networkFile,
                                  state_.projectsDir, model_.isChanged());
    if (!NetworkImport::reloads(outcome))
        return;
    // The file now holds the chosen network: no selection, isChanged false, and nothing to
    // undo, since the old file is gone.
    syncing_ = true;
    const QString error = model_.importNetwork(state_.networkFile);
    TW->setCurrentIndex({});
    syncing_ = false;
    if (!error.isEmpty()) {
        platform_.prompts.error(this, error);
        return;
    }
    showPanels();
    showImported(state_.networkFile);
    L_Status->setText(L_Status->text() + u'\n' + state_.texts.text(Txt_ImportIsFinal));
}

void NetworkEditorWindow::updatePasteEntries() {
    PasteVariable1->setEnabled(model_.copyBuffers().canPasteVariable());
    PasteNode1->setEnabled(model_.copyBuffers().canPasteNode());
}
