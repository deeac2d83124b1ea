#pragma once

#include "core/mbus/Master.h"

#include <QByteArray>
#include <QStringList>

class LanguageTable;

// A slave's reading and a scan as a person reads them and as JSON (C locale).
namespace Mbus {

namespace Text {
inline constexpr int Slave = 535;
inline constexpr int SlaveWithoutIdentity = 536;
inline constexpr int Storage = 537;
inline constexpr int Tariff = 538;
inline constexpr int Subunit = 539;
inline constexpr int Instantaneous = 540;
inline constexpr int Maximum = 541;
inline constexpr int Minimum = 542;
inline constexpr int DuringError = 543;
inline constexpr int NoValue = 544;
inline constexpr int ManufacturerData = 545;
inline constexpr int NoAnswerPrimary = 546;
inline constexpr int NoAnswerSecondary = 547;
inline constexpr int Garbled = 548;
inline constexpr int Refused = 549;
inline constexpr int LinkLost = 550;
inline constexpr int Found = 551;
inline constexpr int NotRead = 552;
inline constexpr int Summary = 553;
inline constexpr int CannotConnect = 554;
} // namespace Text

// The value of a record as text: the number with its exponent, a date or a text; empty when
// the record has none.
QString valueText(const Record& record);

// {"address", "id", "manufacturer", "version", "medium", "access", "status", "records":
// [{"function", "storage", "tariff", "subunit", "quantity", "unit", "value", "error"}...],
// "manufacturerData"}; what a short header lacks is null.
QByteArray readingAsJson(const Reading& reading);
// The header line, one line per record, and the manufacturer's data when there is any.
QStringList readingLines(const Reading& reading, const LanguageTable& texts);

// {"slaves": [{"address", "id", "manufacturer", "medium"}...], "problems": [{"where", "error"}]}
QByteArray scanAsJson(const ScanResult& scan);
QStringList scanLines(const ScanResult& scan, const LanguageTable& texts);

// Why a read gave nothing: `asked` is the primary address or the mask, `where` the line.
QString failureText(const ReadResult& result, const QString& asked, bool secondary,
                    const QString& where, const LanguageTable& texts);

} // namespace Mbus
