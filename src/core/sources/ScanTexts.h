#pragma once

#include "core/sources/SlaveScan.h"

#include <QByteArray>
#include <QStringList>

class LanguageTable;

namespace Sources {

namespace Text {
inline constexpr int FindSlaves = 331;
inline constexpr int FirstId = 332;
inline constexpr int LastId = 333;
inline constexpr int Scan = 334;
inline constexpr int ScanProgress = 336;
inline constexpr int IdData = 337;
inline constexpr int IdException = 338;
inline constexpr int IdFailed = 339;
inline constexpr int IdConfigured = 340;
inline constexpr int MissingIds = 341;
inline constexpr int UnusedIds = 342;
inline constexpr int ScanSummary = 343;
inline constexpr int NoIds = 344;
inline constexpr int ScanBoundPerId = 353;
inline constexpr int NotAsked = 354;
} // namespace Text

// "A scan of 247 IDs takes at most 25.1 s: per ID the time-out of 100 ms and up to 1 ms on the
// line, plus the connection." (scanBoundMs)
QString scanBoundText(const Connection& connection, int first, int last,
                      const LanguageTable& texts);

// One line per id that answered or answered wrongly, silent ids left out, and one for the ids
// the scan's bound left unasked; with a configuration, the ids it uses are marked.
QStringList scanLines(const ScanRun& run, const QList<int>& configured, const LanguageTable& texts);

// The two lines of the comparison with a configuration.
QStringList comparisonLines(const ScanComparison& comparison, const LanguageTable& texts);

// {"ids": [{"id", "answers", "detail"}...]} plus, with a configuration, "configured",
// "missing" and "unused".
QByteArray scanAsJson(const ScanRun& run, const std::optional<ScanComparison>& comparison);

} // namespace Sources
