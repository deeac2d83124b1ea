#include "GatewayTestSupport.h"

#include "core/gateway/GatewayValues.h"
#include "core/gateway/MbusRecord.h"
#include "core/sources/MbusValue.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

using namespace Gateway;
namespace Mbus = Sources::Mbus;

namespace {

// Dimension positions.
constexpr int D8 = 0, D16 = 1, D32 = 2, DReal = 6, Bcd4 = 9, Bcd8 = 11;

struct ReadingCase {
    const char* name;
    int dimension;
    QList<quint16> registers; // empty: eight coils, all on
    int swap;
    const char* data; // the record's data field as sent, worked out by hand
    quint8 errorVife;
    QStringList flags;
};

// The record's data read back as a reading system reads it (EN 13757-3: integers signed,
// least significant byte first; BCD digits; a 32-bit real).
struct ReadBack {
    std::optional<double> number;
    QString digits; // a BCD field with a digit above 9, or a real that is not finite
};

ReadBack readBack(int dimension, const QByteArray& data) {
    quint64 bits = 0;
    for (int i = int(data.size()) - 1; i >= 0; --i)
        bits = (bits << 8) | quint8(data[i]);
    if (dimension == DReal) {
        const float f = std::bit_cast<float>(quint32(bits));
        if (std::isnan(f))
            return {std::nullopt, QStringLiteral("NaN")};
        if (std::isinf(f))
            return {std::nullopt, f > 0 ? QStringLiteral("+Inf") : QStringLiteral("-Inf")};
        return {double(f), {}};
    }
    if (dimension == Bcd4 || dimension == Bcd8) {
        const QString digits =
            QString::number(bits, 16).rightJustified(int(data.size()) * 2, QLatin1Char('0'));
        bool decimal = true;
        for (const QChar c : digits)
            decimal = decimal && c.isDigit();
        if (decimal)
            return {digits.toDouble(), {}};
        return {std::nullopt, digits.toUpper()};
    }
    const int width = int(data.size()) * 8;
    const quint64 sign = quint64(1) << (width - 1);
    return {double(qint64(bits ^ sign) - qint64(sign)), {}};
}

const QString overflow = QStringLiteral("overflow"), negative = QStringLiteral("negative"),
              bcd = QStringLiteral("bcd-digit"), notFinite = QStringLiteral("not-finite");

// The source test's M-Bus value and the virtual gateway's record come from one reading: the
// record carries exactly the number the value shows, and every record sent with an error is
// a value the source test warns about.
TEST(ReadingAgreement, TheSourceTestsValueIsWhatTheGatewaySends) {
    const ReadingCase cases[] = {
        {"a counter that fits", D32, {0x0001, 0x86A0}, 0, "A0 86 01 00", 0, {}},
        {"BCD: the register's digits", Bcd8, {0x1234, 0x5678}, 0, "78 56 34 12", 0, {}},
        {"BCD digit above 9", Bcd8, {0x00BC, 0x614E}, 0, "4E 61 BC 00", VifeDataError, {bcd}},
        {"32-bit counter into 16 bits",
         D16,
         {0x0001, 0x86A0},
         0,
         "A0 86",
         VifeOverflow,
         {overflow}},
        {"32-bit register that fits 16 bits", D16, {0x0000, 0x1234}, 0, "34 12", 0, {}},
        {"BCD above its digits", Bcd4, {0x0001, 0x2345}, 0, "45 23", VifeOverflow, {overflow}},
        {"negative into BCD", Bcd4, {0xFFFF}, 0, "FF FF", VifeDataError, {bcd}},
        {"negative cut to 8 bits", D8, {0xFF7F}, 0, "7F", VifeUnderflow, {negative}},
        // Right for a counter of 65535, wrong for a signed -1: a warning, not an error.
        {"0xFFFF into 32 bits", D32, {0xFFFF}, 0, "FF FF 00 00", 0, {negative}},
        {"float NaN", DReal, {0x7FC0, 0x0000}, 0, "00 00 C0 7F", VifeNoData, {notFinite}},
        {"float minus infinite",
         DReal,
         {0xFF80, 0x0000},
         0,
         "00 00 80 FF",
         VifeUnderflow,
         {notFinite}},
        {"float low word first", DReal, {0x0000, 0x3FC0}, 1, "00 00 C0 3F", 0, {}},
        {"eight coils into 8 bits", D8, {}, 0, "FF", VifeOverflow, {overflow}},
    };
    for (const ReadingCase& c : cases) {
        Sources::SourceVariable v;
        v.dimension = c.dimension;
        v.swap = c.swap;
        v.function = c.registers.isEmpty() ? 1 : 3;
        v.count = c.registers.isEmpty() ? 8 : int(c.registers.size());
        v.scale = 3; // Wh × 10⁰: the value is the field's number
        Sources::SourceResult r;
        r.outcome = Sources::SourceResult::Outcome::Read;
        r.registers = c.registers;
        if (c.registers.isEmpty())
            r.bits = QList<quint8>(8, 1);

        const std::optional<Mbus::Value> shown = Mbus::valueOf(v, r);
        ASSERT_TRUE(shown) << c.name;
        const Record record = recordFor(mbusVariable(c.dimension), valueOfReading(v, r));
        EXPECT_EQ(record.errorVife, c.errorVife) << c.name;
        // DIF, VIF 03 and, with an error, the error VIFE after it.
        const QByteArray data = record.bytes.mid(c.errorVife ? 3 : 2);
        EXPECT_EQ(spaced(data), spaced(hex(c.data))) << c.name;
        EXPECT_EQ(shown->flagNames(), c.flags) << c.name;

        const ReadBack back = readBack(c.dimension, data);
        EXPECT_EQ(shown->value, back.number) << c.name;
        if (!back.digits.isEmpty()) {
            EXPECT_EQ(shown->text, back.digits) << c.name;
        }
        if (record.errorVife) {
            EXPECT_NE(shown->flags &
                          (Mbus::Overflow | Mbus::Negative | Mbus::BcdDigit | Mbus::NotFinite),
                      0u)
                << c.name;
        }
    }
}

// A source that was not read goes out as "no data", never as a value.
TEST(ReadingAgreement, AnUnreadSourceIsNoData) {
    Sources::SourceVariable v;
    v.dimension = D32;
    Sources::SourceResult r;
    r.outcome = Sources::SourceResult::Outcome::Timeout;
    r.registers = {0x0001, 0x86A0}; // left over: must not be sent
    EXPECT_FALSE(Mbus::valueOf(v, r));
    const Record record = recordFor(mbusVariable(D32), valueOfReading(v, r));
    EXPECT_EQ(spaced(record.bytes), spaced(hex("04 83 15 00 00 00 00")));
}

} // namespace
