// The readers against hostile and large inputs, side by side with a bare expat pass:
// - compiling the full 64 x 10 network from its files, against one expat pass over the same
//   M_Bus.xml that reads every attribute (the cost of conforming parsing alone);
//   the ratio of the two is the goal (at most 1.3);
// - one element with many attributes (time must grow with the count, not its square);
// - a deeply nested document of 32 MiB and a large spreadsheet file: peak memory against the
//   file's size ("peak_per_byte").
#include "FullConfiguration.h"
#include "common/XmlFile.h"
#include "core/image/Compiler.h"
#include "core/lang/LanguageTable.h"
#include "core/network/NetworkCsv.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <expat.h>
#include <malloc.h>

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
BENCHMARK(BM_CompileFromFiles)->Unit(benchmark::kMicrosecond);

// Touches every attribute value, as any reader of the file must.
void XMLCALL touchAttributes(void* data, const XML_Char*, const XML_Char** attributes) {
    auto* sum = static_cast<size_t*>(data);
    for (const XML_Char** a = attributes; *a; a += 2)
        *sum += std::strlen(a[1]);
}

size_t bareExpatPass(const QByteArray& bytes, benchmark::State& state) {
    size_t sum = 0;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &sum);
    XML_SetStartElementHandler(parser, touchAttributes);
    if (XML_Parse(parser, bytes.constData(), int(bytes.size()), 1) != XML_STATUS_OK)
        state.SkipWithError("expat refused the file");
    XML_ParserFree(parser);
    return sum;
}

// The file read from disk and passed once: the baseline of the compile from files.
void BM_BareExpatPass(benchmark::State& state) {
    Configuration config;
    for (auto _ : state)
        benchmark::DoNotOptimize(bareExpatPass(readAll(config.mbus), state));
}
BENCHMARK(BM_BareExpatPass)->Unit(benchmark::kMicrosecond);

// The same without the disk, bytes already in memory.
void BM_BareExpatPassInMemory(benchmark::State& state) {
    Configuration config;
    const QByteArray bytes = readAll(config.mbus);
    for (auto _ : state)
        benchmark::DoNotOptimize(bareExpatPass(bytes, state));
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(BM_BareExpatPassInMemory)->Unit(benchmark::kMicrosecond);

QByteArray manyAttributes(qint64 count) {
    QByteArray bytes = "<A";
    for (int i = 0; i < count; ++i)
        bytes += " a" + QByteArray::number(i) + "=\"" + QByteArray::number(i) + '"';
    return bytes + "/>";
}

void BM_ManyAttributes(benchmark::State& state) {
    const QByteArray bytes = manyAttributes(state.range(0));
    for (auto _ : state) {
        pugi::xml_document doc;
        if (!XmlFile::parse(doc, bytes, QStringLiteral("f.xml")).isEmpty())
            state.SkipWithError("refused");
        benchmark::DoNotOptimize(doc);
    }
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_ManyAttributes)
    ->RangeMultiplier(2)
    ->Range(10000, 80000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

// The parser's own share of it.
void BM_ManyAttributesBareExpat(benchmark::State& state) {
    const QByteArray bytes = manyAttributes(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(bareExpatPass(bytes, state));
}
BENCHMARK(BM_ManyAttributesBareExpat)->Arg(80000)->Unit(benchmark::kMillisecond);

// The high-water mark of resident memory; resetPeak() lowers it to what is resident now
// (Linux: clear_refs).
void resetPeak() {
    malloc_trim(0); // what earlier iterations freed goes back, so it cannot hide a peak
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

double peakBytes() {
    double kib = 0;
    if (FILE* f = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::strncmp(line, "VmHWM:", 6) == 0)
                kib = std::atof(line + 6);
        std::fclose(f);
    }
    return kib * 1024;
}

void BM_NestedDocument32MiB(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nested.xml"));
    {
        const qsizetype depth = (32 * 1024 * 1024) / 7;
        QByteArray bytes;
        bytes.reserve(depth * 7);
        for (qsizetype i = 0; i < depth; ++i)
            bytes += "<a>";
        for (qsizetype i = 0; i < depth; ++i)
            bytes += "</a>";
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            state.SkipWithError("cannot write the file");
    }
    const double size = double(QFile(path).size());
    double peak = 0;
    for (auto _ : state) {
        resetPeak();
        const double before = peakBytes();
        pugi::xml_document doc;
        const QString error = XmlFile::load(doc, path);
        benchmark::DoNotOptimize(error);
        peak = std::max(peak, peakBytes() - before);
    }
    state.counters["file_MiB"] = size / (1024 * 1024);
    state.counters["peak_growth_MiB"] = peak / (1024 * 1024);
    state.counters["peak_per_byte"] = peak / size;
}
BENCHMARK(BM_NestedDocument32MiB)->Unit(benchmark::kMillisecond)->Iterations(1);

// A header and then one row per line, each repeating node 1 without a variable: every row is
// read and checked, the network stays one node.
QByteArray spreadsheet(qsizetype size) {
    QByteArray bytes =
        NetworkCsv::columnNames(LanguageTable()).join(QLatin1Char(',')).toUtf8() + "\n";
    const QByteArray row = "1,0" + QByteArray(17, ',') + "\n";
    bytes.reserve(size + row.size());
    while (bytes.size() < size)
        bytes += row;
    return bytes;
}

void BM_CsvImport(benchmark::State& state) {
    const QByteArray bytes = spreadsheet(state.range(0) * 1024 * 1024);
    const LanguageTable texts;
    double peak = 0;
    for (auto _ : state) {
        resetPeak();
        const double before = peakBytes();
        const NetworkCsv::ImportResult r = NetworkCsv::importNetwork(bytes, texts);
        if (!r.ok() || r.nodes.size() != 1)
            state.SkipWithError("import failed");
        peak = std::max(peak, peakBytes() - before);
    }
    state.counters["file_MiB"] = double(bytes.size()) / (1024 * 1024);
    state.counters["peak_growth_MiB"] = peak / (1024 * 1024);
    state.counters["peak_per_byte"] = peak / double(bytes.size());
}
BENCHMARK(BM_CsvImport)->Arg(2)->Arg(16)->Unit(benchmark::kMillisecond)->Iterations(1);

// Lines of "1" only: the header already fails, whatever follows.
void BM_CsvImportOnes(benchmark::State& state) {
    const QByteArray bytes = QByteArray("1\n").repeated(state.range(0) * 1024 * 1024 / 2);
    const LanguageTable texts;
    double peak = 0;
    for (auto _ : state) {
        resetPeak();
        const double before = peakBytes();
        const NetworkCsv::ImportResult r = NetworkCsv::importNetwork(bytes, texts);
        if (r.ok())
            state.SkipWithError("imported");
        peak = std::max(peak, peakBytes() - before);
    }
    state.counters["file_MiB"] = double(bytes.size()) / (1024 * 1024);
    state.counters["peak_growth_MiB"] = peak / (1024 * 1024);
    state.counters["peak_per_byte"] = peak / double(bytes.size());
}
BENCHMARK(BM_CsvImportOnes)->Arg(2)->Arg(16)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
