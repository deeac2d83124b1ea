#include "gui/network/NetworkEditorWindow.h"

#include "core/image/BankFiles.h"
#include "core/image/Compiler.h"
#include "core/lang/LanguageSet.h"
#include "core/network/Network.h"
#include "core/network/NetworkCsv.h"
#include "core/state/SharedState.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>

namespace {

Variable energy(qint32 slaveId, qint32 points) {
    Variable v;
    v.enabled = true;
    v.description = QStringLiteral("Energy");
    v.dimension = 2; // 32 bits
    v.scale = 3;
    v.modbusSlave = slaveId;
    v.modbusType = 2;
    v.modbusRegister = 0;
    v.modbusCount = points;
    return v;
}

Node meter(qint32 primary, QList<Variable> variables) {
    Node n;
    n.description = QStringLiteral("Meter %1").arg(primary);
    n.primary = primary;
    n.secondary = 1000 + primary;
    n.variables = std::move(variables);
    return n;
}

const QString NotImported = QStringLiteral("The spreadsheet was not imported. %1");
QString writtenOpen(const QString& path) {
    return QStringLiteral("The file %1 has been written. Do you want to open it?")
        .arg(QDir::toNativeSeparators(path));
}
const QString Replace =
    QStringLiteral("Do you really want to replace the network in the editor by the spreadsheet?");

class NetworkEditorWindowExchangeTest : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        QDir().mkpath(folder.file(QStringLiteral("PROJECTS/Plant")));
        state.activateProject(QStringLiteral("Plant"));
        ASSERT_EQ(saveNetwork({meter(5, {energy(1, 2)})}, state.networkFile), QString());
        window = std::make_unique<NetworkEditorWindow>(state, fake.platform);
        window->show();
    }
    void press(const char* name) {
        auto* button = window->findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        QTest::mouseClick(button, Qt::LeftButton);
    }
    QListWidget* warnings() const {
        return window->findChild<QListWidget*>(QStringLiteral("LB_Warnings"));
    }
    // An enabled 32-bit "Energy" of holding registers from register 0, through the model.
    void addVariable(int node, const QString& slaveId, const QString& points,
                     const QString& storageNumber) {
        NetworkEditor& editor = window->editor();
        editor.select({node, -1});
        VariablePanel& p = editor.varPanel;
        p.slaveId = slaveId;
        p.modToD = 2;
        p.modbusRegister = QStringLiteral("0");
        p.points = points;
        p.description = QStringLiteral("Energy");
        p.dimension = 2;
        p.storageNumber = storageNumber;
        p.scale.selected = 3;
        ASSERT_EQ(editor.applyVariable(), 0);
    }
    // The window in Italian, reading every shipped language.
    void speakItalian() {
        const QString shipped = QStringLiteral(ORDANO_LANGUAGE_DIR);
        state.languageFolders = {shipped};
        const auto italian = LanguageSet::loadNamed(QStringLiteral("Italiano"), {shipped});
        ASSERT_TRUE(italian);
        state.texts = *italian;
        window->applyLanguage();
    }
    QStringList warningTexts() const {
        QStringList texts;
        for (int i = 0; i < warnings()->count(); ++i)
            texts << warnings()->item(i)->text();
        return texts;
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    std::unique_ptr<NetworkEditorWindow> window;
};

} // namespace

// Export, then import of the same file: the network comes back, the change flag is set, and
// OK writes the file the system wrote before, byte for byte.
TEST_F(NetworkEditorWindowExchangeTest, ExportThenImportGivesTheSameNetwork) {
    const NoModalGuard noDialog;
    const QByteArray before = folder.read(QStringLiteral("PROJECTS/Plant/M_Bus.xml"));
    const QString csv = folder.file(QStringLiteral("plant.csv"));
    fake.prompts.expectSaveFile(csv);
    fake.prompts.expectQuestion(writtenOpen(csv), true);
    press("Btn_ExportCsv");
    ASSERT_TRUE(folder.read(QStringLiteral("plant.csv")).startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(fake.urls.opened, QList<QUrl>{QUrl::fromLocalFile(csv)});

    fake.prompts.expectOpenFile(csv);
    fake.prompts.expectQuestion(Replace, true);
    press("Btn_ImportCsv");
    fake.prompts.verify();
    // The new network shows unfolded, with a line saying what came in.
    auto* tree = window->findChild<QTreeView*>(QStringLiteral("TW"));
    EXPECT_TRUE(tree->isExpanded(window->editor().tree().rootIndex()));
    EXPECT_EQ(tree->model()->rowCount(window->editor().tree().rootIndex()), 1);
    auto* status = window->findChild<QLabel*>(QStringLiteral("L_Status"));
    EXPECT_FALSE(status->isHidden());
    EXPECT_EQ(status->text(), QStringLiteral("Imported 1 node with 1 variable from %1")
                                  .arg(QDir::toNativeSeparators(csv)));
    EXPECT_TRUE(window->editor().isChanged());
    EXPECT_EQ(window->editor().network(), Network({meter(5, {energy(1, 2)})}));
    press("Btn_OK");
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/Plant/M_Bus.xml")), before);
}

// A refused spreadsheet, a No, a cancelled dialog: the network stays as it was.
TEST_F(NetworkEditorWindowExchangeTest, RefusedOrDeclinedImportChangesNothing) {
    const NoModalGuard noDialog;
    const QString csv = folder.file(QStringLiteral("plant.csv"));
    fake.prompts.expectSaveFile(csv);
    fake.prompts.expectQuestion(writtenOpen(csv), false);
    press("Btn_ExportCsv");
    EXPECT_TRUE(fake.urls.opened.isEmpty());
    const Network before = window->editor().network();

    fake.prompts.expectOpenFile(QString());
    press("Btn_ImportCsv");
    fake.prompts.expectOpenFile(csv);
    fake.prompts.expectQuestion(Replace, false);
    press("Btn_ImportCsv");

    QByteArray bad = folder.read(QStringLiteral("plant.csv"));
    bad.replace("\"Holding Register\",\"0\"", "\"Holding Register\",\"-1\"");
    folder.write(QStringLiteral("plant.csv"), bad);
    // A refused file is refused before the question.
    fake.prompts.expectOpenFile(csv);
    fake.prompts.expectError(NotImported.arg(
        QStringLiteral("Line 2, column 17 (Modbus Register): Error!! ModBus Register must be "
                       "between 0 and 65535")));
    press("Btn_ImportCsv");

    fake.prompts.expectOpenFile(folder.file(QStringLiteral("missing.csv")));
    fake.prompts.expectError(NotImported.arg(folder.file(QStringLiteral("missing.csv")) +
                                             QStringLiteral(": No such file or directory")));
    press("Btn_ImportCsv");
    fake.prompts.verify();
    EXPECT_EQ(window->editor().network(), before);
    EXPECT_FALSE(window->editor().isChanged());
}

// The warnings list follows every change of the network and never stops OK.
TEST_F(NetworkEditorWindowExchangeTest, WarningsFollowTheNetworkAndNeverStopOk) {
    const NoModalGuard noDialog;
    EXPECT_TRUE(warnings()->isHidden());

    NetworkEditor& editor = window->editor();
    // 16 bits for a 32-bit field, in a record of its own.
    addVariable(0, QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("1"));
    ASSERT_FALSE(warnings()->isHidden());
    EXPECT_EQ(warningTexts(),
              QStringList{QStringLiteral(
                  "Warning: variable 2 \"Energy\" of the node with primary address 5 "
                  "reads 16 bits from Modbus for an M-Bus field of 32 "
                  "bits")});
    EXPECT_EQ(warnings()->accessibleName(), QStringLiteral("Warnings"));

    editor.select({});
    editor.nodePanel = {QStringLiteral("Meter 6"), QStringLiteral("6"), QStringLiteral("1005")};
    ASSERT_EQ(editor.applyNode(), 0);
    addVariable(1, QStringLiteral("3"), QStringLiteral("2"), QStringLiteral("0"));
    EXPECT_EQ(warningTexts().size(), 2);
    EXPECT_TRUE(warningTexts().last().contains(QStringLiteral("same secondary address 1005")));

    EXPECT_TRUE(editor.isChanged());
    press("Btn_OK");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(loadNetwork(state.networkFile).nodes.size(), 2);
}

// The report of the network on screen, as HTML or PDF by the name chosen; unsaved edits are
// marked as not yet in the images.
TEST_F(NetworkEditorWindowExchangeTest, ReportOfTheNetworkOnScreen) {
    const NoModalGuard noDialog;
    ASSERT_EQ(writeBanks(state.projectDir,
                         compileBanksFromFiles(state.networkFile, state.parGenFile).banks),
              QString());
    window->editor().nodePanel = {QStringLiteral("Meter 9"), QStringLiteral("9"),
                                  QStringLiteral("1009")};
    ASSERT_EQ(window->editor().applyNode(), 0);
    const QString html = folder.file(QStringLiteral("plant.html"));
    fake.prompts.expectSaveFile(html);
    fake.prompts.expectQuestion(writtenOpen(html), false);
    press("Btn_Report");
    const QString text = QString::fromUtf8(folder.read(QStringLiteral("plant.html")));
    EXPECT_TRUE(text.contains(QStringLiteral("<h3>Node 9</h3>")));
    EXPECT_TRUE(text.contains(
        QStringLiteral("The images in the bin folder are older than the configuration")));

    const QString pdf = folder.file(QStringLiteral("plant.pdf"));
    fake.prompts.expectSaveFile(pdf);
    fake.prompts.expectQuestion(writtenOpen(pdf), true);
    press("Btn_Report");
    EXPECT_EQ(fake.urls.opened, QList<QUrl>{QUrl::fromLocalFile(pdf)});
    EXPECT_TRUE(folder.read(QStringLiteral("plant.pdf")).startsWith("%PDF-"));

    fake.prompts.expectSaveFile(folder.file(QStringLiteral("no/such/folder/r.html")));
    fake.prompts.expectError(QStringLiteral("The file could not be written: %1: ")
                                 .arg(folder.file(QStringLiteral("no/such/folder/r.html"))) +
                             QStringLiteral("No such file or directory"));
    press("Btn_Report");
    fake.prompts.verify();
}

// Every new control has a name that screen readers read.
TEST_F(NetworkEditorWindowExchangeTest, NewControlsHaveAccessibleNames) {
    for (const char* name : {"Btn_ExportCsv", "Btn_ImportCsv", "Btn_Report"}) {
        auto* button = window->findChild<QPushButton*>(QLatin1String(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_FALSE(button->accessibleName().isEmpty()) << name;
        EXPECT_FALSE(button->toolTip().isEmpty()) << name;
    }
}

// The Italian window writes its own language with the separator Italian spreadsheets split
// at, and takes a colleague's English file.
TEST_F(NetworkEditorWindowExchangeTest, ItalianWindowWritesItalianAndReadsEnglish) {
    const NoModalGuard noDialog;
    speakItalian();
    const QString csv = folder.file(QStringLiteral("rete.csv"));
    fake.prompts.expectSaveFile(csv);
    fake.prompts.expectQuestion(
        QStringLiteral("Il file %1 è stato scritto. Vuoi aprirlo?").arg(csv), false);
    press("Btn_ExportCsv");
    fake.prompts.verify();
    const QByteArray written = folder.read(QStringLiteral("rete.csv"));
    EXPECT_TRUE(written.startsWith("\xEF\xBB\xBF\"Indirizzo primario nodo\";"))
        << written.left(80).toStdString();
    EXPECT_TRUE(written.contains("\"Registro holding\";\"0\";\"40001\";\"2\";\"Nessuno\""))
        << written.toStdString();

    const QString english = folder.file(QStringLiteral("english.csv"));
    folder.write(QStringLiteral("english.csv"),
                 NetworkCsv::exportNetwork({meter(7, {energy(2, 2)})}, LanguageTable()));
    fake.prompts.expectOpenFile(english);
    fake.prompts.expectQuestion(
        QStringLiteral("Sostituire davvero la rete dell'editor con il foglio di calcolo?"), true);
    press("Btn_ImportCsv");
    fake.prompts.verify();
    EXPECT_EQ(window->editor().network(), Network({meter(7, {energy(2, 2)})}));
}

// Beside the register field, the number a meter manual gives for the address being typed, in
// the window's language; the field's hint says the stored value is the protocol address.
TEST_F(NetworkEditorWindowExchangeTest, RegisterNumberFollowsTheTyping) {
    auto* field = window->findChild<QLineEdit*>(QStringLiteral("E_Var_Mod_MR"));
    auto* type = window->findChild<QComboBox*>(QStringLiteral("CB_Var_Mod_ToD"));
    auto* hint = window->findChild<QLabel*>(QStringLiteral("L_Var_Mod_MR_Number"));
    ASSERT_TRUE(field && type && hint);
    type->setCurrentIndex(2); // holding registers
    field->clear();
    QTest::keyClicks(field, QStringLiteral("40"));
    EXPECT_EQ(hint->text(), QStringLiteral("address 40 = register 41 (40041)"));
    EXPECT_EQ(hint->accessibleName(), hint->text());
    type->setCurrentIndex(0); // coils
    EXPECT_EQ(hint->text(), QStringLiteral("address 40 = register 41 (00041)"));
    QTest::keyClicks(field, QStringLiteral("0000"));
    EXPECT_EQ(hint->text(), QString()) << "400000 is no address";
    EXPECT_TRUE(field->toolTip().startsWith(QStringLiteral("The protocol address")));

    speakItalian();
    field->setText(QStringLiteral("0x10"));
    type->setCurrentIndex(3);
    EXPECT_EQ(hint->text(), QStringLiteral("indirizzo 16 = registro 17 (30017)"));
    EXPECT_TRUE(field->toolTip().startsWith(QStringLiteral("L'indirizzo di protocollo")));
}
