#pragma once

#include "core/sources/SlaveScan.h"

#include <QByteArray>
#include <QStringList>

class LangTable;

namespace Sources {

namespace Text {
inline constexpr int FindSlaves = 331;
inline constexpr int FirstId = 332;
inline constexpr int LastId = 333;
inline constexpr int Scan = 334;
inline constexpr int ScanBound = 335;
inline constexpr int ScanProgress = 336;
inline constexpr int IdData = 337;
inline constexpr int IdException = 338;
inline constexpr int IdFailed = 339;
inline constexpr int IdConfigured = 340;
inline constexpr int MissingIds = 341;
inline constexpr int UnusedIds = 342;
inline constexpr int ScanSummary = 343;
inline constexpr int NoIds = 344;
} // namespace Text

// "A scan of 247 IDs takes at most 24.7 s (247 × 100 ms)."
QString scanBoundText(int first, int last, int timeoutMs, const LangTable& texts);

// One line per id that answered or answered wrongly, silent ids left out; with a
// configuration, the ids it uses are marked.
QStringList scanLines(const ScanRun& run, const QList<int>& configured, const LangTable& texts);

// The two lines of the comparison with a configuration.
QStringList comparisonLines(const ScanComparison& comparison, const LangTable& texts);

// {"ids": [{"id", "answers", "detail"}...]} plus, with a configuration, "configured",
// "missing" and "unused".
QByteArray scanAsJson(const ScanRun& run, const std::optional<ScanComparison>& comparison);

} // namespace Sources
