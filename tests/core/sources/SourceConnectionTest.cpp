#include "core/sources/SourceConnection.h"

#include "core/comm/GeneralParameters.h"

#include <gtest/gtest.h>

using namespace Sources;

namespace {

TEST(SourceConnection, SerialSettingsComeFromTheConfiguration) {
    const struct {
        int baud, parity;
        const char* timeout;
        int expectedBaud;
        char expectedParity;
        int stopBits, timeoutMs;
    } cases[] = {
        {7, 0, "1000", 115200, 'N', 2, 1000}, // a new configuration
        {0, 1, "250", 1200, 'E', 1, 250},
        {3, 2, "$1F4", 9600, 'O', 1, 500}, // typed in hexadecimal
        {4, 0, "65535", 19200, 'N', 2, 65535},
        {5, 1, "0", 38400, 'E', 1, 1000}, // 0 would fail every read
        {6, 0, "abc", 57600, 'N', 2, 1000},
        {9, 7, "70000", 115200, 'N', 2, 1000}, // outside the lists
    };
    for (const auto& c : cases) {
        GeneralParameters p;
        p.modbusBaud = c.baud;
        p.modbusParity = c.parity;
        p.modbusTimeout = QString::fromLatin1(c.timeout);
        const Connection s = serialFromParGen(p, QStringLiteral("/dev/ttyUSB0"));
        EXPECT_EQ(s.kind, Connection::Kind::Serial);
        EXPECT_EQ(s.port, QStringLiteral("/dev/ttyUSB0"));
        EXPECT_EQ(s.baud, c.expectedBaud) << "baud position " << c.baud;
        EXPECT_EQ(s.parity, c.expectedParity) << "parity position " << c.parity;
        EXPECT_EQ(s.dataBits, 8);
        EXPECT_EQ(s.stopBits, c.stopBits) << "parity position " << c.parity;
        EXPECT_EQ(s.timeoutMs, c.timeoutMs) << c.timeout;
    }
}

// The one framing rule the window, the command line and the configuration's line share.
TEST(SourceConnection, ParityDecidesTheStopBits) {
    const struct {
        char parity;
        int stopBits;
    } cases[] = {{'N', 2}, {'E', 1}, {'O', 1}};
    for (const auto& c : cases) {
        const Connection s = serialConnection(QStringLiteral("/dev/ttyS1"), 4800, c.parity, 300);
        EXPECT_EQ(s.kind, Connection::Kind::Serial);
        EXPECT_EQ(s.port, QStringLiteral("/dev/ttyS1"));
        EXPECT_EQ(s.baud, 4800);
        EXPECT_EQ(s.parity, c.parity);
        EXPECT_EQ(s.dataBits, 8);
        EXPECT_EQ(s.stopBits, c.stopBits) << c.parity;
        EXPECT_EQ(s.timeoutMs, 300);
    }
    EXPECT_EQ(serialConnection(QStringLiteral("/dev/ttyS1"), 4800, 'E').timeoutMs,
              DefaultTimeoutMs);
}

TEST(SourceConnection, OnlyRtuFramedLinesCanBeTestedOnTheSerialPort) {
    const bool testable[] = {true, false, true, false, false}; // RTU, ASCII, JBUS, Binary, ASCII
    for (int protocol = 0; protocol < 5; ++protocol) {
        GeneralParameters p;
        p.modbusProtocol = protocol;
        EXPECT_EQ(serialTestable(p), testable[protocol]) << "protocol " << protocol;
    }
}

TEST(SourceConnection, HostAndPort) {
    const struct {
        const char* text;
        bool ok;
        const char* host;
        int port;
    } cases[] = {
        {"127.0.0.1", true, "127.0.0.1", 502},
        {" 127.0.0.1:1502 ", true, "127.0.0.1", 1502},
        {"bridge.local:503", true, "bridge.local", 503},
        {"[::1]:5020", true, "::1", 5020},
        {"[::1]", true, "::1", 502},
        {"::1", true, "::1", 502},
        {"127.0.0.1:", false, "", 0},
        {"127.0.0.1:0", false, "", 0},
        {"127.0.0.1:65536", false, "", 0},
        {"127.0.0.1:+5", false, "", 0},
        {"127.0.0.1:5x", false, "", 0},
        {"[::1]x", false, "", 0},
        {"[::1", false, "", 0},
        {"", false, "", 0},
        {"two words", false, "", 0},
    };
    for (const auto& c : cases) {
        const std::optional<HostPort> parsed = parseHostPort(QString::fromLatin1(c.text));
        ASSERT_EQ(parsed.has_value(), c.ok) << c.text;
        if (!c.ok)
            continue;
        EXPECT_EQ(parsed->host, QString::fromLatin1(c.host)) << c.text;
        EXPECT_EQ(parsed->port, c.port) << c.text;
    }
}

TEST(SourceConnection, TargetNamesWhatWasOpened) {
    Connection c;
    c.kind = Connection::Kind::Tcp;
    c.host = QStringLiteral("::1");
    c.tcpPort = 1502;
    EXPECT_EQ(c.target(), QStringLiteral("[::1]:1502"));
    c.host = QStringLiteral("127.0.0.1");
    EXPECT_EQ(c.target(), QStringLiteral("127.0.0.1:1502"));
}

} // namespace
