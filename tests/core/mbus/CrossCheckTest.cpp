// The decoder held against an independent M-Bus library: the same hand-built telegrams, served
// by the test slaves, read by libmbus's request tools and by our decoder, compared record by
// record. Where the library follows an older edition of the standard, or reads a form wrongly,
// the table says so in one line and the test checks that it still differs as said.
#include "core/mbus/Telegram.h"

#include "mock/MbusTestSlave.h"
#include "support/LibmbusTools.h"

#include "support/QtPrinters.h"
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Mbus;

namespace {

struct Row {
    const char* record;  // DIF, DIFEs, VIF, VIFEs and data, built from the standard's tables
    const char* unit;    // what the standard gives
    const char* value;   // the number with its exponent, the date or text; "" for none
    const char* differs; // nullptr: the library agrees; else why it does not
};

// Each data field type, each table region, the combinable VIFEs, DIFEs.
const Row Rows[] = {
    {"01 13 05", "m³", "0.005", nullptr},
    {"02 06 3412", "Wh", "4660000", nullptr},
    {"03 2B 563412", "W", "1193046", nullptr},
    {"04 3B 78563412", "m³/h", "305419.896", nullptr},
    {"06 0E 010000000000", "J", "1000000", nullptr},
    {"07 16 0100000000000000", "m³", "1", nullptr},
    {"01 5A FB", "°C", "-0.5", nullptr},
    {"05 5B 0000C841", "°C", "25", nullptr},
    {"05 44 CDCCCC3D", "m³/min", "0.0001", nullptr},
    {"02 4C 1027", "m³/s", "0.1", nullptr},
    {"02 53 1027", "kg/h", "10000", nullptr},
    {"02 62 F4FF", "K", "-1.2", nullptr},
    {"02 1B 3930", "kg", "12345", nullptr},
    {"02 33 0100", "J/h", "1000", nullptr},
    {"09 67 42", "°C", "42", nullptr},
    {"0A 6B 3412", "bar", "1234", nullptr},
    {"0B 5F 563412", "°C", "123456", nullptr},
    {"0C 06 78563412", "Wh", "12345678000", nullptr},
    {"0E 16 129078563412", "m³", "123456789012", nullptr},
    {"0A 13 23F1", "m³", "-0.123", nullptr},
    {"02 22 0A00", "h", "10", nullptr},
    {"02 27 0500", "d", "5", nullptr},
    {"01 70 3C", "s", "60", nullptr},
    {"01 75 0F", "min", "15", nullptr},
    {"02 6C 1F35", "", "2024-05-31", nullptr},
    {"04 6D 070E1F35", "", "2024-05-31T14:07", nullptr},
    {"06 6D 09070E1F3500", "", "2024-05-31T14:07:09", nullptr},
    {"03 6D 3A3B17", "", "23:59:58", "the library reads a time of type J as a 24-bit integer"},
    {"02 6C 1FB5", "", "1988-05-31",
     "the library reads the years 81 to 99 of a date as 2081 to 2099"},
    {"04 6D 074E1F35", "", "2124-05-31T14:07",
     "the library ignores the hundred-year bits of type F"},
    {"0C 78 78563412", "", "12345678", nullptr},
    {"0C 79 78563412", "", "12345678",
     "the library has no name for E111 1001 (enhanced identification)"},
    {"01 7A 05", "", "5", nullptr},
    {"01 6E 07", "", "7", nullptr},
    {"0D FD0C 03 434241", "", "ABC", nullptr},
    {"01 7C 03 68576B 05", "kWh", "5", nullptr},
    {"01 FB00 05", "Wh", "500000", nullptr},
    {"01 FB09 05", "J", "5000000000", nullptr},
    {"01 FB11 05", "m³", "5000", nullptr},
    {"01 FB18 05", "kg", "500000", nullptr},
    {"01 FB21 05", "ft³", "0.5", nullptr},
    {"01 FB22 05", "US gal", "0.5", nullptr},
    {"01 FB23 05", "US gal", "5", nullptr},
    {"01 FB24 05", "US gal/min", "0.005", nullptr},
    {"01 FB25 05", "US gal/min", "5", nullptr},
    {"01 FB26 05", "US gal/h", "5", nullptr},
    {"01 FB29 05", "W", "5000000", nullptr},
    {"01 FB31 05", "J/h", "5000000000", nullptr},
    {"01 FB5A 05", "°F", "0.5", nullptr},
    {"01 FB63 05", "°F", "5", nullptr},
    {"01 FB75 05", "°C", "0.05", nullptr},
    {"01 FB7B 05", "W", "5", nullptr},
    {"01 FB20 05", "ft³", "5",
     "FB 20 is ft³ since the second edition; the library follows the first, where it is reserved"},
    {"01 FB02 05", "varh", "5000",
     "FB 02 (reactive energy) came after the first edition, which the library follows"},
    {"01 FB2C 05", "Hz", "0.005",
     "FB 2C (frequency) came after the first edition, which the library follows"},
    {"01 FB34 05", "VA", "5",
     "FB 34 (apparent power) came after the first edition, which the library follows"},
    {"01 FD08 55", "", "85", nullptr},
    {"01 FD09 07", "", "7", nullptr},
    {"02 FD1C 6009", "Bd", "2400", nullptr},
    {"01 FD27 01", "d", "1", nullptr},
    {"01 FD28 01", "month", "1", nullptr},
    {"02 FD47 E803", "V", "10", nullptr},
    {"02 FD59 E803", "A", "1", nullptr},
    {"01 FD31 05", "min", "5", nullptr},
    {"01 FD6E 02", "month", "2", nullptr},
    {"01 FD3A 05", "", "5", nullptr},
    {"04 FD30 070E1F35", "", "2024-05-31T14:07", nullptr},
    {"04 FD70 070E1F35", "", "2024-05-31T14:07", nullptr},
    {"01 FD19 05", "", "5",
     "FD 19 (security key) came after the first edition, which the library follows"},
    {"01 FD71 C4", "dBm", "-60",
     "FD 71 (RF level) came after the first edition, which the library follows"},
    {"01 FDBA 22 05", "/h", "5", "the library ignores the VIFEs after FD 3A"},
    {"04 93 3B E8030000", "m³", "1", nullptr},
    {"04 93 77 E8030000", "m³", "10", "the library ignores a multiplier VIFE"},
    {"04 93 22 E8030000", "m³/h", "1", "the library ignores a 'per hour' VIFE"},
    {"04 93 16 E8030000", "m³", "", "the library shows a value with a record error as good"},
    {"44 13 E8030000", "m³", "1", nullptr},
    {"14 13 E8030000", "m³", "1", nullptr},
    {"24 13 E8030000", "m³", "1", nullptr},
    {"34 13 E8030000", "m³", "1", nullptr},
    {"84 10 13 E8030000", "m³", "1", nullptr},
    {"84 40 13 E8030000", "m³", "1", nullptr},
    {"C4 82 03 13 E8030000", "m³", "1", nullptr},
    {"01 7F 05", "", "05", "the library shows a maker's field as a number; we keep its bytes"},
    {"0D 13 E2 FEFF", "m³", "-0.002",
     "the library shows a binary number of variable length as characters"},
};

// Alone in the last telegram: the library reads (LVAR - C0) x 2 bytes for a BCD of variable
// length, twice as many as the LVAR gives, and refuses the whole telegram.
const Row LastAlone = {"0D 13 C2 3412", "m³", "1.234",
                       "the library reads twice the bytes of a BCD of variable length"};

QByteArray header(int n) {
    return MbusTestSlave::longHeader(
        QStringLiteral("%1").arg(n, 8, 10, QLatin1Char('0')).toLatin1().constData(), "ABC", 1, 0x07,
        quint8(n));
}

struct Served {
    int address;
    QList<const Row*> rows;
    QByteArray frame;
};

// The rows packed into telegrams of one slave each, well within a frame.
QList<Served> telegrams() {
    QList<Served> list;
    QByteArray records;
    QList<const Row*> rows;
    const auto close = [&] {
        const int address = int(list.size()) + 1;
        list.append(
            {address, rows,
             MbusTestSlave::rspUd(quint8(address), CiLongHeader, header(address) + records)});
        rows.clear();
        records.clear();
    };
    for (const Row& r : Rows) {
        const QByteArray bytes = QByteArray::fromHex(r.record);
        if (records.size() + bytes.size() > 200)
            close();
        rows.append(&r);
        records += bytes;
    }
    close();
    rows.append(&LastAlone);
    records = QByteArray::fromHex(LastAlone.record);
    close();
    return list;
}

QString ours(const Record& r) {
    if (r.number)
        return r.number->text();
    return r.text.value_or(QString());
}

// The library's number times 10^exponent, written as our decoder writes numbers.
std::optional<QString> scaled(const QString& value, int exponent) {
    static const QRegularExpression Number(QStringLiteral("^(-?)(\\d+)(?:\\.(\\d+))?$"));
    const QRegularExpressionMatch m = Number.match(value);
    if (!m.hasMatch())
        return std::nullopt;
    Decimal d;
    d.negative = !m.captured(1).isEmpty();
    QByteArray digits = (m.captured(2) + m.captured(3)).toLatin1();
    while (digits.size() > 1 && digits.startsWith('0'))
        digits.remove(0, 1);
    d.digits = digits;
    d.exponent = exponent - int(m.captured(3).size());
    if (d.digits == "0")
        d.negative = false;
    return d.text();
}

Function functionOf(const QString& libmbus) {
    if (libmbus == QStringLiteral("Maximum value"))
        return Function::Maximum;
    if (libmbus == QStringLiteral("Minimum value"))
        return Function::Minimum;
    if (libmbus == QStringLiteral("Value during error state"))
        return Function::DuringError;
    return Function::Instantaneous;
}

// Why the library's reading of a record differs from ours; empty when it agrees.
QString difference(const Record& r, const Libmbus::Record& lib) {
    if (functionOf(lib.function) != r.function)
        return QStringLiteral("function %1").arg(lib.function);
    if (lib.storage.toULongLong() != r.storage)
        return QStringLiteral("storage %1").arg(lib.storage);
    if (!lib.tariff.isEmpty() &&
        (lib.tariff.toUInt() != r.tariff || lib.device.toUInt() != r.subunit))
        return QStringLiteral("tariff %1, device %2").arg(lib.tariff, lib.device);
    if (!r.error.isEmpty())
        return QStringLiteral("we show no value (%1), the library %2").arg(r.error, lib.value);
    if (r.meaning.quantity == QStringLiteral("plain text unit"))
        return lib.unit == r.meaning.unit && lib.value == ours(r)
                   ? QString()
                   : QStringLiteral("unit %1").arg(lib.unit);
    const std::optional<Libmbus::Unit> unit = Libmbus::parseUnit(lib.unit);
    if (!unit)
        return QStringLiteral("unit %1 not known here").arg(lib.unit);
    if (unit->unit != r.meaning.unit)
        return QStringLiteral("unit %1 (%2)").arg(unit->unit, lib.unit);
    if (r.text) {
        QString text = *r.text;
        if (r.meaning.form == RecordMeaning::Form::PointInTime && text.size() == 16)
            text += QStringLiteral(":00"); // the library always writes the seconds
        return text == lib.value ? QString() : QStringLiteral("value %1").arg(lib.value);
    }
    const std::optional<QString> theirs = scaled(lib.value, unit->exponent);
    if (!theirs)
        return QStringLiteral("value %1 is no number").arg(lib.value);
    return *theirs == ours(r) ? QString() : QStringLiteral("value %1").arg(*theirs);
}

void crossCheck(const QString& tool, const std::function<QStringList(int address)>& arguments) {
    for (const Served& t : telegrams()) {
        SCOPED_TRACE(QStringLiteral("telegram %1").arg(t.address).toStdString());
        const FrameParse p = parseFrame(t.frame);
        ASSERT_EQ(p.status, FrameParse::Status::Complete);
        const DecodedTelegram d = decodeTelegram(p.frame);
        ASSERT_TRUE(d.telegram) << d.error.toStdString();
        ASSERT_EQ(d.telegram->records.size(), t.rows.size());
        // What the standard gives, independent of the library.
        for (int i = 0; i < t.rows.size(); ++i) {
            SCOPED_TRACE(t.rows[i]->record);
            EXPECT_EQ(d.telegram->records[i].meaning.unit, QString::fromUtf8(t.rows[i]->unit));
            EXPECT_EQ(ours(d.telegram->records[i]), QString::fromUtf8(t.rows[i]->value));
        }
        const Libmbus::Run run = Libmbus::run(tool, arguments(t.address));
        ASSERT_TRUE(run.finished);
        if (t.rows.first() == &LastAlone) {
            EXPECT_NE(run.exitCode, 0) << LastAlone.differs << "\n" << run.out.toStdString();
            continue;
        }
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const Libmbus::Data lib = Libmbus::parseXml(run.out);
        ASSERT_TRUE(lib.error.isEmpty()) << lib.error.toStdString();
        EXPECT_EQ(lib.id, QString::number(t.address)); // written without its leading zeros
        EXPECT_EQ(lib.manufacturer, QStringLiteral("ABC"));
        EXPECT_EQ(lib.access, QString::number(t.address));
        ASSERT_EQ(lib.records.size(), t.rows.size()) << run.out.toStdString();
        for (int i = 0; i < t.rows.size(); ++i) {
            const Row& row = *t.rows[i];
            SCOPED_TRACE(row.record);
            const QString why = difference(d.telegram->records[i], lib.records[i]);
            if (row.differs)
                EXPECT_FALSE(why.isEmpty())
                    << "the library now agrees; the table's note is stale: " << row.differs;
            else
                EXPECT_TRUE(why.isEmpty()) << why.toStdString() << " (library unit "
                                           << lib.records[i].unit.toStdString() << ")";
        }
    }
}

QList<MbusTestSlave::Slave> slaves() {
    QList<MbusTestSlave::Slave> list;
    for (const Served& t : telegrams()) {
        MbusTestSlave::Slave s;
        s.address = t.address;
        s.frames = {t.frame};
        list.append(s);
    }
    return list;
}

} // namespace

TEST(CrossCheck, LibmbusOverTcpReadsWhatWeRead) {
    REQUIRE_LIBMBUS_TOOL(QStringLiteral("mbus-tcp-request-data"));
    const auto slave = MbusTestSlave::tcp(slaves());
    ASSERT_TRUE(slave);
    crossCheck(QStringLiteral("mbus-tcp-request-data"), [&](int address) {
        return QStringList{QStringLiteral("127.0.0.1"), QString::number(slave->port()),
                           QString::number(address)};
    });
}

TEST(CrossCheck, LibmbusOverAPseudoTerminalReadsWhatWeRead) {
    REQUIRE_LIBMBUS_TOOL(QStringLiteral("mbus-serial-request-data"));
    const auto slave = MbusTestSlave::pseudoTerminal(slaves());
    ASSERT_TRUE(slave);
    crossCheck(QStringLiteral("mbus-serial-request-data"), [&](int address) {
        return QStringList{QStringLiteral("-b"), QStringLiteral("2400"), slave->device(),
                           QString::number(address)};
    });
}

// The tool's unit texts, as this test reads them.
TEST(CrossCheck, LibmbusUnitTexts) {
    const struct {
        const char* text;
        const char* unit;
        int exponent;
    } cases[] = {{"Energy (kWh)", "Wh", 3},
                 {"Energy (0.1 MWh)", "Wh", 5},
                 {"Volume (m m^3)", "m³", -3},
                 {"Volume ( m^3)", "m³", 0},
                 {"Volume (km3)", "m³", 3},
                 {"Mass (100 t)", "kg", 5},
                 {"Volume flow (1e-7  m^3/min)", "m³/min", -7},
                 {"Temperature Difference (m deg C)", "K", -3},
                 {"Flow Temperature (1e-1  degree F)", "°F", -1},
                 {"On time (hours)", "h", 0},
                 {"Storage interval day(s)", "d", 0},
                 {"1e-2  V", "V", -2},
                 {"m A", "A", -3},
                 {"Fabrication number", "", 0}};
    for (const auto& c : cases) {
        const std::optional<Libmbus::Unit> u = Libmbus::parseUnit(QString::fromUtf8(c.text));
        ASSERT_TRUE(u) << c.text;
        EXPECT_EQ(u->unit, QString::fromUtf8(c.unit)) << c.text;
        EXPECT_EQ(u->exponent, c.exponent) << c.text;
    }
    EXPECT_FALSE(Libmbus::parseUnit(QStringLiteral("Reserved (0x20)")));
}
