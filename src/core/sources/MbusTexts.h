#pragma once

#include "core/sources/MbusValue.h"

#include <QJsonObject>
#include <QStringList>

class LanguageTable;

namespace Sources {

struct SourceVariable;

namespace Text {
inline constexpr int MbusValue = 322;
inline constexpr int Warnings = 323;
inline constexpr int DoesNotFit = 324;
inline constexpr int NegativeInField = 325;
inline constexpr int BcdDigit = 326;
inline constexpr int NotFinite = 327;
inline constexpr int BetterSwap = 328;
inline constexpr int SingleBit = 329;
inline constexpr int WarningLine = 330;
} // namespace Text

// One sentence per flag, in the flags' order.
QStringList mbusWarnings(const Mbus::Value& value, const SourceVariable& variable,
                         const LanguageTable& texts);

// {"value": number or null, "unit", "exponent", "text", "flags": [names]}.
QJsonObject mbusJson(const std::optional<Mbus::Value>& value);

} // namespace Sources
