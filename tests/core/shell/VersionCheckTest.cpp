#include "core/shell/VersionCheck.h"
#include "common/MakerSite.h"
#include "mock/LocalHttpServer.h"
#include "net/NetworkHttpGetter.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Runs one check against `server` and waits for its answer (the wait ends on the answer, the
// time-out bounds it).
std::optional<bool> checkAgainst(LocalHttpServer& server, int timeoutMs = 5000) {
    NetworkHttpGetter http;
    VersionCheck check(http);
    check.url = server.versionUrl();
    check.timeoutMs = timeoutMs;
    std::optional<bool> result;
    QObject context;
    check.checkVersion(&context, [&result](bool newer) { result = newer; });
    EXPECT_TRUE(QTest::qWaitFor([&result] { return result.has_value(); }, timeoutMs + 5000));
    return result;
}

} // namespace

TEST(VersionCheck, ConvVersion) {
    struct Case {
        const char* text;
        int value;
    };
    for (const Case c :
         {Case{"2.005", 2005}, Case{"VER. 2.010", 2010}, Case{"ver.   2.006  ", 2006},
          Case{"VER. 10.001", -1}, Case{"VER. 2.01", -1}, Case{"", -1}, Case{"VER. x.005", -1},
          Case{"VER. -.123", -1}, Case{"VER. 2.0059", 2005}, Case{"A B 2.005", -1}})
        EXPECT_EQ(versionNumber(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(VersionCheck, RepliesOfTheSiteThroughALocalServer) {
    struct Case {
        QByteArray reply;
        bool newer;
        const char* reason;
    };
    const Case cases[] = {
        {LocalHttpServer::ok("VER. 2.006"), true, "newer"},
        {LocalHttpServer::ok("VER. 2.005"), false, "the same version"},
        {LocalHttpServer::ok("VER. 0.000"), false, "no version known"},
        {LocalHttpServer::ok("  ver. 0.000 \r\n"), false, "no version, lower case, blanks"},
        {LocalHttpServer::ok("  ver. 2.005  "), false, "same version, lower case, blanks"},
        {LocalHttpServer::ok(""), false, "empty body"},
        {LocalHttpServer::ok("ver. 2.010"), true, "lower-case prefix"},
        {LocalHttpServer::ok("2.010"), true, "no prefix"},
        {LocalHttpServer::ok("VER. 10.001"), false, "two-digit major does not convert"},
        {LocalHttpServer::ok("VER. 2.006\r\n"), true, "line end after the version"},
        {"HTTP/1.0 404 Not Found\r\n\r\nVER. 2.006", false, "error status"},
        {"HTTP/1.1 500 Internal Server Error\r\n\r\nVER. 2.006", false, "server error"},
        {"VER. 2.006", false, "no status line"},
        {"HTTP/1.0 200 OK\nServer: x\n\nVER. 2.006", true, "bare line feeds"},
        {"HTTP/1.0 302 Found\r\nLocation: /\r\n\r\nVER. 2.006", false, "redirect"},
    };
    for (const Case& c : cases) {
        LocalHttpServer server;
        server.reply = c.reply;
        EXPECT_EQ(checkAgainst(server), std::optional<bool>(c.newer)) << c.reason;
        EXPECT_EQ(server.connections, 1) << c.reason;
    }
}

TEST(VersionCheck, RequestAsTheServerReceivesIt) {
    LocalHttpServer server;
    server.reply = LocalHttpServer::ok("VER. 2.005");
    ASSERT_TRUE(checkAgainst(server).has_value());
    ASSERT_EQ(server.requests.size(), 1);
    const QList<QByteArray> lines = server.requests[0].split('\n');
    ASSERT_GE(lines.size(), 1);
    EXPECT_EQ(lines[0], "GET /home/download/GetversionSW.asp?nomesw=KT48213 HTTP/1.0\r");
    QList<QByteArray> headers;
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (!lines[i].trimmed().isEmpty())
            headers.append(lines[i].trimmed());
    EXPECT_EQ(headers,
              (QList<QByteArray>{
                  "Host: 127.0.0.1:" + QByteArray::number(server.versionUrl().port()),
                  "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8",
                  "User-Agent: Mozilla/3.0 (compatible; Indy Library)"}))
        << "no cookies, nothing else";
}

TEST(VersionCheck, ProductionAddressUsesTheMakersHost) {
    NetworkHttpGetter http;
    const VersionCheck check(http);
    EXPECT_EQ(check.url, MakerSite::versionCheck());
    EXPECT_EQ(check.url.host(), QString::fromLatin1(ORDANO_MAKER_HOST));
    EXPECT_EQ(check.url.path(), QStringLiteral("/home/download/GetversionSW.asp"));
    EXPECT_EQ(check.url.query(), QStringLiteral("nomesw=KT48213"));
    EXPECT_EQ(check.timeoutMs, 10000);
}

TEST(VersionCheck, SilentServerTimesOutAsAFailedRequest) {
    LocalHttpServer server; // never answers
    EXPECT_EQ(checkAgainst(server, 200), std::optional<bool>(false));
    EXPECT_EQ(server.requests.size(), 1) << "the request arrived; only the answer is missing";
}

TEST(VersionCheck, RefusedConnectionIsAFailedRequest) {
    QUrl url;
    {
        QTcpServer closed;
        ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
        url = QUrl(QStringLiteral("http://127.0.0.1/v"));
        url.setPort(closed.serverPort());
    }
    NetworkHttpGetter http;
    VersionCheck check(http);
    check.url = url;
    std::optional<bool> result;
    QObject context;
    check.checkVersion(&context, [&result](bool newer) { result = newer; });
    EXPECT_TRUE(QTest::qWaitFor([&result] { return result.has_value(); }, 10000));
    EXPECT_EQ(result, std::optional<bool>(false));
}

TEST(VersionCheck, ARunningCheckIsJoinedNotStartedAgain) {
    LocalHttpServer server; // silent until the second caller has joined
    NetworkHttpGetter http;
    VersionCheck check(http);
    check.url = server.versionUrl();
    QObject context;
    std::optional<bool> first;
    std::optional<bool> second;
    bool droppedCalled = false;
    check.checkVersion(&context, [&first](bool newer) { first = newer; });
    ASSERT_TRUE(QTest::qWaitFor([&server] { return server.requests.size() == 1; }, 5000));
    EXPECT_TRUE(check.running());
    check.checkVersion(&context, [&second](bool newer) { second = newer; });
    {
        auto gone = std::make_unique<QObject>();
        check.checkVersion(gone.get(), [&droppedCalled](bool) { droppedCalled = true; });
    }
    EXPECT_FALSE(first || second) << "nothing answered yet";

    // The server answers through the one open connection.
    server.reply = LocalHttpServer::ok("VER. 2.006");
    auto* socket = server.findChild<QTcpSocket*>();
    ASSERT_NE(socket, nullptr);
    socket->write(*server.reply);
    socket->disconnectFromHost();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first && second; }, 5000));
    EXPECT_TRUE(*first);
    EXPECT_TRUE(*second);
    EXPECT_FALSE(droppedCalled) << "a caller that went away is not called";
    EXPECT_EQ(server.connections, 1);
    EXPECT_FALSE(check.running());
}
