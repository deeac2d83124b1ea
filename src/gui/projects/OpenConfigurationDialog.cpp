#include "gui/projects/OpenConfigurationDialog.h"

#include "core/projects/ProjectStore.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/dialogs/WindowOpened.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

OpenConfigurationDialog::OpenConfigurationDialog(SharedState& state, QWidget* parent)
    : QDialog(parent), state_(state) {
    setObjectName(QStringLiteral("OpenConfigurationDialog"));
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode);
    L_SW_Desc = title.description;
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
    Label1->setBuddy(ListBox1);
    const auto buttons = DialogParts::makeButtonPanel(this, true);
    Btn_OK = buttons.ok;
    Btn_Cancel = buttons.cancel;
    Btn_OK->setDefault(true);

    auto* body = new QVBoxLayout;
    body->addWidget(Label1);
    body->addWidget(ListBox1, 1);
    DialogParts::stack(this, title, body, buttons, true);
    DialogParts::onOpened(this, [this] { prepare(); });

    connect(ListBox1, &QListWidget::currentRowChanged, this, &OpenConfigurationDialog::listClicked);
    connect(ListBox1, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(Btn_OK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(377, 351);
    applyLanguage();
}

void OpenConfigurationDialog::applyLanguage() {
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(200));
    L_SW_Desc->setText(t.text(201));
    Label1->setText(t.text(202));
    Btn_OK->setText(t.text(203));
    Btn_Cancel->setText(t.text(204));
    ListBox1->setToolTip(t.text(205));
    Btn_OK->setToolTip(t.text(206));
    Btn_Cancel->setToolTip(t.text(207));
    ListBox1->setAccessibleName(Label1->text().trimmed());
    Keyboard::assignShortcutLetters(this);
}

void OpenConfigurationDialog::prepare() {
    SL = ProjectStore::listConfigurations(state_.projectsDir);
    const QSignalBlocker block(ListBox1);
    ListBox1->clear();
    ListBox1->addItems(SL);
    const QString active = ProjectStore::activeName(state_.projectsDir, state_.projectDir);
    int row = ProjectStore::findConfiguration(SL, active);
    if (row < 0 && !SL.isEmpty())
        row = 0;
    ListBox1->setCurrentRow(row);
    Name_Conf = row >= 0 ? SL[row] : QString();
    ListBox1->setFocus();
}

void OpenConfigurationDialog::listClicked() {
    const int row = ListBox1->currentRow();
    if (row >= 0)
        Name_Conf = ListBox1->item(row)->text();
}
