// A slave scan of the whole line (247 unit ids, 20 ms time-out each) against the libmodbus slave
// on 127.0.0.1, beside its bound of ids × time-out (4.94 s): with a few slaves present (the
// usual line) and with one only (nearly every id silent, the worst case).
#include "core/sources/SlaveScan.h"
#include "mock/ModbusTestServer.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int TimeoutMs = 20;

void scan(benchmark::State& state, std::vector<int> answering) {
    const auto server = ModbusTestServer::tcp();
    server->setAnswering(std::move(answering));
    Sources::Connection c;
    c.kind = Sources::Connection::Kind::Tcp;
    c.host = QStringLiteral("127.0.0.1");
    c.tcpPort = server->port();
    c.timeoutMs = TimeoutMs;
    const double bound =
        double(Sources::scanBoundMs(Sources::ScanFirstId, Sources::ScanLastId, TimeoutMs));
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const Sources::ScanRun run =
            Sources::scanSlaves(c, Sources::ScanFirstId, Sources::ScanLastId);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (run.answers.size() != 247)
            state.SkipWithError("the scan did not ask every id");
        state.counters["ms"] = ms;
        state.counters["bound_ms"] = bound;
        state.counters["of_bound"] = ms / bound;
    }
}

void BM_ScanFewSlaves(benchmark::State& state) {
    scan(state, {1, 2, 3, 10, 17, 100, 247});
}
void BM_ScanOneSlave(benchmark::State& state) {
    scan(state, {1});
}

BENCHMARK(BM_ScanFewSlaves)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ScanOneSlave)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
