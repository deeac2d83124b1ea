// The M-Bus master against the bytes on the wire: 64 meters on a pseudo-terminal whose slaves
// answer at 2400 baud as a real line carries them (the request's own time first, then each
// character of the answer in turn). A primary scan of 0..250 and a read of the 64 meters.
// wire_ms is what the line itself takes: for a meter that answers, its requests and answers at
// 11 bits a character; for a silent address, its request and the answer time-out of 330 bit
// times + 50 ms. answering_of_wire must stay at most 1.1; silent_over_ms and
// silent_mean_over_ms (the longest and the mean wait beyond the request and the time-out) near 0.
#include "core/mbus/Master.h"
#include "mock/MbusTestSlave.h"

#include <benchmark/benchmark.h>
#include <chrono>

namespace {

constexpr int Baud = 2400;
constexpr int Meters = 64;

using Clock = std::chrono::steady_clock;

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A heat meter of ten records: energy, volume, power, flow, temperatures, dates.
QByteArray telegram(int address) {
    const QByteArray id = QStringLiteral("%1").arg(10000000 + address).toLatin1();
    const QByteArray header = MbusTestSlave::longHeader(id.constData(), "BEN", 1, 0x04, 1);
    const QByteArray records = QByteArray::fromHex("0C06 78563412"
                                                   "0C13 45230100"
                                                   "0B2D 301200"
                                                   "0B3B 450300"
                                                   "0A5A 5107"
                                                   "0A5E 4204"
                                                   "0B61 090000"
                                                   "046D 070E1F35"
                                                   "4C06 11223344"
                                                   "426C 1F35");
    return MbusTestSlave::rspUd(quint8(address), Mbus::CiLongHeader, header + records);
}

std::unique_ptr<MbusTestSlave> line() {
    QList<MbusTestSlave::Slave> slaves;
    for (int a = 1; a <= Meters; ++a) {
        MbusTestSlave::Slave s;
        s.address = a;
        s.frames = {telegram(a)};
        slaves.append(s);
    }
    std::unique_ptr<MbusTestSlave> slave = MbusTestSlave::pseudoTerminal(slaves);
    slave->setBaud(Baud);
    return slave;
}

int wire(int characters) {
    return Mbus::wireMs(characters, Baud, 11);
}

// SND_NKE and E5, REQ_UD2 and the telegram.
int answeringWire(int address) {
    return wire(5 + 1 + 5 + int(telegram(address).size()));
}

void BM_PrimaryScan(benchmark::State& state) {
    const auto slave = line();
    QString why;
    const auto link = Mbus::openSerial({slave->device(), Baud, 'E'}, &why);
    if (!link) {
        state.SkipWithError(why.toStdString().c_str());
        return;
    }
    for (auto _ : state) {
        Mbus::Master master(*link);
        QList<Clock::time_point> asked;
        const Mbus::ScanResult scan = master.scanPrimary(0, Mbus::LastPrimaryAddress,
                                                         [&](int) { asked.append(Clock::now()); });
        asked.append(Clock::now());
        if (scan.slaves.size() != Meters)
            state.SkipWithError("the scan did not find every meter");
        double answering = 0, answeringWireMs = 0, silentOver = 0, silentWire = 0, silentSum = 0;
        int silent = 0;
        for (int a = 0; a <= Mbus::LastPrimaryAddress; ++a) {
            const double took = ms(asked[a + 1] - asked[a]);
            if (a >= 1 && a <= Meters) {
                answering += took;
                answeringWireMs += answeringWire(a);
            } else {
                const int expected = wire(5) + Mbus::answerTimeoutMs(Baud);
                silentWire += expected;
                silentOver = std::max(silentOver, took - expected);
                silentSum += took - expected;
                ++silent;
            }
        }
        state.counters["wire_ms"] = answeringWireMs + silentWire;
        state.counters["took_ms"] = ms(asked.last() - asked.first());
        state.counters["answering_of_wire"] = answering / answeringWireMs;
        state.counters["silent_over_ms"] = silentOver;
        state.counters["silent_mean_over_ms"] = silentSum / silent;
    }
}

void BM_ReadSixtyFourMeters(benchmark::State& state) {
    const auto slave = line();
    QString why;
    const auto link = Mbus::openSerial({slave->device(), Baud, 'E'}, &why);
    if (!link) {
        state.SkipWithError(why.toStdString().c_str());
        return;
    }
    double wireMs = 0;
    for (int a = 1; a <= Meters; ++a)
        wireMs += answeringWire(a);
    for (auto _ : state) {
        Mbus::Master master(*link);
        const Clock::time_point start = Clock::now();
        int records = 0;
        for (int a = 1; a <= Meters; ++a) {
            const Mbus::ReadResult r = master.readPrimary(a);
            if (!r.ok())
                state.SkipWithError("a meter was not read");
            records += int(r.reading.records.size());
        }
        const double took = ms(Clock::now() - start);
        state.counters["wire_ms"] = wireMs;
        state.counters["took_ms"] = took;
        state.counters["of_wire"] = took / wireMs;
        state.counters["records"] = records;
    }
}

BENCHMARK(BM_PrimaryScan)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReadSixtyFourMeters)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
