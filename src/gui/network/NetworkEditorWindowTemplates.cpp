#include "gui/network/NetworkEditorWindow.h"

#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/state/SharedState.h"
#include "core/templates/MeterTemplates.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/network/TemplateListDialog.h"

#include <QAction>
#include <QBoxLayout>
#include <QFileInfo>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>

// Meter templates in the editor: the pop-up menu's "Save as Template" and "New Node from
// Template", and a button for the template list. The rules are Templates'; the insertion is
// the model's own command.

namespace {

constexpr int Msg_SelectNode = 659;

} // namespace

void NetworkEditorWindow::buildTemplates() {
    PM_TW->addSeparator();
    SaveAsTemplate1 = PM_TW->addAction(QString(), this, &NetworkEditorWindow::saveAsTemplateChosen);
    NewFromTemplate1 = PM_TW->addAction(QString(), this, &NetworkEditorWindow::templatesClicked);
    SaveAsTemplate1->setObjectName(QStringLiteral("SaveAsTemplate1"));
    NewFromTemplate1->setObjectName(QStringLiteral("NewFromTemplate1"));
    // Beside Undo and Redo, above the tree it adds to.
    auto* row = findChild<QWidget*>(QStringLiteral("P_Undo"));
    Btn_Templates = new QPushButton(row);
    Btn_Templates->setObjectName(QStringLiteral("Btn_Templates"));
    Btn_Templates->setAutoDefault(false);
    Keyboard::pressOnEnter({Btn_Templates});
    static_cast<QBoxLayout*>(row->layout())->insertWidget(2, Btn_Templates);
    connect(Btn_Templates, &QPushButton::clicked, this, &NetworkEditorWindow::templatesClicked);
}

void NetworkEditorWindow::setTemplateTexts() {
    const LanguageTable& t = state_.texts;
    SaveAsTemplate1->setText(t.text(Templates::Text::SaveAsTemplate));
    NewFromTemplate1->setText(t.text(Templates::Text::NewFromTemplate));
    Btn_Templates->setText(t.text(Templates::Text::NewFromTemplate));
    Btn_Templates->setAccessibleName(t.text(Templates::Text::NewFromTemplate));
    if (templateList_)
        templateList_->applyLanguage();
}

void NetworkEditorWindow::saveAsTemplateChosen() {
    const LanguageTable& t = state_.texts;
    Prompts& prompts = platform_.prompts;
    // A selected variable stands for its node, as with Copy Node.
    if (model_.selectedNodeIndex() < 0) {
        prompts.error(this, t.text(Msg_SelectNode));
        return;
    }
    const Node node = model_.network()[model_.selectedNodeIndex()];
    const QString name =
        askTemplateName(this, t, Templates::Text::NameOfTemplate, node.description);
    if (name.isEmpty())
        return;
    const QString folder = Templates::folderOf(state_.workspaceDir);
    if (const QString refused = Templates::nameRefusal(name, t); !refused.isEmpty()) {
        prompts.error(this, refused);
        return;
    }
    if (QFileInfo::exists(Templates::pathOf(folder, name)) &&
        !prompts.question(this, t.text(Templates::Text::ReplaceQuestion).arg(name)))
        return;
    if (const QString refused = Templates::save(folder, name, node, t); !refused.isEmpty())
        prompts.error(this, refused);
}

void NetworkEditorWindow::templatesClicked() {
    readPanels();
    if (!templateList_) {
        const auto insert = [this](const Node& templ, const QString& primary,
                                   const QString& secondary) {
            syncing_ = true;
            const int message = model_.newNodeFromTemplate(templ, primary, secondary);
            syncing_ = false;
            return message;
        };
        templateList_ = new TemplateListDialog(state_, platform_.prompts, insert, this);
    }
    templateList_->prepare(model_.network());
    if (templateList_->exec() != QDialog::Accepted)
        return;
    // The new node is chosen, unfolded and in view, ready for its site's changes.
    const QModelIndex added = model_.tree().indexOf({int(model_.network().size()) - 1, -1});
    TW->expand(model_.tree().rootIndex());
    TW->expand(added);
    TW->scrollTo(added);
    TW->setCurrentIndex(added);
}
