#include "gui/network/TemplateListDialog.h"

#include "core/image/BankFiles.h"
#include "core/lang/LanguageTable.h"
#include "core/network/CodingTables.h"
#include "core/network/ModbusNumbering.h"
#include "core/network/NetworkTexts.h"
#include "core/platform/Prompts.h"
#include "core/state/SharedState.h"
#include "core/templates/MeterTemplates.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using DialogParts::named;
using DialogParts::setLabel;

namespace {

namespace T = Templates::Text;

constexpr int Txt_Description = 624;
constexpr int Txt_Primary = 608;
constexpr int Txt_Secondary = 609;

QString caption(const QStringList& list, int position) {
    return position >= 0 && position < list.size() ? list[position] : QString::number(position);
}

} // namespace

TemplateListDialog::TemplateListDialog(SharedState& state, Prompts& prompts, Insert insert,
                                       QWidget* parent)
    : QDialog(parent), state_(state), prompts_(prompts), insert_(std::move(insert)) {
    setObjectName(QStringLiteral("TemplateListDialog"));
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode);
    L_SW_Desc = title.description;

    L_Search = named(new QLabel(this), "L_Search");
    E_Search = named(new QLineEdit(this), "E_Search");
    E_Search->setClearButtonEnabled(true);
    L_Search->setBuddy(E_Search);
    L_Templates = named(new QLabel(this), "L_Templates");
    LB_Templates = named(new QListWidget(this), "LB_Templates");
    L_Templates->setBuddy(LB_Templates);
    L_Empty = named(new QLabel(this), "L_Empty");
    L_Empty->setWordWrap(true);
    Btn_Rename = named(new QPushButton(this), "Btn_Rename");
    Btn_Delete = named(new QPushButton(this), "Btn_Delete");
    Btn_Export = named(new QPushButton(this), "Btn_Export");
    Btn_Import = named(new QPushButton(this), "Btn_Import");

    L_Preview = named(new QLabel(this), "L_Preview");
    L_Description = named(new QLabel(this), "L_Description");
    L_Description->setWordWrap(true);
    TB_Preview = named(new QTableWidget(0, 3, this), "TB_Preview");
    TB_Preview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TB_Preview->setSelectionMode(QAbstractItemView::NoSelection);
    TB_Preview->verticalHeader()->hide();
    TB_Preview->horizontalHeader()->setStretchLastSection(true);
    TB_Preview->setWordWrap(false);
    L_Preview->setBuddy(TB_Preview);
    L_Pri = named(new QLabel(this), "L_Pri");
    L_Sec = named(new QLabel(this), "L_Sec");
    E_Pri = named(new QLineEdit(this), "E_Pri");
    E_Sec = named(new QLineEdit(this), "E_Sec");
    L_Pri->setBuddy(E_Pri);
    L_Sec->setBuddy(E_Sec);

    auto* left = new QVBoxLayout;
    left->addWidget(L_Search);
    left->addWidget(E_Search);
    left->addWidget(L_Templates);
    left->addWidget(LB_Templates, 1);
    left->addWidget(L_Empty);
    auto* manage = new QGridLayout;
    manage->addWidget(Btn_Rename, 0, 0);
    manage->addWidget(Btn_Delete, 0, 1);
    manage->addWidget(Btn_Export, 1, 0);
    manage->addWidget(Btn_Import, 1, 1);
    left->addLayout(manage);

    auto* right = new QVBoxLayout;
    right->addWidget(L_Preview);
    right->addWidget(L_Description);
    right->addWidget(TB_Preview, 1);
    auto* addresses = new QGridLayout;
    addresses->addWidget(L_Pri, 0, 0);
    addresses->addWidget(E_Pri, 0, 1);
    addresses->addWidget(L_Sec, 1, 0);
    addresses->addWidget(E_Sec, 1, 1);
    right->addLayout(addresses);

    auto* body = new QHBoxLayout;
    body->addLayout(left, 2);
    body->addLayout(right, 5);
    const auto buttons = DialogParts::makeButtonPanel(this, true);
    Btn_OK = buttons.ok;
    Btn_Cancel = buttons.cancel;
    DialogParts::stack(this, title, body, buttons, true);
    resize(900, 520);

    // Enter presses a focused button; from a field it inserts nothing by surprise.
    for (QPushButton* b : findChildren<QPushButton*>()) {
        b->setAutoDefault(false);
        Keyboard::pressOnEnter({b});
    }
    connect(E_Search, &QLineEdit::textChanged, this, &TemplateListDialog::applySearch);
    connect(LB_Templates, &QListWidget::currentRowChanged, this, &TemplateListDialog::showSelected);
    connect(LB_Templates, &QListWidget::itemActivated, this, &TemplateListDialog::insertClicked);
    connect(Btn_OK, &QPushButton::clicked, this, &TemplateListDialog::insertClicked);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Btn_Rename, &QPushButton::clicked, this, &TemplateListDialog::renameClicked);
    connect(Btn_Delete, &QPushButton::clicked, this, &TemplateListDialog::deleteClicked);
    connect(Btn_Export, &QPushButton::clicked, this, &TemplateListDialog::exportClicked);
    connect(Btn_Import, &QPushButton::clicked, this, &TemplateListDialog::importClicked);
    applyLanguage();
}

void TemplateListDialog::applyLanguage() {
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(T::Templates));
    L_SW_Desc->setText(t.text(T::Description));
    setLabel(L_Search, E_Search, t.text(T::Search));
    setLabel(L_Templates, LB_Templates, t.text(T::List));
    setLabel(L_Preview, TB_Preview, t.text(T::Preview));
    setLabel(L_Pri, E_Pri, t.text(Txt_Primary));
    setLabel(L_Sec, E_Sec, t.text(Txt_Secondary));
    L_Empty->setText(t.text(T::Empty));
    TB_Preview->setHorizontalHeaderLabels(
        {t.text(Txt_Description), t.text(T::CodingColumn), t.text(T::SourceColumn)});
    const std::pair<QPushButton*, int> buttons[] = {
        {Btn_Rename, T::Rename}, {Btn_Delete, T::Delete}, {Btn_Export, T::Export},
        {Btn_Import, T::Import}, {Btn_OK, T::Insert},     {Btn_Cancel, T::Close}};
    for (const auto& [button, text] : buttons) {
        button->setText(t.text(text));
        button->setAccessibleName(t.text(text));
    }
    showSelected();
    Keyboard::assignShortcutLetters(this);
}

QString TemplateListDialog::folder() const {
    return Templates::folderOf(state_.workspaceDir);
}

void TemplateListDialog::prepare(const Network& network) {
    const int primary = Templates::nextFreePrimary(network);
    E_Pri->setText(primary > 0 ? QString::number(primary) : QString());
    E_Sec->clear();
    // The choice stays from the last showing; the search starts anew.
    const QString chosen = selectedName();
    E_Search->clear();
    reload(chosen);
    E_Search->setFocus();
}

QString TemplateListDialog::selectedName() const {
    const QListWidgetItem* item = LB_Templates->currentItem();
    return item && !item->isHidden() ? item->text() : QString();
}

void TemplateListDialog::reload(const QString& select) {
    {
        const QSignalBlocker blocker(LB_Templates);
        LB_Templates->clear();
        LB_Templates->addItems(Templates::names(folder()));
    }
    L_Empty->setVisible(LB_Templates->count() == 0);
    const auto found = LB_Templates->findItems(select, Qt::MatchExactly);
    LB_Templates->setCurrentItem(found.isEmpty() ? nullptr : found.first());
    applySearch();
}

void TemplateListDialog::applySearch() {
    const QString text = E_Search->text().trimmed();
    QListWidgetItem* firstShown = nullptr;
    for (int i = 0; i < LB_Templates->count(); ++i) {
        QListWidgetItem* item = LB_Templates->item(i);
        item->setHidden(!item->text().contains(text, Qt::CaseInsensitive));
        if (!item->isHidden() && !firstShown)
            firstShown = item;
    }
    // The choice follows the search, so Enter inserts what is in view.
    QListWidgetItem* current = LB_Templates->currentItem();
    if (!current || current->isHidden())
        LB_Templates->setCurrentItem(firstShown);
    showSelected();
}

void TemplateListDialog::showSelected() {
    const LanguageTable& t = state_.texts;
    TB_Preview->setRowCount(0);
    L_Description->clear();
    const QString name = selectedName();
    for (QPushButton* b : {Btn_Rename, Btn_Delete, Btn_Export, Btn_OK})
        b->setEnabled(!name.isEmpty());
    if (name.isEmpty())
        return;
    const Templates::Read read = Templates::load(folder(), name, t);
    if (!read.ok()) {
        L_Description->setText(read.error);
        return;
    }
    L_Description->setText(read.node.description);
    using namespace CodingTables;
    for (const Variable& v : read.node.variables) {
        const int row = TB_Preview->rowCount();
        TB_Preview->insertRow(row);
        const QString coding = caption(typesOfData(), v.dataType) + QStringLiteral(", ") +
                               caption(dimensions(), v.dimension);
        // The stored protocol address and the number a meter manual gives for it.
        const QString number = ModbusNumbering::describe(t, v.modbusType, v.modbusRegister);
        const QString address =
            number.isEmpty()
                ? QString::number(v.modbusRegister)
                : t.text(NetworkTexts::AddressAndNumber).arg(v.modbusRegister).arg(number);
        const QString source = t.text(T::SourceText)
                                   .arg(v.modbusSlave)
                                   .arg(modbusTypeText(t, v.modbusType))
                                   .arg(address)
                                   .arg(v.modbusCount)
                                   .arg(modbusSwapText(t, v.modbusSwap));
        int column = 0;
        for (const QString& text : {v.description, coding, source})
            TB_Preview->setItem(row, column++, new QTableWidgetItem(text));
    }
    TB_Preview->resizeColumnsToContents();
}

void TemplateListDialog::error(const QString& text) {
    prompts_.error(this, text);
}

void TemplateListDialog::insertClicked() {
    const LanguageTable& t = state_.texts;
    const QString name = selectedName();
    if (name.isEmpty()) {
        error(t.text(T::SelectTemplate));
        return;
    }
    // Read again: the file may have changed since it was shown.
    const Templates::Read read = Templates::load(folder(), name, t);
    if (!read.ok()) {
        error(read.error);
        return;
    }
    if (const int message = insert_(read.node, E_Pri->text(), E_Sec->text())) {
        error(t.text(message));
        return;
    }
    accept();
}

void TemplateListDialog::renameClicked() {
    const LanguageTable& t = state_.texts;
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    const QString newName = askTemplateName(this, t, T::NewName, name);
    if (newName.isEmpty() || newName == name)
        return;
    if (const QString refused = Templates::rename(folder(), name, newName, t); !refused.isEmpty()) {
        error(refused);
        return;
    }
    reload(newName);
}

void TemplateListDialog::deleteClicked() {
    const LanguageTable& t = state_.texts;
    const QString name = selectedName();
    if (name.isEmpty() || !prompts_.question(this, t.text(T::DeleteQuestion).arg(name)))
        return;
    if (const QString refused = Templates::remove(folder(), name, t); !refused.isEmpty())
        error(refused);
    reload(QString());
}

void TemplateListDialog::exportClicked() {
    const LanguageTable& t = state_.texts;
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    const QString suggested = QDir::home().filePath(name + QLatin1String(Templates::Extension));
    const QString file =
        prompts_.saveFile(this, t.text(T::Export), suggested, QLatin1String(Templates::Filter));
    if (file.isEmpty())
        return;
    if (const QString refused =
            Templates::exportTo(folder(), name, file, t, configurationFiles(state_.projectDir));
        !refused.isEmpty())
        error(refused);
}

void TemplateListDialog::importClicked() {
    const LanguageTable& t = state_.texts;
    const QString file = prompts_.openFile(this, t.text(T::Import), QDir::homePath(),
                                           QLatin1String(Templates::Filter));
    if (file.isEmpty())
        return;
    // Checked before any question, so only a file that would be taken is asked about.
    const Templates::Read read = Templates::readFile(file, t);
    if (!read.ok()) {
        error(read.error);
        return;
    }
    const QString name = Templates::importName(file);
    if (const QString refused = Templates::nameRefusal(name, t); !refused.isEmpty()) {
        error(refused);
        return;
    }
    if (QFileInfo::exists(Templates::pathOf(folder(), name)) &&
        !prompts_.question(this, t.text(T::ReplaceQuestion).arg(name)))
        return;
    if (const QString refused = Templates::save(folder(), name, read.node, t); !refused.isEmpty()) {
        error(refused);
        return;
    }
    E_Search->clear();
    reload(name);
}

QString askTemplateName(QWidget* parent, const LanguageTable& texts, int label,
                        const QString& initial) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TemplateName"));
    dialog.setWindowTitle(texts.text(T::Templates));
    auto* text = named(new QLabel(texts.text(label), &dialog), "L_Name");
    auto* field = named(new QLineEdit(initial, &dialog), "E_Name");
    text->setBuddy(field);
    field->setAccessibleName(texts.text(label));
    field->selectAll();
    field->setMinimumWidth(320);
    auto* ok = named(new QPushButton(texts.text(T::OK), &dialog), "Btn_OK");
    auto* cancel = named(new QPushButton(texts.text(T::Cancel), &dialog), "Btn_Cancel");
    // Enter presses a focused button, never saves from the field.
    for (QPushButton* b : {ok, cancel}) {
        b->setAutoDefault(false);
        Keyboard::pressOnEnter({b});
    }
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(text);
    layout->addWidget(field);
    layout->addLayout(buttons);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, &dialog, &QDialog::reject);
    Keyboard::assignShortcutLetters(&dialog);
    return dialog.exec() == QDialog::Accepted ? field->text() : QString();
}
