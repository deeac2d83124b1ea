// Load and save of a full network (64 nodes of 10 variables), the largest M_Bus.xml the
// editor can produce.
#include "FullNetwork.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void BM_SaveNetwork(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("M_Bus.xml"));
    const Network nodes = fullNetwork();
    for (auto _ : state) {
        const QString error = saveNetwork(nodes, path);
        if (!error.isEmpty())
            state.SkipWithError(qPrintable(error));
    }
}
BENCHMARK(BM_SaveNetwork)->Unit(benchmark::kMillisecond);

void BM_LoadNetwork(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("M_Bus.xml"));
    saveNetwork(fullNetwork(), path);
    for (auto _ : state) {
        const NetworkLoad load = loadNetwork(path);
        if (!load.ok() || load.nodes.size() != 64)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(load);
    }
}
BENCHMARK(BM_LoadNetwork)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
