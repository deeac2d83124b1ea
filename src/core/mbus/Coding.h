#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// What the value information of an M-Bus data record means (EN 13757-3, its 2018 edition): the
// primary VIF table, the extension tables after VIF FB and FD, and the combinable VIFEs with
// the record errors. This is the one table of the program: the master's decoder, the value
// view, the virtual gateway and the report all read a record's meaning from here.
namespace Mbus {

// Where a code's meaning comes from.
enum class Edition : quint8 {
    All,     // every edition gives it
    Current, // added after the first edition: decoders that follow the first show it reserved
    Older,   // an older edition's meaning of a code that the current edition leaves reserved
};

// The extension bit of a VIF, VIFE, DIF and DIFE.
inline constexpr quint8 ExtensionBit = 0x80;
// VIFs that are no table entry of their own.
inline constexpr quint8 VifTableFb = 0xFB;
inline constexpr quint8 VifTableFd = 0xFD;
inline constexpr quint8 VifPlainText = 0x7C;       // with or without the extension bit
inline constexpr quint8 VifAny = 0x7E;             // readout selection, master to slave
inline constexpr quint8 VifManufacturer = 0x7F;    // with or without the extension bit
inline constexpr quint8 VifeCombinableMore = 0x7C; // the next VIFE is from the extension table
inline constexpr quint8 VifeManufacturer = 0x7F;   // the rest of the block is the maker's

// One code of the primary, FB or FD table.
struct VifMeaning {
    bool known = false;       // false: reserved in every edition, or no code of the table
    QString quantity;         // stable English key: "energy", "volume flow", "access number"
    QString unit;             // "Wh", "m³", "°C", "s", "US gal" ... or empty
    int exponent = 0;         // the record's number times 10^exponent is in `unit`
    bool pointInTime = false; // the data field holds a date or a time (types G, F, I, J)
    Edition edition = Edition::All;
};

// `vif` without its extension bit; the codes 7B to 7F are no quantity and give "not known".
VifMeaning primaryVif(quint8 vif);
// The first VIFE after VIF FB or FD, without its extension bit.
VifMeaning fbVif(quint8 code);
VifMeaning fdVif(quint8 code);

// One combinable (orthogonal) VIFE and what it does to the record it follows.
struct VifeMeaning {
    enum class Kind : quint8 {
        Unknown,              // reserved: shown as such, the record's meaning stays open
        NoError,              // E000 0000 "none"
        RecordError,          // the value is not to be taken (text says why)
        Unit,                 // a unit suffix such as "/h" or "·s"
        Exponent,             // a multiplier 10^exponent
        Modifier,             // words added to the quantity
        PointInTime,          // the value becomes a date or time of the quantity
        Duration,             // the value becomes a duration in `unit`
        Count,                // the value becomes a number of events, without unit
        Offset,               // an additive correction in the record's unit times 10^exponent
        OtherLayout,          // the data field has a layout this decoder does not read
        ManufacturerSpecific, // E111 1111: the rest of the block is the maker's
        MoreCombinable,       // E111 1100: the next VIFE is from the extension table
    };
    Kind kind = Kind::Unknown;
    QString text;     // "data overflow", "per hour", "accumulation only if positive"...
    QString unit;     // Unit: the suffix; Duration: "s", "min", "h" or "d"
    int exponent = 0; // Exponent and Offset
    Edition edition = Edition::All;
};

// `code` without its extension bit, as the slave sends it (E000 xxxx are record errors).
VifeMeaning combinableVife(quint8 code);
// The VIFE after E111 1100.
VifeMeaning combinableExtensionVife(quint8 code);

// The value information block of a record as it stands: the VIF, its VIFEs, and for a plain
// text VIF its characters in reading order.
struct ValueInformation {
    quint8 vif = 0;
    QByteArray vifes;
    QByteArray plainText;
};

// Everything a value information block says, read through the tables above.
struct RecordMeaning {
    enum class Form : quint8 {
        Number,               // the data field's number times 10^exponent, in `unit`
        PointInTime,          // a date or a time
        ManufacturerSpecific, // VIF 7F/FF or VIFE 7F: what follows is the maker's
        Unknown,              // a code no table gives: the value is not read
    };
    Form form = Form::Unknown;
    QString quantity; // the key and its modifiers: "volume, accumulation only if negative"
    QString unit;
    int exponent = 0;
    QString recordError;          // the record error a VIFE reports, or empty
    QString unknown;              // which code no table gives ("FB 22 reserved"), or empty
    bool olderEdition = false;    // a code read by an older edition's meaning
    bool laterEdition = false;    // a code that the first edition did not have
    bool unsignedData = false;    // an integer field read as type C (unsigned)
    QByteArray manufacturerVifes; // the VIFEs after a manufacturer-specific VIF or VIFE
};
RecordMeaning describe(const ValueInformation& vib);

// "s", "min", "h", "d" for nn = 0..3 of the duration codes.
QString durationUnit(int nn);

} // namespace Mbus
