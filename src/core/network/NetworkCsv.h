#pragma once

#include "common/BoundedFile.h"
#include "core/network/Network.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class LanguageTable;

// The network as a spreadsheet: one row per variable, a node without variables as one row
// with the variable columns empty. Column names and list fields are written in one language
// (the Modbus lists are the ones that have words of their own), numbers in plain decimal,
// and beside the register (its protocol address, counted from 0) the number as manuals write
// it, which import passes over. Fields are split by commas, or by semicolons for a language
// whose decimal separator is a comma, as its spreadsheet programs expect. The file is UTF-8 with a
// byte-order mark, so spreadsheet programs open it right. A cell that starts like a formula
// (= + - @ tab CR) is written behind an apostrophe, so spreadsheets show it as text.
namespace NetworkCsv {

// A spreadsheet of a full network is about 100 KB; a larger file is refused before reading.
inline constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
// How the readers read a spreadsheet file: a regular file within that size, else the reason.
inline constexpr BoundedFile::Limit FileLimit{MaxFileSize, "a network spreadsheet"};

// The names of the stored columns in the language of `texts`, in the order export writes
// them; import takes the columns in any order.
QStringList columnNames(const LanguageTable& texts);
// The field separator export uses for the language of `texts`.
char separatorFor(const LanguageTable& texts);

QByteArray exportNetwork(const Network& nodes, const LanguageTable& texts);

struct ImportResult {
    Network nodes;
    QString error; // empty on success; else "line L, column C (name): what"
    bool ok() const { return error.isEmpty(); }
};

// Reads the file with the network editor's own rules, limits and messages, checking each row
// as soon as it is parsed; the first row that fails refuses the whole file and ends the
// reading. Besides the bytes, memory holds one row and the network (at most the bytes of the
// file twice over, as text). Fields reach the checks exactly as written, a NUL included; a
// leading apostrophe that export put before a formula-like cell is removed. Rows with the same
// primary address form one node, in the order of their first rows. The separator (",", ";" or tab)
// is taken from the header line. Column names and captions may be those of `texts`, of any of
// `languages` or of English, and must match exactly; a list position as a number is accepted
// too (a caption that is itself a number, like the dimension "8", wins over the position).
// Messages come in the language of `texts`.
ImportResult importNetwork(const QByteArray& bytes, const LanguageTable& texts,
                           const QList<LanguageTable>& languages = {});

} // namespace NetworkCsv
