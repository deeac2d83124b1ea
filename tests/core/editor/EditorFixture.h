#pragma once

#include "ShownTree.h"

#include "core/editor/NetworkEditor.h"
#include "core/lang/LanguageTable.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QAbstractItemModelTester>
#include <gtest/gtest.h>

// A variable panel that passes every check.
inline VariablePanel goodVariable(const QString& description = QStringLiteral("Energy")) {
    VariablePanel p;
    p.enable = true;
    p.slaveId = QStringLiteral("1");
    p.modToD = 2;
    p.modbusRegister = QStringLiteral("0");
    p.points = QStringLiteral("2");
    p.description = description;
    p.dimension = 2;
    p.storageNumber = QStringLiteral("0");
    p.tariff = QStringLiteral("0");
    p.scale = CodingTables::scaleAfterTypeChange(0, 0);
    p.scale.selected = 3;
    return p;
}

// An editor whose tree is checked by Qt's model tester through every change (a broken
// promise of the model aborts the test), and watched as a view sees it.
class NetworkEditorTest : public testing::Test {
protected:
    int addNode(const QString& pri, const QString& sec = QStringLiteral("1"),
                const QString& desc = {}) {
        editor.nodePanel = {desc, pri, sec};
        return editor.applyNode();
    }
    // Selects node `node` and adds a good variable to it.
    int addVariable(int node, const VariablePanel& panel = goodVariable()) {
        editor.select({node, -1});
        editor.varPanel = panel;
        return editor.applyVariable();
    }
    void addNodes(int count) {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(addNode(QString::number(i + 1)), 0) << i;
    }
    // The tree shows, label for label, the network that OK would write now.
    void expectShownIsSaved(const std::string& step) {
        const QString saved = scratch.file(QStringLiteral("saved.xml"));
        ASSERT_EQ(saveNetwork(editor.network(), saved), QString()) << step;
        const QStringList expected = ShownTree::linesOf(loadNetwork(saved).nodes);
        EXPECT_EQ(shown.lines(), expected) << step;
        EXPECT_EQ(ShownTree::linesOfModel(editor.tree()), expected) << step;
    }

    LanguageTable texts;
    NetworkEditor editor{texts};
    QAbstractItemModelTester tester{&editor.tree(),
                                    QAbstractItemModelTester::FailureReportingMode::Fatal};
    ShownTree shown{editor.tree()};
    TestFolder scratch;
};
