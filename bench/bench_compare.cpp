// The comparison behind the update window and `ordano-cli diff`: two full image pairs (64 nodes
// of 10 variables), decoded, compared and put in words, next to one readable dump of a pair in
// the same run, the work the comparison builds on.
#include "FullNetwork.h"
#include "core/comm/GeneralParameters.h"
#include "core/history/ImageCompare.h"
#include "core/image/BankDump.h"
#include "core/image/Compiler.h"
#include "core/image/ImageDecode.h"
#include "core/lang/LanguageTable.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Two pairs that differ in every record: the longest comparison a full network gives.
struct Pairs {
    CompiledBanks before;
    CompiledBanks after;
    bool ready = false;
    Pairs() {
        QTemporaryDir dir;
        Network changed = fullNetwork();
        for (Node& node : changed)
            for (Variable& v : node.variables)
                v.modbusRegister += 1;
        const QString parGen = dir.filePath(QStringLiteral("ParGen.xml"));
        const QString a = dir.filePath(QStringLiteral("a.xml"));
        const QString b = dir.filePath(QStringLiteral("b.xml"));
        if (!saveGeneralParameters(GeneralParameters(), parGen).isEmpty() ||
            !saveNetwork(fullNetwork(), a).isEmpty() || !saveNetwork(changed, b).isEmpty())
            return;
        const CompileResult one = compileBanksFromFiles(a, parGen);
        const CompileResult two = compileBanksFromFiles(b, parGen);
        before = one.banks;
        after = two.banks;
        ready = one.ok() && two.ok();
    }
};

ImageDecode::Images decode(const CompiledBanks& banks) {
    ImageDecode::Images images;
    ImageDecode::decodeNetwork(banks.bank, images.network);
    ImageDecode::decodeBlock(banks.bank2, images.block);
    return images;
}

void BM_CompareFullPairs(benchmark::State& state) {
    const Pairs pairs;
    if (!pairs.ready)
        state.SkipWithError("cannot compile the networks");
    const LanguageTable texts;
    const ImageCompare::Labels labels = ImageCompare::labelsFrom(fullNetwork());
    for (auto _ : state) {
        const auto changes =
            ImageCompare::compare(decode(pairs.before), decode(pairs.after), texts);
        const QStringList lines = ImageCompare::describeAll(changes, labels, labels, texts);
        if (lines.size() != 640)
            state.SkipWithError("unexpected comparison");
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_CompareFullPairs)->Unit(benchmark::kMillisecond);

void BM_CompareIdenticalPairs(benchmark::State& state) {
    const Pairs pairs;
    const LanguageTable texts;
    for (auto _ : state) {
        const auto changes =
            ImageCompare::compare(decode(pairs.before), decode(pairs.before), texts);
        if (!changes.isEmpty())
            state.SkipWithError("unexpected comparison");
        benchmark::DoNotOptimize(changes);
    }
}
BENCHMARK(BM_CompareIdenticalPairs)->Unit(benchmark::kMillisecond);

void BM_DumpFullPair(benchmark::State& state) {
    const Pairs pairs;
    for (auto _ : state) {
        const BankDump one = dumpImage(pairs.before.bank);
        const BankDump two = dumpImage(pairs.before.bank2);
        if (!one.ok || !two.ok)
            state.SkipWithError("dump failed");
        benchmark::DoNotOptimize(one);
        benchmark::DoNotOptimize(two);
    }
}
BENCHMARK(BM_DumpFullPair)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
