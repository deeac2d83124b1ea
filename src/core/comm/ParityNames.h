#pragma once

#include <QString>
#include <QStringList>

class LangTable;

// The parity list's words in the user's language; the stored positions stay those of
// ParGenLists::Meter_Par and Mod_Par (none, even, odd).
namespace ParityNames {

inline constexpr int First = 499; // none, even, odd: three texts in list order

QStringList all(const LangTable& texts);
// The name at `position`; empty outside the list.
QString at(const LangTable& texts, int position);

} // namespace ParityNames
