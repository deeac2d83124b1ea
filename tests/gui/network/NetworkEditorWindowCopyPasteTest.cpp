#include "gui/network/NetworkEditorWindow.h"

#include "core/network/Network.h"
#include "core/state/SharedState.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>

namespace {

Variable variable(const char* description, qint32 slaveId) {
    Variable v;
    v.enabled = true;
    v.description = QString::fromLatin1(description);
    v.dataType = 3;
    v.dimension = 2;
    v.storageNumber = 7;
    v.tariff = 2;
    v.scale = 3;
    v.modbusSlave = slaveId;
    v.modbusType = 2;
    v.modbusRegister = 100 * slaveId;
    v.modbusCount = 2;
    return v;
}

Node meter(const char* description, qint32 primary, int variables) {
    Node n;
    n.description = QString::fromLatin1(description);
    n.primary = primary;
    n.secondary = 12345678;
    for (int i = 0; i < variables; ++i)
        n.variables.append(variable(QByteArray("V").append(char('a' + i)).constData(), i + 1));
    return n;
}

const QString SelectVariable = QStringLiteral("Error! Select a Variable");
const QString SelectVariableFromNode = QStringLiteral("Error! Select a Variable from a Node");
const QString SelectNode = QStringLiteral("Error! Select a Node");
const QString IdUsed = QStringLiteral("Error!! ID Node is already used");
const QString Overwrite =
    QStringLiteral("Do you really want to overwrite the existing M-Bus Network?");

class NetworkEditorWindowCopyPasteTest : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        writeProjectNetwork("Plant", {meter("Heat meter", 5, 3), meter("Water", 6, 0)});
        writeProjectNetwork("Other", {meter("Gas", 1, 1)});
        state.activateProject(QStringLiteral("Plant"));
        window = std::make_unique<NetworkEditorWindow>(state, fake.platform);
    }

    void writeProjectNetwork(const char* project, const Network& nodes) {
        const QString dir = folder.file(QStringLiteral("PROJECTS/%1").arg(project));
        QDir().mkpath(dir);
        ASSERT_EQ(saveNetwork(nodes, dir + QStringLiteral("/M_Bus.xml")), QString());
    }
    NetworkEditor& model() { return window->editor(); }
    void select(int node, int var) {
        auto* tree = window->findChild<QTreeView*>(QStringLiteral("TW"));
        tree->setCurrentIndex(node < 0 ? model().tree().rootIndex()
                                       : model().tree().indexOf({node, var}));
        ASSERT_EQ(model().selectedNodeIndex(), node);
        ASSERT_EQ(model().selectedVariableIndex(), var);
    }
    QAction* action(const char* name) const {
        auto* found = window->findChild<QAction*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void open() {
        window->hide();
        window->show();
    }
    // The tree's labels of the nodes, as the user reads them.
    QStringList nodeLabels() {
        QStringList labels;
        const QModelIndex root = model().tree().rootIndex();
        for (int i = 0; i < model().tree().rowCount(root); ++i)
            labels << model().tree().index(i, 0, root).data().toString();
        return labels;
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    std::unique_ptr<NetworkEditorWindow> window;
};

void setText(QWidget* dialog, const char* name, const char* text) {
    auto* edit = dialog->findChild<QLineEdit*>(QLatin1String(name));
    ASSERT_NE(edit, nullptr) << name;
    edit->setText(QString::fromLatin1(text));
}

void setCell(QWidget* dialog, int row, const char* text) {
    auto* grid = dialog->findChild<QTableWidget*>(QStringLiteral("ASG"));
    ASSERT_NE(grid, nullptr);
    grid->item(row - 1, 2)->setText(QString::fromLatin1(text));
}

void press(QWidget* dialog, const char* button) {
    QTest::mouseClick(dialog->findChild<QPushButton*>(QLatin1String(button)), Qt::LeftButton);
}

} // namespace

TEST_F(NetworkEditorWindowCopyPasteTest, CopiesNeedTheirSelectionAndEnableTheirPaste) {
    const NoModalGuard noDialog;
    open();
    EXPECT_FALSE(action("PasteVariable1")->isEnabled());
    EXPECT_FALSE(action("PasteNode1")->isEnabled());

    fake.prompts.expectError(SelectVariableFromNode);
    action("CopyVariable1")->trigger();
    select(0, -1);
    fake.prompts.expectError(SelectVariable);
    action("CopyVariable1")->trigger();
    select(-1, -1);
    fake.prompts.expectError(SelectNode);
    action("CopyNode1")->trigger();
    fake.prompts.verify();
    EXPECT_FALSE(action("PasteVariable1")->isEnabled());
    EXPECT_FALSE(action("PasteNode1")->isEnabled());

    select(0, 2);
    action("CopyVariable1")->trigger();
    EXPECT_TRUE(action("PasteVariable1")->isEnabled());
    EXPECT_FALSE(action("PasteNode1")->isEnabled());
    // With a variable selected, its node is copied with all of its variables.
    action("CopyNode1")->trigger();
    EXPECT_TRUE(action("PasteNode1")->isEnabled());
    EXPECT_EQ(*model().copyBuffers().copiedNode(), meter("Heat meter", 5, 3));
    EXPECT_EQ(*model().copyBuffers().copiedVariable(), meter("Heat meter", 5, 3).variables[2]);
    EXPECT_FALSE(model().isChanged()) << "a copy changes nothing";
}

// The copied node is still in the network: its own address is refused, a free one with
// secondary address 0 and new slave IDs goes to the end of the network.
TEST_F(NetworkEditorWindowCopyPasteTest, PastedNodeTakesNewAddressesAndGoesToTheEnd) {
    open();
    select(0, -1);
    action("CopyNode1")->trigger();
    select(1, -1);
    fake.prompts.expectError(IdUsed);
    onNextModal([this](QWidget* dialog) {
        press(dialog, "Btn_OK");
        fake.prompts.verify();
        EXPECT_TRUE(dialog->isVisible());
        setText(dialog, "E_New_Pri_Add", "7");
        setText(dialog, "E_New_Sec_Add", "0");
        setCell(dialog, 1, "11");
        setCell(dialog, 6, "12");
        setCell(dialog, 11, "13");
        press(dialog, "Btn_OK");
    });
    action("PasteNode1")->trigger();
    ASSERT_TRUE(modalActionsDone());
    const Network& nodes = model().network();
    ASSERT_EQ(nodes.size(), 3);
    Node expected = meter("Heat meter", 7, 3);
    expected.secondary = 0;
    expected.variables[0].modbusSlave = 11;
    expected.variables[1].modbusSlave = 12;
    expected.variables[2].modbusSlave = 13;
    EXPECT_EQ(nodes[2], expected);
    EXPECT_EQ(nodeLabels().last(),
              QStringLiteral("Primary Address 7 - Secondary Address 0 - Heat meter"));
    EXPECT_EQ(model().tree().rowCount(model().tree().indexOf({2, -1})), 3);
    EXPECT_TRUE(model().isChanged());
    EXPECT_EQ(model().selectedNodeIndex(), 1) << "the selection stays";
}

TEST_F(NetworkEditorWindowCopyPasteTest, CancelledPasteChangesNothing) {
    open();
    select(0, 0);
    action("CopyVariable1")->trigger();
    onNextModal([](QWidget* dialog) { press(dialog, "Btn_Cancel"); });
    action("PasteVariable1")->trigger();
    EXPECT_EQ(model().network()[0].variables.size(), 3);
    EXPECT_FALSE(model().isChanged());
}

// The eleventh variable is refused after the dialog; the tenth is appended under the node.
TEST_F(NetworkEditorWindowCopyPasteTest, PastedVariableAndTheLimitAfterTheDialog) {
    Node full = meter("Full", 9, 9);
    writeProjectNetwork("Plant", {meter("Heat meter", 5, 3), full});
    open();
    select(0, 1);
    action("CopyVariable1")->trigger();
    select(1, -1);
    onNextModal([](QWidget* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Copy Paste Variable"));
        setCell(dialog, 3, "0x10");
        press(dialog, "Btn_OK");
    });
    action("PasteVariable1")->trigger();
    ASSERT_EQ(model().network()[1].variables.size(), 10);
    Variable expected = meter("Heat meter", 5, 3).variables[1];
    expected.modbusRegister = 16;
    EXPECT_EQ(model().network()[1].variables.last(), expected);
    EXPECT_EQ(model().tree().index(9, 0, model().tree().indexOf({1, -1})).data().toString(),
              QStringLiteral("VAR - Vb"));
    EXPECT_TRUE(model().isChanged());

    onNextModal([](QWidget* dialog) { press(dialog, "Btn_OK"); });
    fake.prompts.expectError(QStringLiteral("Error!! Max number of Variables reached"));
    action("PasteVariable1")->trigger();
    EXPECT_EQ(model().network()[1].variables.size(), 10);
}

TEST_F(NetworkEditorWindowCopyPasteTest, PastesRefusedWithEmptyBuffersOrNoNode) {
    const NoModalGuard noDialog;
    open();
    // The entries are disabled, so only a direct call reaches the guards.
    action("PasteVariable1")->trigger();
    action("PasteNode1")->trigger();
    EXPECT_TRUE(fake.prompts.shown().isEmpty());
    fake.prompts.expectError(QStringLiteral("Error! Copy a Variable before"));
    window->pasteVariableChosen();
    fake.prompts.expectError(QStringLiteral("Error! Copy a Node before"));
    window->pasteNodeChosen();
    select(0, 0);
    action("CopyVariable1")->trigger();
    select(-1, -1);
    fake.prompts.expectError(QStringLiteral("Error! Select a Node where copy the Variable"));
    action("PasteVariable1")->trigger();
}

// Copy in one configuration, paste in another: the buffers belong to the window, which
// lives for the whole run.
TEST_F(NetworkEditorWindowCopyPasteTest, BuffersSurviveAnotherConfiguration) {
    open();
    select(0, -1);
    action("CopyNode1")->trigger();
    window->reject();

    state.activateProject(QStringLiteral("Other"));
    open();
    ASSERT_EQ(nodeLabels().size(), 1);
    EXPECT_TRUE(action("PasteNode1")->isEnabled());
    EXPECT_FALSE(action("PasteVariable1")->isEnabled());
    onNextModal([](QWidget* dialog) { press(dialog, "Btn_OK"); }); // address 5 is free here
    action("PasteNode1")->trigger();
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Btn_OK")), Qt::LeftButton);
    const NetworkLoad saved = loadNetwork(state.networkFile);
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(saved.nodes, (Network{meter("Gas", 1, 1), meter("Heat meter", 5, 3)}));
}

TEST_F(NetworkEditorWindowCopyPasteTest, ImportAnsweredNoThenYes) {
    const QByteArray before = folder.read(QStringLiteral("PROJECTS/Plant/M_Bus.xml"));
    const QString other = folder.file(QStringLiteral("PROJECTS/Other/M_Bus.xml"));
    open();
    // A refused press still counts as a change; "No" keeps it and the network.
    select(0, -1);
    fake.prompts.expectError(QStringLiteral("Error!! ModBus Slave ID must be between 1 and 247"));
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btn_Add_Var")),
                      Qt::LeftButton);
    fake.prompts.expectOpenFile(other);
    fake.prompts.expectQuestion(Overwrite, false);
    auto* import = window->findChild<QPushButton*>(QStringLiteral("Btn_ImportNet"));
    QTest::mouseClick(import, Qt::LeftButton);
    fake.prompts.verify();
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/Plant/M_Bus.xml")), before);
    EXPECT_EQ(nodeLabels().size(), 2);
    EXPECT_TRUE(model().isChanged());

    fake.prompts.expectOpenFile(other);
    fake.prompts.expectQuestion(Overwrite, true);
    QTest::mouseClick(import, Qt::LeftButton);
    fake.prompts.verify();
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/Plant/M_Bus.xml")),
              folder.read(QStringLiteral("PROJECTS/Other/M_Bus.xml")));
    EXPECT_EQ(nodeLabels(),
              QStringList{QStringLiteral("Primary Address 1 - Secondary Address 12345678 - Gas")});
    EXPECT_TRUE(window->findChild<QTreeView*>(QStringLiteral("TW"))
                    ->isExpanded(model().tree().rootIndex()));
    EXPECT_FALSE(model().isChanged());
    EXPECT_EQ(model().selectedNodeIndex(), -1);
    // Undo stops at the import, and the window says so; Cancel leaves the imported file.
    auto* undo = window->findChild<QPushButton*>(QStringLiteral("Btn_Undo"));
    EXPECT_FALSE(undo->isEnabled());
    auto* status = window->findChild<QLabel*>(QStringLiteral("L_Status"));
    EXPECT_TRUE(status->isVisibleTo(window.get()));
    EXPECT_TRUE(status->text().endsWith(
        QStringLiteral("\nUndo cannot go back before this import: the configuration's M_Bus.xml "
                       "already holds the imported network.")))
        << status->text().toStdString();
    window->undoClicked();
    EXPECT_EQ(nodeLabels().size(), 1);
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Btn_Cancel")),
                      Qt::LeftButton);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/Plant/M_Bus.xml")),
              folder.read(QStringLiteral("PROJECTS/Other/M_Bus.xml")));
    fake.prompts.verify();
}

TEST_F(NetworkEditorWindowCopyPasteTest, ImportOfTheOwnFileReloadsIt) {
    open();
    select(0, -1);
    action("CopyNode1")->trigger();
    onNextModal([](QWidget* dialog) {
        setText(dialog, "E_New_Pri_Add", "8");
        press(dialog, "Btn_OK");
    });
    action("PasteNode1")->trigger();
    ASSERT_EQ(nodeLabels().size(), 3);
    auto* import = window->findChild<QPushButton*>(QStringLiteral("Btn_ImportNet"));
    // Unsaved work: the reload asks first, and "No" keeps it.
    fake.prompts.expectOpenFile(state.networkFile);
    fake.prompts.expectQuestion(QStringLiteral("Do you want to exit without saving changes?"),
                                false);
    QTest::mouseClick(import, Qt::LeftButton);
    fake.prompts.verify();
    EXPECT_EQ(nodeLabels().size(), 3);
    EXPECT_TRUE(model().isChanged());

    fake.prompts.expectOpenFile(state.networkFile);
    fake.prompts.expectQuestion(QStringLiteral("Do you want to exit without saving changes?"),
                                true);
    QTest::mouseClick(import, Qt::LeftButton);
    fake.prompts.verify();
    EXPECT_EQ(nodeLabels().size(), 2) << "the file is whole";
    EXPECT_FALSE(model().isChanged());
    // The paste went with the reload: undo cannot bring back what the file no longer holds.
    EXPECT_FALSE(window->findChild<QPushButton*>(QStringLiteral("Btn_Undo"))->isEnabled());
    window->undoClicked();
    EXPECT_EQ(nodeLabels().size(), 2);
    EXPECT_FALSE(model().isChanged());

    // Nothing unsaved: the reload is only reported.
    fake.prompts.expectOpenFile(state.networkFile);
    fake.prompts.expectWarning(QStringLiteral(
        "The selected file is the M-Bus Network of this configuration: it has been reloaded."));
    QTest::mouseClick(import, Qt::LeftButton);
    fake.prompts.verify();
    EXPECT_EQ(nodeLabels().size(), 2);
    EXPECT_TRUE(action("PasteNode1")->isEnabled()) << "the buffers stay";
}

TEST_F(NetworkEditorWindowCopyPasteTest, SixtyFifthNodeRefusedAfterTheDialog) {
    Network nodes;
    for (int i = 1; i <= 64; ++i)
        nodes.append(meter("N", i, 0));
    writeProjectNetwork("Plant", nodes);
    open();
    select(0, -1);
    action("CopyNode1")->trigger();
    onNextModal([](QWidget* dialog) {
        setText(dialog, "E_New_Pri_Add", "250");
        press(dialog, "Btn_OK");
    });
    fake.prompts.expectError(QStringLiteral("Error!! Max number of nodes M-Bus reached"));
    action("PasteNode1")->trigger();
    EXPECT_EQ(model().network().size(), 64);
    EXPECT_FALSE(model().isChanged());
}

// With a variable selected the copy goes to the end of that variable's node.
TEST_F(NetworkEditorWindowCopyPasteTest, PastedVariableGoesToTheNodeOfTheSelectedVariable) {
    open();
    select(0, 0);
    action("CopyVariable1")->trigger();
    select(0, 1);
    onNextModal([](QWidget* dialog) { press(dialog, "Btn_OK"); });
    action("PasteVariable1")->trigger();
    const Network& nodes = model().network();
    ASSERT_EQ(nodes[0].variables.size(), 4);
    EXPECT_EQ(nodes[0].variables[3], nodes[0].variables[0]);
    EXPECT_TRUE(nodes[1].variables.isEmpty());
}

// A language change reaches the paste dialog through the editor's applyLanguage (the dialog is
// made with the editor's controls, at its first showing).
TEST_F(NetworkEditorWindowCopyPasteTest, LanguageChangeReachesThePasteDialog) {
    window->buildWindow();
    state.texts.setText(906, QStringLiteral("Dati Modbus delle nuove variabili"));
    state.texts.setText(907, QStringLiteral("Conferma"));
    window->applyLanguage();
    auto* dialog = window->findChild<QDialog*>(QStringLiteral("PasteDialog"));
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK"))->text(),
              QStringLiteral("&Conferma"));
    EXPECT_EQ(dialog->findChild<QTableWidget*>(QStringLiteral("ASG"))->accessibleName(),
              QStringLiteral("Dati Modbus delle nuove variabili"));
}
