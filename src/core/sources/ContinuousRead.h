#pragma once

#include "core/sources/MbusValue.h"
#include "core/sources/ReadPlan.h"
#include "core/sources/SourceRead.h"

#include <QList>
#include <optional>

class LanguageTable;

// Reading the sources again and again: what changed since the last pass, how fast a counter
// runs, and when to give up.
namespace Sources {

inline constexpr int EveryMinSeconds = 1;
inline constexpr int EveryMaxSeconds = 3600;

namespace Text {
inline constexpr int ReadContinuously = 345;
inline constexpr int EverySeconds = 346;
inline constexpr int NextPass = 347;
inline constexpr int StoppedAfter = 348;
inline constexpr int NothingAnswered = 349;
inline constexpr int Changed = 350;
inline constexpr int ChangedPerHour = 351;
inline constexpr int StoppedByUser = 352;
} // namespace Text

struct Change {
    bool changed = false;
    std::optional<double> perHour; // counters only: M-Bus units per hour
    QString unit;                  // of the rate: "Wh/h"
};

// Counters only grow: energy, volume, mass and the running times.
bool isCounter(const Mbus::Unit& unit);

// One entry per plan variable: changed when both passes read it and its registers or bits
// differ. `seconds` is the time between the two passes.
QList<Change> changesBetween(const ReadPlan& plan, const ReadRun& before, const ReadRun& after,
                             double seconds);

// A pass that could not open the line, or whose every request failed, ends a continuous
// reading: the line is gone, not one slave.
bool connectionLost(const ReadRun& run);

// "changed" or "changed, +1 200 Wh/h".
QString changeText(const Change& change, const LanguageTable& texts);

} // namespace Sources
