#include "gui/network/PasteDialog.h"

#include "core/state/SharedState.h"
#include "mock/ScriptedPrompts.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

Variable variable(const char* description, qint32 slaveId) {
    Variable v;
    v.enabled = true;
    v.description = QString::fromLatin1(description);
    v.dimension = 2;
    v.scale = 3;
    v.modbusSlave = slaveId;
    v.modbusType = 2;
    v.modbusRegister = 100 * slaveId;
    v.modbusCount = 2;
    v.modbusSwap = 0;
    return v;
}

Node meter(int variables) {
    Node n;
    n.description = QStringLiteral("Heat meter");
    n.primary = 5;
    n.secondary = 12345678;
    for (int i = 0; i < variables; ++i)
        n.variables.append(variable(QByteArray("V").append(char('a' + i)).constData(), i + 1));
    return n;
}

const QString SlaveIdMessage = QStringLiteral("Error!! ModBus Slave ID must be between 1 and 247");
const QString RegisterMessage =
    QStringLiteral("Error!! ModBus Register must be between 0 and 65535");
const QString IdUsedMessage = QStringLiteral("Error!! ID Node is already used");

class PasteDialogTest : public testing::Test {
protected:
    void SetUp() override {
        dialog = std::make_unique<PasteDialog>(state, prompts);
        network = {meter(3)};
    }

    template <typename T = QWidget> T* child(const char* name) const {
        T* widget = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QTableWidget* grid() const { return child<QTableWidget>("ASG"); }
    // Row r counted from 1 below the header.
    QTableWidgetItem* cell(int r, int column) const { return grid()->item(r - 1, column); }
    void type(int r, const char* text) const { cell(r, 2)->setText(QString::fromLatin1(text)); }
    void click(const char* button) const {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    // Escape closes the open cell editor; it is deleted at once so the next one is found.
    void closeEditor() const {
        for (QWidget* editor : grid()->viewport()->findChildren<QWidget*>()) {
            if (editor->isVisible() &&
                (qobject_cast<QComboBox*>(editor) || qobject_cast<QLineEdit*>(editor)))
                QTest::keyClick(editor, Qt::Key_Escape);
        }
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void showNode(const Node& copied) {
        dialog->hide();
        dialog->prepareNode(copied, network);
        dialog->show();
    }

    SharedState state;
    ScriptedPrompts prompts;
    std::unique_ptr<PasteDialog> dialog;
    Network network;
};

} // namespace

TEST_F(PasteDialogTest, EachModeShowsItsCaptionAndPanels) {
    const NoModalGuard noBox;
    showNode(meter(1));
    EXPECT_EQ(dialog->Form_Type, 0);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Copy Paste Node"));
    EXPECT_EQ(child<QLabel>("L_SW_Desc")->text(), QStringLiteral("Copy Paste Node"));
    EXPECT_EQ(child<QLabel>("L_SW_Code")->text(), QStringLiteral("KT48213"));
    EXPECT_TRUE(child("P_Node")->isVisible());
    EXPECT_EQ(child<QLineEdit>("E_New_Pri_Add")->text(), QStringLiteral("5"));
    EXPECT_EQ(child<QLineEdit>("E_New_Sec_Add")->text(), QStringLiteral("12345678"));
    EXPECT_EQ(dialog->size(), QSize(645, 346));

    dialog->hide();
    dialog->prepareVariable(variable("Energy", 7));
    dialog->show();
    EXPECT_EQ(dialog->Form_Type, 1);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Copy Paste Variable"));
    EXPECT_EQ(child<QLabel>("L_SW_Desc")->text(), QStringLiteral("Copy Paste Variable"));
    EXPECT_FALSE(child("P_Node")->isVisible());
    EXPECT_EQ(dialog->size(), QSize(645, 346));
    ASSERT_EQ(grid()->rowCount(), 5);
    EXPECT_EQ(cell(1, 0)->text(), QStringLiteral("Slave ID"));
    EXPECT_EQ(cell(1, 1)->text(), QStringLiteral("7"));
    for (int r = 1; r <= 5; ++r) {
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(cell(r, column)->background().color(), QColor(Qt::white)) << r;
    }
}

TEST_F(PasteDialogTest, SetLangAppliesEveryText) {
    for (int i = 900; i <= 908; ++i)
        state.texts.setText(i, QStringLiteral("T%1").arg(i));
    for (int i = 665; i <= 667; ++i)
        state.texts.setText(i, QStringLiteral("H%1").arg(i));
    dialog->applyLanguage();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("T900"));
    EXPECT_EQ(child<QLabel>("L_SW_Desc")->text(), QStringLiteral("T902"));
    EXPECT_EQ(child<QLabel>("L_New_Pri_Add")->text(), QStringLiteral("T904"));
    EXPECT_EQ(child<QLabel>("L_New_Sec_Add")->text(), QStringLiteral("T905"));
    EXPECT_EQ(child<QLabel>("L_New_Vars")->text(), QStringLiteral("T906"));
    // Each with its own shortcut letter.
    EXPECT_EQ(child<QPushButton>("Btn_OK")->text(), QStringLiteral("&T907"));
    EXPECT_EQ(child<QPushButton>("Btn_Cancel")->text(), QStringLiteral("T&908"));
    // Every control has a name for screen readers.
    EXPECT_EQ(child("E_New_Pri_Add")->accessibleName(), QStringLiteral("T904"));
    EXPECT_EQ(child("E_New_Sec_Add")->accessibleName(), QStringLiteral("T905"));
    EXPECT_EQ(grid()->accessibleName(), QStringLiteral("T906"));
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(grid()->horizontalHeaderItem(column)->text(),
                  QStringLiteral("H%1").arg(665 + column));
    dialog->Form_Type = 1;
    dialog->show();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("T901"));
    EXPECT_EQ(child<QLabel>("L_SW_Desc")->text(), QStringLiteral("T903"));
}

// A language whose heading is longer than the design's column widens that column, taking the
// room from the names' column, and nothing runs past the grid.
TEST_F(PasteDialogTest, LongHeadingWidensItsColumnWithinTheGrid) {
    const QString heading = QStringLiteral("Valore della variabile copiata dal nodo");
    state.texts.setText(666, heading);
    dialog->applyLanguage();
    showNode(meter(1));
    QTableWidget* asg = grid();
    const int needed = asg->horizontalHeader()->fontMetrics().horizontalAdvance(heading);
    EXPECT_GT(asg->columnWidth(1), needed);
    EXPECT_LT(asg->columnWidth(0), 250);
    EXPECT_EQ(asg->columnWidth(2), 160);
    EXPECT_LE(asg->columnWidth(0) + asg->columnWidth(1) + asg->columnWidth(2),
              asg->viewport()->width());
}

// Three variables: 16 rows with the header, blocks white, light green, white; a bad register
// in block 2 keeps the dialog open until it is put right.
TEST_F(PasteDialogTest, NodeOfThreeVariablesAndABadRegisterInBlockTwo) {
    showNode(meter(3));
    QTableWidget* asg = grid();
    ASSERT_EQ(asg->rowCount() + 1, 16);
    ASSERT_EQ(asg->columnCount(), 3);
    EXPECT_EQ(asg->columnWidth(0), 250);
    EXPECT_EQ(asg->columnWidth(1), 160);
    EXPECT_EQ(asg->columnWidth(2), 160);
    EXPECT_EQ(asg->horizontalHeaderItem(1)->text(), QStringLiteral("Value of Copied Variable"));
    const QColor white(Qt::white), green(192, 220, 192);
    for (int r = 1; r <= 15; ++r) {
        const QColor expected = (r - 1) / 5 == 1 ? green : white;
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(cell(r, column)->background().color(), expected) << r << "," << column;
            EXPECT_EQ(bool(cell(r, column)->flags() & Qt::ItemIsEditable), column == 2)
                << r << "," << column;
        }
    }
    EXPECT_EQ(cell(13, 0)->text(), QStringLiteral("Modbus Register - Var Vc"));
    EXPECT_EQ(cell(13, 1)->text(), QStringLiteral("300"));

    child<QLineEdit>("E_New_Pri_Add")->setText(QStringLiteral("6"));
    type(13, "65536");
    prompts.expectError(RegisterMessage);
    click("Btn_OK");
    prompts.verify();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(cell(13, 2)->text(), QStringLiteral("65536")) << "the input stays";

    type(13, "0xFFFF");
    click("Btn_OK");
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->newValues().value(12), QStringLiteral("0xFFFF"));
}

// The copied node is still in the network, so its own primary address is taken; a free one
// with secondary address 0 is accepted.
TEST_F(PasteDialogTest, UnchangedPrimaryAddressIsRefused) {
    showNode(network[0]);
    prompts.expectError(IdUsedMessage);
    click("Btn_OK");
    prompts.verify();
    EXPECT_TRUE(dialog->isVisible());

    child<QLineEdit>("E_New_Pri_Add")->setText(QStringLiteral("6"));
    child<QLineEdit>("E_New_Sec_Add")->setText(QStringLiteral("0"));
    click("Btn_OK");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->newPrimaryText(), QStringLiteral("6"));
    EXPECT_EQ(dialog->newSecondaryText(), QStringLiteral("0"));
}

TEST_F(PasteDialogTest, AddressesAreCheckedBeforeTheGrid) {
    showNode(meter(2));
    type(1, "0");
    const struct {
        const char* primary;
        const char* secondary;
        QString message;
    } rows[] = {
        {"0", "0", "Error!! M-Bus Node Primary Address must be between 1 and 250"},
        {"7", "100000000", "Error!! M-Bus Node Secondary Address must be between 0 and 99999999"},
        {"5", "0", IdUsedMessage},
        {"7", "0", SlaveIdMessage},
    };
    for (const auto& row : rows) {
        child<QLineEdit>("E_New_Pri_Add")->setText(QString::fromLatin1(row.primary));
        child<QLineEdit>("E_New_Sec_Add")->setText(QString::fromLatin1(row.secondary));
        prompts.expectError(row.message);
        click("Btn_OK");
        prompts.verify();
        EXPECT_TRUE(dialog->isVisible()) << row.primary;
    }
}

TEST_F(PasteDialogTest, NodeWithoutVariablesHasOneEmptyReadOnlyRow) {
    showNode(meter(0));
    ASSERT_EQ(grid()->rowCount(), 1);
    for (int column = 0; column < 3; ++column) {
        EXPECT_TRUE(cell(1, column)->text().isEmpty());
        EXPECT_FALSE(cell(1, column)->flags() & Qt::ItemIsEditable) << column;
    }
    child<QLineEdit>("E_New_Pri_Add")->setText(QStringLiteral("9"));
    click("Btn_OK");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

TEST_F(PasteDialogTest, VariableModeChecksItsBlock) {
    dialog->prepareVariable(variable("Energy", 7));
    dialog->show();
    type(1, "248");
    type(3, "-1");
    prompts.expectError(SlaveIdMessage);
    click("Btn_OK");
    prompts.verify();
    EXPECT_TRUE(dialog->isVisible());
    type(1, "247");
    prompts.expectError(RegisterMessage);
    click("Btn_OK");
    prompts.verify();
    type(3, "65535");
    type(4, "125");
    prompts.expectError(
        QStringLiteral("Error!! ModBus Number of Points must be between 1 and 124"));
    click("Btn_OK");
    prompts.verify();
    type(4, "124");
    click("Btn_OK");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

// The lists are chosen by row position and allow only their entries; a typed cell counts
// even while its editor is still open.
TEST_F(PasteDialogTest, CellEditorsFollowTheRowPosition) {
    showNode(meter(2));
    QTableWidget* asg = grid();
    struct Row {
        int row;
        QStringList entries; // empty: a text field
    };
    const QStringList types{"Coil Status", "Input Status", "Holding Register", "Input Register"};
    const QStringList swaps{"None", "Type 1"};
    const Row rows[] = {{1, {}}, {2, types}, {3, {}}, {4, {}},    {5, swaps},
                        {6, {}}, {7, types}, {9, {}}, {10, swaps}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << row.row);
        const QModelIndex index = asg->model()->index(row.row - 1, 2);
        asg->setCurrentIndex(index);
        asg->edit(index);
        auto* combo = asg->findChild<QComboBox*>(QStringLiteral("ASG_List"));
        if (row.entries.isEmpty()) {
            EXPECT_EQ(combo, nullptr);
            EXPECT_NE(asg->viewport()->findChild<QLineEdit*>(), nullptr);
        } else {
            ASSERT_NE(combo, nullptr);
            EXPECT_FALSE(combo->isEditable());
            QStringList items;
            for (int i = 0; i < combo->count(); ++i)
                items << combo->itemText(i);
            EXPECT_EQ(items, row.entries);
            EXPECT_EQ(combo->currentText(), cell(row.row, 2)->text());
        }
        closeEditor();
    }

    // Pick "Input Register" for block 1 and type a slave ID without leaving the cell.
    const QModelIndex typeCell = asg->model()->index(6, 2);
    asg->setCurrentIndex(typeCell);
    asg->edit(typeCell);
    auto* combo = asg->findChild<QComboBox*>(QStringLiteral("ASG_List"));
    ASSERT_NE(combo, nullptr);
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(cell(7, 2)->text(), QStringLiteral("Input Register"));
    closeEditor();
    EXPECT_EQ(cell(7, 2)->text(), QStringLiteral("Input Register")) << "kept after Escape too";

    const QModelIndex slaveCell = asg->model()->index(0, 2);
    asg->setCurrentIndex(slaveCell);
    asg->edit(slaveCell);
    auto* line = asg->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    line->selectAll();
    QTest::keyClicks(line, QStringLiteral("0"));
    prompts.expectError(SlaveIdMessage);
    child<QLineEdit>("E_New_Pri_Add")->setText(QStringLiteral("6"));
    dialog->okClicked();
    prompts.verify();
    EXPECT_EQ(dialog->newValues().value(0), QStringLiteral("0"));
}

// Cancel and the frame close the dialog without a single check.
TEST_F(PasteDialogTest, CancelAndFrameCloseWithoutChecks) {
    for (const bool byFrame : {false, true}) {
        showNode(network[0]); // primary address taken: OK would refuse
        type(13, "nonsense");
        if (byFrame)
            dialog->close();
        else
            click("Btn_Cancel");
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_TRUE(prompts.shown().isEmpty());
    }
}

// The editor's way: prepare, exec modally, read the values after OK.
TEST_F(PasteDialogTest, ModalShowingReturnsOkWithTheNewValues) {
    dialog->prepareNode(network[0], network);
    onNextModal([this](QWidget* modal) {
        EXPECT_EQ(modal, dialog.get());
        child<QLineEdit>("E_New_Pri_Add")->setText(QStringLiteral("17"));
        type(6, "42");
        click("Btn_OK");
    });
    EXPECT_EQ(dialog->exec(), QDialog::Accepted);
    EXPECT_TRUE(modalActionsDone());
    EXPECT_EQ(dialog->newPrimaryText(), QStringLiteral("17"));
    EXPECT_EQ(dialog->newValues().mid(5, 5),
              (QStringList{"42", "Holding Register", "200", "2", "None"}));
}

// The keyboard alone: the dialog opens in the first address field, Tab goes round the fields,
// the grid and the buttons (never trapped in the grid, not even from an open cell), Enter in a
// field or an open cell pastes nothing, Enter on the grid or a focused button pastes.
TEST_F(PasteDialogTest, KeyboardLeavesTheGridAndEnterPastes) {
    const NoModalGuard noBox;
    showNode(meter(1));
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    auto focused = [] { return QApplication::focusWidget(); };
    auto focusedName = [&focused] { return focused() ? focused()->objectName() : QString(); };
    EXPECT_EQ(focusedName(), QStringLiteral("E_New_Pri_Add"));

    QStringList order;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(focused(), Qt::Key_Tab);
        order << focusedName();
    }
    EXPECT_EQ(order, (QStringList{QStringLiteral("E_New_Sec_Add"), QStringLiteral("ASG"),
                                  QStringLiteral("Btn_OK"), QStringLiteral("Btn_Cancel"),
                                  QStringLiteral("E_New_Pri_Add")}));

    QLineEdit* primary = child<QLineEdit>("E_New_Pri_Add");
    primary->selectAll();
    QTest::keyClicks(primary, QStringLiteral("6"));
    QTest::keyClick(primary, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible()) << "Enter in a field pastes nothing";

    // The arrows move within the grid; an open cell takes Enter for itself.
    QTableWidget* asg = grid();
    asg->setFocus();
    asg->setCurrentCell(2, 2); // the Modbus register, a text cell
    QTest::keyClick(asg, Qt::Key_Down);
    EXPECT_EQ(asg->currentRow(), 3);
    QTest::keyClick(asg, Qt::Key_Up);
    ASSERT_EQ(asg->currentRow(), 2);
    ASSERT_TRUE(asg->currentItem()->flags() & Qt::ItemIsEditable);
    QTest::keyClicks(asg, QStringLiteral("9"));
    ASSERT_NE(asg->indexWidget(asg->currentIndex()), nullptr) << "the cell is open";
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible()) << "Enter closed the cell only";
    EXPECT_EQ(asg->item(2, 2)->text(), QStringLiteral("9"));

    // Tab from an open cell keeps what was typed and goes on to OK.
    QApplication::processEvents(); // the closed cell's editor goes
    QTest::keyClicks(asg, QStringLiteral("8"));
    QWidget* cell = asg->indexWidget(asg->currentIndex());
    ASSERT_NE(cell, nullptr) << "the cell is open";
    QTest::keyClick(cell, Qt::Key_Tab);
    EXPECT_EQ(focusedName(), QStringLiteral("Btn_OK"));
    EXPECT_EQ(asg->item(2, 2)->text(), QStringLiteral("8"));
    QTest::keyClick(focused(), Qt::Key_Backtab);
    EXPECT_EQ(focusedName(), QStringLiteral("ASG"));

    QTest::keyClick(asg, Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dialog->newPrimaryText(), QStringLiteral("6"));

    // Enter on a focused button presses it.
    showNode(meter(1));
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
    EXPECT_EQ(focusedName(), QStringLiteral("E_New_Pri_Add")) << "at every showing";
    child<QPushButton>("Btn_Cancel")->setFocus();
    QTest::keyClick(focused(), Qt::Key_Return);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
}
