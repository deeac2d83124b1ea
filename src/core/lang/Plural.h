#pragma once

#include <QString>

class LanguageTable;

// "1 variable", "2 variables": a count with its word, one text for one and one for the rest,
// so that every language can write both forms.
namespace Plural {

inline constexpr int Variables = 502; // "1 variable", then "%1 variables"
inline constexpr int Bits = 504;
inline constexpr int Nodes = 506;

// The text at `first` for one, at `first` + 1 with the count for any other number.
QString count(const LanguageTable& texts, int first, qint64 n);

} // namespace Plural
