#include "core/sources/SourceTexts.h"

#include "core/lang/LanguageTable.h"
#include "support/SourceNetworks.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>
#include <modbus.h>

using namespace Sources;
using Outcome = SourceResult::Outcome;

namespace {

SourceResult failure(Outcome outcome, int exception = 0, const char* detail = "") {
    SourceResult r;
    r.outcome = outcome;
    r.exception = exception;
    r.detail = QString::fromLatin1(detail);
    return r;
}

TEST(SourceTexts, EachFailureSaysWhatHappened) {
    const LanguageTable texts;
    const ReadPlan plan = makeReadPlan({node(1, {source(1, Holding, 0, 1)})});
    const SourceVariable& v = plan.variables[0];
    const auto meaning = [](int code) {
        return QString::fromLocal8Bit(modbus_strerror(MODBUS_ENOBASE + code));
    };
    const struct {
        SourceResult result;
        QString text;
    } cases[] = {
        {failure(Outcome::Timeout), QStringLiteral("No answer within 250 ms")},
        {failure(Outcome::Exception, 1, "Illegal function"),
         QStringLiteral("Exception 1: Illegal function")},
        {failure(Outcome::CrcError), QStringLiteral("CRC error in the answer")},
        {failure(Outcome::Failed, 0, "Invalid data"), QStringLiteral("Invalid data")},
        {failure(Outcome::NotRead), QStringLiteral("Not read")},
        {failure(Outcome::Invalid),
         QStringLiteral("Not read: the slave ID, type, register or number of points is outside "
                        "what Modbus allows")},
        {failure(Outcome::Read), QStringLiteral("OK")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcomeText(c.result, v, 250, texts), c.text);
    // The meanings are libmodbus's own words for the exception codes.
    EXPECT_EQ(meaning(1), QStringLiteral("Illegal function"));
    EXPECT_EQ(meaning(2), QStringLiteral("Illegal data address"));
    EXPECT_EQ(meaning(3), QStringLiteral("Illegal data value"));
    EXPECT_EQ(meaning(4), QStringLiteral("Slave device or server failure"));
}

TEST(SourceTexts, APortThatWouldNotOpenSaysWhatToDo) {
    const LanguageTable texts;
    Connection serial;
    serial.port = QStringLiteral("/dev/ttyUSB0");
    const auto text = [&](OpenFailure::Kind kind) {
        return openFailureText(OpenFailure{kind, QStringLiteral("system words")}, serial, texts);
    };
    EXPECT_TRUE(text(OpenFailure::Kind::Permission).contains(QStringLiteral("dialout")));
    EXPECT_TRUE(text(OpenFailure::Kind::Permission)
                    .startsWith(QStringLiteral("The serial port /dev/ttyUSB0 cannot be opened: ")));
    EXPECT_TRUE(text(OpenFailure::Kind::Missing).contains(QStringLiteral("does not exist")));
    EXPECT_TRUE(text(OpenFailure::Kind::Busy).contains(QStringLiteral("another program")));
    EXPECT_TRUE(text(OpenFailure::Kind::NotSerial).contains(QStringLiteral("not a serial port")));
    EXPECT_TRUE(text(OpenFailure::Kind::Other).endsWith(QStringLiteral(": system words")));
    Connection tcp;
    tcp.kind = Connection::Kind::Tcp;
    tcp.host = QStringLiteral("127.0.0.1");
    tcp.tcpPort = 1502;
    EXPECT_EQ(openFailureText(
                  OpenFailure{OpenFailure::Kind::Connect, QStringLiteral("Connection refused")},
                  tcp, texts),
              QStringLiteral("Cannot connect to 127.0.0.1:1502: Connection refused"));
}

TEST(SourceTexts, AnAsciiLineIsToldOnlyRtuAndTcpCanBeTested) {
    const LanguageTable texts;
    const QString text = notTestableText(1, texts);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Only Modbus RTU and Modbus TCP can be tested.")));
    EXPECT_TRUE(text.contains(QStringLiteral("uses Modbus ASCII")));
    EXPECT_TRUE(notTestableText(4, texts).contains(QStringLiteral("uses ASCII:")));
}

class SourceRowsTest : public testing::Test {
protected:
    const LanguageTable texts;
    ReadPlan plan = makeReadPlan({node(4,
                                       {source(1, Holding, 0, 2, DimReal, 1, "Flow"),
                                        source(1, Coil, 0, 3, 0, 0, "Pump, \"on\""),
                                        source(9, Holding, 5, 1, Dim16, 0, "Level")},
                                       "Boiler room")});
    ReadRun run;
    void SetUp() override {
        run.results.resize(3);
        run.results[0].outcome = Outcome::Read;
        run.results[0].registers = {0x0FDB, 0x4049};
        run.results[1].outcome = Outcome::Read;
        run.results[1].bits = {1, 0, 1};
        run.results[2].outcome = Outcome::Timeout;
    }
};

TEST_F(SourceRowsTest, OneRowPerVariableWithTheMarkedReading) {
    const QList<ResultRow> rows = resultRows(plan, run, 1000, texts);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].cells[ColNode], QStringLiteral("4 Boiler room"));
    EXPECT_EQ(rows[0].cells[ColVariable], QStringLiteral("Flow"));
    EXPECT_EQ(rows[0].cells[ColSource],
              QStringLiteral("ID 1 \u00b7 Holding Register \u00b7 address 0 = register 1 (40001) "
                             "\u00b7 Number of Points 2"));
    EXPECT_EQ(rows[0].cells[ColRaw], QStringLiteral("0x0FDB 0x4049"));
    EXPECT_EQ(rows[0].cells[ColFloat32LowFirst], QStringLiteral("3.141593"));
    EXPECT_EQ(rows[0].marked, int(ColFloat32LowFirst)); // "32 Real" with swap "Type 1"
    EXPECT_FALSE(rows[0].failed);
    EXPECT_EQ(rows[1].cells[ColRaw], QStringLiteral("1 0 1"));
    EXPECT_EQ(rows[1].cells[ColUnsigned16], QString());
    EXPECT_EQ(rows[1].marked, int(ColRaw));
    EXPECT_TRUE(rows[2].failed);
    EXPECT_EQ(rows[2].marked, -1);
    EXPECT_EQ(rows[2].cells[ColRaw], QString());
    EXPECT_EQ(rows[2].cells[ColResult], QStringLiteral("No answer within 1000 ms"));
}

TEST_F(SourceRowsTest, CsvAndClipboardCarryTheSameTable) {
    const QList<ResultRow> rows = resultRows(plan, run, 1000, texts);
    const QByteArray csv = rowsAsCsv(rows, texts);
    ASSERT_TRUE(csv.startsWith("\xEF\xBB\xBF"));
    const QList<QByteArray> lines = csv.mid(3).split('\n');
    EXPECT_EQ(lines[0],
              "\"Node\",\"Variable\",\"Source\",\"Result\",\"Registers / bits\",\"U16\",\"S16\","
              "\"S32 AB CD\",\"S32 CD AB\",\"F32 AB CD\",\"F32 CD AB\",\"Expected reading\","
              "\"M-Bus value\",\"Warnings\"\r");
    EXPECT_TRUE(lines[2].startsWith("\"4 Boiler room\",\"Pump, \"\"on\"\"\","));
    EXPECT_TRUE(lines[1].contains(",\"OK\",\"0x0FDB 0x4049\","));
    EXPECT_TRUE(lines[1].contains(",\"3.141593\",\"F32 CD AB\","));
    const QStringList text = rowsAsText(rows, texts).split(QLatin1Char('\n'));
    EXPECT_EQ(text[1].split(QLatin1Char('\t')).size(), ColumnCount + 3);
    EXPECT_EQ(text[3].split(QLatin1Char('\t'))[ColResult],
              QStringLiteral("No answer within 1000 ms"));
}

TEST_F(SourceRowsTest, JsonForScripts) {
    const QList<ResultRow> rows = resultRows(plan, run, 1000, texts);
    const QJsonArray array = QJsonDocument::fromJson(runAsJson(plan, run, rows)).array();
    ASSERT_EQ(array.size(), 3);
    const QJsonObject flow = array[0].toObject();
    EXPECT_EQ(flow[QStringLiteral("node")].toInt(), 4);
    EXPECT_EQ(flow[QStringLiteral("function")].toInt(), 3);
    EXPECT_EQ(flow[QStringLiteral("registers")].toArray(), (QJsonArray{0x0FDB, 0x4049}));
    EXPECT_EQ(flow[QStringLiteral("readings")].toObject()[QStringLiteral("F32 CD AB")].toString(),
              QStringLiteral("3.141593"));
    EXPECT_EQ(flow[QStringLiteral("marked")].toString(), QStringLiteral("F32 CD AB"));
    EXPECT_EQ(array[1].toObject()[QStringLiteral("bits")].toArray(), (QJsonArray{1, 0, 1}));
    EXPECT_EQ(array[2].toObject()[QStringLiteral("outcome")].toString(), QStringLiteral("timeout"));
    EXPECT_FALSE(array[2].toObject().contains(QStringLiteral("registers")));
}

} // namespace
