// Compile of the largest network the device holds (64 nodes of 10 variables) from its two
// files, as the update button does it, and the same compile from bytes already in memory
// (the readers and the layout without the disk). Also the decoder on the resulting image.
#include "comm/ParGen.h"
#include "image/BankDump.h"
#include "image/Compiler.h"
#include "mbus/Network.h"

#include <QFile>
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
            var.Type_Of_Data = v == 9 ? 19 : v;
            var.Dimension = 2;
            var.VIFE = v == 9 ? 38 : 0;
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

// The configuration folder with both files, written once per benchmark.
struct Configuration {
    QTemporaryDir dir;
    QString mbus = dir.filePath(QStringLiteral("M_Bus.xml"));
    QString parGen = dir.filePath(QStringLiteral("ParGen.xml"));
    bool ready =
        Save_Network(fullNetwork(), mbus).isEmpty() && Save_Par_Gen(Par_Gen(), parGen).isEmpty();
};

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void BM_CompileFromFiles(benchmark::State& state) {
    Configuration config;
    if (!config.ready)
        state.SkipWithError("cannot write the configuration");
    for (auto _ : state) {
        const CompileResult r = Compile_Banks(config.mbus, config.parGen);
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
        const CompileResult r = Compile_Banks(config.mbus, config.parGen);
        const QString error = Write_Banks(config.dir.path(), r.banks);
        if (!r.ok() || !error.isEmpty())
            state.SkipWithError("compile or write failed");
    }
}
BENCHMARK(BM_CompileAndWrite)->Unit(benchmark::kMillisecond);

void BM_DumpFullImage(benchmark::State& state) {
    Configuration config;
    const CompileResult r = Compile_Banks(config.mbus, config.parGen);
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
