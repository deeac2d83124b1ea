#include "core/mbus/Frame.h"

#include "support/QtPrinters.h"

#include <gtest/gtest.h>

using namespace Mbus;

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(text);
}

} // namespace

// Frames as EN 13757-2 draws them, built by hand.
TEST(Frame, BuildsTheFramesAMasterSends) {
    EXPECT_EQ(shortFrame(0x40, 0x05), hex("10 40 05 45 16"));
    EXPECT_EQ(shortFrame(0x7B, 0xFD), hex("10 7B FD 78 16")); // the sum wraps at 256
    EXPECT_EQ(longFrame(0x53, 0xFD, 0x52), hex("68 03 03 68 53 FD 52 A2 16"));
    EXPECT_EQ(longFrame(0x53, 0xFD, 0x52, hex("78 56 34 12 FF FF FF FF")),
              hex("68 0B 0B 68 53 FD 52 78 56 34 12 FF FF FF FF B2 16"));
    // L holds C, A, CI and the data in one byte: 253 bytes of data would wrap it.
    EXPECT_EQ(longFrame(0x08, 1, 0x72, QByteArray(MaxUserData, 'x')).size(), 4 + 255 + 2);
    EXPECT_TRUE(longFrame(0x08, 1, 0x72, QByteArray(MaxUserData + 1, 'x')).isEmpty());
}

TEST(Frame, ReadsEachKind) {
    FrameParse p = parseFrame(hex("E5"));
    ASSERT_EQ(p.status, FrameParse::Status::Complete);
    EXPECT_EQ(p.frame.kind, Frame::Kind::Ack);
    EXPECT_EQ(p.size, 1);

    p = parseFrame(hex("10 5B 01 5C 16"));
    ASSERT_EQ(p.status, FrameParse::Status::Complete);
    EXPECT_EQ(p.frame.kind, Frame::Kind::Short);
    EXPECT_EQ(p.frame.c, 0x5B);
    EXPECT_EQ(p.frame.a, 0x01);

    p = parseFrame(hex("68 03 03 68 53 FD 52 A2 16"));
    ASSERT_EQ(p.status, FrameParse::Status::Complete);
    EXPECT_EQ(p.frame.kind, Frame::Kind::Control);
    EXPECT_EQ(p.frame.ci, 0x52);
    EXPECT_TRUE(p.frame.data.isEmpty());

    p = parseFrame(hex("68 05 05 68 08 07 72 AA BB E6 16 E5"));
    ASSERT_EQ(p.status, FrameParse::Status::Complete);
    EXPECT_EQ(p.frame.kind, Frame::Kind::Long);
    EXPECT_EQ(p.size, 11); // what follows the stop byte is not the frame's
    EXPECT_EQ(p.frame.a, 0x07);
    EXPECT_EQ(p.frame.data, hex("AA BB"));
}

TEST(Frame, WaitsForTheRestOfAFrame) {
    const struct {
        const char* bytes;
        int needed;
    } cases[] = {{"", 1},
                 {"10", 5},
                 {"10 5B 01 5C", 5},
                 {"68", 4},
                 {"68 05 05", 4},
                 {"68 05 05 68", 11},
                 {"68 05 05 68 08 07 72 AA BB E6", 11}};
    for (const auto& c : cases) {
        const FrameParse p = parseFrame(hex(c.bytes));
        EXPECT_EQ(p.status, FrameParse::Status::Incomplete) << c.bytes;
        EXPECT_EQ(p.size, c.needed) << c.bytes;
    }
}

// Each rule of the link layer, broken once; the reason names what broke.
TEST(Frame, RefusesBrokenFramesWithTheReason) {
    const struct {
        const char* bytes;
        const char* reason;
    } cases[] = {
        {"12", "byte 12 starts no frame"},
        {"10 5B 01 5D 16", "short frame: checksum 5D where 5C is due"},
        {"10 5B 01 5C 17", "short frame: stop byte 17 instead of 16"},
        {"68 05 06 68 08 07 72 AA BB E6 16", "long frame: the two length fields differ (05, 06)"},
        {"68 05 05 69 08 07 72 AA BB E6 16", "long frame: second start byte 69 instead of 68"},
        {"68 02 02 68 08 07 0F 16", "long frame: length 02 leaves no room for C, A and CI"},
        {"68 05 05 68 08 07 72 AA BB E7 16", "long frame: checksum E7 where E6 is due"},
        {"68 05 05 68 08 07 72 AA BB E6 06",
         "long frame: byte 06 at the end of length 05 is no stop byte"},
        // 256 data bytes written with L wrapped to 03: the frame ends where no stop byte is.
        {"68 03 03 68 08 07 72 AA BB CC",
         "long frame: byte BB at the end of length 03 is no stop byte"},
    };
    for (const auto& c : cases) {
        const FrameParse p = parseFrame(hex(c.bytes));
        EXPECT_EQ(p.status, FrameParse::Status::Invalid) << c.bytes;
        EXPECT_EQ(p.error, QString::fromUtf8(c.reason)) << c.bytes;
    }
}

TEST(Frame, WritesBytesInHex) {
    EXPECT_EQ(hexBytes(hex("68 0a E5")), QStringLiteral("68 0A E5"));
}
