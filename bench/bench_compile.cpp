// Compile of the largest network the device holds (64 nodes of 10 variables) from its two
// files, as the update button does it, and the same compile from bytes already in memory
// (the readers and the layout without the disk). Also the decoder on the resulting image.
#include "FullConfiguration.h"
#include "core/image/BankDump.h"
#include "core/image/BankFiles.h"
#include "core/image/Compiler.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

void BM_CompileFromFiles(benchmark::State& state) {
    Configuration config;
    if (!config.ready)
        state.SkipWithError("cannot write the configuration");
    for (auto _ : state) {
        const CompileResult r = compileBanksFromFiles(config.mbus, config.parGen);
        if (!r.ok() || r.banks.bank.size() != 14806)
            state.SkipWithError("compile failed");
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_CompileFromFiles)->Unit(benchmark::kMillisecond);

void BM_CompileInMemory(benchmark::State& state) {
    Configuration config;
    const QByteArray mbus = readAll(config.mbus);
    const QByteArray parGen = readAll(config.parGen);
    for (auto _ : state) {
        const CompileResult r = compileBanksFromBytes(mbus, parGen);
        if (!r.ok())
            state.SkipWithError("compile failed");
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(state.iterations() * (mbus.size() + parGen.size()));
}
BENCHMARK(BM_CompileInMemory)->Unit(benchmark::kMillisecond);

void BM_CompileAndWrite(benchmark::State& state) {
    Configuration config;
    for (auto _ : state) {
        const CompileResult r = compileBanksFromFiles(config.mbus, config.parGen);
        const QString error = writeBanks(config.dir.path(), r.banks);
        if (!r.ok() || !error.isEmpty())
            state.SkipWithError("compile or write failed");
    }
}
BENCHMARK(BM_CompileAndWrite)->Unit(benchmark::kMillisecond);

void BM_DumpFullImage(benchmark::State& state) {
    Configuration config;
    const CompileResult r = compileBanksFromFiles(config.mbus, config.parGen);
    for (auto _ : state) {
        const BankDump d = dumpImage(r.banks.bank);
        if (!d.ok)
            state.SkipWithError("dump failed");
        benchmark::DoNotOptimize(d);
    }
}
BENCHMARK(BM_DumpFullImage)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
