#include "core/network/CodingTables.h"

#include "core/lang/LanguageTable.h"

#include <span>

namespace CodingTables {

namespace {

struct TypeRow {
    const char* caption;
    QStringList scales; // empty: no list
};

struct VifeRow {
    const char* caption;
    QStringList scales; // the list while the type of data is 19; empty: no list
};

// Positions are stored data: append-only, never reorder (see the header).
std::span<const TypeRow> typeRows() {
    static const TypeRow rows[] = {
        {"Energy (Wh)",
         {"Wh * (10 ^ -3)", "Wh * (10 ^ -2)", "Wh * (10 ^ -1)", "Wh * (10 ^ 0)", "Wh * (10 ^ 1)",
          "Wh * (10 ^ 2)", "Wh * (10 ^ 3)", "Wh * (10 ^ 4)"}}, // 0
        {"Energy (J)",
         {"J * (10 ^ 0)", "J * (10 ^ 1)", "J * (10 ^ 2)", "J * (10 ^ 3)", "J * (10 ^ 4)",
          "J * (10 ^ 5)", "J * (10 ^ 6)", "J * (10 ^ 7)"}}, // 1
        {"Volume (m³)",
         {"m^3 * (10 ^ -6)", "m^3 * (10 ^ -5)", "m^3 * (10 ^ -4)", "m^3 * (10 ^ -3)",
          "m^3 * (10 ^ -2)", "m^3 * (10 ^ -1)", "m^3 * (10 ^ -0)", "m^3 * (10 ^ 1)"}}, // 2
        {"Mass (Kg)",
         {"kg * (10 ^ -3)", "kg * (10 ^ -2)", "kg * (10 ^ -1)", "kg * (10 ^ 0)", "kg * (10 ^ 1)",
          "kg * (10 ^ 2)", "kg * (10 ^ 3)", "kg * (10 ^ 4)"}}, // 3
        {"On Time",
         {"On Time : Seconds", "On Time : Minutes", "On Time : Hours", "On Time : Days"}}, // 4
        {"Operating Time",
         {"Operation Time : Seconds", "Operation Time : Minutes", "Operation Time : Hours",
          "Operation Time : Days"}}, // 5
        {"Power (W)",
         {"W * (10 ^ -3)", "W * (10 ^ -2)", "W * (10 ^ -1)", "W * (10 ^ -0)", "W * (10 ^ 1)",
          "W * (10 ^ 2)", "W * (10 ^ 3)", "W * (10 ^ 4)"}}, // 6
        {"Power (J/h)",
         {"J/h * (10 ^ 0)", "J/h * (10 ^ 1)", "J/h * (10 ^ 2)", "J/h * (10 ^ 3)", "J/h * (10 ^ 4)",
          "J/h * (10 ^ 5)", "J/h * (10 ^ 6)", "J/h * (10 ^ 7)"}}, // 7
        {"Volume Flow (m³/h)",
         {"m^3/h * (10 ^ -6)", "m^3/h * (10 ^ -5)", "m^3/h * (10 ^ -4)", "m^3/h * (10 ^ -3)",
          "m^3/h * (10 ^ -2)", "m^3/h * (10 ^ -1)", "m^3/h * (10 ^ 0)", "m^3/h * (10 ^ 1)"}}, // 8
        {"Volume Flow Ext. (m³/min)",
         {"m^3/min * (10 ^ -7)", "m^3/min * (10 ^ -6)", "m^3/min * (10 ^ -5)",
          "m^3/min * (10 ^ -4)", "m^3/min * (10 ^ -3)", "m^3/min * (10 ^ -2)",
          "m^3/min * (10 ^ -1)", "m^3/min * (10 ^ -0)"}}, // 9
        {"Volume Flow Ext. (m³/s)",
         {"m^3/s * (10 ^ -9)", "m^3/s * (10 ^ -8)", "m^3/s * (10 ^ -7)", "m^3/s * (10 ^ -6)",
          "m^3/s * (10 ^ -5)", "m^3/s * (10 ^ -4)", "m^3/s * (10 ^ -3)",
          "m^3/s * (10 ^ -2)"}}, // 10
        {"Mass Flow (Kg/h)",
         {"kg/h * (10 ^ -3)", "kg/h * (10 ^ -2)", "kg/h * (10 ^ -1)", "kg/h * (10 ^ 0)",
          "kg/h * (10 ^ 1)", "kg/h * (10 ^ 2)", "kg/h * (10 ^ 3)", "kg/h * (10 ^ 4)"}}, // 11
        {"Flow Temperature (°C)",
         {"°C * (10 ^ -3)", "°C * (10 ^ -2)", "°C * (10 ^ -1)", "°C * (10 ^ 0)"}}, // 12
        {"Return Temperature (°C)",
         {"°C * (10 ^ -3)", "°C * (10 ^ -2)", "°C * (10 ^ -1)", "°C * (10 ^ 0)"}}, // 13
        {"Temperature Difference (K)",
         {"K * (10 ^ -3)", "K * (10 ^ -2)", "K * (10 ^ -1)", "K * (10 ^ 0)"}}, // 14
        {"External Temperature (°C)",
         {"°C * (10 ^ -3)", "°C * (10 ^ -2)", "°C * (10 ^ -1)", "°C * (10 ^ 0)"}}, // 15
        {"Pressure (bar)",
         {"bar * (10 ^ -3)", "bar * (10 ^ -2)", "bar * (10 ^ -1)", "bar * (10 ^ 0)"}}, // 16
        {"Averaging Duration ",
         {"Averaging Duration : Seconds", "Averaging Duration : Minutes",
          "Averaging Duration : Hours", "Averaging Duration : Days"}}, // 17
        {"Actuality Duration",
         {"Actually Duration : Seconds", "Actually Duration : Minutes", "Actually Duration : Hours",
          "Actually Duration : Days"}},          // 18
        {"Type of  Data in VIFE", {}},           // 19: the list follows the VIFE
        {"Time Point", {"Date", "Time & Date"}}, // 20
        {"VIF is in ASCII", {}},                 // 21
        {"Unit for H.C.A.", {}},                 // 22
        {"Fabrication No", {}},                  // 23
        {"(Enhanced) Identification", {}},       // 24
        {"Bus Address", {}},                     // 25
    };
    static_assert(std::size(rows) == TypeCount);
    return rows;
}

// Positions are stored data: append-only, never reorder (see the header).
std::span<const VifeRow> vifeRows() {
    static const VifeRow rows[] = {
        {"Not Selected", {}}, // 0
        {"Credit of the nominal local legal currency units",
         {"Credit 10^-3", "Credit 10^-2", "Credit 10^-1", "Credit 10^0"}}, // 1
        {"Debit of the nominal local legal currency units",
         {"Debit 10^-3", "Debit 10^-2", "Debit 10^-1", "Debit 10^0"}},                  // 2
        {"Access Number (transmission count)", {}},                                     // 3
        {"Medium (as in fixed header)", {}},                                            // 4
        {"Manufacturer (as in fixed header)", {}},                                      // 5
        {"Parameter set identification", {}},                                           // 6
        {"Model/Version", {}},                                                          // 7
        {"Hardware Version #", {}},                                                     // 8
        {"Firmware Version #", {}},                                                     // 9
        {"Software Version #", {}},                                                     // 10
        {"Customer Location", {}},                                                      // 11
        {"Customer", {}},                                                               // 12
        {"Access Code User", {}},                                                       // 13
        {"Access Code Operator", {}},                                                   // 14
        {"Access Code System Operator", {}},                                            // 15
        {"Access Code Developer", {}},                                                  // 16
        {"Password", {}},                                                               // 17
        {"Error flags (binary)", {}},                                                   // 18
        {"Error mask", {}},                                                             // 19
        {"Digital Output (binary)", {}},                                                // 20
        {"Digital Input (binary)", {}},                                                 // 21
        {"Baudrate [Baud]", {}},                                                        // 22
        {"response delay time [bittimes]", {}},                                         // 23
        {"Retry", {}},                                                                  // 24
        {"First storage # for cyclic storage", {}},                                     // 25
        {"Last storage # for cyclic storage", {}},                                      // 26
        {"Size of storage block", {}},                                                  // 27
        {"Storage interval [sec(s)..day(s)]", {"Seconds", "Minutes", "Hours", "Days"}}, // 28
        {"Storage interval month(s)", {}},                                              // 29
        {"Storage interval year(s)", {}},                                               // 30
        {"Duration since last readout[sec(s)..day(s)]",
         {"Seconds", "Minutes", "Hours", "Days"}},                                        // 31
        {"Start (date/time) of tariff", {}},                                              // 32
        {"Duration of tariff (nn=01..11:min to day)", {"Minutes", "Hours", "Days"}},      // 33
        {"Period of tariff [sec(s) to day(s)]", {"Seconds", "Minutes", "Hours", "Days"}}, // 34
        {"Period of tariff months(s)", {}},                                               // 35
        {"Period of tariff year(s)", {}},                                                 // 36
        {"dimensionless/ no VIF", {}},                                                    // 37
        {"Volts ",
         {"10^-9 Volts", "10^-8 Volts", "10^-7 Volts", "10^-6 Volts", "10^-5 Volts", "10^-4 Volts",
          "10^-3 Volts", "10^-2 Volts", "10^-1 Volts", "10^0 Volts", "10^1 Volts", "10^2 Volts",
          "10^3 Volts", "10^4 Volts", "10^5 Volts", "10^6 Volts"}}, // 38
        {"Ampere",
         {"10^-12 Ampere", "10^-11 Ampere", "10^-10 Ampere", "10^-9 Ampere", "10^-8 Ampere",
          "10^-7 Ampere", "10^-6 Ampere", "10^-5 Ampere", "10^-4 Ampere", "10^-3 Ampere",
          "10^-2 Ampere", "10^-1 Ampere", "10^0 Ampere", "10^1 Ampere", "10^2 Ampere",
          "10^3 Ampere"}},                     // 39
        {"Reset counter", {}},                 // 40
        {"Comulation counter", {}},            // 41
        {"Control signal", {}},                // 42
        {"Day of week", {}},                   // 43
        {"Week number", {}},                   // 44
        {"Time point of day change", {}},      // 45
        {"State of parameter activation", {}}, // 46
        {"Special supplier information", {}},  // 47
        {"Duration since last comulation [hour(s)..year(s)]",
         {"Hours", "Days", "Months", "Years"}},                                              // 48
        {"Operation time battery [hour(s)..year(s)]", {"Hours", "Days", "Months", "Years"}}, // 49
        {"Date and time of battery change", {}},                                             // 50
        {"Energy MWh", {"MWh * (10 ^ -1)", "MWh * (10 ^ 0)"}},                               // 51
        {"Energy GJ", {"GJ * (10 ^ -1)", "GJ * (10 ^ 0)"}},                                  // 52
        {"Volume ", {"m^3 * (10 ^ 2)", "m^3 * (10 ^ 3)"}},                                   // 53
        {"Mass", {"t * (10 ^ 2)", "t * (10 ^ 3)"}},                                          // 54
        {"Volume 0,1 feet^3", {}},                                                           // 55
        {"Volume 0,1 american gallon", {}},                                                  // 56
        {"Volume 1 american gallon", {}},                                                    // 57
        {"Volume flow 0,001 american gallon/min", {}},                                       // 58
        {"Volume flow 1 american gallon/min", {}},                                           // 59
        {"Volume flow 1 american gallon/h", {}},                                             // 60
        {"Power MW", {"MW * (10 ^ -1)", "MW * (10 ^ 0"}},                                    // 61
        {"Power GJ/h", {"GJ/h * (10 ^ -1)", "GJ/h * (10 ^ 0)"}},                             // 62
        {"Flow Temperature",
         {"°F * (10 ^ -3)", "°F * (10 ^ -2)", "°F * (10 ^ -1)", "°F * (10 ^ 0)"}}, // 63
        {"Return Temperature",
         {"°F * (10 ^ -3)", "°F * (10 ^ -2)", "°F * (10 ^ -1)", "°F * (10 ^ 0)"}}, // 64
        {"Temperature Difference",
         {"°F * (10 ^ -3)", "°F * (10 ^ -2)", "°F * (10 ^ -1)", "°F * (10 ^ 0)"}}, // 65
        {"External Temperature",
         {"°F * (10 ^ -3)", "°F * (10 ^ -2)", "°F * (10 ^ -1)", "°F * (10 ^ 0)"}}, // 66
        {"Cold/Warm Temperature Limit °F",
         {"°F * (10 ^ -3)", "°F * (10 ^ -2)", "°F * (10 ^ -1)", "°F * (10 ^ 0)"}}, // 67
        {"Cold/Worm Temperature Limit °C",
         {"°C * (10 ^ -3)", "°C * (10 ^ -2)", "°C * (10 ^ -1)", "°C * (10 ^ 0)"}}, // 68
        {"Cumul. count max power",
         {"W * (10 ^ -3)", "W * (10 ^ -2)", "W * (10 ^ -1)", "W * (10 ^ 0)", "W * (10 ^ 1)",
          "W * (10 ^ 2)", "W * (10 ^ 3)", "W * (10 ^ 4)"}},                           // 69
        {"per second", {}},                                                           // 70
        {"per minute", {}},                                                           // 71
        {"per hour", {}},                                                             // 72
        {"per day", {}},                                                              // 73
        {"per week", {}},                                                             // 74
        {"per month", {}},                                                            // 75
        {"per year", {}},                                                             // 76
        {"per revolution/measurement", {}},                                           // 77
        {"increment per input pulse on input channel", {"Channel 0", "Channel 1"}},   // 78
        {"increment per output pulse on output channel", {"Channel 0", "Channel 1"}}, // 79
        {"per liter", {}},                                                            // 80
        {"per m^3", {}},                                                              // 81
        {"per kg", {}},                                                               // 82
        {"per K (Kelvin)", {}},                                                       // 83
        {"per kWh", {}},                                                              // 84
        {"per GJ", {}},                                                               // 85
        {"per kW", {}},                                                               // 86
        {"per (K*l)(Kelvin*liter) ", {}},                                             // 87
        {"per V (Volt)", {}},                                                         // 88
        {"per A (Ampere)", {}},                                                       // 89
        {"multiplied by sek", {}},                                                    // 90
        {"multiplied by sek/V", {}},                                                  // 91
        {"multiplied by sek/A", {}},                                                  // 92
        {"start date(/time) of", {}},                                                 // 93
        {"VIF contains uncorrected unit instead of corrected unit", {}},              // 94
        {"Accumulation only if positive contributions", {}},                          // 95
        {"Accumulation of abs value only if negative contributions", {}},             // 96
        {"upper/lower limit value", {"upper limit value", "lower limit value"}},      // 97
        {"# of exceeds of lower/upper limit", {"upper limit", "lower limit"}},        // 98
        {"Date(/time) of begin/end of first/last lower/upper limit exceed",
         {"begin of first lower limit exceed", "end of first lower limit exceed",
          "begin of last lower limit exceed", "end of last lower limit exceed",
          "begin of first upper limit exceed", "end of first upper limit exceed",
          "begin of last upper limit exceed", "end of last upper limit exceed"}}, // 99
        {"Duration of limit exceed",
         {"Dur. of limit exceed of first lower 0", "Dur. of limit exceed of first lower 1",
          "Dur. of limit exceed of first lower 2", "Dur. of limit exceed of first lower 3",
          "Dur. of limit exceed of first upper 0", "Dur. of limit exceed of first upper 1",
          "Dur. of limit exceed of first upper 2", "Dur. of limit exceed of first upper 3",
          "Dur. of limit exceed of last lower 0", "Dur. of limit exceed of last lower 1",
          "Dur. of limit exceed of last lower 2", "Dur. of limit exceed of last lower 3",
          "Dur. of limit exceed of last upper 0", "Dur. of limit exceed of last upper 1",
          "Dur. of limit exceed of last upper 2", "Dur. of limit exceed of last upper 3"}}, // 100
        {"Duration of first/last",
         {"Dur. of first 0", "Dur. of first 1", "Dur. of first 2", "Dur. of first 3",
          "Dur. of last 0", "Dur. of last 1", "Dur. of last 2", "Dur. of last 3"}}, // 101
        {"Date(/time) of first/last begin/end",
         {"Date of first begin", "Date of first end", "Date of last begin",
          "Date of last end"}}, // 102
        {"Multiplicative currection factor",
         {"* (10 ^ -6)", "* (10 ^ -5)", "* (10 ^ -4)", "* (10 ^ -3)", "* (10 ^ -2)", "* (10 ^ -1)",
          "* (10 ^ 0)", "* (10 ^ 1)"}}, // 103
        {"Additive correction constant * unit of VIF (offset)",
         {"(10 ^ -3) * unit of VIF", "(10 ^ -2) * unit of VIF", "(10 ^ -1) * unit of VIF",
          "(10 ^ 0) * unit of VIF"}},                                         // 104
        {"Moltiplicative correction factor: 10^3", {}},                       // 105
        {"future value", {}},                                                 // 106
        {"next VIFE's and data of this block are manufacturer specific", {}}, // 107
        {"None", {}},                                                         // 108
        {"Too many DIFE's", {}},                                              // 109
        {"Storage number not implemented", {}},                               // 110
        {"Unit number not implemented", {}},                                  // 111
        {"Tariff number not implemented", {}},                                // 112
        {"Function not implemented", {}},                                     // 113
        {"Data class not implemented", {}},                                   // 114
        {"Data size not implemented", {}},                                    // 115
        {"Too many VIFE's", {}},                                              // 116
        {"Illegal VIF-Group", {}},                                            // 117
        {"Illegal VIF-Exponent", {}},                                         // 118
        {"VIF/DIF mismatch", {}},                                             // 119
        {"Unimplemented action", {}},                                         // 120
        {"No data available (undefined value)", {}},                          // 121
        {"Data overflow", {}},                                                // 122
        {"Data underflow", {}},                                               // 123
        {"Data error", {}},                                                   // 124
        {"Premature end of record ", {}},                                     // 125
        {"Security Key", {}},                                                 // 126
        {"Remote control (devicespecific e.g. gas valve)", {}},               // 127
        {"Operator specific data", {}},                                       // 128
        {"Time point second (0 to 59)", {}},                                  // 129
        {"Data container for wireless M-Bus protocol", {}},                   // 130
        {"Period of nominal data transmissions [sec(s) to day(s)]",
         {"Seconds", "Minutes", "Hours", "Days"}},                           // 131
        {"RF level units: dBm", {}},                                         // 132
        {"Daylight savings (beginning, ending, deviation) data type K", {}}, // 133
        {"Listening window management data type L", {}},                     // 134
        {"Remaining battery life time (days)", {}},                          // 135
        {"Number times the meter was stopped", {}},                          // 136
        {"Reactive energy", {"kVARh * (10 ^ 0)", "kVARh * (10 ^ 1)"}},       // 137
        {"Apparent energy", {"kVAh * (10 ^ 0)", "kVAh * (10 ^ 1)"}},         // 138
        {"Energy",
         {"MCal * (10 ^ -1)", "MCal * (10 ^ 0)", "MCal * (10 ^ 1)", "MCal * (10 ^ 2)"}}, // 139
        {"Reactive power",
         {"kVAR * (10 ^ -3)", "kVAR * (10 ^ -2)", "kVAR * (10 ^ -1)", "kVAR * (10 ^ 0)"}}, // 140
        {"Relative humidity", {"% * (10 ^ -1)", "% * (10 ^ 0)"}},                          // 141
        {"Volume", {}},                                                                    // 142
        {"Phase U-U (volt. to volt.)", {}},                                                // 143
        {"Phase U-I (volt. to current)", {}},                                              // 144
        {"Frequency",
         {"Hz * (10 ^ -3)", "Hz * (10 ^ -2)", "Hz * (10 ^ -1)", "Hz * (10 ^ 0)"}}, // 145
        {"Apparent power",
         {"kVA * (10 ^ -3)", "kVA * (10 ^ -2)", "kVA * (10 ^ -1)", "kVA * (10 ^ 0)"}}, // 146
        {"Reserved for alternate non-metric unit system", {}},                         // 147
        {"Value at base conditions", {}},                                              // 148
        {"Value during lower (u= 0), upper (u = 1) limit exceed",
         {"lower limit value", "upper limit value"}}, // 149
        {"Leakage values", {}},                       // 150
        {"Overflow values", {}},                      // 151
    };
    static_assert(std::size(rows) == VifeCount);
    return rows;
}

template <typename Rows> QStringList captions(Rows rows) {
    QStringList list;
    for (const auto& row : rows)
        list.append(QString::fromUtf8(row.caption));
    return list;
}

std::optional<QStringList> nonEmpty(const QStringList& list) {
    if (list.isEmpty())
        return std::nullopt;
    return list;
}

ScalePanel panelFor(const std::optional<QStringList>& list) {
    if (!list)
        return {};
    return {true, *list, 0};
}

} // namespace

const QStringList& typesOfData() {
    static const QStringList list = captions(typeRows());
    return list;
}

const QStringList& functionFields() {
    static const QStringList list = {"Instantaneous Value", "Minimun Value", "Maximum Value",
                                     "Value During Error State"};
    return list;
}

const QStringList& dimensions() {
    static const QStringList list = {"8",           "16",          "32",          "64",
                                     "24",          "48",          "32 Real",     "Variable Length",
                                     "2 Digit BCD", "4 Digit BCD", "6 Digit BCD", "8 Digit BCD",
                                     "12 Digit BCD"};
    return list;
}

const QStringList& units() {
    static const QStringList list = [] {
        QStringList l;
        for (int i = 0; i < UnitCount; ++i)
            l.append(QString::number(i));
        return l;
    }();
    return list;
}

const QStringList& vifeEntries() {
    static const QStringList list = captions(vifeRows());
    return list;
}

std::optional<QStringList> typeScaleList(int typeOfData) {
    if (typeOfData < 0 || typeOfData >= TypeCount)
        return std::nullopt;
    return nonEmpty(typeRows()[size_t(typeOfData)].scales);
}

std::optional<QStringList> vifeScaleList(int vife) {
    if (vife < 0 || vife >= VifeCount)
        return std::nullopt;
    return nonEmpty(vifeRows()[size_t(vife)].scales);
}

std::optional<QStringList> scaleListFor(int typeOfData, int vife) {
    if (typeOfData == TypeInVife)
        return vifeScaleList(vife);
    return typeScaleList(typeOfData);
}

bool scaleFits(int typeOfData, int vife, int scale) {
    const auto list = scaleListFor(typeOfData, vife);
    if (!list)
        return scale == NoScale;
    return scale >= 0 && scale < list->size();
}

QString captionAt(const QStringList& list, int position) {
    return position >= 0 && position < list.size() ? list[position] : QString::number(position);
}

QString scaleCaption(int typeOfData, int vife, int scale) {
    if (scale == NoScale)
        return QString();
    const auto list = scaleListFor(typeOfData, vife);
    return list ? captionAt(*list, scale) : QString::number(scale);
}

ScalePanel scaleAfterTypeChange(int typeOfData, int vife) {
    return panelFor(scaleListFor(typeOfData, vife));
}

ScalePanel scaleAfterVifeChange(int typeOfData, int vife, const ScalePanel& current) {
    if (typeOfData != TypeInVife)
        return current;
    return panelFor(vifeScaleList(vife));
}

bool lengthEnabled(int dimension) {
    return dimension == VariableLengthDimension;
}

} // namespace CodingTables

namespace {

const int ModbusToDTexts[CodingTables::ModbusToDCount] = {615, 616, 617, 618};
const int ModbusSwapTexts[CodingTables::ModbusSwapCount] = {622, 623};

QString indexToText(const LanguageTable& table, std::span<const int> texts, int index) {
    if (index < 0 || index >= int(texts.size()))
        return {};
    return table.text(texts[size_t(index)]);
}

QStringList allTexts(const LanguageTable& table, std::span<const int> texts) {
    QStringList list;
    for (int text : texts)
        list << table.text(text);
    return list;
}

int textToIndex(const LanguageTable& table, std::span<const int> texts, const QString& text) {
    for (size_t i = 0; i < texts.size(); ++i) {
        if (table.text(texts[i]) == text)
            return int(i);
    }
    return -1;
}

} // namespace

QString modbusTypeText(const LanguageTable& table, int index) {
    return indexToText(table, ModbusToDTexts, index);
}

int modbusTypePosition(const LanguageTable& table, const QString& text) {
    return textToIndex(table, ModbusToDTexts, text);
}

QString modbusSwapText(const LanguageTable& table, int index) {
    return indexToText(table, ModbusSwapTexts, index);
}

int modbusSwapPosition(const LanguageTable& table, const QString& text) {
    return textToIndex(table, ModbusSwapTexts, text);
}

QStringList modbusTypeTexts(const LanguageTable& table) {
    return allTexts(table, ModbusToDTexts);
}

QStringList modbusSwapTexts(const LanguageTable& table) {
    return allTexts(table, ModbusSwapTexts);
}
