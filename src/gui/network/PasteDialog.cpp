#include "gui/network/PasteDialog.h"

#include "core/network/CodingTables.h"
#include "core/platform/Prompts.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/dialogs/WindowOpened.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

using DialogParts::named;

namespace {

constexpr int ClientWidth = 645;
constexpr int ClientHeight = 346;
constexpr int TitleHeight = 69;
constexpr int NodeHeight = 52;
constexpr int ButtonHeight = 40;
constexpr int ColumnWidths[3] = {250, 160, 160};
constexpr int GridSideMargin = 16;

const QColor ShadedBlock(192, 220, 192);

// The new-value column edits the Modbus type and swap with their fixed lists only; which list
// follows from the row's place in its block.
class PasteCellDelegate : public QStyledItemDelegate {
public:
    PasteCellDelegate(const LanguageTable& table, QObject* parent)
        : QStyledItemDelegate(parent), table_(table) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        // Every change reaches the grid at once, so OK never misses a cell still open.
        auto* self = const_cast<PasteCellDelegate*>(this); // createEditor is const by contract
        const QStringList entries = listOf(index);
        if (entries.isEmpty()) {
            QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
            if (auto* line = qobject_cast<QLineEdit*>(editor))
                connect(line, &QLineEdit::textEdited, self,
                        [self, line] { emit self->commitData(line); });
            return editor;
        }
        auto* combo = new QComboBox(parent);
        combo->setObjectName(QStringLiteral("ASG_List"));
        combo->setEditable(false);
        combo->addItems(entries);
        connect(combo, &QComboBox::activated, self,
                [self, combo] { emit self->commitData(combo); });
        return combo;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            combo->setCurrentIndex(combo->findText(index.data().toString()));
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    // Tab in an open cell keeps the input and leaves the grid, as Tab does from a closed one.
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            auto* view = qobject_cast<QWidget*>(parent());
            if ((key == Qt::Key_Tab || key == Qt::Key_Backtab) && view) {
                emit commitData(editor);
                emit closeEditor(editor, QAbstractItemDelegate::NoHint);
                QKeyEvent leave(QEvent::KeyPress, key,
                                key == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
                QCoreApplication::sendEvent(view, &leave);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override {
        if (auto* combo = qobject_cast<QComboBox*>(editor)) {
            // A cell whose copied value is in no list keeps it until an entry is picked.
            if (combo->currentIndex() >= 0)
                model->setData(index, combo->currentText());
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    QStringList listOf(const QModelIndex& index) const {
        switch (PasteRules::editorOfCell(index.row() + 1, index.column())) {
        case PasteRules::CellEditor::TypeOfDataList:
            return modbusTypeTexts(table_);
        case PasteRules::CellEditor::SwapList:
            return modbusSwapTexts(table_);
        default:
            return {};
        }
    }

    const LanguageTable& table_;
};

} // namespace

PasteDialog::PasteDialog(SharedState& state, Prompts& prompts, QWidget* parent)
    : QDialog(parent), state_(state), prompts_(prompts) {
    setObjectName(QStringLiteral("PasteDialog"));
    // Fixed border, system menu only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode, TitleHeight);
    P_Title = title.panel;
    L_SW_Code = title.code;
    L_SW_Desc = title.description;

    L_New_Vars = named(new QLabel(this), "L_New_Vars");
    ASG = named(new QTableWidget(0, 3, this), "ASG");
    ASG->verticalHeader()->hide();
    ASG->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    for (int column = 0; column < 3; ++column)
        ASG->setColumnWidth(column, ColumnWidths[column]);
    ASG->setSelectionMode(QAbstractItemView::SingleSelection);
    ASG->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    ASG->setItemDelegate(new PasteCellDelegate(state_.texts, ASG));
    // The arrows move within the grid; Tab goes on to the buttons.
    ASG->setTabKeyNavigation(false);
    ASG->installEventFilter(this);
    auto* grid = new QVBoxLayout;
    grid->setContentsMargins(GridSideMargin, 4, GridSideMargin, 4);
    grid->setSpacing(2);
    grid->addWidget(L_New_Vars);
    grid->addWidget(ASG, 1);

    const auto buttons = DialogParts::makeButtonPanel(this, true, ButtonHeight);
    P_Button = buttons.panel;
    Btn_OK = buttons.ok;
    Btn_Cancel = buttons.cancel;
    // Enter in a field, or in a cell being edited, must not paste by accident; Enter on the
    // grid itself or on a focused button does.
    Btn_OK->setAutoDefault(false);
    Btn_Cancel->setAutoDefault(false);
    Keyboard::pressOnEnter({Btn_OK, Btn_Cancel});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(P_Title);
    layout->addWidget(buildNodePanel());
    layout->addLayout(grid, 1);
    layout->addWidget(P_Button);
    setFixedSize(ClientWidth, ClientHeight);

    DialogParts::onOpened(this, [this] { prepare(); });
    connect(Btn_OK, &QPushButton::clicked, this, &PasteDialog::okClicked);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    applyLanguage();
}

QWidget* PasteDialog::buildNodePanel() {
    P_Node = named(new QWidget(this), "P_Node");
    P_Node->setFixedHeight(NodeHeight);
    L_New_Pri_Add = named(new QLabel(P_Node), "L_New_Pri_Add");
    E_New_Pri_Add = named(new QLineEdit(P_Node), "E_New_Pri_Add");
    L_New_Sec_Add = named(new QLabel(P_Node), "L_New_Sec_Add");
    E_New_Sec_Add = named(new QLineEdit(P_Node), "E_New_Sec_Add");
    L_New_Pri_Add->setBuddy(E_New_Pri_Add);
    L_New_Sec_Add->setBuddy(E_New_Sec_Add);
    E_New_Pri_Add->setFixedWidth(160);
    E_New_Sec_Add->setFixedWidth(160);
    auto* layout = new QGridLayout(P_Node);
    layout->setContentsMargins(16, 4, 16, 4);
    layout->setVerticalSpacing(2);
    layout->addWidget(L_New_Pri_Add, 0, 0);
    layout->addWidget(E_New_Pri_Add, 1, 0);
    layout->addWidget(L_New_Sec_Add, 0, 1);
    layout->addWidget(E_New_Sec_Add, 1, 1);
    layout->setColumnStretch(2, 1);
    return P_Node;
}

void PasteDialog::applyLanguage() {
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(900));
    L_SW_Desc->setText(t.text(902));
    L_New_Pri_Add->setText(t.text(904));
    L_New_Sec_Add->setText(t.text(905));
    L_New_Vars->setText(t.text(906));
    Btn_OK->setText(t.text(907));
    Btn_Cancel->setText(t.text(908));
    E_New_Pri_Add->setAccessibleName(t.text(904));
    E_New_Sec_Add->setAccessibleName(t.text(905));
    ASG->setAccessibleName(t.text(906));
    ASG->setHorizontalHeaderLabels(PasteRules::headerTexts(t));
    fitColumns();
    Keyboard::assignShortcutLetters(this);
}

void PasteDialog::fillGrid(const QList<PasteRules::GridRow>& rows) {
    ASG->clearContents();
    ASG->setRowCount(int(rows.size()));
    ASG->setHorizontalHeaderLabels(PasteRules::headerTexts(state_.texts));
    for (int r = 0; r < rows.size(); ++r) {
        const PasteRules::GridRow& row = rows[r];
        const QString texts[3] = {row.name, row.copied, row.value};
        for (int column = 0; column < 3; ++column) {
            auto* item = new QTableWidgetItem(texts[column]);
            Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
            if (column == 2 && row.editable)
                flags |= Qt::ItemIsEditable;
            item->setFlags(flags);
            item->setBackground(row.shaded ? ShadedBlock : QColor(Qt::white));
            ASG->setItem(r, column, item);
        }
    }
    ASG->setCurrentCell(-1, -1);
    fitColumns();
}

// The design's widths, widened where a heading or a value of the language would be cut; the
// room comes from the spare width, then from the names' column.
void PasteDialog::fitColumns() {
    const int margin = 2 * ASG->style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
    const QFontMetrics head = ASG->horizontalHeader()->fontMetrics();
    const QFontMetrics body = ASG->fontMetrics();
    int needed[3] = {};
    int widths[3] = {};
    for (int column = 0; column < 3; ++column) {
        const QTableWidgetItem* header = ASG->horizontalHeaderItem(column);
        needed[column] = head.horizontalAdvance(header ? header->text() : QString()) + margin;
        for (int row = 0; row < ASG->rowCount(); ++row) {
            if (const QTableWidgetItem* item = ASG->item(row, column))
                needed[column] =
                    std::max(needed[column], body.horizontalAdvance(item->text()) + margin);
        }
        widths[column] = std::max(ColumnWidths[column], needed[column]);
    }
    const int room = ClientWidth - 2 * GridSideMargin - 2 * ASG->frameWidth() -
                     ASG->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int over = widths[0] + widths[1] + widths[2] - room;
    if (over > 0)
        widths[0] = std::max(needed[0], widths[0] - over);
    for (int column = 0; column < 3; ++column)
        ASG->setColumnWidth(column, widths[column]);
}

void PasteDialog::prepareVariable(const Variable& copied) {
    Form_Type = 1;
    fillGrid(PasteRules::variableRows(state_.texts, copied));
}

void PasteDialog::prepareNode(const Node& copied, const Network& network) {
    Form_Type = 0;
    network_ = &network;
    E_New_Pri_Add->setText(QString::number(copied.primary));
    E_New_Sec_Add->setText(QString::number(copied.secondary));
    fillGrid(PasteRules::nodeRows(state_.texts, copied));
}

void PasteDialog::prepare() {
    const LanguageTable& t = state_.texts;
    if (Form_Type == 1) {
        P_Node->hide();
        setWindowTitle(t.text(901));
        L_SW_Desc->setText(t.text(903));
        ASG->setFocus();
    } else {
        P_Node->show();
        setWindowTitle(t.text(900));
        L_SW_Desc->setText(t.text(902));
        E_New_Pri_Add->setFocus();
    }
}

bool PasteDialog::eventFilter(QObject* watched, QEvent* event) {
    // While a cell is open (its editor exists) Enter belongs to the cell.
    if (watched == ASG && event->type() == QEvent::KeyPress &&
        !ASG->indexWidget(ASG->currentIndex())) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            Btn_OK->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void PasteDialog::setVisible(bool visible) {
    if (visible && !isVisible())
        DialogParts::centreOnScreen(this);
    QDialog::setVisible(visible);
}

QStringList PasteDialog::newValues() const {
    QStringList values;
    for (int r = 0; r < ASG->rowCount(); ++r) {
        const QTableWidgetItem* item = ASG->item(r, 2);
        values << (item ? item->text() : QString());
    }
    return values;
}

QString PasteDialog::newPrimaryText() const {
    return E_New_Pri_Add->text();
}

QString PasteDialog::newSecondaryText() const {
    return E_New_Sec_Add->text();
}

bool PasteDialog::refuse(int message) {
    if (message == 0)
        return false;
    prompts_.error(this, state_.texts.text(message));
    return true;
}

bool PasteDialog::checkPrimaryAddress(qint64 primary) {
    if (network_ && !PasteRules::primaryAddressFree(*network_, primary))
        return !refuse(NetworkMessages::IdUsed);
    return true;
}

void PasteDialog::okClicked() {
    const QStringList values = newValues();
    const int failure =
        Form_Type == 1
            ? PasteRules::variableDialogFailure(values)
            : PasteRules::nodeDialogFailure(network_ ? *network_ : Network(), newPrimaryText(),
                                            newSecondaryText(), values);
    if (!refuse(failure))
        accept();
}
