#include "core/comm/ParGenRules.h"

#include <functional>
#include <gtest/gtest.h>

namespace {

QList<int> indexes(const Par_Gen& record) {
    QList<int> result;
    for (const ParGenFailure& failure : Controllo_Dati_Failures(record))
        result.append(failure.textIndex);
    return result;
}

struct Row {
    const char* why;
    std::function<void(Par_Gen&)> edit;
    QList<int> expected;
};

} // namespace

// The window's checks, read by the number rule, with their conditions on device and gateway.
TEST(ParGenRules, ControlloDatiChecks) {
    const std::vector<Row> rows = {
        {"new configuration passes", [](Par_Gen&) {}, {}},
        {"65535 is the top time-out", [](Par_Gen& r) { r.Mod_TO = "65535"; }, {}},
        {"hex texts count",
         [](Par_Gen& r) {
             r.Mod_TO = "$FFFF";
             r.Mod_CD = "0x10";
         },
         {}},
        {"65536", [](Par_Gen& r) { r.Mod_TO = "65536"; }, {446}},
        {"hex above the range", [](Par_Gen& r) { r.Mod_TO = "$10000"; }, {446}},
        {"negative", [](Par_Gen& r) { r.Mod_TO = "-1"; }, {446}},
        {"empty", [](Par_Gen& r) { r.Mod_CD = ""; }, {447}},
        {"trailing text", [](Par_Gen& r) { r.Mod_CD = "100 ms"; }, {447}},
        {"decimal point", [](Par_Gen& r) { r.Mod_CD = "10.5"; }, {447}},
        {"every octet of the Ethernet device",
         [](Par_Gen& r) {
             r.Ethernet_IP1 = "256";
             r.Ethernet_IP4 = "x";
             r.Ethernet_SM1 = "-1";
             r.Ethernet_SM4 = "";
         },
         {448, 451, 452, 455}},
        {"serial device: octets not validated",
         [](Par_Gen& r) {
             r.Select_Device = 0;
             r.Ethernet_IP1 = "";
             r.Ethernet_EN_GAT = true;
             r.Ethernet_GAT1 = "abc";
         },
         {}},
        {"device outside the list: octets not validated",
         [](Par_Gen& r) {
             r.Select_Device = 2;
             r.Ethernet_IP1 = "";
         },
         {}},
        {"gateway not used: not validated", [](Par_Gen& r) { r.Ethernet_GAT2 = "999"; }, {}},
        {"gateway used",
         [](Par_Gen& r) {
             r.Ethernet_EN_GAT = true;
             r.Ethernet_GAT2 = "999";
             r.Ethernet_GAT4 = " 1"; // leading blanks are skipped
         },
         {457}},
        {"window order",
         [](Par_Gen& r) {
             r.Ethernet_EN_GAT = true;
             r.Ethernet_GAT1 = "256";
             r.Ethernet_IP2 = "256";
             r.Mod_CD = "-5";
             r.Mod_TO = "1 ";
         },
         {446, 447, 449, 456}},
    };
    for (const Row& row : rows) {
        Par_Gen record;
        row.edit(record);
        EXPECT_EQ(indexes(record), row.expected) << row.why;
    }
}

// The failure carries the text as typed, so a report can show it.
TEST(ParGenRules, FailureNamesElementAndText) {
    Par_Gen record;
    record.Ethernet_SM3 = "0x100";
    const QList<ParGenFailure> failures = Controllo_Dati_Failures(record);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_STREQ(failures[0].element, "Ethernet_SM3");
    EXPECT_EQ(failures[0].text, QStringLiteral("0x100"));
    EXPECT_EQ(failures[0].textIndex, 454);
}

// Every typed field is checked for characters ParGen.xml cannot hold, after the range checks
// and whatever the device; the message names the field, the character and its position.
TEST(ParGenRules, CharactersTheFileCannotHold) {
    Par_Gen record;
    record.Select_Device = 0; // no address is range-checked
    record.Ethernet_GAT3 = QStringLiteral("1\v");
    record.Ethernet_IP1 = QStringLiteral("\x7F\r\n\t"); // all storable
    record.Mod_CD = QStringLiteral("5") + QChar(0xFFFE);
    const QList<ParGenFailure> failures = Controllo_Dati_Failures(record);
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
    Par_Gen record;
    EXPECT_TRUE(listPositionProblems(record).isEmpty());
    record.Select_Device = 2;
    record.Meter_Baud = 8;
    record.Meter_Par = -1;
    record.Mod_Baud = 7; // last entry: fine
    record.Mod_Par = 3;
    record.Mod_Protocol = 5;
    QStringList names;
    for (const ParGenListProblem& p : listPositionProblems(record))
        names.append(QString::fromLatin1(p.element));
    EXPECT_EQ(names,
              QStringList({"Select_Device", "Meter_Baud", "Meter_Par", "Mod_Par", "Mod_Protocol"}));
}
