#include "core/network/CodingTables.h"

#include "core/lang/LanguageTable.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>
#include <map>

using namespace Qt::StringLiterals;
using namespace CodingTables;

namespace {

// The lists are stored data: these tables are the contract with every M_Bus.xml written so
// far and with the image compiler. A failure here means a position changed its meaning.

// Table A: type of data caption and its scale list, by position.
const std::vector<std::pair<QString, QStringList>> TableA = {
    {u"Energy (Wh)"_s,
     {u"Wh * (10 ^ -3)"_s, u"Wh * (10 ^ -2)"_s, u"Wh * (10 ^ -1)"_s, u"Wh * (10 ^ 0)"_s,
      u"Wh * (10 ^ 1)"_s, u"Wh * (10 ^ 2)"_s, u"Wh * (10 ^ 3)"_s, u"Wh * (10 ^ 4)"_s}},
    {u"Energy (J)"_s,
     {u"J * (10 ^ 0)"_s, u"J * (10 ^ 1)"_s, u"J * (10 ^ 2)"_s, u"J * (10 ^ 3)"_s, u"J * (10 ^ 4)"_s,
      u"J * (10 ^ 5)"_s, u"J * (10 ^ 6)"_s, u"J * (10 ^ 7)"_s}},
    {u"Volume (m³)"_s,
     {u"m^3 * (10 ^ -6)"_s, u"m^3 * (10 ^ -5)"_s, u"m^3 * (10 ^ -4)"_s, u"m^3 * (10 ^ -3)"_s,
      u"m^3 * (10 ^ -2)"_s, u"m^3 * (10 ^ -1)"_s, u"m^3 * (10 ^ -0)"_s, u"m^3 * (10 ^ 1)"_s}},
    {u"Mass (Kg)"_s,
     {u"kg * (10 ^ -3)"_s, u"kg * (10 ^ -2)"_s, u"kg * (10 ^ -1)"_s, u"kg * (10 ^ 0)"_s,
      u"kg * (10 ^ 1)"_s, u"kg * (10 ^ 2)"_s, u"kg * (10 ^ 3)"_s, u"kg * (10 ^ 4)"_s}},
    {u"On Time"_s,
     {u"On Time : Seconds"_s, u"On Time : Minutes"_s, u"On Time : Hours"_s, u"On Time : Days"_s}},
    {u"Operating Time"_s,
     {u"Operation Time : Seconds"_s, u"Operation Time : Minutes"_s, u"Operation Time : Hours"_s,
      u"Operation Time : Days"_s}},
    {u"Power (W)"_s,
     {u"W * (10 ^ -3)"_s, u"W * (10 ^ -2)"_s, u"W * (10 ^ -1)"_s, u"W * (10 ^ -0)"_s,
      u"W * (10 ^ 1)"_s, u"W * (10 ^ 2)"_s, u"W * (10 ^ 3)"_s, u"W * (10 ^ 4)"_s}},
    {u"Power (J/h)"_s,
     {u"J/h * (10 ^ 0)"_s, u"J/h * (10 ^ 1)"_s, u"J/h * (10 ^ 2)"_s, u"J/h * (10 ^ 3)"_s,
      u"J/h * (10 ^ 4)"_s, u"J/h * (10 ^ 5)"_s, u"J/h * (10 ^ 6)"_s, u"J/h * (10 ^ 7)"_s}},
    {u"Volume Flow (m³/h)"_s,
     {u"m^3/h * (10 ^ -6)"_s, u"m^3/h * (10 ^ -5)"_s, u"m^3/h * (10 ^ -4)"_s,
      u"m^3/h * (10 ^ -3)"_s, u"m^3/h * (10 ^ -2)"_s, u"m^3/h * (10 ^ -1)"_s, u"m^3/h * (10 ^ 0)"_s,
      u"m^3/h * (10 ^ 1)"_s}},
    {u"Volume Flow Ext. (m³/min)"_s,
     {u"m^3/min * (10 ^ -7)"_s, u"m^3/min * (10 ^ -6)"_s, u"m^3/min * (10 ^ -5)"_s,
      u"m^3/min * (10 ^ -4)"_s, u"m^3/min * (10 ^ -3)"_s, u"m^3/min * (10 ^ -2)"_s,
      u"m^3/min * (10 ^ -1)"_s, u"m^3/min * (10 ^ -0)"_s}},
    {u"Volume Flow Ext. (m³/s)"_s,
     {u"m^3/s * (10 ^ -9)"_s, u"m^3/s * (10 ^ -8)"_s, u"m^3/s * (10 ^ -7)"_s,
      u"m^3/s * (10 ^ -6)"_s, u"m^3/s * (10 ^ -5)"_s, u"m^3/s * (10 ^ -4)"_s,
      u"m^3/s * (10 ^ -3)"_s, u"m^3/s * (10 ^ -2)"_s}},
    {u"Mass Flow (Kg/h)"_s,
     {u"kg/h * (10 ^ -3)"_s, u"kg/h * (10 ^ -2)"_s, u"kg/h * (10 ^ -1)"_s, u"kg/h * (10 ^ 0)"_s,
      u"kg/h * (10 ^ 1)"_s, u"kg/h * (10 ^ 2)"_s, u"kg/h * (10 ^ 3)"_s, u"kg/h * (10 ^ 4)"_s}},
    {u"Flow Temperature (°C)"_s,
     {u"°C * (10 ^ -3)"_s, u"°C * (10 ^ -2)"_s, u"°C * (10 ^ -1)"_s, u"°C * (10 ^ 0)"_s}},
    {u"Return Temperature (°C)"_s,
     {u"°C * (10 ^ -3)"_s, u"°C * (10 ^ -2)"_s, u"°C * (10 ^ -1)"_s, u"°C * (10 ^ 0)"_s}},
    {u"Temperature Difference (K)"_s,
     {u"K * (10 ^ -3)"_s, u"K * (10 ^ -2)"_s, u"K * (10 ^ -1)"_s, u"K * (10 ^ 0)"_s}},
    {u"External Temperature (°C)"_s,
     {u"°C * (10 ^ -3)"_s, u"°C * (10 ^ -2)"_s, u"°C * (10 ^ -1)"_s, u"°C * (10 ^ 0)"_s}},
    {u"Pressure (bar)"_s,
     {u"bar * (10 ^ -3)"_s, u"bar * (10 ^ -2)"_s, u"bar * (10 ^ -1)"_s, u"bar * (10 ^ 0)"_s}},
    {u"Averaging Duration "_s,
     {u"Averaging Duration : Seconds"_s, u"Averaging Duration : Minutes"_s,
      u"Averaging Duration : Hours"_s, u"Averaging Duration : Days"_s}},
    {u"Actuality Duration"_s,
     {u"Actually Duration : Seconds"_s, u"Actually Duration : Minutes"_s,
      u"Actually Duration : Hours"_s, u"Actually Duration : Days"_s}},
    {u"Type of  Data in VIFE"_s, {}},
    {u"Time Point"_s, {u"Date"_s, u"Time & Date"_s}},
    {u"VIF is in ASCII"_s, {}},
    {u"Unit for H.C.A."_s, {}},
    {u"Fabrication No"_s, {}},
    {u"(Enhanced) Identification"_s, {}},
    {u"Bus Address"_s, {}},
};

// Table B: the VIFE positions that have a scale list under type 19.
const std::map<int, QStringList> TableB = {
    {1, {u"Credit 10^-3"_s, u"Credit 10^-2"_s, u"Credit 10^-1"_s, u"Credit 10^0"_s}},
    {2, {u"Debit 10^-3"_s, u"Debit 10^-2"_s, u"Debit 10^-1"_s, u"Debit 10^0"_s}},
    {28, {u"Seconds"_s, u"Minutes"_s, u"Hours"_s, u"Days"_s}},
    {31, {u"Seconds"_s, u"Minutes"_s, u"Hours"_s, u"Days"_s}},
    {33, {u"Minutes"_s, u"Hours"_s, u"Days"_s}},
    {34, {u"Seconds"_s, u"Minutes"_s, u"Hours"_s, u"Days"_s}},
    {38,
     {u"10^-9 Volts"_s, u"10^-8 Volts"_s, u"10^-7 Volts"_s, u"10^-6 Volts"_s, u"10^-5 Volts"_s,
      u"10^-4 Volts"_s, u"10^-3 Volts"_s, u"10^-2 Volts"_s, u"10^-1 Volts"_s, u"10^0 Volts"_s,
      u"10^1 Volts"_s, u"10^2 Volts"_s, u"10^3 Volts"_s, u"10^4 Volts"_s, u"10^5 Volts"_s,
      u"10^6 Volts"_s}},
    {39,
     {u"10^-12 Ampere"_s, u"10^-11 Ampere"_s, u"10^-10 Ampere"_s, u"10^-9 Ampere"_s,
      u"10^-8 Ampere"_s, u"10^-7 Ampere"_s, u"10^-6 Ampere"_s, u"10^-5 Ampere"_s, u"10^-4 Ampere"_s,
      u"10^-3 Ampere"_s, u"10^-2 Ampere"_s, u"10^-1 Ampere"_s, u"10^0 Ampere"_s, u"10^1 Ampere"_s,
      u"10^2 Ampere"_s, u"10^3 Ampere"_s}},
    {48, {u"Hours"_s, u"Days"_s, u"Months"_s, u"Years"_s}},
    {49, {u"Hours"_s, u"Days"_s, u"Months"_s, u"Years"_s}},
    {51, {u"MWh * (10 ^ -1)"_s, u"MWh * (10 ^ 0)"_s}},
    {52, {u"GJ * (10 ^ -1)"_s, u"GJ * (10 ^ 0)"_s}},
    {53, {u"m^3 * (10 ^ 2)"_s, u"m^3 * (10 ^ 3)"_s}},
    {54, {u"t * (10 ^ 2)"_s, u"t * (10 ^ 3)"_s}},
    {61, {u"MW * (10 ^ -1)"_s, u"MW * (10 ^ 0"_s}},
    {62, {u"GJ/h * (10 ^ -1)"_s, u"GJ/h * (10 ^ 0)"_s}},
    {63, {u"°F * (10 ^ -3)"_s, u"°F * (10 ^ -2)"_s, u"°F * (10 ^ -1)"_s, u"°F * (10 ^ 0)"_s}},
    {64, {u"°F * (10 ^ -3)"_s, u"°F * (10 ^ -2)"_s, u"°F * (10 ^ -1)"_s, u"°F * (10 ^ 0)"_s}},
    {65, {u"°F * (10 ^ -3)"_s, u"°F * (10 ^ -2)"_s, u"°F * (10 ^ -1)"_s, u"°F * (10 ^ 0)"_s}},
    {66, {u"°F * (10 ^ -3)"_s, u"°F * (10 ^ -2)"_s, u"°F * (10 ^ -1)"_s, u"°F * (10 ^ 0)"_s}},
    {67, {u"°F * (10 ^ -3)"_s, u"°F * (10 ^ -2)"_s, u"°F * (10 ^ -1)"_s, u"°F * (10 ^ 0)"_s}},
    {68, {u"°C * (10 ^ -3)"_s, u"°C * (10 ^ -2)"_s, u"°C * (10 ^ -1)"_s, u"°C * (10 ^ 0)"_s}},
    {69,
     {u"W * (10 ^ -3)"_s, u"W * (10 ^ -2)"_s, u"W * (10 ^ -1)"_s, u"W * (10 ^ 0)"_s,
      u"W * (10 ^ 1)"_s, u"W * (10 ^ 2)"_s, u"W * (10 ^ 3)"_s, u"W * (10 ^ 4)"_s}},
    {78, {u"Channel 0"_s, u"Channel 1"_s}},
    {79, {u"Channel 0"_s, u"Channel 1"_s}},
    {97, {u"upper limit value"_s, u"lower limit value"_s}},
    {98, {u"upper limit"_s, u"lower limit"_s}},
    {99,
     {u"begin of first lower limit exceed"_s, u"end of first lower limit exceed"_s,
      u"begin of last lower limit exceed"_s, u"end of last lower limit exceed"_s,
      u"begin of first upper limit exceed"_s, u"end of first upper limit exceed"_s,
      u"begin of last upper limit exceed"_s, u"end of last upper limit exceed"_s}},
    {100,
     {u"Dur. of limit exceed of first lower 0"_s, u"Dur. of limit exceed of first lower 1"_s,
      u"Dur. of limit exceed of first lower 2"_s, u"Dur. of limit exceed of first lower 3"_s,
      u"Dur. of limit exceed of first upper 0"_s, u"Dur. of limit exceed of first upper 1"_s,
      u"Dur. of limit exceed of first upper 2"_s, u"Dur. of limit exceed of first upper 3"_s,
      u"Dur. of limit exceed of last lower 0"_s, u"Dur. of limit exceed of last lower 1"_s,
      u"Dur. of limit exceed of last lower 2"_s, u"Dur. of limit exceed of last lower 3"_s,
      u"Dur. of limit exceed of last upper 0"_s, u"Dur. of limit exceed of last upper 1"_s,
      u"Dur. of limit exceed of last upper 2"_s, u"Dur. of limit exceed of last upper 3"_s}},
    {101,
     {u"Dur. of first 0"_s, u"Dur. of first 1"_s, u"Dur. of first 2"_s, u"Dur. of first 3"_s,
      u"Dur. of last 0"_s, u"Dur. of last 1"_s, u"Dur. of last 2"_s, u"Dur. of last 3"_s}},
    {102,
     {u"Date of first begin"_s, u"Date of first end"_s, u"Date of last begin"_s,
      u"Date of last end"_s}},
    {103,
     {u"* (10 ^ -6)"_s, u"* (10 ^ -5)"_s, u"* (10 ^ -4)"_s, u"* (10 ^ -3)"_s, u"* (10 ^ -2)"_s,
      u"* (10 ^ -1)"_s, u"* (10 ^ 0)"_s, u"* (10 ^ 1)"_s}},
    {104,
     {u"(10 ^ -3) * unit of VIF"_s, u"(10 ^ -2) * unit of VIF"_s, u"(10 ^ -1) * unit of VIF"_s,
      u"(10 ^ 0) * unit of VIF"_s}},
    {131, {u"Seconds"_s, u"Minutes"_s, u"Hours"_s, u"Days"_s}},
    {137, {u"kVARh * (10 ^ 0)"_s, u"kVARh * (10 ^ 1)"_s}},
    {138, {u"kVAh * (10 ^ 0)"_s, u"kVAh * (10 ^ 1)"_s}},
    {139,
     {u"MCal * (10 ^ -1)"_s, u"MCal * (10 ^ 0)"_s, u"MCal * (10 ^ 1)"_s, u"MCal * (10 ^ 2)"_s}},
    {140,
     {u"kVAR * (10 ^ -3)"_s, u"kVAR * (10 ^ -2)"_s, u"kVAR * (10 ^ -1)"_s, u"kVAR * (10 ^ 0)"_s}},
    {141, {u"% * (10 ^ -1)"_s, u"% * (10 ^ 0)"_s}},
    {145, {u"Hz * (10 ^ -3)"_s, u"Hz * (10 ^ -2)"_s, u"Hz * (10 ^ -1)"_s, u"Hz * (10 ^ 0)"_s}},
    {146, {u"kVA * (10 ^ -3)"_s, u"kVA * (10 ^ -2)"_s, u"kVA * (10 ^ -1)"_s, u"kVA * (10 ^ 0)"_s}},
    {149, {u"lower limit value"_s, u"upper limit value"_s}},
};

// List C: the VIFE captions, by position.
const QStringList ListC = {
    u"Not Selected"_s,
    u"Credit of the nominal local legal currency units"_s,
    u"Debit of the nominal local legal currency units"_s,
    u"Access Number (transmission count)"_s,
    u"Medium (as in fixed header)"_s,
    u"Manufacturer (as in fixed header)"_s,
    u"Parameter set identification"_s,
    u"Model/Version"_s,
    u"Hardware Version #"_s,
    u"Firmware Version #"_s,
    u"Software Version #"_s,
    u"Customer Location"_s,
    u"Customer"_s,
    u"Access Code User"_s,
    u"Access Code Operator"_s,
    u"Access Code System Operator"_s,
    u"Access Code Developer"_s,
    u"Password"_s,
    u"Error flags (binary)"_s,
    u"Error mask"_s,
    u"Digital Output (binary)"_s,
    u"Digital Input (binary)"_s,
    u"Baudrate [Baud]"_s,
    u"response delay time [bittimes]"_s,
    u"Retry"_s,
    u"First storage # for cyclic storage"_s,
    u"Last storage # for cyclic storage"_s,
    u"Size of storage block"_s,
    u"Storage interval [sec(s)..day(s)]"_s,
    u"Storage interval month(s)"_s,
    u"Storage interval year(s)"_s,
    u"Duration since last readout[sec(s)..day(s)]"_s,
    u"Start (date/time) of tariff"_s,
    u"Duration of tariff (nn=01..11:min to day)"_s,
    u"Period of tariff [sec(s) to day(s)]"_s,
    u"Period of tariff months(s)"_s,
    u"Period of tariff year(s)"_s,
    u"dimensionless/ no VIF"_s,
    u"Volts "_s,
    u"Ampere"_s,
    u"Reset counter"_s,
    u"Comulation counter"_s,
    u"Control signal"_s,
    u"Day of week"_s,
    u"Week number"_s,
    u"Time point of day change"_s,
    u"State of parameter activation"_s,
    u"Special supplier information"_s,
    u"Duration since last comulation [hour(s)..year(s)]"_s,
    u"Operation time battery [hour(s)..year(s)]"_s,
    u"Date and time of battery change"_s,
    u"Energy MWh"_s,
    u"Energy GJ"_s,
    u"Volume "_s,
    u"Mass"_s,
    u"Volume 0,1 feet^3"_s,
    u"Volume 0,1 american gallon"_s,
    u"Volume 1 american gallon"_s,
    u"Volume flow 0,001 american gallon/min"_s,
    u"Volume flow 1 american gallon/min"_s,
    u"Volume flow 1 american gallon/h"_s,
    u"Power MW"_s,
    u"Power GJ/h"_s,
    u"Flow Temperature"_s,
    u"Return Temperature"_s,
    u"Temperature Difference"_s,
    u"External Temperature"_s,
    u"Cold/Warm Temperature Limit °F"_s,
    u"Cold/Worm Temperature Limit °C"_s,
    u"Cumul. count max power"_s,
    u"per second"_s,
    u"per minute"_s,
    u"per hour"_s,
    u"per day"_s,
    u"per week"_s,
    u"per month"_s,
    u"per year"_s,
    u"per revolution/measurement"_s,
    u"increment per input pulse on input channel"_s,
    u"increment per output pulse on output channel"_s,
    u"per liter"_s,
    u"per m^3"_s,
    u"per kg"_s,
    u"per K (Kelvin)"_s,
    u"per kWh"_s,
    u"per GJ"_s,
    u"per kW"_s,
    u"per (K*l)(Kelvin*liter) "_s,
    u"per V (Volt)"_s,
    u"per A (Ampere)"_s,
    u"multiplied by sek"_s,
    u"multiplied by sek/V"_s,
    u"multiplied by sek/A"_s,
    u"start date(/time) of"_s,
    u"VIF contains uncorrected unit instead of corrected unit"_s,
    u"Accumulation only if positive contributions"_s,
    u"Accumulation of abs value only if negative contributions"_s,
    u"upper/lower limit value"_s,
    u"# of exceeds of lower/upper limit"_s,
    u"Date(/time) of begin/end of first/last lower/upper limit exceed"_s,
    u"Duration of limit exceed"_s,
    u"Duration of first/last"_s,
    u"Date(/time) of first/last begin/end"_s,
    u"Multiplicative currection factor"_s,
    u"Additive correction constant * unit of VIF (offset)"_s,
    u"Moltiplicative correction factor: 10^3"_s,
    u"future value"_s,
    u"next VIFE's and data of this block are manufacturer specific"_s,
    u"None"_s,
    u"Too many DIFE's"_s,
    u"Storage number not implemented"_s,
    u"Unit number not implemented"_s,
    u"Tariff number not implemented"_s,
    u"Function not implemented"_s,
    u"Data class not implemented"_s,
    u"Data size not implemented"_s,
    u"Too many VIFE's"_s,
    u"Illegal VIF-Group"_s,
    u"Illegal VIF-Exponent"_s,
    u"VIF/DIF mismatch"_s,
    u"Unimplemented action"_s,
    u"No data available (undefined value)"_s,
    u"Data overflow"_s,
    u"Data underflow"_s,
    u"Data error"_s,
    u"Premature end of record "_s,
    u"Security Key"_s,
    u"Remote control (devicespecific e.g. gas valve)"_s,
    u"Operator specific data"_s,
    u"Time point second (0 to 59)"_s,
    u"Data container for wireless M-Bus protocol"_s,
    u"Period of nominal data transmissions [sec(s) to day(s)]"_s,
    u"RF level units: dBm"_s,
    u"Daylight savings (beginning, ending, deviation) data type K"_s,
    u"Listening window management data type L"_s,
    u"Remaining battery life time (days)"_s,
    u"Number times the meter was stopped"_s,
    u"Reactive energy"_s,
    u"Apparent energy"_s,
    u"Energy"_s,
    u"Reactive power"_s,
    u"Relative humidity"_s,
    u"Volume"_s,
    u"Phase U-U (volt. to volt.)"_s,
    u"Phase U-I (volt. to current)"_s,
    u"Frequency"_s,
    u"Apparent power"_s,
    u"Reserved for alternate non-metric unit system"_s,
    u"Value at base conditions"_s,
    u"Value during lower (u= 0), upper (u = 1) limit exceed"_s,
    u"Leakage values"_s,
    u"Overflow values"_s,
};

} // namespace

TEST(CodingTables, TypesOfDataAndTheirScaleListsAreTableA) {
    ASSERT_EQ(typesOfData().size(), TypeCount);
    ASSERT_EQ(int(TableA.size()), TypeCount);
    for (int t = 0; t < TypeCount; ++t) {
        EXPECT_EQ(typesOfData()[t], TableA[size_t(t)].first) << t;
        const auto list = typeScaleList(t);
        if (TableA[size_t(t)].second.isEmpty()) {
            EXPECT_FALSE(list.has_value()) << t;
        } else {
            ASSERT_TRUE(list.has_value()) << t;
            EXPECT_EQ(*list, TableA[size_t(t)].second) << t;
        }
    }
    // The blanks that are easy to "fix" by accident.
    EXPECT_EQ(typesOfData()[17], u"Averaging Duration "_s);
    EXPECT_EQ(typesOfData()[19], u"Type of  Data in VIFE"_s);
    EXPECT_EQ(typeScaleList(2)->at(6), u"m^3 * (10 ^ -0)"_s);
}

TEST(CodingTables, VifeEntriesAreListCAndTheirScaleListsTableB) {
    ASSERT_EQ(int(ListC.size()), VifeCount);
    EXPECT_EQ(vifeEntries(), ListC);
    for (int v = 0; v < VifeCount; ++v) {
        const auto found = TableB.find(v);
        const auto list = vifeScaleList(v);
        if (found == TableB.end()) {
            EXPECT_FALSE(list.has_value()) << v;
        } else {
            ASSERT_TRUE(list.has_value()) << v;
            EXPECT_EQ(*list, found->second) << v;
        }
    }
    EXPECT_EQ(vifeEntries()[38], u"Volts "_s);
    EXPECT_EQ(vifeScaleList(61)->at(1), u"MW * (10 ^ 0"_s); // without its bracket, as shipped
}

TEST(CodingTables, FixedShortLists) {
    EXPECT_EQ(functionFields(), (QStringList{u"Instantaneous Value"_s, u"Minimun Value"_s,
                                             u"Maximum Value"_s, u"Value During Error State"_s}));
    EXPECT_EQ(dimensions(),
              (QStringList{u"8"_s, u"16"_s, u"32"_s, u"64"_s, u"24"_s, u"48"_s, u"32 Real"_s,
                           u"Variable Length"_s, u"2 Digit BCD"_s, u"4 Digit BCD"_s,
                           u"6 Digit BCD"_s, u"8 Digit BCD"_s, u"12 Digit BCD"_s}));
    EXPECT_EQ(units(), (QStringList{u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s,
                                    u"8"_s, u"9"_s, u"10"_s}));
    EXPECT_EQ(functionFields().size(), FunctionFieldCount);
    EXPECT_EQ(dimensions().size(), DimensionCount);
}

// Type 19 takes its list from the VIFE, every other type ignores the VIFE.
TEST(CodingTables, ScaleListForTypeAndVife) {
    const std::vector<std::tuple<int, int, std::optional<QStringList>>> rows = {
        {0, 38, TableA[0].second},                        // the VIFE plays no part outside type 19
        {19, 38, TableB.at(38)},   {19, 0, std::nullopt}, // "Not Selected"
        {19, 150, std::nullopt},                          // the last two VIFEs have no list
        {19, 151, std::nullopt},   {19, 152, std::nullopt}, {21, 0, std::nullopt},
        {25, 1, std::nullopt},     {-1, 0, std::nullopt}, // no type selected
        {26, 0, std::nullopt},
    };
    for (const auto& [type, vife, expected] : rows)
        EXPECT_EQ(scaleListFor(type, vife), expected) << type << "/" << vife;
}

// The rebuild selects the first entry, or nothing and disables the control without a list.
TEST(CodingTables, ScaleRebuildAfterTypeChange) {
    const ScalePanel energy = scaleAfterTypeChange(0, 0);
    EXPECT_TRUE(energy.enabled);
    EXPECT_EQ(energy.selected, 0);
    EXPECT_EQ(energy.entries.size(), 8);
    EXPECT_EQ(energy.entries.first(), u"Wh * (10 ^ -3)"_s);
    EXPECT_EQ(scaleAfterTypeChange(20, 0).entries, (QStringList{u"Date"_s, u"Time & Date"_s}));
    for (int type : {21, 22, 23, 24, 25, -1})
        EXPECT_EQ(scaleAfterTypeChange(type, 38), ScalePanel{}) << type;
    EXPECT_EQ(scaleAfterTypeChange(19, 0), ScalePanel{});
    EXPECT_EQ(scaleAfterTypeChange(19, 39), (ScalePanel{true, TableB.at(39), 0}));
}

// A VIFE change only matters under type 19; otherwise list and selection stay as they are.
TEST(CodingTables, ScaleRebuildAfterVifeChange) {
    const ScalePanel current{true, TableA[0].second, 3};
    EXPECT_EQ(scaleAfterVifeChange(0, 38, current), current);
    EXPECT_EQ(scaleAfterVifeChange(21, 38, ScalePanel{}), ScalePanel{});
    const ScalePanel volts = scaleAfterVifeChange(19, 38, ScalePanel{});
    EXPECT_TRUE(volts.enabled);
    EXPECT_EQ(volts.entries.size(), 16);
    EXPECT_EQ(volts.selected, 0);
    EXPECT_EQ(scaleAfterVifeChange(19, 151, volts), ScalePanel{});
}

TEST(CodingTables, LengthOnlyForVariableLength) {
    for (int dimension = -1; dimension <= DimensionCount; ++dimension)
        EXPECT_EQ(lengthEnabled(dimension), dimension == 7) << dimension;
}

// 255 is right exactly when the list is empty; otherwise a position in the list.
TEST(CodingTables, ScaleFits) {
    const std::vector<std::tuple<int, int, int, bool>> rows = {
        {0, 0, 0, true},    {0, 0, 7, true},    {0, 0, 8, false},   {0, 0, 255, false},
        {20, 0, 1, true},   {20, 0, 2, false},  {21, 0, 255, true}, {21, 0, 0, false},
        {19, 0, 255, true}, {19, 38, 15, true}, {19, 33, 3, false}, {19, 150, 255, true},
        {30, 0, 255, true}, {0, 0, -1, false},
    };
    for (const auto& [type, vife, scale, fits] : rows)
        EXPECT_EQ(scaleFits(type, vife, scale), fits) << type << "/" << vife << "/" << scale;
}

// The Modbus names follow the language table; comparison is whole and case-sensitive.
TEST(CodingTables, ModbusTextMapsReadTheLanguageTable) {
    LanguageTable table;
    const QStringList tod = {u"Coil Status"_s, u"Input Status"_s, u"Holding Register"_s,
                             u"Input Register"_s};
    for (int i = 0; i < 4; ++i)
        table.setText(615 + i, tod[i]);
    table.setText(622, u"None"_s);
    table.setText(623, u"Type 1"_s);

    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(modbusTypeText(table, i), tod[i]);
        EXPECT_EQ(modbusTypePosition(table, tod[i]), i);
    }
    EXPECT_EQ(modbusTypeText(table, 4), QString());
    EXPECT_EQ(modbusTypeText(table, -1), QString());
    EXPECT_EQ(modbusTypePosition(table, u"holding register"_s), -1);
    EXPECT_EQ(modbusTypePosition(table, u"Holding Register "_s), -1);

    EXPECT_EQ(modbusSwapText(table, 0), u"None"_s);
    EXPECT_EQ(modbusSwapText(table, 1), u"Type 1"_s);
    EXPECT_EQ(modbusSwapText(table, 2), QString());
    EXPECT_EQ(modbusSwapPosition(table, u"Type 1"_s), 1);
    EXPECT_EQ(modbusSwapPosition(table, u"type 1"_s), -1);
    EXPECT_EQ(modbusTypeTexts(table), tod);
    EXPECT_EQ(modbusSwapTexts(table), (QStringList{u"None"_s, u"Type 1"_s}));

    // A language file that renames a text: the new name is recognised, the old one not.
    table.setText(617, u"Registro"_s);
    EXPECT_EQ(modbusTypePosition(table, u"Registro"_s), 2);
    EXPECT_EQ(modbusTypePosition(table, u"Holding Register"_s), -1);
    EXPECT_EQ(modbusTypeTexts(table).value(2), u"Registro"_s);

    // The renaming stays in its table: a new table has the English names again.
    const LanguageTable defaults;
    EXPECT_EQ(modbusTypeText(defaults, 2), u"Holding Register"_s);
    EXPECT_EQ(modbusSwapText(defaults, 1), u"Type 1"_s);
}
