// The network tree from the keyboard alone: each key as the user presses it in the tree, with
// the selection it starts from, what it does, and the undo key taking it back.
#include "gui/network/NetworkEditorWindow.h"

#include "core/network/Network.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/Keyboard.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

Variable variable(const char* description, qint32 slaveId) {
    Variable v;
    v.enabled = true;
    v.description = QString::fromLatin1(description);
    v.dimension = 2;
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
    n.secondary = 1;
    for (int i = 0; i < variables; ++i)
        n.variables.append(variable(QByteArray("V").append(char('a' + i)).constData(), i + 1));
    return n;
}

// Node and variable counts, the shape a key changes.
QList<int> shapeOf(const Network& nodes) {
    QList<int> shape;
    for (const Node& n : nodes)
        shape << int(n.variables.size());
    return shape;
}

struct Selection {
    int node;
    int var;
};

class TreeKeysTest : public testing::Test {
public:
    void SetUp() override {
        state.setWorkspace(folder.path());
        const QString dir = folder.file(QStringLiteral("PROJECTS/Plant"));
        QDir().mkpath(dir);
        ASSERT_EQ(saveNetwork({meter("Heat", 5, 2), meter("Water", 6, 0)},
                              dir + QStringLiteral("/M_Bus.xml")),
                  QString());
        state.activateProject(QStringLiteral("Plant"));
        window = std::make_unique<NetworkEditorWindow>(state, fake.platform);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        tree()->setFocus();
    }
    void TearDown() override {
        window->hide();
        fake.prompts.verify();
    }

    QTreeView* tree() const { return window->findChild<QTreeView*>(QStringLiteral("TW")); }
    QMenu* menu() const { return window->findChild<QMenu*>(QStringLiteral("PM_TW")); }
    NetworkEditor& model() { return window->editor(); }
    void select(Selection s) {
        tree()->expandAll();
        tree()->setCurrentIndex(s.node < 0 ? model().tree().rootIndex()
                                           : model().tree().indexOf({s.node, s.var}));
        ASSERT_EQ(model().selectedNodeIndex(), s.node);
        ASSERT_EQ(model().selectedVariableIndex(), s.var);
    }
    void key(const QKeySequence& sequence) {
        const QKeyCombination combination = sequence[0];
        QTest::keyClick(tree(), combination.key(), combination.keyboardModifiers());
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

void pressOk(QWidget* dialog) {
    QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK")), Qt::LeftButton);
}

} // namespace

// Key, selection, expected effect, and Ctrl+Z bringing the network of before back.
TEST_F(TreeKeysTest, KeysOfTheTreeAndTheirUndo) {
    struct Case {
        const char* what;
        std::vector<QKeySequence> keys; // pressed in the tree, in order
        Selection copyFrom;             // where the copy key is pressed (node -2: no copy)
        Selection at;                   // where the last key is pressed
        std::function<void(TreeKeysTest&)> arm;
        QList<int> after;
    };
    const QString deleteNode = QStringLiteral("Are you sure to want to cancel this Node?");
    const QString deleteVariable = QStringLiteral("Are you sure to want to cancel this Variable?");
    const QString deleteAll = QStringLiteral("Are you sure to want to cancel all Nodes?");
    const Case cases[] = {
        {"Delete on a variable asks, then deletes it",
         {QKeySequence::Delete},
         {-2, -1},
         {0, 1},
         [&](TreeKeysTest& t) { t.fake.prompts.expectQuestion(deleteVariable, true); },
         {1, 0}},
        {"Delete on a node asks, then deletes it",
         {QKeySequence::Delete},
         {-2, -1},
         {1, -1},
         [&](TreeKeysTest& t) { t.fake.prompts.expectQuestion(deleteNode, true); },
         {2}},
        {"Delete on the root asks for the whole network",
         {QKeySequence::Delete},
         {-2, -1},
         {-1, -1},
         [&](TreeKeysTest& t) { t.fake.prompts.expectQuestion(deleteAll, true); },
         {}},
        {"Ctrl+C on a variable, Ctrl+V on another node pastes the variable there",
         {QKeySequence::Copy, QKeySequence::Paste},
         {0, 0},
         {1, -1},
         [](TreeKeysTest&) { onNextModal(pressOk); },
         {2, 1}},
        {"Ctrl+C on a node, Ctrl+V pastes the node at the end",
         {QKeySequence::Copy, QKeySequence::Paste},
         {0, -1},
         {1, -1},
         [](TreeKeysTest&) {
             onNextModal([](QWidget* dialog) {
                 setText(dialog, "E_New_Pri_Add", "9");
                 pressOk(dialog);
             });
         },
         {2, 0, 2}},
        {"Ctrl+C on a variable of a node copies the variable, not its node",
         {QKeySequence::Copy, QKeySequence::Paste},
         {0, 1},
         {0, 0},
         [](TreeKeysTest&) { onNextModal(pressOk); },
         {3, 0}},
    };
    const QList<int> before{2, 0};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(shapeOf(model().network()), before);
        if (c.copyFrom.node != -2) {
            select(c.copyFrom);
            key(c.keys.front());
        }
        select(c.at);
        c.arm(*this);
        key(c.keys.back());
        EXPECT_TRUE(modalActionsDone());
        fake.prompts.verify();
        EXPECT_EQ(shapeOf(model().network()), c.after);
        EXPECT_TRUE(model().isChanged());

        // The paste dialog has closed: the editor is the active window again, as the window
        // manager makes it (offscreen, the hidden dialog would stay the active one).
        QApplication::setActiveWindow(window.get());
        ASSERT_EQ(QApplication::activeWindow(), window.get());
        tree()->setFocus();
        QTest::keyClick(tree(), Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(shapeOf(model().network()), before) << "undo restores";
        EXPECT_FALSE(model().isChanged());
    }
}

// Answering No to the Delete key's question, and Ctrl+V with nothing copied, change nothing.
TEST_F(TreeKeysTest, RefusedOrEmptyKeysChangeNothing) {
    select({0, 1});
    fake.prompts.expectQuestion(QStringLiteral("Are you sure to want to cancel this Variable?"),
                                false);
    key(QKeySequence::Delete);
    fake.prompts.verify();
    {
        const NoModalGuard noDialog;
        key(QKeySequence::Paste);
    }
    EXPECT_EQ(shapeOf(model().network()), (QList<int>{2, 0}));
    EXPECT_FALSE(model().isChanged());
    EXPECT_FALSE(model().undoStack().canUndo());
}

// Shift+F10 and the Menu key open the pop-up menu below the selected item, and at the top of
// the tree when nothing is selected; the menu's entries then take the arrows and Enter.
TEST_F(TreeKeysTest, MenuKeysOpenThePopUpAtTheSelection) {
    window->move(0, 0); // the menu then has room where it is asked to open
    for (const QKeyCombination key :
         {QKeyCombination(Qt::SHIFT, Qt::Key_F10), QKeyCombination(Qt::NoModifier, Qt::Key_Menu)}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        select({0, 1});
        QTest::keyClick(tree(), key.key(), key.keyboardModifiers());
        ASSERT_TRUE(menu()->isVisible());
        const QRect item = tree()->visualRect(tree()->currentIndex());
        EXPECT_EQ(menu()->pos(), tree()->viewport()->mapToGlobal(item.bottomLeft()));
        menu()->hide();

        tree()->setCurrentIndex({});
        QTest::keyClick(tree(), key.key(), key.keyboardModifiers());
        ASSERT_TRUE(menu()->isVisible());
        EXPECT_EQ(menu()->pos(), tree()->viewport()->mapToGlobal(QPoint(0, 0)));
        menu()->hide();
    }
}

// The node and variable buttons keep their letters whichever mode the selection gives them,
// and the letter presses the button in either mode; the editor's tabs change from the tree.
TEST_F(TreeKeysTest, ModeButtonsKeepTheirLettersAndTabsChangeFromTheTree) {
    auto* node = window->findChild<QPushButton*>(QStringLiteral("btn_Add_Node"));
    auto* var = window->findChild<QPushButton*>(QStringLiteral("btn_Add_Var"));
    const QChar nodeLetter = Keyboard::shortcutLetter(node->text());
    const QChar varLetter = Keyboard::shortcutLetter(var->text());
    ASSERT_FALSE(nodeLetter.isNull());
    ASSERT_FALSE(varLetter.isNull());
    struct Case {
        Selection at;
        const char* node;
        const char* var;
    };
    const Case cases[] = {{{0, -1}, "MODIFY NODE", "ADD VARIABLE"},
                          {{0, 1}, "ADD NODE", "MODIFY VARIABLE"},
                          {{-1, -1}, "ADD NODE", "ADD VARIABLE"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.node);
        select(c.at);
        EXPECT_EQ(node->text().remove(QLatin1Char('&')), QLatin1String(c.node));
        EXPECT_EQ(var->text().remove(QLatin1Char('&')), QLatin1String(c.var));
        EXPECT_EQ(Keyboard::shortcutLetter(node->text()), nodeLetter);
        EXPECT_EQ(Keyboard::shortcutLetter(var->text()), varLetter);
    }
    // Modify node from the keyboard: the letter reaches the button in its other mode.
    select({1, -1});
    QSignalSpy pressed(node, &QPushButton::clicked);
    tree()->setFocus();
    QTest::keyClick(tree(), Qt::Key(nodeLetter.toUpper().unicode()), Qt::AltModifier);
    ASSERT_TRUE(pressed.wait(2000));
    EXPECT_TRUE(model().isChanged());

    auto* tabs = window->findChild<QTabWidget*>(QStringLiteral("PC"));
    tree()->setFocus();
    const int first = tabs->currentIndex();
    QTest::keyClick(tree(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), 1 - first);
    QTest::keyClick(tree(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(tabs->currentIndex(), first);
    EXPECT_TRUE(tree()->hasFocus()) << "the focus stays where it was";
}
