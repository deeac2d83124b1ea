#include "core/sources/SlaveScan.h"
#include "core/lang/LanguageTable.h"
#include "core/sources/ScanTexts.h"

#include <gtest/gtest.h>

using namespace Sources;

namespace {

Connection line(int baud, char parity, int stopBits, int timeoutMs) {
    Connection c;
    c.kind = Connection::Kind::Serial;
    c.port = QStringLiteral("/dev/null");
    c.baud = baud;
    c.parity = parity;
    c.dataBits = 8;
    c.stopBits = stopBits;
    c.timeoutMs = timeoutMs;
    return c;
}

Connection tcp(int timeoutMs) {
    Connection c;
    c.kind = Connection::Kind::Tcp;
    c.host = QStringLiteral("127.0.0.1");
    c.timeoutMs = timeoutMs;
    return c;
}

// Worked out by hand: per id the time-out, 22 characters on a serial line (8 out, 7 back, two
// silences of 3.5) at start + 8 data + parity + stop bits each, rounded up to the microsecond,
// and 1 ms of handling; once 100 ms to open, and for TCP the connect's time-out.
TEST(SlaveScan, TheBoundCountsTimeOutLineAndOpening) {
    struct Case {
        const char* name;
        Connection connection;
        int first, last;
        qint64 boundMs;
    };
    const Case cases[] = {
        // 247 × (20 + 1) + 100 + 20
        {"TCP, whole line", tcp(20), 1, 247, 5307},
        {"TCP, one id", tcp(100), 5, 5, 301},
        // 22 × 11 bits at 9600: 25 208.3 µs → 25 209; 247 × 126 209 µs + 100 ms
        {"9600 8N2, whole line", line(9600, 'N', 2, 100), 1, 247, 31274},
        // 22 × 10 bits: 22 916.7 µs → 22 917
        {"9600 8N1", line(9600, 'N', 1, 100), 1, 1, 224},
        // parity adds a bit: 25 209 µs
        {"9600 8E1", line(9600, 'E', 1, 100), 1, 1, 227},
        // 22 × 11 at 115200: 2 100.7 µs → 2 101; 10 × 53 101 µs + 100 ms = 631.01 ms
        {"115200 8O1, ten ids", line(115200, 'O', 1, 50), 11, 20, 632},
        // 22 × 11 at 1200: 201 666.7 µs → 201 667
        {"1200 8E1, slow line", line(1200, 'E', 1, 1000), 1, 1, 1303},
        {"no ids", tcp(100), 10, 9, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(scanBoundMs(c.connection, c.first, c.last), c.boundMs) << c.name;
}

TEST(SlaveScan, TheBoundShownIsRoundedUpWithItsParts) {
    const LanguageTable texts;
    EXPECT_EQ(scanBoundText(tcp(20), 1, 247, texts),
              QStringLiteral("A scan of 247 IDs takes at most 5.4 s: per ID the time-out of 20 ms "
                             "and up to 1 ms on the line, plus the connection."));
    // 31 274 ms shows as 31.3 s; 26 209 µs beyond the time-out as 27 ms.
    EXPECT_EQ(scanBoundText(line(9600, 'N', 2, 100), 1, 247, texts),
              QStringLiteral("A scan of 247 IDs takes at most 31.3 s: per ID the time-out of "
                             "100 ms and up to 27 ms on the line, plus the connection."));
    // 100 + 100 + 20 × 101 = 2 220 ms: 2.3 s, never 2.2.
    EXPECT_EQ(scanBoundText(tcp(100), 1, 20, texts),
              QStringLiteral("A scan of 20 IDs takes at most 2.3 s: per ID the time-out of 100 ms "
                             "and up to 1 ms on the line, plus the connection."));
}

// Ids the bound left unasked are said so, never taken for silent ones.
TEST(SlaveScan, UnaskedIdsAreReportedAsSuch) {
    ScanRun run;
    ScanAnswer one;
    one.id = 1;
    one.kind = ScanAnswer::Kind::Data;
    run.answers.append(one);
    for (int id = 2; id <= 4; ++id) {
        ScanAnswer skipped;
        skipped.id = id;
        skipped.kind = ScanAnswer::Kind::NotAsked;
        run.answers.append(skipped);
    }
    const LanguageTable texts;
    EXPECT_EQ(scanLines(run, {3}, texts),
              (QStringList{QStringLiteral("ID 1: data 0x0000"),
                           QStringLiteral("IDs 2 to 4 not asked: the scan reached the time it "
                                          "showed")}));
    EXPECT_FALSE(run.answers[2].answers());
    EXPECT_EQ(scanDetail(run.answers[2]), QStringLiteral("not asked"));
}

} // namespace
