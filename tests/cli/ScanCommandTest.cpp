#include "cli/Commands.h"

#include "core/comm/GeneralParameters.h"
#include "core/network/Network.h"
#include "mock/ModbusTestServer.h"
#include "support/CapturedRun.h"
#include "support/QtPrinters.h"
#include "support/SourceNetworks.h"
#include "support/TestFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

QJsonArray ids(std::initializer_list<int> list) {
    QJsonArray array;
    for (int id : list)
        array.append(id);
    return array;
}

class ScanCommand : public testing::Test {
protected:
    void SetUp() override {
        server = ModbusTestServer::tcp();
        server->setAnswering({1, ModbusTestServer::Failing, 17, 25});
    }
    QString tcp() const { return QStringLiteral("127.0.0.1:%1").arg(server->port()); }
    QString configWithSlaves(QList<int> slaves) {
        const QString config = folder.file(QStringLiteral("cfg"));
        QDir().mkpath(config);
        EXPECT_EQ(
            saveGeneralParameters(GeneralParameters(), config + QStringLiteral("/ParGen.xml")),
            QString());
        QList<Variable> variables;
        for (int slave : slaves)
            variables.append(source(slave, Holding, 0, 1));
        EXPECT_EQ(saveNetwork({node(1, variables)}, config + QStringLiteral("/M_Bus.xml")),
                  QString());
        return config;
    }

    TestFolder folder;
    std::unique_ptr<ModbusTestServer> server;
};

TEST_F(ScanCommand, FindsExactlyTheIdsThatAnswerAndAsksEachOnceForOneRegister) {
    const CapturedRun run = runCommand(
        Cli::scan, {QStringLiteral("--tcp"), tcp(), QStringLiteral("--ids"), QStringLiteral("1-30"),
                    QStringLiteral("--timeout"), QStringLiteral("40"), QStringLiteral("--json")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonArray answers =
        QJsonDocument::fromJson(run.out.toUtf8()).object()[QStringLiteral("ids")].toArray();
    ASSERT_EQ(answers.size(), 30);
    QJsonArray present;
    for (const QJsonValue& a : answers)
        if (a.toObject()[QStringLiteral("answers")].toBool())
            present.append(a.toObject()[QStringLiteral("id")]);
    EXPECT_EQ(present, ids({1, ModbusTestServer::Failing, 17, 25}));
    EXPECT_EQ(answers[0].toObject()[QStringLiteral("detail")].toString(),
              QStringLiteral("data 0x0000"));
    EXPECT_EQ(answers[3].toObject()[QStringLiteral("detail")].toString(),
              QStringLiteral("exception 4"));
    EXPECT_EQ(answers[1].toObject()[QStringLiteral("detail")].toString(),
              QStringLiteral("time-out"));
    EXPECT_TRUE(run.err.startsWith(
        QStringLiteral("A scan of 30 IDs takes at most 1.4 s: per ID the time-out of 40 ms and up "
                       "to 1 ms on the line, plus the connection.\n")))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.endsWith(QStringLiteral("4 of 30 IDs answer\n")));
    const auto requests = server->waitForRequests(30);
    ASSERT_EQ(requests.size(), 30u);
    for (size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].slave, int(i) + 1);
        EXPECT_EQ(requests[i].function, 3);
        EXPECT_EQ(requests[i].address, 0);
        EXPECT_EQ(requests[i].count, 1);
    }
}

TEST_F(ScanCommand, BesideAConfigurationItNamesMissingAndUnusedIds) {
    const QString config = configWithSlaves({1, ModbusTestServer::Silent, 1});
    const QStringList args = {QStringLiteral("--tcp"),     tcp(),
                              QStringLiteral("--ids"),     QStringLiteral("1-26"),
                              QStringLiteral("--timeout"), QStringLiteral("40"),
                              QStringLiteral("--config"),  config};
    const CapturedRun text = runCommand(Cli::scan, args);
    EXPECT_EQ(text.status, 1); // slave 9 is configured and silent
    EXPECT_EQ(text.out,
              QStringLiteral("ID 1: data 0x0000, used by the configuration\n"
                             "ID 4: exception 4 (Slave device or server failure)\n"
                             "ID 17: data 0x0000\n"
                             "ID 25: data 0x0000\n"
                             "Configured IDs that do not answer: 9\n"
                             "IDs that answer but the configuration does not use: 4, 17, 25\n"));
    const CapturedRun json = runCommand(Cli::scan, QStringList(args) << QStringLiteral("--json"));
    EXPECT_EQ(json.status, 1);
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(o[QStringLiteral("configured")].toArray(), ids({1, 9}));
    EXPECT_EQ(o[QStringLiteral("missing")].toArray(), ids({9}));
    EXPECT_EQ(o[QStringLiteral("unused")].toArray(), ids({4, 17, 25}));

    const QString answering = configWithSlaves({1, 17});
    EXPECT_EQ(runCommand(Cli::scan, {QStringLiteral("--tcp"), tcp(), QStringLiteral("--ids"),
                                     QStringLiteral("1-20"), QStringLiteral("--timeout"),
                                     QStringLiteral("40"), QStringLiteral("--config"), answering})
                  .status,
              0);
}

// A scan waits its own short time per id: the configuration's Modbus time-out is for reading
// the sources, and 247 ids at a whole second each would take minutes.
TEST_F(ScanCommand, WaitsItsOwnTimeOutNotTheConfigurations) {
    const QString config = configWithSlaves({1}); // its time-out is 1000 ms
    const CapturedRun run =
        runCommand(Cli::scan, {QStringLiteral("--tcp"), tcp(), QStringLiteral("--ids"),
                               QStringLiteral("1-1"), QStringLiteral("--config"), config});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QStringLiteral("per ID the time-out of 100 ms")))
        << run.err.toStdString();
}

TEST_F(ScanCommand, OnASerialLineOnlyTheSlaveAnswers) {
    auto rtu = ModbusTestServer::rtu();
    const CapturedRun run = runCommand(
        Cli::scan, {QStringLiteral("--serial"), rtu->devicePath(), QStringLiteral("--ids"),
                    QStringLiteral("1-4"), QStringLiteral("--timeout"), QStringLiteral("60")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("ID 1: data 0x0000\n"));
    EXPECT_EQ(rtu->waitForRequests(4).size(), 4u);
}

TEST_F(ScanCommand, NoAnswerOrWrongWordsSayWhy) {
    server->setAnswering({200});
    EXPECT_EQ(runCommand(Cli::scan,
                         {QStringLiteral("--tcp"), tcp(), QStringLiteral("--ids"),
                          QStringLiteral("1-3"), QStringLiteral("--timeout"), QStringLiteral("20")})
                  .status,
              1);
    const QStringList wrong[] = {
        {},
        {QStringLiteral("--tcp"), tcp(), QStringLiteral("--ids"), QStringLiteral("0-5")},
        {QStringLiteral("--tcp"), tcp(), QStringLiteral("--ids"), QStringLiteral("9-3")},
        {QStringLiteral("--tcp"), tcp(), QStringLiteral("--ids"), QStringLiteral("1-248")},
        {QStringLiteral("--tcp"), tcp(), QStringLiteral("--timeout"), QStringLiteral("0")},
        {QStringLiteral("--tcp"), tcp(), QStringLiteral("--config"), folder.file("none")},
        {QStringLiteral("--serial"), folder.file("ttyUSB7")},
    };
    for (const QStringList& args : wrong) {
        const CapturedRun run = runCommand(Cli::scan, args);
        EXPECT_EQ(run.status, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_EQ(run.out, QString());
    }
    EXPECT_EQ(server->waitForRequests(3).size(), 3u);
}

} // namespace
