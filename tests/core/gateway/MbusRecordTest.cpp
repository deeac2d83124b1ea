#include "GatewayTestSupport.h"

#include "core/gateway/MbusRecord.h"

#include <gtest/gtest.h>

using namespace Gateway;

namespace {

// Expected bytes are worked out by hand from EN 13757-3 (DIF: data field in bits 0..3,
// function field in bits 4..5, storage LSB in bit 6; VIF E000 0011 = Wh x 10^0), never taken
// from the encoder.
struct DataCase {
    int dimension;
    RecordValue value;
    int length; // variable length only
    const char* record;
};

const DataCase DataCases[] = {
    {0, RecordValue::ofInteger(42), 0, "01 03 2A"},
    {1, RecordValue::ofInteger(0x1234), 0, "02 03 34 12"},
    {1, RecordValue::ofInteger(65535), 0, "02 03 FF FF"}, // a register read unsigned
    {1, RecordValue::ofInteger(-1), 0, "02 03 FF FF"},
    {2, RecordValue::ofInteger(12345678), 0, "04 03 4E 61 BC 00"},
    {2, RecordValue::ofReal(12.6), 0, "04 03 0D 00 00 00"}, // rounded, not cut
    {3, RecordValue::ofInteger(-2), 0, "07 03 FE FF FF FF FF FF FF FF"},
    {4, RecordValue::ofInteger(0x123456), 0, "03 03 56 34 12"},
    {5, RecordValue::ofInteger(0x010203040506), 0, "06 03 06 05 04 03 02 01"},
    {6, RecordValue::ofReal(1.5), 0, "05 03 00 00 C0 3F"},
    {6, RecordValue::ofReal(-2.5), 0, "05 03 00 00 20 C0"},
    {6, RecordValue::ofInteger(1), 0, "05 03 00 00 80 3F"},
    {7, RecordValue::ofText("ABCD"), 4, "0D 03 04 44 43 42 41"}, // last character first
    {7, RecordValue::ofText("AB"), 4, "0D 03 04 20 20 42 41"},   // blanks fill the length
    {7, RecordValue::ofInteger(123), 3, "0D 03 03 33 32 31"},
    {8, RecordValue::ofInteger(42), 0, "09 03 42"},
    {9, RecordValue::ofInteger(1234), 0, "0A 03 34 12"},
    {10, RecordValue::ofInteger(123456), 0, "0B 03 56 34 12"},
    {11, RecordValue::ofInteger(12345678), 0, "0C 03 78 56 34 12"},
    {11, RecordValue::ofInteger(-1234567), 0, "0C 03 67 45 23 F1"}, // F: negative
    {12, RecordValue::ofInteger(123456789012), 0, "0E 03 12 90 78 56 34 12"},
    {8, RecordValue::ofInteger(-5), 0, "09 03 F5"},
};

TEST(MbusRecord, EveryDataFieldCodeGivesTheStandardsBytes) {
    for (const DataCase& c : DataCases) {
        Variable v = mbusVariable(c.dimension);
        v.length = quint8(c.length);
        EXPECT_EQ(spaced(recordFor(v, c.value).bytes), spaced(hex(c.record)))
            << "dimension " << c.dimension;
    }
}

// A typed value that cannot be sent goes out as zeros with the record error in a VIFE after the
// VIF (E001 0101 no data, E001 0110 overflow, E001 0111 underflow), never as a cut value.
TEST(MbusRecord, ValuesThatCannotBeSentCarryTheirErrorInTheRecord) {
    const DataCase cases[] = {
        {2, RecordValue::failed(), 0, "04 83 15 00 00 00 00"},
        {0, RecordValue::ofInteger(300), 0, "01 83 16 00"},
        {0, RecordValue::ofInteger(-200), 0, "01 83 17 00"},
        {1, RecordValue::ofInteger(65536), 0, "02 83 16 00 00"},
        {8, RecordValue::ofInteger(100), 0, "09 83 16 00"},
        {8, RecordValue::ofInteger(-10), 0, "09 83 17 00"},
        {6, RecordValue::ofReal(1e39), 0, "05 83 16 00 00 00 00"},
        {2, RecordValue::ofText("x"), 0, "04 83 15 00 00 00 00"},
        {7, RecordValue::failed(), 2, "0D 83 15 02 00 00"},
    };
    for (const DataCase& c : cases) {
        Variable v = mbusVariable(c.dimension);
        v.length = quint8(c.length);
        const Record r = recordFor(v, c.value);
        EXPECT_EQ(spaced(r.bytes), spaced(hex(c.record))) << "dimension " << c.dimension;
        EXPECT_NE(r.errorVife, 0);
    }
    // Through an extension table the error follows the last VIFE.
    EXPECT_EQ(spaced(recordFor(mbusVariable(2, 19, 0, 1), RecordValue::failed()).bytes),
              spaced(hex("04 FD 80 15 00 00 00 00")));
    // After the manufacturer's VIF the VIFEs are the manufacturer's: no error VIFE there.
    EXPECT_EQ(spaced(recordFor(mbusVariable(2, 21, 255), RecordValue::failed()).bytes),
              spaced(hex("04 FF 80 00 00 00 00 00")));
}

struct VifCase {
    int type, vife, scale;
    const char* vif;
    bool standard = true;
};

// Record codes 1..118 are the primary VIFs E000 0000 .. E111 0111 without E110 1110 and
// E110 1111; type 19 takes the VIFE that list C names, from the FD or FB table, or a
// combinable VIFE after "dimensionless" (FD 3A).
const VifCase VifCases[] = {
    {0, 0, 0, "00"},
    {0, 0, 7, "07"},
    {1, 0, 0, "08"},
    {2, 0, 6, "16"},
    {3, 0, 3, "1B"},
    {4, 0, 2, "22"},
    {5, 0, 3, "27"},
    {6, 0, 3, "2B"},
    {7, 0, 0, "30"},
    {8, 0, 6, "3E"},
    {9, 0, 7, "47"},
    {10, 0, 0, "48"},
    {11, 0, 3, "53"},
    {12, 0, 1, "59"},
    {13, 0, 3, "5F"},
    {14, 0, 0, "60"},
    {15, 0, 2, "66"},
    {16, 0, 3, "6B"},
    {20, 0, 0, "6C"},
    {20, 0, 1, "6D"},
    {17, 0, 0, "70"},
    {18, 0, 3, "77"},
    // Types without a scale list that the standard still codes.
    {22, 0, 255, "6E"},
    {23, 0, 255, "78"},
    {24, 0, 255, "79"},
    {25, 0, 255, "7A"},
    // Type 19.
    {19, 1, 2, "FD 02"},
    {19, 3, 255, "FD 08"},
    {19, 19, 255, "FD 18"},
    {19, 20, 255, "FD 1A"},
    {19, 22, 255, "FD 1C"},
    {19, 28, 1, "FD 25"},
    {19, 33, 0, "FD 31"},
    {19, 37, 255, "FD 3A"},
    {19, 38, 9, "FD 49"},
    {19, 39, 12, "FD 5C"},
    {19, 50, 255, "FD 70"},
    {19, 51, 1, "FB 01"},
    {19, 52, 0, "FB 08"},
    {19, 63, 3, "FB 5B"},
    {19, 69, 0, "FB 78"},
    {19, 70, 255, "FD BA 20"},
    {19, 97, 0, "FD BA 48"},
    {19, 97, 1, "FD BA 40"}, // upper listed first
    {19, 99, 2, "FD BA 46"},
    {19, 100, 4, "FD BA 58"},
    {19, 102, 3, "FD BA 6F"},
    {19, 103, 6, "FD BA 76"},
    {19, 121, 255, "FD BA 15"},
    {19, 132, 255, "FD 71"},
    {19, 137, 1, "FB 03"},
    // No standard coding: VIF FF and the record code in two VIFEs (430 = 3 * 128 + 0x2E).
    {19, 142, 255, "FF 83 2E", false},
    {19, 151, 255, "FF 83 3E", false},
    {19, 0, 255, "FF 80 00", false},
    {21, 0, 255, "FF 80 00", false},
    {0, 0, 8, "FF 80 00", false}, // a scale beyond the list has no code
};

TEST(MbusRecord, RecordCodesGiveTheStandardsVif) {
    for (const VifCase& c : VifCases) {
        const VifCoding coding = vifFor(c.type, c.vife, quint16(c.scale));
        EXPECT_EQ(spaced(coding.bytes), spaced(hex(c.vif)))
            << "type " << c.type << " VIFE " << c.vife << " scale " << c.scale;
        EXPECT_EQ(coding.standard, c.standard) << "type " << c.type << " VIFE " << c.vife;
    }
    EXPECT_EQ(primaryVif(110), 0x6D);
    EXPECT_EQ(primaryVif(111), 0x70);
    EXPECT_EQ(primaryVif(119), 0);
}

struct DifCase {
    int function;
    quint32 storage, tariff, unit;
    const char* dif;
};

TEST(MbusRecord, FunctionStorageTariffAndUnitGoIntoDifAndDifes) {
    const DifCase cases[] = {
        {0, 0, 0, 0, "04"},
        {1, 0, 0, 0, "24"}, // minimum: 10
        {2, 0, 0, 0, "14"}, // maximum: 01
        {3, 0, 0, 0, "34"},
        {0, 1, 0, 0, "44"},
        {0, 2, 0, 0, "84 01"},
        {0, 5, 0, 0, "C4 02"},
        {0, 0, 1, 0, "84 10"},
        {0, 0, 4, 0, "84 80 10"},
        {0, 0, 0, 1, "84 40"},
        {0, 0xFFFFFFFF, 0, 0, "C4 8F 8F 8F 8F 8F 8F 8F 07"},
        {0, 0, 0xFFFFF, 0, "84 B0 B0 B0 B0 B0 B0 B0 B0 B0 30"},
    };
    for (const DifCase& c : cases)
        EXPECT_EQ(spaced(difFor(4, c.function, c.storage, c.tariff, c.unit)), spaced(hex(c.dif)))
            << c.dif;
}

} // namespace
