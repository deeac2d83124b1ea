// The configuration check over networks far beyond the device's limits, as hand-written or
// hostile files may hold: its time must grow with the node count, not with its square.
#include "core/check/ConfigCheck.h"
#include "core/lang/LanguageTable.h"

#include <benchmark/benchmark.h>

namespace {

Network manyNodes(int count) {
    Network nodes;
    nodes.reserve(count);
    for (int n = 0; n < count; ++n) {
        Node node;
        node.primary = 1 + n % 250; // most addresses used twice or more: findings too
        Variable var;
        var.enabled = true;
        var.dimension = 2;
        var.modbusSlave = 1;
        var.modbusCount = 2;
        node.variables.append(var);
        nodes.append(node);
    }
    return nodes;
}

void BM_CheckNetwork(benchmark::State& state) {
    const Network nodes = manyNodes(int(state.range(0)));
    const LanguageTable texts;
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
