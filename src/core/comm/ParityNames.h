#pragma once

#include <QString>
#include <QStringList>

class LanguageTable;

// The parity list's words in the user's language; the stored positions stay those of
// ParGenLists::mbusParities and Mod_Par (none, even, odd).
namespace ParityNames {

inline constexpr int First = 499; // none, even, odd: three texts in list order

QStringList all(const LanguageTable& texts);
// The name at `position`; empty outside the list.
QString at(const LanguageTable& texts, int position);

} // namespace ParityNames
