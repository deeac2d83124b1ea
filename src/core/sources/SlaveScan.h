#pragma once

#include "core/sources/ReadPlan.h"
#include "core/sources/SourceConnection.h"
#include "core/sources/SourceRead.h"

#include <QList>
#include <QString>
#include <atomic>

// Which Modbus slaves answer on a line: every unit id of a range is asked for one holding
// register, with a short time-out each.
namespace Sources {

inline constexpr int ScanFirstId = 1;
inline constexpr int ScanLastId = 247;
inline constexpr int ScanTimeoutMs = 100;

struct ScanAnswer {
    enum class Kind {
        Data,      // the register came back
        Exception, // the slave is there but refused the register
        Timeout,
        Failed,   // a broken answer, or one from another unit id
        NotAsked, // the scan reached its bound first
    };
    int id = 0;
    Kind kind = Kind::Timeout;
    quint16 value = 0;
    int exception = 0;
    QString detail; // the library's message for Exception and Failed

    bool answers() const { return kind == Kind::Data || kind == Kind::Exception; }
};

struct ScanRun {
    QList<ScanAnswer> answers; // one per id asked, in order
    OpenFailure openFailure;
    bool cancelled = false;
};

// The longest one id can take: its time-out, the request and the longest answer on a serial
// line (with the silences that frame them), and this computer's own work.
qint64 scanIdBoundUs(const Connection& connection);
// The longest a scan can take, shown before it starts: opening the connection (a TCP connect
// waits up to the time-out) and every id at its own bound. Whole milliseconds, rounded up.
qint64 scanBoundMs(const Connection& connection, int first, int last);

// Asks the ids first..last in order; `connection.timeoutMs` is the time-out of each, never
// shortened. The scan keeps to scanBoundMs: an id that could no longer end within it is not
// asked (Kind::NotAsked), nor is any after it. `progress` gets (ids done, ids in all);
// `cancel` is looked at before each id. Blocks.
ScanRun scanSlaves(const Connection& connection, int first, int last, const Progress& progress = {},
                   const std::atomic_bool* cancel = nullptr);

// The scan beside a configuration: the ids its variables use that do not answer, and the
// ids that answer but no variable uses.
struct ScanComparison {
    QList<int> configured;
    QList<int> missing;
    QList<int> unused;
};
QList<int> configuredIds(const ReadPlan& plan);
ScanComparison compareScan(const ScanRun& run, const QList<int>& configured);

// "data 0x0001", "exception 2", "time-out", "failed: ...", "not asked": fixed words for scripts.
QString scanDetail(const ScanAnswer& answer);

// "FIRST-LAST" within 1..247, FIRST not above LAST.
std::optional<std::pair<int, int>> parseIdRange(const QString& text);

} // namespace Sources
