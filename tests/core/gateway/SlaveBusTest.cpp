#include "GatewayTestSupport.h"

#include "core/gateway/SlaveBus.h"

#include <gtest/gtest.h>

using namespace Gateway;

namespace {

// A master as the test writes it: frames built by hand, with their checksums worked out.
const QByteArray SndNke1 = hex("10 40 01 41 16");
const QByteArray ReqUd2Fcb1 = hex("10 7B 01 7C 16");
const QByteArray ReqUd2Fcb0 = hex("10 5B 01 5C 16");
const QByteArray SelectWorkedExample = hex("68 0B 0B 68 53 FD 52 78 56 34 12 FF FF FF FF B2 16");

// The worked example: node 1, secondary address 12345678, one enabled 32-bit energy record
// in Wh (record code 4).
// A selection frame (C 53, A 253, CI 52) around eight bytes, with its checksum.
QByteArray longFrameForTest(const char* selection) {
    const QByteArray body = hex("53 FD 52") + hex(selection);
    quint8 sum = 0;
    for (const char b : body)
        sum = quint8(sum + quint8(b));
    return hex("68 0B 0B 68") + body + char(sum) + char(0x16);
}

Network workedExample() {
    return {mbusNode(1, 12345678, {mbusVariable(2)})};
}

QByteArray answer(SlaveBus& bus, const QByteArray& request, Exchange* seen = nullptr) {
    FrameReader reader;
    const QList<FrameReader::Item> items = reader.feed(request, 0);
    EXPECT_EQ(items.size(), 1);
    if (items.isEmpty() || items[0].kind != FrameReader::Item::Kind::Frame)
        return "not a frame";
    const Exchange e = bus.handle(items[0].frame);
    if (seen)
        *seen = e;
    return e.answer;
}

TEST(SlaveBus, WorkedExampleAnswersAsTheStandardFramesIt) {
    SlaveBus bus(workedExample());
    bus.setValues([](int, int) { return RecordValue::ofInteger(12345); });
    EXPECT_EQ(spaced(answer(bus, SndNke1)), QStringLiteral("E5"));
    // RSP_UD: C 08, A 01, CI 72, ID 12345678, "SIM" (2D 4D), version 0, medium 0 (other),
    // access 1, status 0, signature 0, then DIF 04 VIF 03 and 12345 = 0x3039.
    EXPECT_EQ(spaced(answer(bus, ReqUd2Fcb1)),
              spaced(hex("68 15 15 68 08 01 72 78 56 34 12 2D 4D 00 00 01 00 00 00 "
                         "04 03 39 30 00 00 7A 16")));
}

TEST(SlaveBus, FrameCountBitRepeatsOrRenewsTheAnswer) {
    SlaveBus bus(workedExample());
    int reading = 0;
    bus.setValues([&](int, int) { return RecordValue::ofInteger(++reading); });
    answer(bus, SndNke1);
    const QByteArray first = answer(bus, ReqUd2Fcb1);
    Exchange e;
    // The same FCB again: the master lost the answer, it gets the same one (access 1, value 1).
    EXPECT_EQ(answer(bus, ReqUd2Fcb1, &e), first);
    EXPECT_TRUE(e.repeated);
    EXPECT_EQ(reading, 1);
    // A toggled FCB: a new answer, access number and value move on.
    const QByteArray second = answer(bus, ReqUd2Fcb0, &e);
    EXPECT_FALSE(e.repeated);
    EXPECT_EQ(quint8(second[15]), 2); // access number
    EXPECT_EQ(quint8(second[21]), 2); // the value
    // SND_NKE forgets the last FCB: the same FCB is a new request after it.
    answer(bus, SndNke1);
    const QByteArray third = answer(bus, ReqUd2Fcb0, &e);
    EXPECT_FALSE(e.repeated);
    EXPECT_EQ(quint8(third[15]), 3);
}

TEST(SlaveBus, SecondarySelectionWithWildcards) {
    SlaveBus bus({mbusNode(1, 12345678, {mbusVariable(2)}),
                  mbusNode(2, 12345699, {mbusVariable(2)}),
                  mbusNode(3, 87654321, {mbusVariable(2)})});
    struct Case {
        const char* selection; // ID (BCD, low byte first), manufacturer, version, medium
        QList<int> selected;
        const char* ack;
    };
    const Case cases[] = {
        {"78 56 34 12 FF FF FF FF", {0}, "E5"},
        {"78 56 34 12 2D 4D 00 00", {0}, "E5"},       // "SIM", version 0, medium other
        {"78 56 34 12 2D 4D 01 FF", {}, ""},          // another version
        {"78 56 34 12 2C 4D FF FF", {}, ""},          // another manufacturer
        {"FF 56 34 12 FF FF FF FF", {0, 1}, "E5 E5"}, // both answer: the master sees a collision
        {"F8 56 34 12 FF FF FF FF", {0}, "E5"},       // one digit open
        {"FF FF FF FF FF FF FF FF", {0, 1, 2}, "E5 E5 E5"},
        {"21 43 65 87 FF FF FF FF", {2}, "E5"},
        {"11 11 11 11 FF FF FF FF", {}, ""},
    };
    for (const Case& c : cases) {
        const QByteArray request = longFrameForTest(c.selection);
        EXPECT_EQ(spaced(answer(bus, request)), spaced(hex(c.ack))) << c.selection;
        for (int n = 0; n < 3; ++n)
            EXPECT_EQ(bus.isSelected(n), c.selected.contains(n)) << c.selection << " node " << n;
    }
}

TEST(SlaveBus, TheSelectedNodeAnswersAtAddress253UntilDeselected) {
    SlaveBus bus(
        {mbusNode(1, 12345678, {mbusVariable(2)}), mbusNode(2, 11111111, {mbusVariable(2)})});
    EXPECT_TRUE(answer(bus, hex("10 7B FD 78 16")).isEmpty()); // nobody selected yet
    EXPECT_EQ(spaced(answer(bus, SelectWorkedExample)), QStringLiteral("E5"));
    const QByteArray rsp = answer(bus, hex("10 7B FD 78 16"));
    ASSERT_GT(rsp.size(), 10);
    EXPECT_EQ(quint8(rsp[5]), 1); // it answers with its own primary address
    EXPECT_EQ(rsp.mid(7, 4), hex("78 56 34 12"));
    // SND_NKE to 253 acknowledges and ends the selection.
    EXPECT_EQ(spaced(answer(bus, hex("10 40 FD 3D 16"))), QStringLiteral("E5"));
    EXPECT_FALSE(bus.isSelected(0));
    EXPECT_TRUE(answer(bus, hex("10 5B FD 58 16")).isEmpty());
}

TEST(SlaveBus, AddressesWithoutANodeAndBroadcastsWithoutAnswerStaySilent) {
    SlaveBus bus(
        {mbusNode(1, 1, {mbusVariable(2)}), mbusNode(5, 5, {}), mbusNode(7, 7, {mbusVariable(2)})});
    EXPECT_TRUE(answer(bus, hex("10 40 02 42 16")).isEmpty());
    EXPECT_TRUE(
        answer(bus, hex("10 40 05 45 16")).isEmpty()); // no enabled variable: not in the image
    EXPECT_TRUE(answer(bus, hex("10 40 FF 3F 16")).isEmpty());
    EXPECT_TRUE(answer(bus, hex("10 7B FF 7A 16")).isEmpty());
    EXPECT_EQ(spaced(answer(bus, hex("10 40 FE 3E 16"))), QStringLiteral("E5 E5"));
    Exchange e;
    EXPECT_TRUE(answer(bus, hex("68 04 04 68 53 01 51 7A 1F 16"), &e).isEmpty()); // set address
    EXPECT_EQ(e.request, Exchange::Request::Unsupported);
    EXPECT_EQ(bus.answering(), (QList<int>{0, 2}));
}

TEST(SlaveBus, AFailedSourceSetsTheApplicationErrorStatus) {
    SlaveBus bus({mbusNode(1, 12345678, {mbusVariable(2), mbusVariable(1)})});
    bus.setValues([](int, int variable) {
        return variable == 0 ? RecordValue::ofInteger(7) : RecordValue::failed();
    });
    Exchange e;
    const QByteArray rsp = answer(bus, ReqUd2Fcb1, &e);
    EXPECT_EQ(quint8(rsp[16]), StatusApplicationError);
    EXPECT_EQ(e.records, 2);
    EXPECT_EQ(e.recordErrors, 1);
    EXPECT_EQ(spaced(rsp.mid(19, 11)), spaced(hex("04 03 07 00 00 00 02 83 15 00 00")));
}

TEST(SlaveBus, RecordsBeyondOneTelegramFollowInTheNextWithTheFrameCountBit) {
    // Ten variable-length records of 100 characters: two records per telegram.
    QList<Variable> vars;
    for (int i = 0; i < 5; ++i) {
        Variable v = mbusVariable(7);
        v.length = 100;
        vars.append(v);
    }
    SlaveBus bus({mbusNode(1, 1, vars)});
    bus.setValues([](int, int v) { return RecordValue::ofText(QByteArray(1, char('a' + v))); });
    QList<QByteArray> frames;
    const QByteArray requests[] = {ReqUd2Fcb1, ReqUd2Fcb0, ReqUd2Fcb1, ReqUd2Fcb0};
    for (const QByteArray& r : requests)
        frames.append(answer(bus, r));
    for (const QByteArray& f : frames)
        EXPECT_LE(f.size(), 4 + 255 + 2);
    // 1F ends a telegram that has more to come.
    EXPECT_EQ(quint8(frames[0][frames[0].size() - 3]), DifMoreRecords);
    EXPECT_EQ(quint8(frames[1][frames[1].size() - 3]), DifMoreRecords);
    EXPECT_NE(quint8(frames[2][frames[2].size() - 3]), DifMoreRecords);
    // The record of variable 'e' (the fifth) comes in the third telegram, then it starts over.
    EXPECT_TRUE(frames[2].contains(QByteArray(99, ' ') + 'e'));
    EXPECT_TRUE(frames[3].contains(QByteArray(99, ' ') + 'a'));
}

} // namespace
