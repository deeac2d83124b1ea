#include "gui/network/TemplateListDialog.h"

#include "core/network/Network.h"
#include "core/state/SharedState.h"
#include "core/templates/MeterTemplates.h"
#include "gui/network/NetworkEditorWindow.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>
#include <memory>

namespace {

namespace T = Templates::Text;

Variable variable(const char* description, qint32 slaveId) {
    Variable v;
    v.enabled = true;
    v.description = QString::fromLatin1(description);
    v.dimension = 2;
    v.scale = 3;
    v.modbusSlave = slaveId;
    v.modbusType = 2;
    v.modbusRegister = 10 * slaveId;
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

template <typename W> W* child(QWidget* parent, const char* name) {
    auto* found = parent->findChild<W*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

void press(QWidget* dialog, const char* button) {
    QTest::mouseClick(child<QPushButton>(dialog, button), Qt::LeftButton);
}

// Answers the name dialog with `name`.
void nameWith(const char* name) {
    onNextModal([name](QWidget* dialog) {
        child<QLineEdit>(dialog, "E_Name")->setText(QString::fromUtf8(name));
        press(dialog, "Btn_OK");
    });
}

class TemplateListDialogTest : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        const QString dir = folder.file(QStringLiteral("PROJECTS/Plant"));
        QDir().mkpath(dir);
        ASSERT_EQ(saveNetwork({meter("Heat meter", 1, 3), meter("Water", 2, 0)},
                              dir + QStringLiteral("/M_Bus.xml")),
                  QString());
        state.activateProject(QStringLiteral("Plant"));
        window = std::make_unique<NetworkEditorWindow>(state, fake.platform);
        window->show();
    }
    NetworkEditor& model() { return window->editor(); }
    void select(int node, int var) {
        auto* tree = window->findChild<QTreeView*>(QStringLiteral("TW"));
        tree->setCurrentIndex(model().tree().indexOf({node, var}));
        ASSERT_EQ(model().selectedNodeIndex(), node);
    }
    QAction* action(const char* name) const {
        return window->findChild<QAction*>(QLatin1String(name));
    }
    QString templates() const { return Templates::folderOf(state.workspaceDir); }
    QString text(int index) const { return state.texts.text(index); }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    std::unique_ptr<NetworkEditorWindow> window;
};

} // namespace

// Save as Template on a variable saves its node; the name is asked, a name in use is asked
// about before it is replaced, and without a node nothing is asked.
TEST_F(TemplateListDialogTest, SaveAsTemplateAsksForTheNameAndBeforeReplacing) {
    fake.prompts.expectError(text(659));
    action("SaveAsTemplate1")->trigger();
    fake.prompts.verify();

    select(0, 1);
    nameWith("Heat");
    action("SaveAsTemplate1")->trigger();
    ASSERT_TRUE(modalActionsDone());
    const Templates::Read saved = Templates::load(templates(), QStringLiteral("Heat"), state.texts);
    ASSERT_TRUE(saved.ok()) << saved.error.toStdString();
    EXPECT_EQ(saved.node.variables, meter("Heat meter", 1, 3).variables);
    const QByteArray bytes = folder.read(QStringLiteral("TEMPLATES/Heat.xml"));

    select(1, -1);
    nameWith("Heat");
    fake.prompts.expectQuestion(text(T::ReplaceQuestion).arg(QStringLiteral("Heat")), false);
    action("SaveAsTemplate1")->trigger();
    fake.prompts.verify();
    EXPECT_EQ(folder.read(QStringLiteral("TEMPLATES/Heat.xml")), bytes) << "No keeps it";

    nameWith("a|b");
    fake.prompts.expectError(text(T::ForbiddenCharacter).arg(QStringLiteral("\"|\"")));
    action("SaveAsTemplate1")->trigger();
    fake.prompts.verify();

    nameWith("Heat");
    fake.prompts.expectQuestion(text(T::ReplaceQuestion).arg(QStringLiteral("Heat")), true);
    action("SaveAsTemplate1")->trigger();
    fake.prompts.verify();
    EXPECT_TRUE(
        Templates::load(templates(), QStringLiteral("Heat"), state.texts).node.variables.isEmpty());
    EXPECT_FALSE(model().isChanged()) << "saving a template leaves the network as it is";
}

// The list finds a template by part of its name, shows its variables and sources, offers the
// next free primary address, refuses an address in use and inserts the node as one command.
TEST_F(TemplateListDialogTest, NewNodeFromTemplateAndItsUndo) {
    ASSERT_EQ(Templates::save(templates(), QStringLiteral("Electricity"), meter("Power", 0, 2),
                              state.texts),
              QString());
    ASSERT_EQ(Templates::save(templates(), QStringLiteral("Gas"), meter("Gas", 0, 1), state.texts),
              QString());
    const Network before = model().network();
    select(0, 0);

    fake.prompts.expectError(text(651));
    onNextModal([this](QWidget* dialog) {
        auto* list = child<QListWidget>(dialog, "LB_Templates");
        EXPECT_EQ(list->count(), 2);
        EXPECT_EQ(child<QLineEdit>(dialog, "E_Pri")->text(), QStringLiteral("3"));
        EXPECT_EQ(child<QLineEdit>(dialog, "E_Sec")->text(), QString());
        QTest::keyClicks(child<QLineEdit>(dialog, "E_Search"), QStringLiteral("ELEC"));
        EXPECT_TRUE(list->item(1)->isHidden());
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Electricity"));
        auto* preview = child<QTableWidget>(dialog, "TB_Preview");
        ASSERT_EQ(preview->rowCount(), 2);
        EXPECT_EQ(preview->item(1, 0)->text(), QStringLiteral("Vb"));
        // The register as stored and as a meter manual numbers it.
        EXPECT_EQ(
            preview->item(1, 2)->text(),
            QStringLiteral("Slave 2, Holding Register address 20 = register 21 (40021), points 2, "
                           "swap None"));
        child<QLineEdit>(dialog, "E_Pri")->setText(QStringLiteral("1"));
        child<QLineEdit>(dialog, "E_Sec")->setText(QStringLiteral("42"));
        press(dialog, "Btn_OK");
        fake.prompts.verify();
        EXPECT_TRUE(dialog->isVisible()) << "a refusal keeps the list open";
        child<QLineEdit>(dialog, "E_Pri")->setText(QStringLiteral("3"));
        press(dialog, "Btn_OK");
    });
    press(window.get(), "Btn_Templates");
    ASSERT_TRUE(modalActionsDone());

    Node expected = meter("Power", 3, 2);
    expected.secondary = 42;
    ASSERT_EQ(model().network().size(), 3);
    EXPECT_EQ(model().network().last(), expected);
    EXPECT_EQ(model().selectedNodeIndex(), 2) << "the new node is chosen";
    EXPECT_TRUE(model().isChanged());
    EXPECT_EQ(model().undoStack().count(), 1);

    press(window.get(), "Btn_Undo");
    EXPECT_EQ(model().network(), before);
    EXPECT_FALSE(model().isChanged());
    press(window.get(), "Btn_Redo");
    EXPECT_EQ(model().network().last(), expected);
}

// Rename and delete from the list; delete asks, and No keeps the template.
TEST_F(TemplateListDialogTest, RenameAndDeleteFromTheList) {
    ASSERT_EQ(Templates::save(templates(), QStringLiteral("Gas"), meter("Gas", 0, 1), state.texts),
              QString());
    ASSERT_EQ(
        Templates::save(templates(), QStringLiteral("Water"), meter("Water", 0, 1), state.texts),
        QString());
    fake.prompts.expectError(text(T::NameInUse).arg(QStringLiteral("Water")));
    fake.prompts.expectQuestion(text(T::DeleteQuestion).arg(QStringLiteral("Gas meter")), false);
    fake.prompts.expectQuestion(text(T::DeleteQuestion).arg(QStringLiteral("Gas meter")), true);
    onNextModal([](QWidget* dialog) {
        auto* list = child<QListWidget>(dialog, "LB_Templates");
        list->setCurrentRow(0);
        nameWith("Water");
        press(dialog, "Btn_Rename");
        nameWith("Gas meter");
        press(dialog, "Btn_Rename");
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Gas meter"));
        press(dialog, "Btn_Delete");
        EXPECT_EQ(list->count(), 2);
        press(dialog, "Btn_Delete");
        EXPECT_EQ(list->count(), 1);
        press(dialog, "Btn_Cancel");
    });
    press(window.get(), "Btn_Templates");
    ASSERT_TRUE(modalActionsDone());
    fake.prompts.verify();
    EXPECT_EQ(Templates::names(templates()), QStringList({QStringLiteral("Water")}));
    EXPECT_EQ(model().undoStack().count(), 0) << "closing the list inserts nothing";
}

// Export writes the file the user names; import checks it completely first.
TEST_F(TemplateListDialogTest, ExportAndImport) {
    ASSERT_EQ(Templates::save(templates(), QStringLiteral("Gas"), meter("Gas", 0, 1), state.texts),
              QString());
    const QString exported = folder.file(QStringLiteral("Shared.xml"));
    const QString network = folder.file(QStringLiteral("PROJECTS/Plant/M_Bus.xml"));
    fake.prompts.expectSaveFile(exported);
    fake.prompts.expectOpenFile(exported);
    fake.prompts.expectOpenFile(network);
    fake.prompts.expectError(text(T::NotTemplate).arg(network, text(T::NodeCount).arg(2)));
    onNextModal([](QWidget* dialog) {
        press(dialog, "Btn_Export");
        press(dialog, "Btn_Import");
        EXPECT_EQ(child<QListWidget>(dialog, "LB_Templates")->currentItem()->text(),
                  QStringLiteral("Shared"));
        press(dialog, "Btn_Import");
        press(dialog, "Btn_Cancel");
    });
    press(window.get(), "Btn_Templates");
    ASSERT_TRUE(modalActionsDone());
    fake.prompts.verify();
    EXPECT_EQ(folder.read(QStringLiteral("TEMPLATES/Shared.xml")),
              folder.read(QStringLiteral("TEMPLATES/Gas.xml")));
}
