#include "core/sources/SourceValues.h"

#include "core/sources/ReadPlan.h"
#include "support/SourceNetworks.h"

#include <gtest/gtest.h>

using namespace Sources;

namespace {

TEST(SourceValues, EveryReadingOfKnownRegisters) {
    const struct {
        QList<quint16> registers;
        Reading reading;
        const char* text;
    } cases[] = {
        {{0x1234, 0xABCD}, Reading::Raw, "0x1234 0xABCD"},
        {{0x0001}, Reading::Raw, "0x0001"},
        {{0xFFFE}, Reading::Unsigned16, "65534"},
        {{0xFFFE}, Reading::Signed16, "-2"},
        {{0x7FFF}, Reading::Signed16, "32767"},
        {{0x0001, 0x0002}, Reading::Int32HighFirst, "65538"},
        {{0x0001, 0x0002}, Reading::Int32LowFirst, "131073"},
        {{0xFFFF, 0xFFFE}, Reading::Int32HighFirst, "-2"},
        {{0xFFFE, 0xFFFF}, Reading::Int32LowFirst, "-2"},
        {{0x4049, 0x0FDB}, Reading::Float32HighFirst, "3.141593"},
        {{0x0FDB, 0x4049}, Reading::Float32LowFirst, "3.141593"},
        {{0xC2C8, 0x0000}, Reading::Float32HighFirst, "-100"},
        {{0x7FC0, 0x0000}, Reading::Float32HighFirst, "NaN"},
        {{0x0000, 0x7F80}, Reading::Float32LowFirst, "+Inf"},
        // Too few registers for the reading: nothing to show.
        {{0x0001}, Reading::Int32HighFirst, ""},
        {{0x0001}, Reading::Float32LowFirst, ""},
        {{}, Reading::Unsigned16, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readingText(c.reading, c.registers), QString::fromLatin1(c.text))
            << readingName(c.reading).toStdString() << " of "
            << registersText(c.registers).toStdString();
}

TEST(SourceValues, BitsAreShownOneByOne) {
    EXPECT_EQ(bitsText({1, 0, 1, 1}), QStringLiteral("1 0 1 1"));
    EXPECT_EQ(bitsText({}), QString());
}

TEST(SourceValues, TheMarkedReadingFollowsDimensionAndSwap) {
    const struct {
        int type, dimension, swap;
        Reading marked;
    } cases[] = {
        {Holding, 0, 0, Reading::Signed16},     // "8"
        {Holding, Dim16, 1, Reading::Signed16}, // one register: no word order
        {Holding, Dim32, 0, Reading::Int32HighFirst},
        {Holding, Dim32, 1, Reading::Int32LowFirst},
        {InputRegister, 4, 0, Reading::Int32HighFirst}, // "24"
        {Holding, DimReal, 0, Reading::Float32HighFirst},
        {Holding, DimReal, 1, Reading::Float32LowFirst},
        {Holding, 3, 0, Reading::Raw},       // "64"
        {Holding, 7, 0, Reading::Raw},       // variable length
        {Holding, DimBcd8, 0, Reading::Raw}, // BCD digits read straight from the hex
        {Coil, Dim32, 0, Reading::Raw},
        {InputStatus, DimReal, 1, Reading::Raw},
    };
    for (const auto& c : cases) {
        const ReadPlan plan =
            makeReadPlan({node(1, {source(1, c.type, 0, 2, c.dimension, c.swap)})});
        EXPECT_EQ(markedReading(plan.variables[0]), c.marked)
            << "type " << c.type << " dimension " << c.dimension << " swap " << c.swap;
    }
}

} // namespace
