#include "GatewayTestSupport.h"

#include "core/gateway/MbusFrame.h"
#include "core/gateway/SlaveBus.h"

#include <gtest/gtest.h>

#include <random>

using namespace Gateway;
using Kind = FrameReader::Item::Kind;

namespace {

QList<Kind> kinds(const QList<FrameReader::Item>& items) {
    QList<Kind> list;
    for (const auto& i : items)
        list.append(i.kind);
    return list;
}

TEST(FrameReader, CutsFramesOutOfAStream) {
    struct Case {
        const char* name;
        const char* bytes;
        QList<Kind> expected;
    };
    const Case cases[] = {
        {"short frame", "10 40 01 41 16", {Kind::Frame}},
        {"two frames at once", "10 40 01 41 16 10 7B 01 7C 16", {Kind::Frame, Kind::Frame}},
        {"noise before", "00 FF 10 40 01 41 16", {Kind::Garbage, Kind::Frame}},
        {"bad checksum", "10 40 01 42 16", {Kind::BadChecksum}},
        {"bad checksum, then good",
         "10 40 01 42 16 10 40 01 41 16",
         {Kind::BadChecksum, Kind::Frame}},
        {"no stop byte",
         "10 40 01 41 17 10 40 01 41 16",
         {Kind::BadLength, Kind::Garbage, Kind::Frame}},
        {"two lengths",
         "68 0B 0C 68 10 40 01 41 16",
         {Kind::BadLength, Kind::Garbage, Kind::BadLength, Kind::Frame}},
        {"long frame", "68 03 03 68 53 01 50 A4 16", {Kind::Frame}},
        {"long frame, bad checksum", "68 03 03 68 53 01 50 A5 16", {Kind::BadChecksum}},
        {"length below 3",
         "68 02 02 68 53 01 54 16",
         {Kind::BadLength, Kind::Garbage, Kind::BadLength, Kind::Garbage}},
    };
    for (const Case& c : cases) {
        FrameReader reader;
        EXPECT_EQ(kinds(reader.feed(hex(c.bytes), 0)), c.expected) << c.name;
        EXPECT_EQ(reader.pending(), 0) << c.name;
    }
}

TEST(FrameReader, WaitsForTheRestOfAFrameButNotPastAPause) {
    FrameReader reader;
    EXPECT_TRUE(reader.feed(hex("68 03 03"), 0).isEmpty());
    EXPECT_TRUE(reader.feed(hex("68 53 01"), 100).isEmpty());
    const auto items = reader.feed(hex("50 A4 16"), 200);
    ASSERT_EQ(kinds(items), QList<Kind>{Kind::Frame});
    EXPECT_EQ(items[0].frame.ci, CiApplicationReset);

    // A frame left half way is forgotten at the next byte after the pause.
    EXPECT_TRUE(reader.feed(hex("10 40"), 1000).isEmpty());
    EXPECT_EQ(kinds(reader.feed(hex("10 40 01 41 16"), 1000 + FrameReader::PauseMs + 1)),
              (QList<Kind>{Kind::Incomplete, Kind::Frame}));
}

// Floods of noise, cut frames and frames with wrong lengths never crash the reader or the
// slaves, the reader never keeps more than one frame's bytes, and nothing in noise is answered
// except a well-formed frame.
TEST(FrameReader, HostileStreamsAreAnsweredOrIgnored) {
    SlaveBus bus({mbusNode(1, 12345678, {mbusVariable(2), mbusVariable(7)})});
    FrameReader reader;
    std::mt19937 random(4711);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> size(1, 600);
    const QByteArray valid = hex("10 7B 01 7C 16");
    int answered = 0;
    for (int round = 0; round < 800; ++round) {
        QByteArray chunk(size(random), '\0');
        for (char& b : chunk) {
            b = char(byte(random));
            // Start bytes often, so many frame heads with random lengths are tried.
            if (byte(random) < 40)
                b = char(byte(random) < 128 ? LongStart : ShortStart);
        }
        if (round % 50 == 0)
            chunk += valid;
        for (const auto& item : reader.feed(chunk, round * 10)) {
            if (item.kind == Kind::Frame && !bus.handle(item.frame).answer.isEmpty())
                ++answered;
        }
        ASSERT_LE(reader.pending(), FrameReader::LongestFrame);
    }
    EXPECT_GE(answered, 1);
}

} // namespace
