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
        Failed, // a broken answer, or one from another unit id
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

// The longest a scan can take: every id silent for the whole time-out.
qint64 scanBoundMs(int first, int last, int timeoutMs);

// Asks the ids first..last in order; `connection.timeoutMs` is the time-out of each.
// `progress` gets (ids done, ids in all); `cancel` is looked at before each id. Blocks.
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

// "data 0x0001", "exception 2", "time-out", "failed: ...": fixed words for scripts.
QString scanDetail(const ScanAnswer& answer);

// "FIRST-LAST" within 1..247, FIRST not above LAST.
std::optional<std::pair<int, int>> parseIdRange(const QString& text);

} // namespace Sources
