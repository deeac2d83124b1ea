#pragma once

#include "core/lang/LanguageTable.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Writes a table as a translator's starting file: every text a window uses, one entry line
// each, in a form the loader reads back to exactly the same text.
namespace LanguageExport {

// The value as it must follow "STR<index> = ", or nothing when no line can carry the text
// (a pilcrow or "/#/" anywhere in it, or a line break).
std::optional<QString> entryValue(const QString& text);

struct Result {
    QByteArray bytes;   // UTF-8 with a byte-order mark, CR LF line ends
    QList<int> skipped; // indexes whose text no line can carry; named in the header
};

// `source` names where the texts come from, for the header ("English defaults", a file name).
// Fillers still holding the default blank are left out; every other index is written, so the
// file loaded over the defaults gives back `table` except for the skipped indexes.
Result exportTable(const LanguageTable& table, const QString& source);

} // namespace LanguageExport
