// The network editor's commands on the largest network: 1,000 changes (modify variable,
// modify node, delete and paste a variable) and then the undo of every one, beside one reading
// of that network from its file, in the same run.
#include "FullNetwork.h"

#include "core/editor/NetworkEditor.h"
#include "core/lang/LanguageTable.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Fixture {
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("M_Bus.xml"));
    LanguageTable texts;
    Fixture() { saveNetwork(fullNetwork(), path); }
};

void BM_LoadFullNetwork(benchmark::State& state) {
    Fixture f;
    for (auto _ : state) {
        NetworkLoad load = loadNetwork(f.path);
        benchmark::DoNotOptimize(load);
    }
}
BENCHMARK(BM_LoadFullNetwork)->Unit(benchmark::kMillisecond);

// One change of four kinds, in turn over the whole network; every one pushes a command.
int change(NetworkEditor& editor, int step) {
    const int node = step % 64;
    const int variable = (step / 64) % 10;
    switch (step % 4) {
    case 0:
        editor.select({node, variable});
        editor.varPanel.description = QStringLiteral("Changed %1").arg(step);
        return editor.applyVariable();
    case 1:
        editor.select({node, -1});
        editor.nodePanel.description = QStringLiteral("Node %1").arg(step);
        return editor.applyNode();
    case 2:
        editor.select({node, variable});
        editor.copyVariable();
        editor.deleteSelection();
        return 0;
    default:
        editor.select({(step - 1) % 64, -1});
        return editor.pasteVariable({QStringLiteral("1"), QStringLiteral("Holding Register"),
                                     QStringLiteral("0"), QStringLiteral("2"),
                                     QStringLiteral("None")});
    }
}

void BM_ThousandCommandsThenUndoAll(benchmark::State& state) {
    Fixture f;
    NetworkEditor editor(f.texts);
    for (auto _ : state) {
        state.PauseTiming();
        editor.load(f.path);
        state.ResumeTiming();
        for (int step = 0; step < 1000; ++step)
            if (change(editor, step) != 0)
                state.SkipWithError("a change was refused");
        while (editor.undoStack().canUndo())
            editor.undo();
        if (editor.isChanged())
            state.SkipWithError("undo did not come back to the file");
    }
}
BENCHMARK(BM_ThousandCommandsThenUndoAll)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
