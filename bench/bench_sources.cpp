// Reading the Modbus sources of a full network (64 nodes of 10 one-register variables, 640
// registers) from a libmodbus slave on 127.0.0.1: grouped into as few requests as Modbus
// allows, against one request per variable.
#include "core/sources/SourceRead.h"
#include "mock/ModbusTestServer.h"

#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

Network sourcesNetwork() {
    Network nodes;
    for (int n = 0; n < 64; ++n) {
        Node node;
        node.primary = n + 1;
        for (int v = 0; v < 10; ++v) {
            Variable var;
            var.enabled = true;
            var.dimension = 1;
            var.modbusSlave = 1;
            var.modbusType = 2;
            // Clear of the registers the slave refuses for its exception test.
            var.modbusRegister = 700 + n * 10 + v;
            var.modbusCount = 1;
            node.variables.append(var);
        }
        nodes.append(node);
    }
    return nodes;
}

void read(benchmark::State& state, bool grouped) {
    const auto server = ModbusTestServer::tcp();
    const Sources::ReadPlan plan = Sources::makeReadPlan(sourcesNetwork());
    const QList<Sources::ReadRequest> requests =
        grouped ? plan.requests : Sources::ungroupedRequests(plan);
    Sources::Connection c;
    c.kind = Sources::Connection::Kind::Tcp;
    c.host = QStringLiteral("127.0.0.1");
    c.tcpPort = server->port();
    for (auto _ : state) {
        const Sources::ReadRun run = Sources::readSources(plan, c, requests);
        const bool allRead = std::all_of(run.results.begin(), run.results.end(), [](const auto& r) {
            return r.outcome == Sources::SourceResult::Outcome::Read;
        });
        if (run.requestsSent != requests.size() || !allRead)
            state.SkipWithError("reading failed");
    }
    state.counters["requests"] = double(requests.size());
    state.counters["registers"] = double(plan.variables.size());
}

void BM_ReadSourcesGrouped(benchmark::State& state) {
    read(state, true);
}
BENCHMARK(BM_ReadSourcesGrouped)->Unit(benchmark::kMillisecond);

void BM_ReadSourcesOnePerVariable(benchmark::State& state) {
    read(state, false);
}
BENCHMARK(BM_ReadSourcesOnePerVariable)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
