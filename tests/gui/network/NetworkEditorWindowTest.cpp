#include "gui/network/NetworkEditorWindow.h"

#include "core/state/SharedState.h"
#include "gui/network/WideComboBox.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// A button's words; the "&" before its shortcut letter is no part of them.
QString plain(const QAbstractButton* button) {
    return button->text().remove(QLatin1Char('&'));
}

const QString NetworkFile = QStringLiteral("PROJECTS/Plant/M_Bus.xml");

class NetworkEditorWindowTest : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        QDir().mkpath(folder.file(QStringLiteral("PROJECTS/Plant")));
        state.activateProject(QStringLiteral("Plant"));
        window = std::make_unique<NetworkEditorWindow>(state, fake.platform);
    }
    void TearDown() override {
        window->hide();
        fake.prompts.verify();
    }

    template <typename T = QWidget> T* child(const char* name) const {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QString text(const char* name) const { return child<QLineEdit>(name)->text(); }
    void type(const char* name, const QString& value) { child<QLineEdit>(name)->setText(value); }
    void press(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    QTreeView* tree() const { return child<QTreeView>("TW"); }
    NetworkTree& model() { return window->editor().tree(); }
    void show() {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void clickItem(NetworkTree::Position position) {
        const QModelIndex index =
            position.node < 0 ? model().rootIndex() : model().indexOf(position);
        ASSERT_TRUE(index.isValid());
        tree()->scrollTo(index);
        QTest::mouseClick(tree()->viewport(), Qt::LeftButton, {},
                          tree()->visualRect(index).center());
    }
    QString currentTab() const {
        auto* pc = child<QTabWidget>("PC");
        return pc->currentWidget()->objectName();
    }
    QStringList treeLabels() {
        QStringList labels;
        const QModelIndex root = model().rootIndex();
        labels << root.data().toString();
        for (int n = 0; n < model().rowCount(root); ++n) {
            const QModelIndex node = model().index(n, 0, root);
            labels << node.data().toString();
            for (int v = 0; v < model().rowCount(node); ++v)
                labels << QStringLiteral("  ") + model().index(v, 0, node).data().toString();
        }
        return labels;
    }
    // Adds a node through the node panel, with nothing selected.
    void addNode(const QString& pri, const QString& sec, const QString& desc) {
        type("E_Node_Desc", desc);
        type("E_Node_Add_Pri", pri);
        type("E_Node_Add_Sec", sec);
        press("btn_Add_Node");
    }
    void fillVariable(const QString& desc, const QString& slave, const QString& reg) {
        type("E_Var_Mod_SlaveID", slave);
        type("E_Var_Mod_MR", reg);
        type("E_Var_Mod_NP", QStringLiteral("2"));
        type("E_Var_MBus_Desc", desc);
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    std::unique_ptr<NetworkEditorWindow> window;
};

const QByteArray TwoNodes =
    "<M-Bus_Network><Nodo ID=\"1\" Sec_Add=\"12345678\" Descrizione=\"Heat meter\">"
    "<Variabile Enable=\"1\" Desc=\"Energy\" Type=\"0\" Fun_Field=\"0\" Dim=\"2\" Unit=\"0\" "
    "StoNumber=\"4294967295\" Tariff=\"0\" VIFE=\"0\" Length=\"0\" Scale=\"3\" Mod_ID=\"1\" "
    "Mod_TD=\"2\" Mod_NR=\"0\" Mod_NP=\"2\" Mod_Swap=\"0\"/>"
    "<Variabile Enable=\"0\" Desc=\"Volts\" Type=\"19\" Fun_Field=\"1\" Dim=\"7\" Unit=\"3\" "
    "StoNumber=\"5\" Tariff=\"9\" VIFE=\"38\" Length=\"12\" Scale=\"15\" Mod_ID=\"7\" "
    "Mod_TD=\"3\" Mod_NR=\"100\" Mod_NP=\"4\" Mod_Swap=\"1\"/></Nodo>"
    "<Nodo ID=\"2\" Sec_Add=\"0\" Descrizione=\"Water\"/></M-Bus_Network>"
    "<!--SW_VERSION = 2.005-->";

} // namespace

TEST_F(NetworkEditorWindowTest, ShowsTheFileFoldedWithNothingSelected) {
    folder.write(NetworkFile, TwoNodes);
    show();
    EXPECT_EQ(window->size(), QSize(834, 700));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("M-Bus Network"));
    EXPECT_EQ(child<QLabel>("L_SW_Code")->text(), QStringLiteral("KT48213"));
    EXPECT_EQ(
        treeLabels(),
        QStringList({"M-Bus Network", "Primary Address 1 - Secondary Address 12345678 - Heat meter",
                     "  VAR - Energy", "  VAR - Volts",
                     "Primary Address 2 - Secondary Address 0 - Water"}));
    EXPECT_TRUE(tree()->isExpanded(model().rootIndex()));
    EXPECT_FALSE(tree()->isExpanded(model().indexOf({0, -1})));
    EXPECT_FALSE(tree()->currentIndex().isValid());
    EXPECT_EQ(plain(child<QPushButton>("btn_Add_Node")), QStringLiteral("ADD NODE"));
    EXPECT_EQ(plain(child<QPushButton>("btn_Add_Var")), QStringLiteral("ADD VARIABLE"));
    EXPECT_FALSE(child<QAction>("PasteVariable1")->isEnabled());
    EXPECT_FALSE(child<QAction>("PasteNode1")->isEnabled());
    EXPECT_FALSE(window->editor().isChanged());
}

TEST_F(NetworkEditorWindowTest, SelectionSetsModesPanelsAndTab) {
    folder.write(NetworkFile, TwoNodes);
    show();
    tree()->expandAll();
    auto* pc = child<QTabWidget>("PC");

    clickItem({0, 1});
    EXPECT_EQ(currentTab(), QStringLiteral("TS_Variables"));
    EXPECT_EQ(plain(child<QPushButton>("btn_Add_Node")), QStringLiteral("ADD NODE"));
    EXPECT_EQ(plain(child<QPushButton>("btn_Add_Var")), QStringLiteral("MODIFY VARIABLE"));
    EXPECT_EQ(text("E_Node_Add_Pri"), QStringLiteral("1")) << "the variable's node";
    EXPECT_FALSE(child<QCheckBox>("CB_Var_En")->isChecked());
    EXPECT_EQ(text("E_Var_Mod_SlaveID"), QStringLiteral("7"));
    EXPECT_EQ(child<QComboBox>("CB_Var_Mod_ToD")->currentText(), QStringLiteral("Input Register"));
    EXPECT_EQ(child<QComboBox>("CB_Var_Mod_Swap")->currentText(), QStringLiteral("Type 1"));
    EXPECT_EQ(child<QComboBox>("CB_Var_MBus_VIFE")->currentIndex(), 38);
    EXPECT_EQ(child<QComboBox>("CB_Var_MBus_Scale")->currentText(), QStringLiteral("10^6 Volts"));
    EXPECT_TRUE(child<QLineEdit>("E_Var_MBus_Len")->isEnabled()) << "Variable Length";
    EXPECT_EQ(text("E_Var_MBus_Len"), QStringLiteral("12"));

    clickItem({0, -1});
    EXPECT_EQ(currentTab(), QStringLiteral("TS_Nodes"));
    EXPECT_EQ(plain(child<QPushButton>("btn_Add_Node")), QStringLiteral("MODIFY NODE"));
    EXPECT_EQ(plain(child<QPushButton>("btn_Add_Var")), QStringLiteral("ADD VARIABLE"));
    EXPECT_EQ(text("E_Node_Desc"), QStringLiteral("Heat meter"));
    EXPECT_EQ(text("E_Node_Add_Sec"), QStringLiteral("12345678"));
    // The variable panel is back to a new variable's values.
    EXPECT_TRUE(child<QCheckBox>("CB_Var_En")->isChecked());
    for (const char* empty :
         {"E_Var_Mod_SlaveID", "E_Var_Mod_MR", "E_Var_Mod_NP", "E_Var_MBus_Desc", "E_Var_MBus_Len"})
        EXPECT_EQ(text(empty), QString()) << empty;
    EXPECT_EQ(text("E_Var_MBus_StoNum"), QStringLiteral("0"));
    EXPECT_EQ(text("E_Var_MBus_Tariff"), QStringLiteral("0"));
    for (const char* list :
         {"CB_Var_Mod_ToD", "CB_Var_Mod_Swap", "CB_Var_MBus_ToD", "CB_Var_MBus_FF",
          "CB_Var_MBus_Dim", "CB_Var_MBus_Unit", "CB_Var_MBus_VIFE", "CB_Var_MBus_Scale"})
        EXPECT_EQ(child<QComboBox>(list)->currentIndex(), 0) << list;
    EXPECT_EQ(child<QComboBox>("CB_Var_MBus_Scale")->currentText(),
              QStringLiteral("Wh * (10 ^ -3)"));
    EXPECT_FALSE(child<QLineEdit>("E_Var_MBus_Len")->isEnabled());

    // The root leaves the tab where it is and both buttons add.
    pc->setCurrentIndex(1);
    clickItem({-1, -1});
    EXPECT_EQ(currentTab(), QStringLiteral("TS_Variables"));
    EXPECT_EQ(plain(child<QPushButton>("btn_Add_Node")), QStringLiteral("ADD NODE"));
    EXPECT_EQ(plain(child<QPushButton>("btn_Add_Var")), QStringLiteral("ADD VARIABLE"));
    EXPECT_EQ(text("E_Node_Desc"), QStringLiteral("Heat meter")) << "fields keep their contents";
}

TEST_F(NetworkEditorWindowTest, ListChangesRebuildTheScaleAndTheLengthField) {
    show();
    auto* tod = child<QComboBox>("CB_Var_MBus_ToD");
    auto* vife = child<QComboBox>("CB_Var_MBus_VIFE");
    auto* scale = child<QComboBox>("CB_Var_MBus_Scale");
    tod->setCurrentIndex(19);
    EXPECT_FALSE(scale->isEnabled());
    EXPECT_EQ(scale->count(), 0);
    vife->setCurrentIndex(38);
    EXPECT_TRUE(scale->isEnabled());
    EXPECT_EQ(scale->count(), 16);
    scale->setCurrentIndex(3);
    child<QComboBox>("CB_Var_Mod_ToD")->setCurrentIndex(2);
    EXPECT_EQ(scale->currentIndex(), 0) << "the Modbus type shares the rebuild";
    tod->setCurrentIndex(20);
    scale->setCurrentIndex(1);
    vife->setCurrentIndex(1);
    EXPECT_EQ(scale->currentText(), QStringLiteral("Time & Date")) << "VIFE counts only for 19";

    auto* length = child<QLineEdit>("E_Var_MBus_Len");
    child<QComboBox>("CB_Var_MBus_Dim")->setCurrentIndex(7);
    EXPECT_TRUE(length->isEnabled());
    length->setText(QStringLiteral("40"));
    child<QComboBox>("CB_Var_MBus_Dim")->setCurrentIndex(8);
    EXPECT_FALSE(length->isEnabled());
    EXPECT_EQ(length->text(), QStringLiteral("40"));
}

// A network built through the panels, with a refused entry that keeps what was typed.
TEST_F(NetworkEditorWindowTest, BuildANetworkThroughThePanels) {
    show();
    addNode(QStringLiteral("5"), QStringLiteral("12345678"), QStringLiteral("Heat meter"));
    fake.prompts.expectError(QStringLiteral("Error!! ID Node is already used"));
    addNode(QStringLiteral("5"), QStringLiteral("1"), QStringLiteral("Again"));
    fake.prompts.verify();
    EXPECT_EQ(text("E_Node_Desc"), QStringLiteral("Again")) << "input kept";

    // ADD VARIABLE does nothing without a node, without a message.
    fillVariable(QStringLiteral("Energy"), QStringLiteral("1"), QStringLiteral("0"));
    press("btn_Add_Var");
    clickItem({0, -1});
    fillVariable(QStringLiteral("Energy"), QStringLiteral("1"), QStringLiteral("0"));
    type("E_Var_MBus_StoNum", QStringLiteral("4294967296"));
    fake.prompts.expectError(
        QStringLiteral("Error!! Storage Number must be between 0x00000000 and 0xFFFFFFFF"));
    press("btn_Add_Var");
    fake.prompts.verify();
    EXPECT_EQ(text("E_Var_MBus_StoNum"), QStringLiteral("4294967296"));
    type("E_Var_MBus_StoNum", QStringLiteral("4294967295"));
    press("btn_Add_Var");
    EXPECT_TRUE(tree()->isExpanded(model().indexOf({0, -1}))) << "the new variable shows";
    EXPECT_EQ(
        treeLabels(),
        QStringList({"M-Bus Network", "Primary Address 5 - Secondary Address 12345678 - Heat meter",
                     "  VAR - Energy"}));
    clickItem({0, 0});
    EXPECT_EQ(text("E_Var_MBus_StoNum"), QStringLiteral("4294967295"));
    type("E_Var_MBus_Desc", QStringLiteral("Energy total"));
    press("btn_Add_Var");
    EXPECT_EQ(model().indexOf({0, 0}).data().toString(), QStringLiteral("VAR - Energy total"));
    EXPECT_EQ(tree()->currentIndex(), model().indexOf({0, 0})) << "the selection stays";
}

TEST_F(NetworkEditorWindowTest, DeleteAsksByTheSelection) {
    struct Row {
        const char* why;
        NetworkTree::Position selected;
        const char* question;
        QStringList afterYes;
        NetworkTree::Position selectedAfter;
    };
    const QString node1 = QStringLiteral("Primary Address 1 - Secondary Address 12345678 - "
                                         "Heat meter");
    const QString node2 = QStringLiteral("Primary Address 2 - Secondary Address 0 - Water");
    const Row rows[] = {
        {"root", {-1, -1}, "Are you sure to want to cancel all Nodes?", {"M-Bus Network"}, {}},
        {"node",
         {0, -1},
         "Are you sure to want to cancel this Node?",
         {"M-Bus Network", node2},
         {0, -1}},
        {"variable",
         {0, 0},
         "Are you sure to want to cancel this Variable?",
         {"M-Bus Network", node1, "  VAR - Volts", node2},
         {0, 0}},
    };
    folder.write(NetworkFile, TwoNodes);
    for (const Row& row : rows) {
        for (bool answer : {false, true}) {
            window->hide();
            show();
            tree()->expandAll();
            clickItem(row.selected);
            const QStringList before = treeLabels();
            fake.prompts.expectQuestion(QLatin1String(row.question), answer);
            child<QAction>("DeleteItem1")->trigger();
            fake.prompts.verify();
            EXPECT_EQ(treeLabels(), answer ? row.afterYes : before) << row.why;
            EXPECT_EQ(window->editor().isChanged(), answer) << row.why;
            if (answer) {
                EXPECT_EQ(model().positionOf(tree()->currentIndex()), row.selectedAfter) << row.why;
                EXPECT_EQ(window->editor().selectedNodeIndex(), row.selectedAfter.node) << row.why;
            }
        }
    }
}

TEST_F(NetworkEditorWindowTest, OkWritesTheFileAndCloses) {
    show();
    addNode(QStringLiteral("0x1F"), QStringLiteral("$10"), QStringLiteral("Hex"));
    press("Btn_OK");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Accepted);
    EXPECT_EQ(folder.read(NetworkFile),
              QByteArray("<M-Bus_Network><Nodo ID=\"31\" Sec_Add=\"16\" Descrizione=\"Hex\"/>"
                         "</M-Bus_Network><!--SW_VERSION = 2.005-->"))
        << "plain decimal in the file";
}

TEST_F(NetworkEditorWindowTest, OkThatCannotWriteKeepsTheWindowAndItsNetwork) {
    folder.write(NetworkFile, TwoNodes);
    show();
    const QStringList before = treeLabels();
    state.networkFile = folder.file(QStringLiteral("PROJECTS/Plant/missing/M_Bus.xml"));
    const QString error = saveNetwork(window->editor().network(), state.networkFile);
    ASSERT_FALSE(error.isEmpty());
    fake.prompts.expectError(QDir::toNativeSeparators(state.networkFile) + QStringLiteral(": ") +
                             error);
    press("Btn_OK");
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(treeLabels(), before);
}

TEST_F(NetworkEditorWindowTest, CancelAsksOnlyAfterAChange) {
    folder.write(NetworkFile, TwoNodes);
    show();
    {
        const NoModalGuard none;
        press("Btn_Cancel");
    }
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);

    show();
    // A refused modify still counts as a change.
    clickItem({0, -1});
    type("E_Node_Add_Pri", QStringLiteral("0"));
    fake.prompts.expectError(
        QStringLiteral("Error!! M-Bus Node Primary Address must be between 1 and 250"));
    press("btn_Add_Node");
    fake.prompts.verify();
    fake.prompts.expectQuestion(QStringLiteral("Do you want to exit without saving changes?"),
                                false);
    press("Btn_Cancel");
    fake.prompts.verify();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(text("E_Node_Add_Pri"), QStringLiteral("0"));
    fake.prompts.expectQuestion(QStringLiteral("Do you want to exit without saving changes?"),
                                true);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(folder.read(NetworkFile), TwoNodes) << "nothing written";

    // The frame's close box closes without the question.
    show();
    fake.prompts.expectError(
        QStringLiteral("Error!! M-Bus Node Primary Address must be between 1 and 250"));
    press("btn_Add_Node");
    fake.prompts.verify();
    {
        const NoModalGuard none;
        window->close();
    }
    EXPECT_FALSE(window->isVisible());
}

// The file could not be read: the error says where, the network is empty, and OK writes over
// the file only when the user says so.
TEST_F(NetworkEditorWindowTest, UnreadableFileIsNotOverwrittenWithoutConsent) {
    const QByteArray broken = "<M-Bus_Network><Nodo ID=\"1\"><Variabile Type=\"0\"/>";
    const QString path = folder.write(NetworkFile, broken);
    const QString error = loadNetwork(path).error;
    ASSERT_FALSE(error.isEmpty());
    fake.prompts.expectError(error);
    show();
    fake.prompts.verify();
    EXPECT_EQ(treeLabels(), QStringList({"M-Bus Network"}));

    const QString question =
        QDir::toNativeSeparators(path) +
        QStringLiteral("\n\nDo you really want to overwrite the existing M-Bus Network?");
    fake.prompts.expectQuestion(question, false);
    press("Btn_OK");
    fake.prompts.verify();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(folder.read(NetworkFile), broken);

    addNode(QStringLiteral("3"), QStringLiteral("3"), QStringLiteral("New"));
    fake.prompts.expectQuestion(question, true);
    press("Btn_OK");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(loadNetwork(path).ok());
    EXPECT_EQ(loadNetwork(path).nodes.size(), 1);
}

TEST_F(NetworkEditorWindowTest, UnchangedFileConfirmedStaysByteForByte) {
    folder.copyFixture(QStringLiteral("mbus/network.xml"), NetworkFile);
    const QByteArray before = folder.read(NetworkFile);
    show();
    tree()->expandAll();
    clickItem({0, 1});
    clickItem({2, -1});
    press("Btn_OK");
    EXPECT_EQ(folder.read(NetworkFile), before);
}

TEST_F(NetworkEditorWindowTest, LanguageChangeWhileShown) {
    folder.write(NetworkFile, TwoNodes);
    show();
    clickItem({0, -1});
    child<QComboBox>("CB_Var_Mod_ToD")->setCurrentIndex(3);
    state.texts.loadText(
        QStringLiteral("STR600 = Rete M-Bus\nSTR608 = Indirizzo primario\nSTR610 = AGGIUNGI NODO\n"
                       "STR617 = Registro\nSTR623 = Tipo 1\nSTR640 = Elimina\n"));
    window->applyLanguage();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Rete M-Bus"));
    EXPECT_EQ(child<QLabel>("L_Node_Add_Pri")->text(), QStringLiteral("Indirizzo primario"));
    EXPECT_EQ(child<QLineEdit>("E_Node_Add_Pri")->accessibleName(),
              QStringLiteral("Indirizzo primario"));
    EXPECT_EQ(child<QAction>("DeleteItem1")->text(), QStringLiteral("Elimina"));
    EXPECT_EQ(plain(child<QPushButton>("btn_Add_Node")), QStringLiteral("AGGIUNGI NODO"))
        << "add mode";
    auto* modTod = child<QComboBox>("CB_Var_Mod_ToD");
    EXPECT_EQ(modTod->itemText(2), QStringLiteral("Registro"));
    EXPECT_EQ(modTod->currentIndex(), 0);
    EXPECT_EQ(child<QComboBox>("CB_Var_Mod_Swap")->itemText(1), QStringLiteral("Tipo 1"));
    EXPECT_EQ(text("E_Node_Desc"), QStringLiteral("Heat meter")) << "fields kept";
}

TEST_F(NetworkEditorWindowTest, EveryControlHasAnAccessibleName) {
    show();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window.get()) || !w->focusPolicy())
            continue;
        const auto* button = qobject_cast<QAbstractButton*>(w);
        // A tab widget and its bar are named by their tabs.
        const bool tabs = qobject_cast<QTabWidget*>(w) || qobject_cast<QTabBar*>(w);
        const bool named =
            !w->accessibleName().isEmpty() || (button && !button->text().isEmpty()) || tabs;
        EXPECT_TRUE(named) << w->objectName().toStdString();
    }
}

// The long lists open wider than their boxes and end at the box's right edge.
TEST_F(NetworkEditorWindowTest, LongListsOpenRightAligned) {
    show();
    child<QTabWidget>("PC")->setCurrentIndex(1);
    ASSERT_TRUE(child<WideComboBox>("CB_Var_MBus_VIFE")->dropDownWidth().has_value())
        << "the VIFE entries are wider than the box";
    for (const char* name : {"CB_Var_MBus_ToD", "CB_Var_MBus_VIFE"}) {
        auto* box = child<WideComboBox>(name);
        box->showPopup();
        QWidget* popup = box->view()->window();
        ASSERT_NE(popup, window.get());
        const QRect shown = popup->geometry();
        EXPECT_EQ(shown.right(), box->mapToGlobal(QPoint(box->width() - 1, 0)).x()) << name;
        if (const auto wide = box->dropDownWidth()) {
            EXPECT_EQ(shown.width(), *wide) << name;
            EXPECT_GT(shown.width(), box->width()) << name;
        } else {
            EXPECT_GE(shown.width(), box->width()) << name;
        }
        box->hidePopup();
    }
}

// Restoring the minimised window shows it again without opening it: the unsaved node stays,
// Cancel still asks, and the paste dialog open over it keeps its place.
TEST_F(NetworkEditorWindowTest, RestoreFromMinimisedKeepsTheEdits) {
    folder.write(NetworkFile, TwoNodes);
    show();
    addNode(QStringLiteral("9"), QStringLiteral("1"), QStringLiteral("Gas"));
    clickItem({0, -1});
    ASSERT_EQ(model().nodes().size(), 3);
    window->showMinimized();
    window->showNormal();
    EXPECT_EQ(model().nodes().size(), 3);
    EXPECT_TRUE(window->editor().isChanged());
    EXPECT_EQ(window->editor().selectedNodeIndex(), 0);
    EXPECT_EQ(tree()->currentIndex(), model().indexOf({0, -1}));

    // Hidden and shown again by its opener, it starts from the file.
    window->hide();
    window->show();
    EXPECT_EQ(model().nodes().size(), 2);
    EXPECT_FALSE(window->editor().isChanged());
}

// Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y from the tree; the buttons and the menu entries follow.
TEST_F(NetworkEditorWindowTest, UndoKeysAndButtons) {
    folder.write(NetworkFile, TwoNodes);
    show();
    auto* undo = child<QPushButton>("Btn_Undo");
    auto* redo = child<QPushButton>("Btn_Redo");
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_FALSE(child<QAction>("Undo1")->isEnabled());
    tree()->expandAll();
    clickItem({0, 1});
    fake.prompts.expectQuestion(QStringLiteral("Are you sure to want to cancel this Variable?"),
                                true);
    child<QAction>("DeleteItem1")->trigger();
    ASSERT_EQ(model().nodes()[0].variables.size(), 1);
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_TRUE(child<QAction>("Undo1")->isEnabled());
    // Each entry names the change it takes back or brings again.
    EXPECT_EQ(child<QAction>("Undo1")->text(), QStringLiteral("Undo: Delete variable"));
    EXPECT_TRUE(undo->toolTip().startsWith(QStringLiteral("Undo: Delete variable\n")));
    EXPECT_EQ(child<QAction>("Redo1")->text(), QStringLiteral("Redo"));

    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(model().nodes()[0].variables.size(), 2);
    EXPECT_EQ(tree()->currentIndex(), model().indexOf({0, 1})) << "the variable is selected";
    EXPECT_EQ(text("E_Var_MBus_Desc"), QStringLiteral("Volts"));
    EXPECT_EQ(currentTab(), QStringLiteral("TS_Variables"));
    EXPECT_FALSE(window->editor().isChanged()) << "back to the file";
    EXPECT_TRUE(redo->isEnabled());
    EXPECT_EQ(child<QAction>("Redo1")->text(), QStringLiteral("Redo: Delete variable"));
    EXPECT_EQ(child<QAction>("Undo1")->text(), QStringLiteral("Undo"));

    QTest::keyClick(tree(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(model().nodes()[0].variables.size(), 1);
    press("Btn_Undo");
    EXPECT_EQ(model().nodes()[0].variables.size(), 2);
    QTest::keyClick(tree(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(model().nodes()[0].variables.size(), 1);
    EXPECT_TRUE(window->editor().isChanged());
    EXPECT_FALSE(redo->isEnabled());
}

// The tree gets the room the window gains; long labels carry a tooltip.
TEST_F(NetworkEditorWindowTest, TreeAndPanelsShareTheWidthThroughASplitter) {
    folder.write(NetworkFile, TwoNodes);
    show();
    auto* splitter = child<QSplitter>("Splitter");
    const int panels = splitter->sizes().at(1);
    window->resize(1200, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(splitter->sizes().at(1), panels);
    EXPECT_GT(splitter->sizes().at(0), 700);
    EXPECT_EQ(model().indexOf({0, -1}).data(Qt::ToolTipRole).toString(),
              QStringLiteral("Primary Address 1 - Secondary Address 12345678 - Heat meter"));
}

// Long labels scroll sideways instead of being cut: the column takes the widest label shown,
// after a reading, the opening of a node, a change of a label and its undo.
TEST_F(NetworkEditorWindowTest, TreeColumnTakesTheWidestLabelShown) {
    const QString longText = QStringLiteral("Return temperature of the north wing ").repeated(4);
    folder.write(NetworkFile, QByteArray(TwoNodes).replace("Desc=\"Volts\"",
                                                           "Desc=\"" + longText.toUtf8() + '"'));
    show();
    QHeaderView* header = tree()->header();
    const QFontMetrics metrics(tree()->font());
    const int indent = tree()->indentation();
    const auto shownWhole = [&](NetworkTree::Position at) {
        const int depth = at.variable < 0 ? 1 : 2;
        return header->sectionSize(0) >=
               depth * indent + metrics.horizontalAdvance(model().indexOf(at).data().toString());
    };
    ASSERT_TRUE(shownWhole({0, -1}));
    const int folded = header->sectionSize(0);
    EXPECT_FALSE(shownWhole({0, 1})) << "a folded node's variables take no room";

    tree()->expand(model().indexOf({0, -1}));
    EXPECT_TRUE(shownWhole({0, 1}));
    tree()->collapse(model().indexOf({0, -1}));
    EXPECT_EQ(header->sectionSize(0), folded);

    clickItem({1, -1});
    type("E_Node_Desc", longText + longText);
    press("btn_Add_Node");
    EXPECT_TRUE(shownWhole({1, -1}));
    EXPECT_GT(tree()->horizontalScrollBar()->maximum(), 0) << "it scrolls sideways";
    press("Btn_Undo");
    EXPECT_EQ(model().indexOf({1, -1}).data().toString(),
              QStringLiteral("Primary Address 2 - Secondary Address 0 - Water"));
    EXPECT_EQ(header->sectionSize(0), folded);
}

// A large network opened after a small one brings the tree's scroll bars: they are there at
// the window's first paint and painted once, not laid out and painted again after it.
TEST_F(NetworkEditorWindowTest, ScrollBarsOfALargeNetworkArePaintedOnce) {
    folder.write(NetworkFile, TwoNodes);
    show();
    window->hide();
    QByteArray large = "<M-Bus_Network>";
    for (int n = 1; n <= 60; ++n)
        large += "<Nodo ID=\"" + QByteArray::number(n) + "\" Sec_Add=\"" +
                 QByteArray::number(12345600 + n) + "\" Descrizione=\"" +
                 QByteArray("Heat meter of the north wing ").repeated(3) + "\"/>";
    large += "</M-Bus_Network>";
    folder.write(NetworkFile, large);

    struct PaintCount : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            paints += event->type() == QEvent::Paint;
            return false;
        }
    } horizontal, vertical;
    tree()->horizontalScrollBar()->installEventFilter(&horizontal);
    tree()->verticalScrollBar()->installEventFilter(&vertical);
    show();
    for (int settle = 0; settle < 5; ++settle)
        QCoreApplication::processEvents();
    EXPECT_TRUE(tree()->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(tree()->verticalScrollBar()->isVisible());
    EXPECT_EQ(horizontal.paints, 1);
    EXPECT_EQ(vertical.paints, 1);
}
