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
#include <QRegularExpression>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace {

Variable coded(Variable v, int typeOfData, int scale) {
    v.dataType = typeOfData;
    v.scale = quint16(scale);
    return v;
}

// Type of data 0 (Wh) with scale 6 is Wh × 10³; type 2 (m³) with scale 6 is m³ × 10⁰.
constexpr int Energy = 0, Volume = 2, KiloWattHours = 6, CubicMetres = 6;

class MbusSourcesCommand : public testing::Test {
protected:
    void SetUp() override {
        config = folder.file(QStringLiteral("cfg"));
        QDir().mkpath(config);
        GeneralParameters p;
        p.modbusTimeout = QStringLiteral("500");
        ASSERT_EQ(saveGeneralParameters(p, config + QStringLiteral("/ParGen.xml")), QString());
    }
    void setNetwork(const Network& nodes) {
        ASSERT_EQ(saveNetwork(nodes, config + QStringLiteral("/M_Bus.xml")), QString());
    }
    static QString tcpOf(const ModbusTestServer& s) {
        return QStringLiteral("127.0.0.1:%1").arg(s.port());
    }
    static QJsonArray jsonOf(const CapturedRun& run) {
        return QJsonDocument::fromJson(run.out.toUtf8()).array();
    }
    static QStringList lastColumns(const CapturedRun& run, int line) {
        const QStringList cells = run.out.split(QLatin1Char('\n'))[line].split(QLatin1Char('\t'));
        return cells.mid(cells.size() - 2);
    }

    TestFolder folder;
    QString config;
};

TEST_F(MbusSourcesCommand, AKnownCounterAndItsMbusValueOverTcpAndSerial) {
    setNetwork(
        {node(5, {coded(source(1, Holding, 20, 2, Dim32, 0, "Energy"), Energy, KiloWattHours)})});
    auto tcp = ModbusTestServer::tcp();
    auto rtu = ModbusTestServer::rtu();
    for (ModbusTestServer* server : {tcp.get(), rtu.get()}) {
        server->setHolding(20, {0x1234, 0x5678});
        const QStringList line =
            server == tcp.get() ? QStringList{QStringLiteral("--tcp"), tcpOf(*server)}
                                : QStringList{QStringLiteral("--serial"), server->devicePath()};
        const CapturedRun json =
            runCommand(Cli::readSources, QStringList{config} << line << QStringLiteral("--json"));
        ASSERT_EQ(json.status, 0) << json.err.toStdString();
        const QJsonObject mbus = jsonOf(json)[0].toObject()[QStringLiteral("mbus")].toObject();
        EXPECT_EQ(mbus,
                  (QJsonObject{
                      {QStringLiteral("value"), 305419896000.0},
                      {QStringLiteral("unit"), QStringLiteral("Wh")},
                      {QStringLiteral("exponent"), 3},
                      {QStringLiteral("text"), QStringLiteral("305 419 896 × 10³ Wh = 305.42 GWh")},
                      {QStringLiteral("flags"), QJsonArray()},
                  }));
        const CapturedRun text = runCommand(Cli::readSources, QStringList{config} << line);
        EXPECT_EQ(lastColumns(text, 0),
                  (QStringList{QStringLiteral("M-Bus value"), QStringLiteral("Warnings")}));
        EXPECT_EQ(lastColumns(text, 1),
                  (QStringList{QStringLiteral("305 419 896 × 10³ Wh = 305.42 GWh"), QString()}));
    }
}

TEST_F(MbusSourcesCommand, ASwappedFloatIsFlaggedWithTheSwapThatReadsRight) {
    auto server = ModbusTestServer::tcp();
    server->setHolding(30, {0x0000, 0x4148}); // 12.5, low word first
    server->setHolding(40, {0x4148, 0x0000}); // 12.5, high word first
    setNetwork(
        {node(7, {coded(source(1, Holding, 30, 2, DimReal, 0, "Flow"), Volume, CubicMetres),
                  coded(source(1, Holding, 40, 2, DimReal, 1, "Back"), Volume, CubicMetres),
                  coded(source(1, Holding, 30, 2, DimReal, 1, "Right"), Volume, CubicMetres)})});
    const CapturedRun json =
        runCommand(Cli::readSources,
                   {config, QStringLiteral("--tcp"), tcpOf(*server), QStringLiteral("--json")});
    ASSERT_EQ(json.status, 0) << json.err.toStdString();
    const QJsonArray array = jsonOf(json);
    ASSERT_EQ(array.size(), 3);
    const auto mbusOf = [&](int i) {
        return array[i].toObject()[QStringLiteral("mbus")].toObject();
    };
    EXPECT_EQ(mbusOf(0)[QStringLiteral("flags")].toArray(),
              QJsonArray{QStringLiteral("word-order")});
    EXPECT_EQ(mbusOf(1)[QStringLiteral("flags")].toArray(),
              QJsonArray{QStringLiteral("word-order")});
    EXPECT_EQ(mbusOf(2)[QStringLiteral("flags")].toArray(), QJsonArray());
    EXPECT_EQ(mbusOf(2)[QStringLiteral("value")].toDouble(), 12.5);
    EXPECT_EQ(mbusOf(2)[QStringLiteral("text")].toString(), QStringLiteral("12.5 m³"));

    const CapturedRun text =
        runCommand(Cli::readSources, {config, QStringLiteral("--tcp"), tcpOf(*server)});
    EXPECT_EQ(lastColumns(text, 1)[1], QStringLiteral("The swap \"Type 1\" would give 12.5 m³"));
    EXPECT_EQ(lastColumns(text, 2)[1], QStringLiteral("The swap \"None\" would give 12.5 m³"));
    EXPECT_EQ(lastColumns(text, 3)[1], QString());
}

} // namespace

namespace {

TEST_F(MbusSourcesCommand, AContinuousReadSeesAChangedRegisterAndItsRate) {
    auto server = ModbusTestServer::tcp();
    server->setHolding(50, {0x0000, 1000});
    setNetwork({node(5, {coded(source(1, Holding, 50, 2, Dim32, 0, "Energy"), Energy, 3),
                         coded(source(1, Holding, 60, 1, Dim16, 0, "Still"), Energy, 3)})});
    // The meter runs on while the command waits for its second pass.
    std::thread meter([&] {
        for (int i = 0; i < 3000 && server->requests().empty(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        server->setHolding(50, {0x0000, 1100});
    });
    const CapturedRun run =
        runCommand(Cli::readSources,
                   {config, QStringLiteral("--tcp"), tcpOf(*server), QStringLiteral("--every"),
                    QStringLiteral("1"), QStringLiteral("--count"), QStringLiteral("2")});
    meter.join();
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(server->requests().size(), 2u);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Two tables of a header and two rows, then the one change with its rate: 100 Wh in about
    // a second is some 360 000 Wh an hour.
    ASSERT_EQ(lines.size(), 7) << run.out.toStdString();
    EXPECT_TRUE(lines[1].contains(QStringLiteral("\t1 000 Wh\t")));
    EXPECT_TRUE(lines[4].contains(QStringLiteral("\t1 100 Wh\t")));
    const QRegularExpression change(
        QStringLiteral(R"(^5 Meter · Energy: changed, \+(\d+(\.\d+)?(e\+\d+)?) Wh/h$)"));
    const QRegularExpressionMatch m = change.match(lines[6]);
    ASSERT_TRUE(m.hasMatch()) << lines[6].toStdString();
    EXPECT_GT(m.captured(1).toDouble(), 1000.0); // well under an hour between the passes
    EXPECT_LE(m.captured(1).toDouble(), 360000.0 * 1.01);
}

TEST_F(MbusSourcesCommand, AContinuousReadStopsWhenNothingAnswers) {
    auto server = ModbusTestServer::tcp();
    setNetwork({node(5, {source(ModbusTestServer::Silent, Holding, 0, 1)})});
    const CapturedRun run =
        runCommand(Cli::readSources,
                   {config, QStringLiteral("--tcp"), tcpOf(*server), QStringLiteral("--timeout"),
                    QStringLiteral("50"), QStringLiteral("--every"), QStringLiteral("1"),
                    QStringLiteral("--count"), QStringLiteral("5")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(server->requests().size(), 1u);
    EXPECT_TRUE(run.err.endsWith(QStringLiteral(
        "read-sources: Continuous reading stopped after pass 1: no source answered\n")))
        << run.err.toStdString();
    const CapturedRun alone =
        runCommand(Cli::readSources, {config, QStringLiteral("--tcp"), tcpOf(*server),
                                      QStringLiteral("--count"), QStringLiteral("3")});
    EXPECT_EQ(alone.status, 2);
}

} // namespace
