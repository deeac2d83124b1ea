#include "gui/projects/NewConfigurationDialog.h"

#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/projects/ProjectStore.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/dialogs/WindowOpened.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

NewConfigurationDialog::NewConfigurationDialog(SharedState& state, Platform& platform,
                                               QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
    setObjectName(QStringLiteral("NewConfigurationDialog"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode);
    L_SW_Desc = title.description;
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    E_New_Proj = new QLineEdit(this);
    E_New_Proj->setObjectName(QStringLiteral("E_New_Proj"));
    Label1->setBuddy(E_New_Proj);
    const auto buttons = DialogParts::makeButtonPanel(this);
    Btn_OK = buttons.ok;
    Btn_Cancel = buttons.cancel;
    // Enter in the name field acts as OK through the default button.
    Btn_OK->setDefault(true);

    auto* body = new QVBoxLayout;
    body->addWidget(Label1);
    body->addWidget(E_New_Proj);
    DialogParts::stack(this, title, body, buttons, false);
    DialogParts::onOpened(this, [this] {
        E_New_Proj->clear();
        E_New_Proj->setFocus();
    });

    connect(Btn_OK, &QPushButton::clicked, this, &NewConfigurationDialog::okClicked);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(331, 162);
    applyLanguage();
}

void NewConfigurationDialog::applyLanguage() {
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(100));
    L_SW_Desc->setText(t.text(101));
    Label1->setText(t.text(102));
    Btn_OK->setText(t.text(103));
    Btn_Cancel->setText(t.text(104));
    E_New_Proj->setToolTip(t.text(108));
    Btn_OK->setToolTip(t.text(109));
    Btn_Cancel->setToolTip(t.text(110));
    E_New_Proj->setAccessibleName(Label1->text().trimmed());
    Keyboard::assignShortcutLetters(this);
}

void NewConfigurationDialog::okClicked() {
    const QString name = E_New_Proj->text(); // used exactly as typed
    const auto result = ProjectStore::createProject(state_.projectsDir, name);
    if (result != ProjectStore::CreateResult::Created) {
        QString message = state_.texts.text(ProjectStore::messageIndex(result));
        if (result == ProjectStore::CreateResult::ForbiddenCharacter)
            message = ProjectStore::forbiddenCharacterMessage(name, message);
        platform_.prompts.error(this, message);
        return;
    }
    state_.activateProject(name);
    accept();
}
