#include "core/update/ReachabilityCheck.h"
#include "mock/FakeServices.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

using Status = EchoOutcome::Status;

// How the simulated device answers attempt n (from 0); a time-out costs the whole reply wait,
// a reply 1 ms, as on a wire.
struct DeviceCase {
    const char* why;
    std::function<Status(int)> answer;
    int replyBytes;
    bool found;
    int pingRes;
    int attempts;
    qint64 ms; // how long the check took
};

void PrintTo(const DeviceCase& c, std::ostream* os) {
    *os << c.why;
}

class Reachability : public testing::TestWithParam<DeviceCase> {};

TEST_P(Reachability, AttemptLoop) {
    const DeviceCase& c = GetParam();
    FakeClock clock;
    FakeEchoService echo;
    echo.answer = [&](const FakeEchoService::Call&) {
        const Status status = c.answer(int(echo.calls.size()) - 1);
        clock.advance(status == Status::TimedOut ? 400 : status == Status::Reply ? 1 : 0);
        return EchoOutcome{status, status == Status::Reply ? c.replyBytes : 0, {}};
    };
    ReachabilityCheck check(echo, clock);
    check.PingReply(0); // an earlier check's outcome, cleared by the next check
    const qint64 start = clock.ticks();

    EXPECT_EQ(check.sendPing(QStringLiteral(" 10.0.0.7")), c.found);
    EXPECT_EQ(check.ping_res(), c.pingRes);
    EXPECT_EQ(echo.calls.size(), c.attempts);
    EXPECT_EQ(clock.ticks() - start, c.ms);
    EXPECT_EQ(clock.sleeps, 0) << "every pause dispatches window events";
    EXPECT_FALSE(check.running());
    for (const auto& call : echo.calls) {
        EXPECT_EQ(call.host, QStringLiteral(" 10.0.0.7")) << "the target is the text as typed";
        EXPECT_EQ(call.data, QByteArray("abcdefghijklmnopqrstuvwa"));
        EXPECT_EQ(call.sequence, 0);
        EXPECT_EQ(call.timeoutMs, 400);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, Reachability,
    testing::Values(
        // Two replies find the device in two attempts, one 10 ms pause after each.
        DeviceCase{"answers", [](int) { return Status::Reply; }, 24, true, 1, 2, 2 * 11},
        // Attempts of 400 + 10 ms: the 13th is the first to end past 5000 ms.
        DeviceCase{"silent", [](int) { return Status::TimedOut; }, 0, false, 2, 13, 13 * 410},
        // A reply without data counts as not found, however quickly it comes: 455 attempts of
        // 1 + 10 ms.
        DeviceCase{"empty replies", [](int) { return Status::Reply; }, 0, false, 2, 455, 455 * 11},
        // The last attempt's outcome wins.
        DeviceCase{"answers once, then silent",
                   [](int n) { return n == 0 ? Status::Reply : Status::TimedOut; }, 24, false, 2,
                   14, 11 + 13 * 410},
        // An unusable address ends at once, with nothing recorded.
        DeviceCase{"bad address", [](int) { return Status::BadAddress; }, 0, false, 0, 1, 0},
        DeviceCase{"not permitted", [](int) { return Status::NotPermitted; }, 0, false, 0, 1, 0},
        // A failure after a silent attempt keeps that attempt's "not found".
        DeviceCase{"silent, then not permitted",
                   [](int n) { return n == 0 ? Status::TimedOut : Status::NotPermitted; }, 0, false,
                   2, 2, 410}),
    [](const testing::TestParamInfo<DeviceCase>& info) {
        std::string name = info.param.why;
        for (char& ch : name)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

} // namespace
