#pragma once

#include "core/mbus/Coding.h"
#include "core/mbus/DataField.h"
#include "core/mbus/Frame.h"

#include <QList>
#include <QString>
#include <optional>

// The application layer of an RSP_UD (EN 13757-3): the header of CI 72 (long), 7A (short) or
// 78 (none), the data records with their DIF, DIFEs, VIF and VIFEs, and the manufacturer's
// data after DIF 0F or 1F.
namespace Mbus {

// Special DIFs.
inline constexpr quint8 DifManufacturerData = 0x0F;
inline constexpr quint8 DifMoreRecordsFollow = 0x1F;
inline constexpr quint8 DifIdleFiller = 0x2F;
// More DIFEs or VIFEs than this refuse the telegram.
inline constexpr int MaxExtensions = 10;

enum class Function : quint8 { Instantaneous, Maximum, Minimum, DuringError };
// "instantaneous", "maximum", "minimum", "value during error state"
QString functionKey(Function f);

struct Record {
    int offset = 0;    // where its DIF stands in the user data
    QByteArray dib;    // DIF and DIFEs
    QByteArray vibRaw; // VIF, VIFEs and a plain text unit as they stand
    ValueInformation vib;
    QByteArray data; // the data field, without the LVAR byte
    quint8 dataField = 0;
    quint8 lvar = 0; // variable length
    Function function = Function::Instantaneous;
    quint64 storage = 0;
    quint32 tariff = 0;
    quint32 subunit = 0;
    RecordMeaning meaning;

    // The value the record shows: a number with the exponent applied, in meaning.unit; or a
    // text (a date and time in ISO 8601, or characters); or neither, and `error` says why.
    std::optional<Decimal> number;
    std::optional<QString> text;
    QString error;
};

// The identification of a long header (and of a selection).
struct Identity {
    QString id; // eight digits, most significant first (hexadecimal where not BCD)
    quint16 manufacturerCode = 0;
    quint8 version = 0;
    quint8 medium = 0;

    QString manufacturer() const;
    // "12345678" + manufacturer, version and medium in hexadecimal, as selection masks read.
    QString secondaryAddress() const;
};

struct Telegram {
    quint8 c = 0;
    quint8 a = 0;
    quint8 ci = 0;
    std::optional<Identity> identity; // CI 72
    std::optional<quint8> access;     // CI 72 and 7A
    std::optional<quint8> status;
    quint16 signature = 0;
    QList<Record> records;
    bool manufacturerPart = false; // DIF 0F or 1F
    QByteArray manufacturerData;
    bool moreFollows = false; // DIF 1F
};

struct DecodedTelegram {
    std::optional<Telegram> telegram;
    QString error; // why the telegram is refused
};
// An RSP_UD long frame, checked whole: a telegram that breaks the layer's rules is refused with
// the reason and the byte where it broke, never read in part.
DecodedTelegram decodeTelegram(const Frame& frame);

// Three letters from the header's two bytes.
QString manufacturerLetters(quint16 code);
// "water", "heat (outlet)", ...; unknown codes as "reserved (45)".
QString mediumName(quint8 medium);

} // namespace Mbus
