#pragma once

// Language-table indexes of the spreadsheet's words and the register numbering.
namespace NetworkTexts {

// The spreadsheet's column names, in the order of its stored columns (19 of them).
inline constexpr int CsvColumnFirst = 462;
inline constexpr int CsvColumnCount = 19;
// The column export adds beside the register: the number as manuals write it.
inline constexpr int CsvRegisterNumberColumn = 481;
// The language's decimal separator: where it is a comma, spreadsheets split at semicolons.
inline constexpr int DecimalSeparator = 482;
// "register %1 (%2)": the number from 1 and the number with the table's digit.
inline constexpr int RegisterNumber = 483;
// The register field's hint: the stored value is the protocol address.
inline constexpr int ProtocolAddressHint = 484;
// "address %1 = %2": the protocol address and the register number beside it.
inline constexpr int AddressAndNumber = 485;

} // namespace NetworkTexts
