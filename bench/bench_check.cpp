// The configuration check over networks far beyond the device's limits, as hand-written or
// hostile files may hold: its time must grow with the node count, not with its square.
#include "core/check/ConfigCheck.h"
#include "core/lang/LangTable.h"

#include <benchmark/benchmark.h>

namespace {

TNodi_List manyNodes(int count) {
    TNodi_List nodes;
    nodes.reserve(count);
    for (int n = 0; n < count; ++n) {
        TNodo node;
        node.Node_Pri = 1 + n % 250; // most addresses used twice or more: findings too
        TVariabile var;
        var.Enable = true;
        var.Dimension = 2;
        var.Mod_ID = 1;
        var.Mod_NPoint = 2;
        node.Var_List.append(var);
        nodes.append(node);
    }
    return nodes;
}

void BM_CheckNetwork(benchmark::State& state) {
    const TNodi_List nodes = manyNodes(int(state.range(0)));
    const LangTable texts;
    for (auto _ : state) {
        const QList<ConfigFinding> findings = checkNetwork(nodes, texts);
        benchmark::DoNotOptimize(findings);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_CheckNetwork)
    ->RangeMultiplier(4)
    ->Range(1000, 64000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

} // namespace

BENCHMARK_MAIN();
