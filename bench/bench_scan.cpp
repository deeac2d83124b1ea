// A slave scan of the whole line (247 unit ids, 20 ms time-out each) against the libmodbus slave,
// on 127.0.0.1 and on a pseudo-terminal pair, beside the bound the window and `ordano-cli scan`
// show before it starts (scanBoundMs): with a few slaves present (the usual line) and with one
// only (nearly every id silent, the worst case). of_bound must stay below 1 and not_asked at 0.
#include "core/sources/SlaveScan.h"
#include "mock/ModbusTestServer.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int TimeoutMs = 20;

void scan(benchmark::State& state, std::unique_ptr<ModbusTestServer> server,
          std::vector<int> answering) {
    server->setAnswering(std::move(answering));
    Sources::Connection c;
    if (server->devicePath().isEmpty()) {
        c.kind = Sources::Connection::Kind::Tcp;
        c.host = QStringLiteral("127.0.0.1");
        c.tcpPort = server->port();
    } else {
        // A usual meter line; a pseudo-terminal takes no time for the bytes, a real line would.
        c = Sources::serialConnection(server->devicePath(), 19200, 'E');
    }
    c.timeoutMs = TimeoutMs;
    const double bound = double(Sources::scanBoundMs(c, Sources::ScanFirstId, Sources::ScanLastId));
    double worst = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const Sources::ScanRun run =
            Sources::scanSlaves(c, Sources::ScanFirstId, Sources::ScanLastId);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (run.answers.size() != 247)
            state.SkipWithError("the scan did not list every id");
        int notAsked = 0;
        for (const Sources::ScanAnswer& a : run.answers)
            notAsked += a.kind == Sources::ScanAnswer::Kind::NotAsked ? 1 : 0;
        worst = std::max(worst, ms);
        state.counters["ms"] = ms;
        state.counters["not_asked"] = notAsked;
    }
    state.counters["worst_ms"] = worst;
    state.counters["bound_ms"] = bound;
    state.counters["of_bound"] = worst / bound;
}

void BM_ScanTcpFewSlaves(benchmark::State& state) {
    scan(state, ModbusTestServer::tcp(), {1, 2, 3, 10, 17, 100, 247});
}
void BM_ScanTcpOneSlave(benchmark::State& state) {
    scan(state, ModbusTestServer::tcp(), {1});
}
void BM_ScanSerialOneSlave(benchmark::State& state) {
    scan(state, ModbusTestServer::rtu(), {1});
}

BENCHMARK(BM_ScanTcpFewSlaves)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ScanTcpOneSlave)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ScanSerialOneSlave)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
