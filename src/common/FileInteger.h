#pragma once

#include <QStringView>
#include <optional>

// How every file reader reads an integer: an optional sign followed by decimal digits and
// nothing else. Blanks, a hexadecimal prefix, a decimal point, an empty text or a value that
// does not fit 64 bits make it "not an integer"; each reader then applies its own default.
namespace FileInteger {

std::optional<qint64> parse(QStringView text);
std::optional<qint64> parse(const char* text);

// Within [low, high], else not an integer (for fields with a declared range, like "StoNumber").
std::optional<qint64> parseInRange(QStringView text, qint64 low, qint64 high);

} // namespace FileInteger
