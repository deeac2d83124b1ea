#pragma once

#include <QStringView>
#include <optional>

// The number rule for text a user typed: leading blanks skipped, an optional sign, then
// decimal digits or a hexadecimal prefix ("$", "x" or "0x", x in either case) and hex digits.
// Anything else, trailing blanks included, an empty text or an overflow is not a number.
namespace NumberRule {

std::optional<qint32> toInt32(QStringView text);
std::optional<qint64> toInt64(QStringView text);

// Range checks treat a text that is not a number as out of range.
bool inRange(QStringView text, qint64 low, qint64 high);

} // namespace NumberRule
