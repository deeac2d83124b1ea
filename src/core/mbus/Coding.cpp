#include "core/mbus/Coding.h"

#include <span>

namespace Mbus {

namespace {

// How a row's codes differ from one another.
enum class Step : quint8 {
    Fixed,          // one meaning for the whole row
    Decimal,        // the exponent grows by one per code
    Seconds,        // nn: seconds, minutes, hours, days
    Hours,          // pp: hours, days, months, years
    TariffDuration, // nn = 01..11: minutes, hours, days
};

struct Row {
    quint8 first;
    quint8 last;
    const char* quantity;
    const char* unit;
    qint8 exponent;
    Step step;
    bool pointInTime;
    Edition edition;
};

constexpr Edition All = Edition::All;
constexpr Edition New = Edition::Current;
constexpr Edition Old = Edition::Older;
constexpr Step Fixed = Step::Fixed;
constexpr Step Decimal = Step::Decimal;

// Primary VIFs, E000 0000 .. E111 1010.
constexpr Row PrimaryRows[] = {
    {0x00, 0x07, "energy", "Wh", -3, Decimal, false, All},
    {0x08, 0x0F, "energy", "J", 0, Decimal, false, All},
    {0x10, 0x17, "volume", "m³", -6, Decimal, false, All},
    {0x18, 0x1F, "mass", "kg", -3, Decimal, false, All},
    {0x20, 0x23, "on time", "", 0, Step::Seconds, false, All},
    {0x24, 0x27, "operating time", "", 0, Step::Seconds, false, All},
    {0x28, 0x2F, "power", "W", -3, Decimal, false, All},
    {0x30, 0x37, "power", "J/h", 0, Decimal, false, All},
    {0x38, 0x3F, "volume flow", "m³/h", -6, Decimal, false, All},
    {0x40, 0x47, "volume flow", "m³/min", -7, Decimal, false, All},
    {0x48, 0x4F, "volume flow", "m³/s", -9, Decimal, false, All},
    {0x50, 0x57, "mass flow", "kg/h", -3, Decimal, false, All},
    {0x58, 0x5B, "flow temperature", "°C", -3, Decimal, false, All},
    {0x5C, 0x5F, "return temperature", "°C", -3, Decimal, false, All},
    {0x60, 0x63, "temperature difference", "K", -3, Decimal, false, All},
    {0x64, 0x67, "external temperature", "°C", -3, Decimal, false, All},
    {0x68, 0x6B, "pressure", "bar", -3, Decimal, false, All},
    // Type G; type F, and since the second edition I and J by the data field's size.
    {0x6C, 0x6C, "date", "", 0, Fixed, true, All},
    {0x6D, 0x6D, "date and time", "", 0, Fixed, true, All},
    {0x6E, 0x6E, "HCA units", "", 0, Fixed, false, All},
    // 6F: reserved for a third extension table.
    {0x70, 0x73, "averaging duration", "", 0, Step::Seconds, false, All},
    {0x74, 0x77, "actuality duration", "", 0, Step::Seconds, false, All},
    {0x78, 0x78, "fabrication number", "", 0, Fixed, false, All},
    {0x79, 0x79, "enhanced identification", "", 0, Fixed, false, All},
    {0x7A, 0x7A, "bus address", "", 0, Fixed, false, All},
};

// The first VIFE after VIF FB. The current edition took the US units and degrees Fahrenheit
// out (their codes are reserved there) and put ft³ at E010 0000; the first edition's codes are
// kept as its meaning, marked older.
constexpr Row FbRows[] = {
    {0x00, 0x01, "energy", "Wh", 5, Decimal, false, All}, // 0.1 MWh and 1 MWh
    {0x02, 0x03, "reactive energy", "varh", 3, Decimal, false, New},
    {0x04, 0x05, "apparent energy", "VAh", 3, Decimal, false, New},
    {0x08, 0x09, "energy", "J", 8, Decimal, false, All},   // 0.1 GJ and 1 GJ
    {0x0C, 0x0F, "energy", "cal", 5, Decimal, false, New}, // 0.1 MCal .. 100 MCal
    {0x10, 0x11, "volume", "m³", 2, Decimal, false, All},
    {0x14, 0x17, "reactive power", "var", 0, Decimal, false, New}, // 0.001 kvar .. 1 kvar
    {0x18, 0x19, "mass", "kg", 5, Decimal, false, All},            // 100 t and 1000 t
    {0x1A, 0x1B, "relative humidity", "%", -1, Decimal, false, New},
    {0x20, 0x20, "volume", "ft³", 0, Fixed, false, New},
    {0x21, 0x21, "volume", "ft³", -1, Fixed, false, All},
    {0x22, 0x22, "volume", "US gal", -1, Fixed, false, Old},
    {0x23, 0x23, "volume", "US gal", 0, Fixed, false, Old},
    {0x24, 0x24, "volume flow", "US gal/min", -3, Fixed, false, Old},
    {0x25, 0x25, "volume flow", "US gal/min", 0, Fixed, false, Old},
    {0x26, 0x26, "volume flow", "US gal/h", 0, Fixed, false, Old},
    {0x28, 0x29, "power", "W", 5, Decimal, false, All}, // 0.1 MW and 1 MW
    {0x2A, 0x2A, "phase voltage to voltage", "°", -1, Fixed, false, New},
    {0x2B, 0x2B, "phase voltage to current", "°", -1, Fixed, false, New},
    {0x2C, 0x2F, "frequency", "Hz", -3, Decimal, false, New},
    {0x30, 0x31, "power", "J/h", 8, Decimal, false, All},         // 0.1 GJ/h and 1 GJ/h
    {0x34, 0x37, "apparent power", "VA", 0, Decimal, false, New}, // 0.001 kVA .. 1 kVA
    {0x58, 0x5B, "flow temperature", "°F", -3, Decimal, false, Old},
    {0x5C, 0x5F, "return temperature", "°F", -3, Decimal, false, Old},
    {0x60, 0x63, "temperature difference", "°F", -3, Decimal, false, Old},
    {0x64, 0x67, "external temperature", "°F", -3, Decimal, false, Old},
    {0x70, 0x73, "cold/warm temperature limit", "°F", -3, Decimal, false, Old},
    {0x74, 0x77, "cold/warm temperature limit", "°C", -3, Decimal, false, All},
    {0x78, 0x7F, "cumulative count of maximum power", "W", -3, Decimal, false, All},
};

// The first VIFE after VIF FD.
constexpr Row FdRows[] = {
    {0x00, 0x03, "credit", "", -3, Decimal, false, All}, // of the local legal currency
    {0x04, 0x07, "debit", "", -3, Decimal, false, All},
    // "Access number (transmission count)", renamed "unique message identification".
    {0x08, 0x08, "access number", "", 0, Fixed, false, All},
    {0x09, 0x09, "medium", "", 0, Fixed, false, All}, // "device type" since the second edition
    {0x0A, 0x0A, "manufacturer", "", 0, Fixed, false, All},
    {0x0B, 0x0B, "parameter set identification", "", 0, Fixed, false, All},
    {0x0C, 0x0C, "model/version", "", 0, Fixed, false, All},
    {0x0D, 0x0D, "hardware version", "", 0, Fixed, false, All},
    {0x0E, 0x0E, "firmware version", "", 0, Fixed, false, All},
    {0x0F, 0x0F, "software version", "", 0, Fixed, false, All},
    {0x10, 0x10, "customer location", "", 0, Fixed, false, All},
    {0x11, 0x11, "customer", "", 0, Fixed, false, All},
    {0x12, 0x12, "access code user", "", 0, Fixed, false, All},
    {0x13, 0x13, "access code operator", "", 0, Fixed, false, All},
    {0x14, 0x14, "access code system operator", "", 0, Fixed, false, All},
    {0x15, 0x15, "access code developer", "", 0, Fixed, false, All},
    {0x16, 0x16, "password", "", 0, Fixed, false, All},
    {0x17, 0x17, "error flags", "", 0, Fixed, false, All},
    {0x18, 0x18, "error mask", "", 0, Fixed, false, All},
    {0x19, 0x19, "security key", "", 0, Fixed, false, New},
    {0x1A, 0x1A, "digital output", "", 0, Fixed, false, All},
    {0x1B, 0x1B, "digital input", "", 0, Fixed, false, All},
    {0x1C, 0x1C, "baud rate", "Bd", 0, Fixed, false, All},
    {0x1D, 0x1D, "response delay time", "bit times", 0, Fixed, false, All},
    {0x1E, 0x1E, "retry", "", 0, Fixed, false, All},
    {0x1F, 0x1F, "remote control", "", 0, Fixed, false, New},
    {0x20, 0x20, "first storage number", "", 0, Fixed, false, All},
    {0x21, 0x21, "last storage number", "", 0, Fixed, false, All},
    {0x22, 0x22, "size of storage block", "", 0, Fixed, false, All},
    {0x23, 0x23, "descriptor for tariff and subunit", "", 0, Fixed, false, New},
    {0x24, 0x27, "storage interval", "", 0, Step::Seconds, false, All},
    {0x28, 0x28, "storage interval", "month", 0, Fixed, false, All},
    {0x29, 0x29, "storage interval", "year", 0, Fixed, false, All},
    {0x2A, 0x2A, "operator specific data", "", 0, Fixed, false, New},
    {0x2B, 0x2B, "time point second", "s", 0, Fixed, false, New},
    {0x2C, 0x2F, "duration since last readout", "", 0, Step::Seconds, false, All},
    {0x30, 0x30, "start of tariff", "", 0, Fixed, true, All},
    {0x31, 0x33, "duration of tariff", "", 0, Step::TariffDuration, false, All},
    {0x34, 0x37, "period of tariff", "", 0, Step::Seconds, false, All},
    {0x38, 0x38, "period of tariff", "month", 0, Fixed, false, All},
    {0x39, 0x39, "period of tariff", "year", 0, Fixed, false, All},
    {0x3A, 0x3A, "dimensionless", "", 0, Fixed, false, All},
    {0x3B, 0x3B, "data container for wireless M-Bus", "", 0, Fixed, false, New},
    {0x3C, 0x3F, "period of nominal data transmissions", "", 0, Step::Seconds, false, New},
    {0x40, 0x4F, "voltage", "V", -9, Decimal, false, All},
    {0x50, 0x5F, "current", "A", -12, Decimal, false, All},
    {0x60, 0x60, "reset counter", "", 0, Fixed, false, All},
    {0x61, 0x61, "cumulation counter", "", 0, Fixed, false, All},
    {0x62, 0x62, "control signal", "", 0, Fixed, false, All},
    {0x63, 0x63, "day of week", "", 0, Fixed, false, All},
    {0x64, 0x64, "week number", "", 0, Fixed, false, All},
    {0x65, 0x65, "time point of day change", "", 0, Fixed, false, All},
    {0x66, 0x66, "state of parameter activation", "", 0, Fixed, false, All},
    {0x67, 0x67, "special supplier information", "", 0, Fixed, false, All},
    {0x68, 0x6B, "duration since last cumulation", "", 0, Step::Hours, false, All},
    {0x6C, 0x6F, "operating time battery", "", 0, Step::Hours, false, All},
    {0x70, 0x70, "date and time of battery change", "", 0, Fixed, true, All},
    {0x71, 0x71, "RF level", "dBm", 0, Fixed, false, New},
    {0x72, 0x72, "daylight saving", "", 0, Fixed, false, New},
    {0x73, 0x73, "listening window management", "", 0, Fixed, false, New},
    {0x74, 0x74, "remaining battery life time", "d", 0, Fixed, false, New},
    {0x75, 0x75, "number of times the meter was stopped", "", 0, Fixed, false, New},
    {0x76, 0x76, "data container for manufacturer specific protocol", "", 0, Fixed, false, New},
};

VifMeaning lookUp(std::span<const Row> rows, quint8 code) {
    code &= quint8(~ExtensionBit);
    for (const Row& r : rows) {
        if (code < r.first || code > r.last)
            continue;
        const int n = code - r.first;
        VifMeaning m;
        m.known = true;
        m.quantity = QString::fromUtf8(r.quantity);
        m.unit = QString::fromUtf8(r.unit);
        m.exponent = r.exponent;
        m.pointInTime = r.pointInTime;
        m.edition = r.edition;
        static const char* const HourUnits[] = {"h", "d", "month", "year"};
        switch (r.step) {
        case Step::Fixed:
            break;
        case Step::Decimal:
            m.exponent += n;
            break;
        case Step::Seconds:
            m.unit = durationUnit(n);
            break;
        case Step::Hours:
            m.unit = QString::fromLatin1(HourUnits[n]);
            break;
        case Step::TariffDuration:
            m.unit = durationUnit(n + 1);
            break;
        }
        return m;
    }
    return {};
}

VifeMeaning vife(VifeMeaning::Kind kind, const char* text, Edition edition = All) {
    VifeMeaning v;
    v.kind = kind;
    v.text = QString::fromUtf8(text);
    v.edition = edition;
    return v;
}

VifeMeaning unitVife(const char* text, const char* unit) {
    VifeMeaning v = vife(VifeMeaning::Kind::Unit, text);
    v.unit = QString::fromUtf8(unit);
    return v;
}

QString limit(bool upper) {
    return upper ? QStringLiteral("upper") : QStringLiteral("lower");
}
QString firstLast(bool last) {
    return last ? QStringLiteral("last") : QStringLiteral("first");
}
QString beginEnd(bool end) {
    return end ? QStringLiteral("end") : QStringLiteral("begin");
}

// E000 xxxx .. E001 1111: record errors, and the codes the current edition added there.
VifeMeaning errorRange(quint8 code) {
    using K = VifeMeaning::Kind;
    static const char* const Errors[] = {
        nullptr,
        "too many DIFEs",
        "storage number not implemented",
        "unit number not implemented",
        "tariff number not implemented",
        "function not implemented",
        "data class not implemented",
        "data size not implemented",
        nullptr,
        nullptr,
        nullptr,
        "too many VIFEs",
        "illegal VIF group",
        "illegal VIF exponent",
        "VIF/DIF mismatch",
        "unimplemented action",
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        nullptr,
        "no data available",
        "data overflow",
        "data underflow",
        "data error",
        nullptr,
        nullptr,
        nullptr,
        "premature end of record",
    };
    if (code == 0x00)
        return vife(K::NoError, "none");
    if (code < std::size(Errors) && Errors[code])
        return vife(K::RecordError, Errors[code]);
    switch (code) {
    case 0x12:
        return vife(K::Modifier, "average value", New);
    case 0x13:
        return vife(K::OtherLayout, "inverse compact profile", New);
    case 0x14:
        return vife(K::Modifier, "relative deviation", New);
    case 0x1D:
        return vife(K::Modifier, "standard conform data content", New);
    case 0x1E:
        return vife(K::OtherLayout, "compact profile with registers", New);
    case 0x1F:
        return vife(K::OtherLayout, "compact profile", New);
    default:
        return vife(K::Unknown, "reserved");
    }
}

} // namespace

QString durationUnit(int nn) {
    static const char* const Units[] = {"s", "min", "h", "d"};
    return nn >= 0 && nn < 4 ? QString::fromLatin1(Units[nn]) : QString();
}

VifMeaning primaryVif(quint8 vif) {
    return lookUp(PrimaryRows, vif);
}

VifMeaning fbVif(quint8 code) {
    return lookUp(FbRows, code);
}

VifMeaning fdVif(quint8 code) {
    return lookUp(FdRows, code);
}

VifeMeaning combinableVife(quint8 code) {
    using K = VifeMeaning::Kind;
    code &= quint8(~ExtensionBit);
    if (code < 0x20)
        return errorRange(code);
    static const char* const PerTexts[] = {
        "per second", "per minute", "per hour", "per day",
        "per week",   "per month",  "per year", "per revolution/measurement"};
    static const char* const PerUnits[] = {"/s",    "/min",   "/h",    "/d",
                                           "/week", "/month", "/year", "/revolution"};
    if (code <= 0x27)
        return unitVife(PerTexts[code - 0x20], PerUnits[code - 0x20]);
    if (code <= 0x2B) {
        VifeMeaning v = vife(K::Modifier, "");
        v.text = QStringLiteral("increment per %1 pulse on channel %2")
                     .arg(code < 0x2A ? QStringLiteral("input") : QStringLiteral("output"))
                     .arg(code & 1);
        return v;
    }
    static const char* const DivTexts[] = {
        "per litre",        "per m³",  "per kg", "per K", "per kWh",         "per GJ",
        "per kW",           "per K·l", "per V",  "per A", "multiplied by s", "multiplied by s/V",
        "multiplied by s/A"};
    static const char* const DivUnits[] = {"/l",     "/m³", "/kg", "/K", "/kWh", "/GJ", "/kW",
                                           "/(K·l)", "/V",  "/A",  "·s", "·s/V", "·s/A"};
    if (code <= 0x38)
        return unitVife(DivTexts[code - 0x2C], DivUnits[code - 0x2C]);
    switch (code) {
    case 0x39:
        return vife(K::PointInTime, "start date");
    case 0x3A:
        return vife(K::Modifier, "uncorrected (at metering conditions)");
    case 0x3B:
        return vife(K::Modifier, "accumulation only if positive");
    case 0x3C:
        return vife(K::Modifier, "accumulation of the absolute value only if negative");
    case 0x3D:
        // The unit is one of another unit system's, which this table does not give.
        return vife(K::Unknown, "alternate non-metric unit system");
    case 0x3E:
        return vife(K::Modifier, "value at base conditions", New);
    case 0x3F:
        return vife(K::OtherLayout, "OBIS declaration", New);
    default:
        break;
    }
    const bool upper = code & 0x08;
    if (code <= 0x4F) { // E100 uxxx
        const int low = code & 0x07;
        if (low == 0) {
            VifeMeaning v = vife(K::Modifier, "");
            v.text = limit(upper) + QStringLiteral(" limit value");
            return v;
        }
        if (low == 1) {
            VifeMeaning v = vife(K::Count, "");
            v.text = QStringLiteral("number of exceeds of the %1 limit").arg(limit(upper));
            return v;
        }
        if (low & 0x02) { // E100 uf1b
            VifeMeaning v = vife(K::PointInTime, "");
            v.text = QStringLiteral("date of %1 of the %2 %3 limit exceed")
                         .arg(beginEnd(code & 1), firstLast(code & 4), limit(upper));
            return v;
        }
        return vife(K::Unknown, "reserved");
    }
    if (code <= 0x5F) { // E101 ufnn
        VifeMeaning v = vife(K::Duration, "");
        v.text = QStringLiteral("duration of the %1 %2 limit exceed")
                     .arg(firstLast(code & 4), limit(upper));
        v.unit = durationUnit(code & 3);
        return v;
    }
    if (code <= 0x67) { // E110 0fnn
        VifeMeaning v = vife(K::Duration, "");
        v.text = QStringLiteral("duration of the %1").arg(firstLast(code & 4));
        v.unit = durationUnit(code & 3);
        return v;
    }
    switch (code) {
    case 0x68:
        return vife(K::Modifier, "value during lower limit exceed", New);
    case 0x6C:
        return vife(K::Modifier, "value during upper limit exceed", New);
    case 0x69:
        return vife(K::Modifier, "leakage values", New);
    case 0x6D:
        return vife(K::Modifier, "overflow values", New);
    case 0x6A:
    case 0x6B:
    case 0x6E:
    case 0x6F: { // E110 1f1b
        VifeMeaning v = vife(K::PointInTime, "");
        v.text =
            QStringLiteral("date of %1 of the %2").arg(beginEnd(code & 1), firstLast(code & 4));
        return v;
    }
    default:
        break;
    }
    if (code <= 0x77) {
        VifeMeaning v = vife(K::Exponent, "multiplicative correction factor");
        v.exponent = (code & 7) - 6;
        return v;
    }
    if (code <= 0x7B) {
        VifeMeaning v = vife(K::Offset, "additive correction constant");
        v.exponent = (code & 3) - 3;
        return v;
    }
    if (code == 0x7C)
        return vife(K::MoreCombinable, "extension of combinable VIFE", New);
    if (code == 0x7D) {
        VifeMeaning v = vife(K::Exponent, "multiplicative correction factor 10³");
        v.exponent = 3;
        return v;
    }
    if (code == 0x7E)
        return vife(K::Modifier, "future value");
    return vife(K::ManufacturerSpecific, "manufacturer specific");
}

VifeMeaning combinableExtensionVife(quint8 code) {
    using K = VifeMeaning::Kind;
    code &= quint8(~ExtensionBit);
    static const char* const Phases[] = {nullptr,
                                         "at phase L1",
                                         "at phase L2",
                                         "at phase L3",
                                         "at neutral",
                                         "between phases L1 and L2",
                                         "between phases L2 and L3",
                                         "between phases L3 and L1",
                                         "at quadrant Q1",
                                         "at quadrant Q2",
                                         "at quadrant Q3",
                                         "at quadrant Q4",
                                         "delta between import and export"};
    if (code < std::size(Phases) && Phases[code])
        return vife(K::Modifier, Phases[code], New);
    if (code == 0x10)
        return vife(K::Modifier, "accumulation of the absolute value of both contributions", New);
    if (code == 0x11)
        return vife(K::Modifier, "data presented with type C", New);
    if (code == 0x12)
        return vife(K::Modifier, "data presented with type D", New);
    return vife(K::Unknown, "reserved");
}

namespace {

QString hex(quint8 b) {
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

// The meaning of the VIF itself; `used` is how many VIFEs it took.
VifMeaning vifMeaning(const ValueInformation& vib, int& used, QString& unknown) {
    used = 0;
    const quint8 vif = vib.vif & quint8(~ExtensionBit);
    if (vib.vif == VifTableFb || vib.vif == VifTableFd) {
        if (vib.vifes.isEmpty()) {
            unknown = QStringLiteral("VIF %1 without its code").arg(hex(vib.vif));
            return {};
        }
        used = 1;
        const quint8 code = quint8(vib.vifes[0]);
        VifMeaning m = vib.vif == VifTableFb ? fbVif(code) : fdVif(code);
        if (!m.known)
            unknown = QStringLiteral("VIF %1 %2 reserved")
                          .arg(hex(vib.vif), hex(code & quint8(~ExtensionBit)));
        return m;
    }
    if (vif == VifPlainText) {
        VifMeaning m;
        m.known = true;
        m.quantity = QStringLiteral("plain text unit");
        m.unit = QString::fromLatin1(vib.plainText);
        return m;
    }
    VifMeaning m = primaryVif(vif);
    if (!m.known)
        unknown = QStringLiteral("VIF %1 reserved").arg(hex(vib.vif));
    return m;
}

} // namespace

RecordMeaning describe(const ValueInformation& vib) {
    using K = VifeMeaning::Kind;
    RecordMeaning r;
    if ((vib.vif & quint8(~ExtensionBit)) == VifManufacturer) {
        r.form = RecordMeaning::Form::ManufacturerSpecific;
        r.quantity = QStringLiteral("manufacturer specific");
        r.manufacturerVifes = vib.vifes;
        return r;
    }
    int used = 0;
    const VifMeaning m = vifMeaning(vib, used, r.unknown);
    if (!m.known) {
        // A reserved VIF says nothing of the VIFEs after it either.
        r.form = RecordMeaning::Form::Unknown;
        return r;
    }
    r.form = m.pointInTime ? RecordMeaning::Form::PointInTime : RecordMeaning::Form::Number;
    r.quantity = m.quantity;
    r.unit = m.unit;
    r.exponent = m.exponent;
    r.olderEdition = m.edition == Edition::Older;
    r.laterEdition = m.edition == Edition::Current;
    const auto addTo = [](QString& into, const QString& what) {
        into += (into.isEmpty() ? QString() : QStringLiteral("; ")) + what;
    };
    bool extended = false;
    for (int i = used; i < vib.vifes.size(); ++i) {
        const quint8 code = quint8(vib.vifes[i]);
        const VifeMeaning v = extended ? combinableExtensionVife(code) : combinableVife(code);
        const bool wasExtended = extended;
        extended = false;
        switch (v.kind) {
        case K::Unknown:
            addTo(r.unknown, QStringLiteral("VIFE %1%2 %3")
                                 .arg(wasExtended ? QStringLiteral("FC ") : QString(),
                                      hex(code & quint8(~ExtensionBit)), v.text));
            r.form = RecordMeaning::Form::Unknown;
            break;
        case K::NoError:
            break;
        case K::RecordError:
            addTo(r.recordError, v.text);
            break;
        case K::Unit:
            r.unit += v.unit;
            break;
        case K::Exponent:
            r.exponent += v.exponent;
            break;
        case K::Modifier:
            r.quantity += QStringLiteral(", ") + v.text;
            // Types C (unsigned integer) and D (bits) read the field without a sign.
            r.unsignedData |= wasExtended && ((code & 0x7F) == 0x11 || (code & 0x7F) == 0x12);
            break;
        case K::PointInTime:
            r.quantity += QStringLiteral(", ") + v.text;
            r.unit.clear();
            r.exponent = 0;
            if (r.form != RecordMeaning::Form::Unknown)
                r.form = RecordMeaning::Form::PointInTime;
            break;
        case K::Duration:
            r.quantity += QStringLiteral(", ") + v.text;
            r.unit = v.unit;
            r.exponent = 0;
            break;
        case K::Count:
            r.quantity += QStringLiteral(", ") + v.text;
            r.unit.clear();
            r.exponent = 0;
            break;
        case K::Offset:
            r.quantity += QStringLiteral(", ") + v.text;
            r.exponent += v.exponent;
            break;
        case K::OtherLayout:
            addTo(r.unknown, v.text + QStringLiteral(" not decoded"));
            r.form = RecordMeaning::Form::Unknown;
            break;
        case K::ManufacturerSpecific:
            r.manufacturerVifes = vib.vifes.mid(i + 1);
            r.quantity += QStringLiteral(", manufacturer specific");
            r.form = RecordMeaning::Form::ManufacturerSpecific;
            return r;
        case K::MoreCombinable:
            extended = true;
            break;
        }
        r.laterEdition |= v.edition == Edition::Current;
    }
    if (extended) {
        addTo(r.unknown, QStringLiteral("VIFE FC without the code that follows"));
        r.form = RecordMeaning::Form::Unknown;
    }
    return r;
}

} // namespace Mbus
