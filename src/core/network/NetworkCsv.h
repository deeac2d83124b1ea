#pragma once

#include "common/BoundedFile.h"
#include "core/network/Network.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class LangTable;

// The network as a spreadsheet: one row per variable, a node without variables as one row
// with the variable columns empty. List fields are written as their captions (the Modbus
// lists in the current language), numbers in plain decimal. The file is UTF-8 with a
// byte-order mark, so spreadsheet programs open it right. A cell that starts like a formula
// (= + - @ tab CR) is written behind an apostrophe, so spreadsheets show it as text.
namespace NetworkCsv {

// A spreadsheet of a full network is about 100 KB; a larger file is refused before reading.
inline constexpr qint64 MaxFileSize = 16 * 1024 * 1024;
// How the readers read a spreadsheet file: a regular file within that size, else the reason.
inline constexpr BoundedFile::Limit FileLimit{MaxFileSize, "a network spreadsheet"};

// The header, in the order export writes it; import takes the columns in any order.
const QStringList& columnNames();

QByteArray exportNetwork(const TNodi_List& nodes, const LangTable& texts);

struct ImportResult {
    TNodi_List nodes;
    QString error; // empty on success; else "line L, column C (name): what"
    bool ok() const { return error.isEmpty(); }
};

// Reads the file with the network editor's own rules, limits and messages, checking each row
// as soon as it is parsed; the first row that fails refuses the whole file and ends the
// reading. Besides the bytes, memory holds one row and the network (at most the bytes of the
// file twice over, as text). Fields reach the checks exactly as written, a NUL included; a
// leading apostrophe that export put before a formula-like cell is removed. Rows with the same
// primary address form one node, in the order of their first rows. The separator (",", ";" or tab)
// is taken from the header line. Captions must match exactly; a list position as a number is
// accepted too (a caption that is itself a number, like the dimension "8", wins over the position).
ImportResult importNetwork(const QByteArray& bytes, const LangTable& texts);

} // namespace NetworkCsv
