#include "gui/network/NetworkEditorWindow.h"

#include "gui/network/RegisterHint.h"

#include "core/network/CodingTables.h"
#include "core/network/NetworkMessages.h"
#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/dialogs/WindowOpened.h"
#include "gui/network/PasteDialog.h"
#include "gui/network/TreeKeys.h"
#include "gui/network/TreeLabels.h"
#include "gui/network/WideComboBox.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

using DialogParts::named;
using DialogParts::setLabel;

namespace {

constexpr int ClientWidth = 834;
constexpr int ClientHeight = 700;
constexpr int PanelWidth = 420;
constexpr int Txt_Title = 600;
constexpr int Txt_Description = 601;
constexpr int Txt_Ok = 602;
constexpr int Txt_Cancel = 603;
constexpr int Txt_ImportNetwork = 604;
constexpr int Txt_NodesTab = 605;
constexpr int Txt_VariablesTab = 606;
constexpr int Txt_NodeDescription = 607;
constexpr int Txt_PrimaryAddress = 608;
constexpr int Txt_SecondaryAddress = 609;
constexpr int Txt_AddNode = 610;
constexpr int Txt_ModifyNode = 611;
constexpr int Txt_Enable = 612;
constexpr int Txt_SlaveId = 613;
constexpr int Txt_ModbusType = 614;
constexpr int Txt_ModbusRegister = 619;
constexpr int Txt_Points = 620;
constexpr int Txt_Swap = 621;
constexpr int Txt_AddVariable = 634;
constexpr int Txt_ModifyVariable = 635;
constexpr int Txt_CopyVariable = 636;
constexpr int Txt_PasteVariable = 637;
constexpr int Txt_CopyNode = 638;
constexpr int Txt_PasteNode = 639;
constexpr int Txt_Delete = 640;
// The ten M-Bus field captions, in the panel's order.
constexpr int Txt_FirstMBusField = 624;
constexpr int Txt_Undo = 673;
constexpr int Txt_Redo = 674;
constexpr int Txt_UndoHint = 675;
constexpr int Txt_RedoHint = 676;

void setPosition(QComboBox* box, int position) {
    box->setCurrentIndex(position < box->count() ? position : -1);
}

} // namespace

NetworkEditorWindow::NetworkEditorWindow(SharedState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform), model_(state.texts) {
    setObjectName(QStringLiteral("NetworkEditorWindow"));
    resize(ClientWidth, ClientHeight);
    DialogParts::centreOnScreen(this);
    // A restore from minimised shows the window again without opening it: the edits stay.
    DialogParts::onOpened(this, [this] { prepare(); });
}

void NetworkEditorWindow::setVisible(bool visible) {
    if (visible)
        buildWindow();
    QDialog::setVisible(visible);
}

void NetworkEditorWindow::buildWindow() {
    // Built at the first showing rather than at start-up: the program starts faster, and the
    // controls apply the current language when they are made.
    if (TW)
        return;
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode);
    L_SW_Desc = title.description;
    buildTree();
    PC = named(new QTabWidget(this), "PC");
    PC->setTabPosition(QTabWidget::West);
    PC->setMinimumWidth(PanelWidth);
    PC->addTab(buildNodePage(), QString());
    PC->addTab(buildVariablePage(), QString());
    Keyboard::tabKeys(PC, this);

    const auto buttons = DialogParts::makeButtonPanel(this);
    Btn_OK = buttons.ok;
    Btn_Cancel = buttons.cancel;
    auto* buttonRow = static_cast<QBoxLayout*>(buttons.panel->layout());
    Btn_ImportNet = named(new QPushButton(buttons.panel), "Btn_ImportNet");
    Btn_ImportNet->setMinimumWidth(110);
    buttonRow->insertWidget(2, Btn_ImportNet);

    auto* treeColumn = new QVBoxLayout;
    treeColumn->setContentsMargins(0, 0, 0, 0);
    treeColumn->addWidget(buildUndoRow());
    treeColumn->addWidget(TW, 1);
    L_Status = named(new QLabel(this), "L_Status");
    L_Status->setWordWrap(true);
    L_Status->hide();
    treeColumn->addWidget(L_Status);
    buildExchange(buttonRow, treeColumn);
    buildSourceTest(buttonRow);
    // Enter in a field must neither save nor leave the window; on a focused button it presses it.
    QList<QPushButton*> pressed = buttons.panel->findChildren<QPushButton*>();
    pressed << btn_Add_Node << btn_Add_Var << Btn_Undo << Btn_Redo;
    for (QPushButton* b : pressed) {
        b->setAutoDefault(false);
        Keyboard::pressOnEnter({b});
    }

    // The tree takes the room the panels leave; the user may move the border.
    auto* left = named(new QWidget(this), "P_Tree");
    left->setLayout(treeColumn);
    Splitter = named(new QSplitter(Qt::Horizontal, this), "Splitter");
    Splitter->addWidget(left);
    Splitter->addWidget(PC);
    Splitter->setStretchFactor(0, 1);
    Splitter->setStretchFactor(1, 0);
    Splitter->setChildrenCollapsible(false);
    auto* body = new QVBoxLayout;
    L_Read_Only = DialogParts::makeReadOnlyBanner(this);
    body->addWidget(L_Read_Only);
    body->addWidget(Splitter, 1);
    DialogParts::stack(this, title, body, buttons, true);

    connect(Btn_OK, &QPushButton::clicked, this, &NetworkEditorWindow::okClicked);
    connect(Btn_Cancel, &QPushButton::clicked, this, &NetworkEditorWindow::cancelClicked);
    connect(Btn_ImportNet, &QPushButton::clicked, this, &NetworkEditorWindow::importNetworkClicked);
    connect(btn_Add_Node, &QPushButton::clicked, this, &NetworkEditorWindow::addNodeClicked);
    connect(btn_Add_Var, &QPushButton::clicked, this, &NetworkEditorWindow::addVariableClicked);
    connect(&model_, &NetworkEditor::restored, this, &NetworkEditorWindow::showRestored);

    buildTemplates();
    pasteDialog_ = new PasteDialog(state_, platform_.prompts, this);
    applyLanguage();
}

void NetworkEditorWindow::buildTree() {
    TW = named(new QTreeView(this), "TW");
    TW->setModel(&model_.tree());
    TW->setHeaderHidden(true);
    TW->setRootIsDecorated(false);
    TW->setUniformRowHeights(true); // rows are measured once, not one by one
    auto* labels = new TreeLabels(TW);
    TW->setItemDelegate(labels);
    // Long labels scroll sideways instead of being cut. The column takes the widest label shown
    // once per change: the header's own fit to contents measures every row again on each of
    // its several layout passes, which made a full network three times slower to show.
    TW->header()->setStretchLastSection(false);
    TW->header()->setSectionResizeMode(QHeaderView::Fixed);
    TW->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TW->setSelectionMode(QAbstractItemView::SingleSelection);
    TW->setSelectionBehavior(QAbstractItemView::SelectRows);
    TW->setAllColumnsShowFocus(true);
    // The selection stays visible while the panels have the focus.
    QPalette palette = TW->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    TW->setPalette(palette);
    connect(TW->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &NetworkEditorWindow::treeClicked);
    connect(TW, &QTreeView::clicked, this, &NetworkEditorWindow::treeClicked);

    PM_TW = named(new QMenu(this), "PM_TW");
    CopyVariable1 = PM_TW->addAction(QString(), this, &NetworkEditorWindow::copyVariableChosen);
    PasteVariable1 = PM_TW->addAction(QString(), this, &NetworkEditorWindow::pasteVariableChosen);
    PM_TW->addSeparator();
    CopyNode1 = PM_TW->addAction(QString(), this, &NetworkEditorWindow::copyNodeChosen);
    PasteNode1 = PM_TW->addAction(QString(), this, &NetworkEditorWindow::pasteNodeChosen);
    PM_TW->addSeparator();
    DeleteItem1 = PM_TW->addAction(QString(), this, &NetworkEditorWindow::deleteItemClicked);
    PM_TW->addSeparator();
    Undo1 = PM_TW->addAction(QString(), this, &NetworkEditorWindow::undoClicked);
    Redo1 = PM_TW->addAction(QString(), this, &NetworkEditorWindow::redoClicked);
    Undo1->setObjectName(QStringLiteral("Undo1"));
    Redo1->setObjectName(QStringLiteral("Redo1"));
    CopyVariable1->setObjectName(QStringLiteral("CopyVariable1"));
    PasteVariable1->setObjectName(QStringLiteral("PasteVariable1"));
    CopyNode1->setObjectName(QStringLiteral("CopyNode1"));
    PasteNode1->setObjectName(QStringLiteral("PasteNode1"));
    DeleteItem1->setObjectName(QStringLiteral("DeleteItem1"));
    // A new network folds everything: the nodes are shown again at once (and the expansion
    // fits the column).
    const QAbstractItemModel* tree = &model_.tree();
    connect(tree, &QAbstractItemModel::modelReset, this, [this, labels] {
        labels->clear();
        TW->expand(model_.tree().rootIndex());
    });
    for (auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(tree, changed, this, &NetworkEditorWindow::fitTreeColumn);
    connect(tree, &QAbstractItemModel::dataChanged, this, &NetworkEditorWindow::fitTreeColumn);
    connect(TW, &QTreeView::expanded, this, &NetworkEditorWindow::fitTreeColumn);
    connect(TW, &QTreeView::collapsed, this, &NetworkEditorWindow::fitTreeColumn);
    TW->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(TW, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PM_TW->popup(TW->viewport()->mapToGlobal(at)); });
    TreeKeys::install(TW,
                      {PM_TW, CopyVariable1, PasteVariable1, CopyNode1, PasteNode1, DeleteItem1});
}

void NetworkEditorWindow::fitTreeColumn() {
    QHeaderView* header = TW->header();
    const QAbstractItemView* view = TW; // the tree's measure of its shown rows
    header->resizeSection(0, std::max(view->sizeHintForColumn(0), header->minimumSectionSize()));
}

// The tree takes its final scroll bars before the window's first paint. Left to the event loop,
// a network that brings them (a large one after a small one) had them painted twice.
void NetworkEditorWindow::settleTree() {
    TW->doItemsLayout();
    QCoreApplication::sendPostedEvents(TW, QEvent::LayoutRequest);
}

QWidget* NetworkEditorWindow::buildUndoRow() {
    auto* row = named(new QWidget(this), "P_Undo");
    Btn_Undo = named(new QPushButton(row), "Btn_Undo");
    Btn_Redo = named(new QPushButton(row), "Btn_Redo");
    Btn_Undo->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    Btn_Redo->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Btn_Undo);
    layout->addWidget(Btn_Redo);
    layout->addStretch(1);
    connect(Btn_Undo, &QPushButton::clicked, this, &NetworkEditorWindow::undoClicked);
    connect(Btn_Redo, &QPushButton::clicked, this, &NetworkEditorWindow::redoClicked);
    // Window-wide keys; a text field keeps Ctrl+Z for its own typing.
    const std::pair<QKeySequence, void (NetworkEditorWindow::*)()> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Z), &NetworkEditorWindow::undoClicked},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &NetworkEditorWindow::redoClicked},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), &NetworkEditorWindow::redoClicked}};
    for (const auto& [key, slot] : keys)
        connect(new QShortcut(key, this), &QShortcut::activated, this, slot);
    const CommandStack& stack = model_.undoStack();
    connect(&stack, &CommandStack::indexChanged, this, &NetworkEditorWindow::followUndoStack);
    return row;
}

// The buttons and the menu say which change they take back or bring again.
void NetworkEditorWindow::followUndoStack() {
    const CommandStack& stack = model_.undoStack();
    const LanguageTable& t = state_.texts;
    const auto entry = [&t](int plain, int named, const QString& name) {
        return name.isEmpty() ? t.text(plain) : t.text(named).arg(name);
    };
    const QString undo = entry(Txt_Undo, NetworkMessages::UndoEntry, stack.undoText());
    const QString redo = entry(Txt_Redo, NetworkMessages::RedoEntry, stack.redoText());
    Btn_Undo->setEnabled(stack.canUndo());
    Undo1->setEnabled(stack.canUndo());
    Btn_Redo->setEnabled(stack.canRedo());
    Redo1->setEnabled(stack.canRedo());
    Undo1->setText(undo);
    Redo1->setText(redo);
    Btn_Undo->setToolTip(stack.canUndo() ? undo + u'\n' + t.text(Txt_UndoHint)
                                         : t.text(Txt_UndoHint));
    Btn_Redo->setToolTip(stack.canRedo() ? redo + u'\n' + t.text(Txt_RedoHint)
                                         : t.text(Txt_RedoHint));
    Btn_Undo->setAccessibleDescription(Btn_Undo->toolTip());
    Btn_Redo->setAccessibleDescription(Btn_Redo->toolTip());
}

QLabel* NetworkEditorWindow::fieldLabel(QWidget* parent, const char* name) {
    return named(new QLabel(parent), name);
}

QWidget* NetworkEditorWindow::buildNodePage() {
    TS_Nodes = named(new QWidget(this), "TS_Nodes");
    L_Node_Desc = fieldLabel(TS_Nodes, "L_Node_Desc");
    L_Node_Add_Pri = fieldLabel(TS_Nodes, "L_Node_Add_Pri");
    L_Node_Add_Sec = fieldLabel(TS_Nodes, "L_Node_Add_Sec");
    E_Node_Desc = named(new QLineEdit(TS_Nodes), "E_Node_Desc");
    E_Node_Add_Pri = named(new QLineEdit(QStringLiteral("1"), TS_Nodes), "E_Node_Add_Pri");
    E_Node_Add_Sec = named(new QLineEdit(QStringLiteral("1"), TS_Nodes), "E_Node_Add_Sec");
    btn_Add_Node = named(new QPushButton(TS_Nodes), "btn_Add_Node");
    auto* grid = new QGridLayout(TS_Nodes);
    int row = 0;
    for (auto [label, edit] : {std::pair{L_Node_Desc, E_Node_Desc},
                               {L_Node_Add_Pri, E_Node_Add_Pri},
                               {L_Node_Add_Sec, E_Node_Add_Sec}}) {
        label->setBuddy(edit);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row++, 1);
    }
    grid->addWidget(btn_Add_Node, row++, 1);
    grid->setRowStretch(row, 1);
    return TS_Nodes;
}

QWidget* NetworkEditorWindow::buildVariablePage() {
    using namespace CodingTables;
    TS_Variables = named(new QWidget(this), "TS_Variables");
    QWidget* p = TS_Variables;
    CB_Var_En = named(new QCheckBox(p), "CB_Var_En");
    E_Var_Mod_SlaveID = named(new QLineEdit(p), "E_Var_Mod_SlaveID");
    CB_Var_Mod_ToD = named(new QComboBox(p), "CB_Var_Mod_ToD");
    E_Var_Mod_MR = named(new QLineEdit(p), "E_Var_Mod_MR");
    E_Var_Mod_NP = named(new QLineEdit(p), "E_Var_Mod_NP");
    CB_Var_Mod_Swap = named(new QComboBox(p), "CB_Var_Mod_Swap");
    E_Var_MBus_Desc = named(new QLineEdit(p), "E_Var_MBus_Desc");
    CB_Var_MBus_ToD = named(new WideComboBox(p), "CB_Var_MBus_ToD");
    CB_Var_MBus_ToD->addItems(typesOfData());
    CB_Var_MBus_FF = named(new QComboBox(p), "CB_Var_MBus_FF");
    CB_Var_MBus_FF->addItems(functionFields());
    CB_Var_MBus_Dim = named(new QComboBox(p), "CB_Var_MBus_Dim");
    CB_Var_MBus_Dim->addItems(dimensions());
    E_Var_MBus_Len = named(new QLineEdit(p), "E_Var_MBus_Len");
    E_Var_MBus_Len->setEnabled(false);
    CB_Var_MBus_Unit = named(new QComboBox(p), "CB_Var_MBus_Unit");
    CB_Var_MBus_Unit->addItems(units());
    CB_Var_MBus_Scale = named(new QComboBox(p), "CB_Var_MBus_Scale");
    E_Var_MBus_StoNum = named(new QLineEdit(p), "E_Var_MBus_StoNum");
    E_Var_MBus_Tariff = named(new QLineEdit(p), "E_Var_MBus_Tariff");
    CB_Var_MBus_VIFE = named(new WideComboBox(p), "CB_Var_MBus_VIFE");
    CB_Var_MBus_VIFE->addItems(vifeEntries());
    btn_Add_Var = named(new QPushButton(p), "btn_Add_Var");

    auto* grid = new QGridLayout(p);
    grid->setVerticalSpacing(4);
    grid->addWidget(CB_Var_En, 0, 0, 1, 2);
    int row = 1;
    auto add = [&](QLabel*& label, const char* name, QWidget* field) {
        label = fieldLabel(p, name);
        label->setBuddy(field);
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row++, 1);
    };
    add(L_Var_Mod_SlaveID, "L_Var_Mod_SlaveID", E_Var_Mod_SlaveID);
    add(L_Var_Mod_ToD, "L_Var_Mod_ToD", CB_Var_Mod_ToD);
    add(L_Var_Mod_MR, "L_Var_Mod_MR", E_Var_Mod_MR);
    L_Var_Mod_MR_Number = new RegisterHint(E_Var_Mod_MR, CB_Var_Mod_ToD, state_.texts, p);
    grid->addWidget(L_Var_Mod_MR_Number, row++, 1);
    add(L_Var_Mod_NP, "L_Var_Mod_NP", E_Var_Mod_NP);
    add(L_Var_Mod_Swap, "L_Var_Mod_Swap", CB_Var_Mod_Swap);
    auto* line = named(new QFrame(p), "Bevel1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    grid->addWidget(line, row++, 0, 1, 2);
    add(L_Var_MBus_Desc, "L_Var_MBus_Desc", E_Var_MBus_Desc);
    add(L_Var_MBus_ToD, "L_Var_MBus_ToD", CB_Var_MBus_ToD);
    add(L_Var_MBus_FF, "L_Var_MBus_FF", CB_Var_MBus_FF);
    add(L_Var_MBus_Dim, "L_Var_MBus_Dim", CB_Var_MBus_Dim);
    add(L_Var_MBus_Len, "L_Var_MBus_Len", E_Var_MBus_Len);
    add(L_Var_MBus_Unit, "L_Var_MBus_Unit", CB_Var_MBus_Unit);
    add(L_Var_MBus_Scale, "L_Var_MBus_Scale", CB_Var_MBus_Scale);
    add(L_Var_MBus_StoNum, "L_Var_MBus_StoNum", E_Var_MBus_StoNum);
    add(L_Var_MBus_Tariff, "L_Var_MBus_Tariff", E_Var_MBus_Tariff);
    add(L_Var_MBus_VIFE, "L_Var_MBus_VIFE", CB_Var_MBus_VIFE);
    grid->addWidget(btn_Add_Var, row++, 1);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    // The closed boxes keep the panel's width; the long lists open wider.
    for (QComboBox* box : p->findChildren<QComboBox*>()) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(12);
    }

    for (QComboBox* box :
         {static_cast<QComboBox*>(CB_Var_MBus_ToD), CB_Var_Mod_ToD, CB_Var_Mod_Swap})
        connect(box, &QComboBox::currentIndexChanged, this,
                [this] { onListChange(&NetworkEditor::typeChanged); });
    connect(CB_Var_MBus_VIFE, &QComboBox::currentIndexChanged, this,
            [this] { onListChange(&NetworkEditor::vifeChanged); });
    connect(CB_Var_MBus_Dim, &QComboBox::currentIndexChanged, this,
            [this] { onListChange(&NetworkEditor::dimensionChanged); });
    return TS_Variables;
}

void NetworkEditorWindow::applyLanguage() {
    if (!TW)
        return; // not built yet
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(Txt_Title));
    L_SW_Desc->setText(t.text(Txt_Description));
    Btn_OK->setText(t.text(Txt_Ok));
    Btn_Cancel->setText(t.text(Txt_Cancel));
    Btn_ImportNet->setText(t.text(Txt_ImportNetwork));
    setExchangeTexts();
    setSourceTestText();
    setTemplateTexts();
    PC->setTabText(0, t.text(Txt_NodesTab));
    PC->setTabText(1, t.text(Txt_VariablesTab));
    setLabel(L_Node_Desc, E_Node_Desc, t.text(Txt_NodeDescription));
    setLabel(L_Node_Add_Pri, E_Node_Add_Pri, t.text(Txt_PrimaryAddress));
    setLabel(L_Node_Add_Sec, E_Node_Add_Sec, t.text(Txt_SecondaryAddress));
    CB_Var_En->setText(t.text(Txt_Enable));
    setLabel(L_Var_Mod_SlaveID, E_Var_Mod_SlaveID, t.text(Txt_SlaveId));
    setLabel(L_Var_Mod_ToD, CB_Var_Mod_ToD, t.text(Txt_ModbusType));
    setLabel(L_Var_Mod_MR, E_Var_Mod_MR, t.text(Txt_ModbusRegister));
    setLabel(L_Var_Mod_NP, E_Var_Mod_NP, t.text(Txt_Points));
    setLabel(L_Var_Mod_Swap, CB_Var_Mod_Swap, t.text(Txt_Swap));
    {
        const QSignalBlocker a(CB_Var_Mod_ToD);
        const QSignalBlocker b(CB_Var_Mod_Swap);
        CB_Var_Mod_ToD->clear();
        CB_Var_Mod_ToD->addItems(modbusTypeTexts(t));
        CB_Var_Mod_Swap->clear();
        CB_Var_Mod_Swap->addItems(modbusSwapTexts(t));
    }
    L_Var_Mod_MR_Number->refresh();
    const std::pair<QLabel*, QWidget*> mbus[] = {
        {L_Var_MBus_Desc, E_Var_MBus_Desc},     {L_Var_MBus_ToD, CB_Var_MBus_ToD},
        {L_Var_MBus_FF, CB_Var_MBus_FF},        {L_Var_MBus_Dim, CB_Var_MBus_Dim},
        {L_Var_MBus_Len, E_Var_MBus_Len},       {L_Var_MBus_Unit, CB_Var_MBus_Unit},
        {L_Var_MBus_Scale, CB_Var_MBus_Scale},  {L_Var_MBus_StoNum, E_Var_MBus_StoNum},
        {L_Var_MBus_Tariff, E_Var_MBus_Tariff}, {L_Var_MBus_VIFE, CB_Var_MBus_VIFE}};
    for (int i = 0; i < 10; ++i)
        setLabel(mbus[i].first, mbus[i].second, t.text(Txt_FirstMBusField + i));
    CopyVariable1->setText(t.text(Txt_CopyVariable));
    PasteVariable1->setText(t.text(Txt_PasteVariable));
    CopyNode1->setText(t.text(Txt_CopyNode));
    PasteNode1->setText(t.text(Txt_PasteNode));
    DeleteItem1->setText(t.text(Txt_Delete));
    Btn_Undo->setText(t.text(Txt_Undo));
    Btn_Redo->setText(t.text(Txt_Redo));
    Btn_Undo->setAccessibleName(t.text(Txt_Undo));
    Btn_Redo->setAccessibleName(t.text(Txt_Redo));
    followUndoStack();
    TW->setAccessibleName(t.text(Txt_Title));
    pasteDialog_->applyLanguage();
    // One letter for each of the two buttons, whichever mode the selection gives them.
    Keyboard::setModeTexts(btn_Add_Node, {t.text(Txt_AddNode), t.text(Txt_ModifyNode)});
    Keyboard::setModeTexts(btn_Add_Var, {t.text(Txt_AddVariable), t.text(Txt_ModifyVariable)});
    readPanels();
    model_.resetModes();
    showPanels();
}

void NetworkEditorWindow::prepare() {
    readPanels(); // the panels keep what they showed before
    syncing_ = true;
    const QString error = model_.load(state_.networkFile);
    TW->setCurrentIndex({});
    syncing_ = false;
    TW->expand(model_.tree().rootIndex());
    L_Status->hide();
    // Edits may be tried out, but neither OK nor an import writes the file.
    DialogParts::showReadOnly(L_Read_Only, state_.readOnlyNotice(), {Btn_OK, Btn_ImportNet});
    updatePasteEntries();
    showPanels();
    settleTree();
    // Reported once the window is up, so the message stands over the network it concerns.
    if (!error.isEmpty())
        QMetaObject::invokeMethod(
            this, [this, error] { platform_.prompts.error(this, error); }, Qt::QueuedConnection);
}

void NetworkEditorWindow::treeClicked() {
    if (syncing_)
        return;
    readPanels();
    const auto tab = model_.select(model_.tree().positionOf(TW->currentIndex()));
    showPanels();
    showTab(tab);
}

void NetworkEditorWindow::showTab(NetworkEditor::Tab tab) {
    if (tab == NetworkEditor::Tab::Nodes)
        PC->setCurrentWidget(TS_Nodes);
    else if (tab == NetworkEditor::Tab::Variables)
        PC->setCurrentWidget(TS_Variables);
}

void NetworkEditorWindow::selectInTree() {
    syncing_ = true;
    const QModelIndex index = model_.tree().indexOf(model_.selection());
    if (index.isValid()) {
        TW->setCurrentIndex(index);
        TW->scrollTo(index);
    } else
        TW->selectionModel()->clear();
    syncing_ = false;
}

void NetworkEditorWindow::showModel(NetworkEditor::Tab tab) {
    selectInTree();
    showPanels();
    showTab(tab);
}

void NetworkEditorWindow::showRestored(NetworkEditor::Tab tab) {
    const bool wasSyncing = syncing_;
    TW->expand(model_.tree().rootIndex());
    if (model_.selectedNodeIndex() >= 0)
        TW->expand(model_.tree().indexOf({model_.selectedNodeIndex(), -1}));
    showModel(tab);
    syncing_ = wasSyncing;
}

void NetworkEditorWindow::undoClicked() {
    readPanels();
    syncing_ = true;
    model_.undo();
    syncing_ = false;
}

void NetworkEditorWindow::redoClicked() {
    readPanels();
    syncing_ = true;
    model_.redo();
    syncing_ = false;
}

void NetworkEditorWindow::onListChange(void (NetworkEditor::*handler)()) {
    if (syncing_)
        return;
    readPanels();
    (model_.*handler)();
    showPanels();
}

void NetworkEditorWindow::readPanels() {
    NodePanel& n = model_.nodePanel;
    n.description = E_Node_Desc->text();
    n.primary = E_Node_Add_Pri->text();
    n.secondary = E_Node_Add_Sec->text();
    VariablePanel& v = model_.varPanel;
    v.enable = CB_Var_En->isChecked();
    v.slaveId = E_Var_Mod_SlaveID->text();
    v.modToD = CB_Var_Mod_ToD->currentIndex();
    v.modbusRegister = E_Var_Mod_MR->text();
    v.points = E_Var_Mod_NP->text();
    v.modSwap = CB_Var_Mod_Swap->currentIndex();
    v.description = E_Var_MBus_Desc->text();
    v.type = CB_Var_MBus_ToD->currentIndex();
    v.functionField = CB_Var_MBus_FF->currentIndex();
    v.dimension = CB_Var_MBus_Dim->currentIndex();
    v.length = E_Var_MBus_Len->text();
    v.lengthEnabled = E_Var_MBus_Len->isEnabled();
    v.unit = CB_Var_MBus_Unit->currentIndex();
    v.scale.selected = CB_Var_MBus_Scale->currentIndex();
    v.storageNumber = E_Var_MBus_StoNum->text();
    v.tariff = E_Var_MBus_Tariff->text();
    v.vife = CB_Var_MBus_VIFE->currentIndex();
}

void NetworkEditorWindow::showScale() {
    const CodingTables::ScalePanel& scale = model_.varPanel.scale;
    QStringList shown;
    shown.reserve(CB_Var_MBus_Scale->count());
    for (int i = 0; i < CB_Var_MBus_Scale->count(); ++i)
        shown.append(CB_Var_MBus_Scale->itemText(i));
    if (shown != scale.entries) {
        CB_Var_MBus_Scale->clear();
        CB_Var_MBus_Scale->addItems(scale.entries);
    }
    setPosition(CB_Var_MBus_Scale, scale.selected);
    CB_Var_MBus_Scale->setEnabled(scale.enabled);
}

void NetworkEditorWindow::showPanels() {
    const bool wasSyncing = syncing_;
    syncing_ = true;
    const NodePanel& n = model_.nodePanel;
    E_Node_Desc->setText(n.description);
    E_Node_Add_Pri->setText(n.primary);
    E_Node_Add_Sec->setText(n.secondary);
    const VariablePanel& v = model_.varPanel;
    CB_Var_En->setChecked(v.enable);
    E_Var_Mod_SlaveID->setText(v.slaveId);
    setPosition(CB_Var_Mod_ToD, v.modToD);
    E_Var_Mod_MR->setText(v.modbusRegister);
    L_Var_Mod_MR_Number->refresh(); // the type may have changed under the same text
    E_Var_Mod_NP->setText(v.points);
    setPosition(CB_Var_Mod_Swap, v.modSwap);
    E_Var_MBus_Desc->setText(v.description);
    setPosition(CB_Var_MBus_ToD, v.type);
    setPosition(CB_Var_MBus_FF, v.functionField);
    setPosition(CB_Var_MBus_Dim, v.dimension);
    E_Var_MBus_Len->setText(v.length);
    E_Var_MBus_Len->setEnabled(v.lengthEnabled);
    setPosition(CB_Var_MBus_Unit, v.unit);
    E_Var_MBus_StoNum->setText(v.storageNumber);
    E_Var_MBus_Tariff->setText(v.tariff);
    setPosition(CB_Var_MBus_VIFE, v.vife);
    showScale();
    btn_Add_Node->setText(model_.nodeButtonText());
    btn_Add_Var->setText(model_.varButtonText());
    Keyboard::assignShortcutLetters(this);
    syncing_ = wasSyncing;
}

void NetworkEditorWindow::addNodeClicked() {
    readPanels();
    syncing_ = true;
    const int message = model_.applyNode();
    syncing_ = false;
    TW->expand(model_.tree().rootIndex());
    if (message != 0)
        platform_.prompts.error(this, state_.texts.text(message));
}

void NetworkEditorWindow::addVariableClicked() {
    readPanels();
    syncing_ = true;
    const int message = model_.applyVariable();
    syncing_ = false;
    TW->expand(model_.tree().rootIndex());
    if (message != 0) {
        platform_.prompts.error(this, state_.texts.text(message));
        return;
    }
    // The node opens to show the variable just added to it.
    if (model_.selectedNodeIndex() >= 0)
        TW->expand(model_.tree().indexOf({model_.selectedNodeIndex(), -1}));
}

void NetworkEditorWindow::deleteItemClicked() {
    readPanels();
    if (!platform_.prompts.question(this, state_.texts.text(model_.deleteQuestion())))
        return;
    syncing_ = true;
    const auto tab = model_.deleteSelection();
    syncing_ = false;
    showModel(tab);
    TW->viewport()->update();
}

void NetworkEditorWindow::okClicked() {
    if (state_.readOnly()) {
        platform_.prompts.error(this, state_.readOnlyNotice());
        return;
    }
    const QString& path = state_.networkFile;
    // The network shown is empty because the file could not be read: writing it would lose
    // whatever the file holds, so only on the user's word.
    if (model_.unreadFileAtRisk() && QFileInfo::exists(path) &&
        !platform_.prompts.question(this, QDir::toNativeSeparators(path) + QStringLiteral("\n\n") +
                                              state_.texts.text(NetworkMessages::Overwrite)))
        return;
    syncing_ = true;
    const QString error = model_.save(path);
    syncing_ = false;
    if (!error.isEmpty()) {
        platform_.prompts.error(this, error);
        return;
    }
    accept();
}

void NetworkEditorWindow::cancelClicked() {
    if (model_.isChanged() &&
        !platform_.prompts.question(this, state_.texts.text(NetworkMessages::ExitWithoutSaving)))
        return;
    reject();
}

void NetworkEditorWindow::keyPressEvent(QKeyEvent* event) {
    // Escape is the Cancel button, with its question; the frame's close box closes at once.
    if (event->key() == Qt::Key_Escape) {
        cancelClicked();
        return;
    }
    QDialog::keyPressEvent(event);
}
