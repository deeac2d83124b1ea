// Load and save of a full network (64 nodes of 10 variables), the largest M_Bus.xml the
// editor can produce.
#include "mbus/Network.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

TNodi_List fullNetwork() {
    TNodi_List nodes;
    for (int n = 0; n < 64; ++n) {
        TNodo node;
        node.Description = QStringLiteral("Heat meter %1").arg(n + 1);
        node.Node_Pri = n + 1;
        node.Node_Sec = 12345600 + n;
        for (int v = 0; v < 10; ++v) {
            TVariabile var;
            var.Enable = true;
            var.Description = QStringLiteral("Energy %1").arg(v + 1);
            var.Dimension = 2;
            var.Scale = 3;
            var.Storage_Number = quint32(v);
            var.Mod_ID = 1 + n % 247;
            var.Mod_ToD = 2;
            var.Mod_NumReg = n * 20 + v * 2;
            var.Mod_NPoint = 2;
            node.Var_List.append(var);
        }
        nodes.append(node);
    }
    return nodes;
}

void BM_SaveNetwork(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("M_Bus.xml"));
    const TNodi_List nodes = fullNetwork();
    for (auto _ : state) {
        const QString error = Save_Network(nodes, path);
        if (!error.isEmpty())
            state.SkipWithError(qPrintable(error));
    }
}
BENCHMARK(BM_SaveNetwork)->Unit(benchmark::kMillisecond);

void BM_LoadNetwork(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("M_Bus.xml"));
    Save_Network(fullNetwork(), path);
    for (auto _ : state) {
        const NetworkLoad load = Load_Network(path);
        if (!load.ok() || load.Nodi_List.size() != 64)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(load);
    }
}
BENCHMARK(BM_LoadNetwork)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
