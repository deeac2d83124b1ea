#include "core/comm/ParGenRules.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

QList<int> indexes(const GeneralParameters& record) {
    QList<int> result;
    for (const ParGenFailure& failure : settingsFailures(record))
        result.append(failure.textIndex);
    return result;
}

struct Row {
    const char* why;
    std::function<void(GeneralParameters&)> edit;
    QList<int> expected;
};

} // namespace

// The window's checks, read by the number rule, with their conditions on device and gateway.
TEST(ParGenRules, ControlloDatiChecks) {
    const std::vector<Row> rows = {
        {"new configuration passes", [](GeneralParameters&) {}, {}},
        {"65535 is the top time-out", [](GeneralParameters& r) { r.modbusTimeout = "65535"; }, {}},
        {"hex texts count",
         [](GeneralParameters& r) {
             r.modbusTimeout = "$FFFF";
             r.modbusCyclicDelay = "0x10";
         },
         {}},
        {"65536", [](GeneralParameters& r) { r.modbusTimeout = "65536"; }, {446}},
        {"hex above the range", [](GeneralParameters& r) { r.modbusTimeout = "$10000"; }, {446}},
        {"negative", [](GeneralParameters& r) { r.modbusTimeout = "-1"; }, {446}},
        {"empty", [](GeneralParameters& r) { r.modbusCyclicDelay = ""; }, {447}},
        {"trailing text", [](GeneralParameters& r) { r.modbusCyclicDelay = "100 ms"; }, {447}},
        {"decimal point", [](GeneralParameters& r) { r.modbusCyclicDelay = "10.5"; }, {447}},
        {"every octet of the Ethernet device",
         [](GeneralParameters& r) {
             r.ethernetIp1 = "256";
             r.ethernetIp4 = "x";
             r.ethernetMask1 = "-1";
             r.ethernetMask4 = "";
         },
         {448, 451, 452, 455}},
        {"serial device: octets not validated",
         [](GeneralParameters& r) {
             r.deviceModel = 0;
             r.ethernetIp1 = "";
             r.ethernetGatewayEnabled = true;
             r.ethernetGateway1 = "abc";
         },
         {}},
        {"device outside the list: octets not validated",
         [](GeneralParameters& r) {
             r.deviceModel = 2;
             r.ethernetIp1 = "";
         },
         {}},
        {"gateway not used: not validated",
         [](GeneralParameters& r) { r.ethernetGateway2 = "999"; },
         {}},
        {"gateway used",
         [](GeneralParameters& r) {
             r.ethernetGatewayEnabled = true;
             r.ethernetGateway2 = "999";
             r.ethernetGateway4 = " 1"; // leading blanks are skipped
         },
         {457}},
        {"window order",
         [](GeneralParameters& r) {
             r.ethernetGatewayEnabled = true;
             r.ethernetGateway1 = "256";
             r.ethernetIp2 = "256";
             r.modbusCyclicDelay = "-5";
             r.modbusTimeout = "1 ";
         },
         {446, 447, 449, 456}},
    };
    for (const Row& row : rows) {
        GeneralParameters record;
        row.edit(record);
        EXPECT_EQ(indexes(record), row.expected) << row.why;
    }
}

// The failure carries the text as typed, so a report can show it.
TEST(ParGenRules, FailureNamesElementAndText) {
    GeneralParameters record;
    record.ethernetMask3 = "0x100";
    const QList<ParGenFailure> failures = settingsFailures(record);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_STREQ(failures[0].element, "Ethernet_SM3");
    EXPECT_EQ(failures[0].text, QStringLiteral("0x100"));
    EXPECT_EQ(failures[0].textIndex, 454);
}

// Every typed field is checked for characters ParGen.xml cannot hold, after the range checks
// and whatever the device; the message names the field, the character and its position.
TEST(ParGenRules, CharactersTheFileCannotHold) {
    GeneralParameters record;
    record.deviceModel = 0; // no address is range-checked
    record.ethernetGateway3 = QStringLiteral("1\v");
    record.ethernetIp1 = QStringLiteral("\x7F\r\n\t"); // all storable
    record.modbusCyclicDelay = QStringLiteral("5") + QChar(0xFFFE);
    const QList<ParGenFailure> failures = settingsFailures(record);
    ASSERT_EQ(failures.size(), 3);
    EXPECT_EQ(failures[0].textIndex, 447); // the range check comes first
    EXPECT_STREQ(failures[1].element, "Mod_CD");
    EXPECT_EQ(failures[1].textIndex, Msg_Unstorable);
    EXPECT_STREQ(failures[2].element, "Ethernet_GAT3");
    const QString pattern = QStringLiteral("%1 | %2 | %3");
    EXPECT_EQ(failureMessage(failures[1], pattern), QStringLiteral("Mod_CD | U+FFFE | 2"));
    EXPECT_EQ(failureMessage(failures[2], pattern), QStringLiteral("Ethernet_GAT3 | U+000B | 2"));
    EXPECT_EQ(failureMessage(failures[0], QStringLiteral("range")), QStringLiteral("range"));
}

// Positions the window's lists cannot show; Mod_Ser is a flag and never out of its list.
TEST(ParGenRules, ListPositionsOutsideTheirLists) {
    GeneralParameters record;
    EXPECT_TRUE(listPositionProblems(record).isEmpty());
    record.deviceModel = 2;
    record.mbusBaud = 8;
    record.mbusParity = -1;
    record.modbusBaud = 7; // last entry: fine
    record.modbusParity = 3;
    record.modbusProtocol = 5;
    QStringList names;
    for (const ParGenListProblem& p : listPositionProblems(record))
        names.append(QString::fromLatin1(p.element));
    EXPECT_EQ(names,
              QStringList({"Select_Device", "Meter_Baud", "Meter_Par", "Mod_Par", "Mod_Protocol"}));
}
