#include "gui/gateway/GatewayWindow.h"

#include "core/state/SharedState.h"
#include "gui/network/NetworkEditorWindow.h"
#include "mock/FakeServices.h"
#include "mock/MbusTestMaster.h"
#include "mock/ModbusTestServer.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/SourceNetworks.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

class GatewayWindowTest : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        QDir().mkpath(folder.file(QStringLiteral("PROJECTS/Plant")));
        state.activateProject(QStringLiteral("Plant"));
    }

    // The worked example's node and record, and a record whose type has no standard coding.
    static Network network() {
        Variable energy = source(1, Holding, 0, 2, Dim32, 0, "Energy");
        energy.scale = 3;
        Variable text = source(1, Holding, 2, 1, 0, 0, "Code");
        text.dataType = 21;
        text.scale = 255;
        Node n = node(1, {energy, text}, "Heat meter");
        n.secondary = 12345678;
        return {n};
    }

    template <typename T> static T* child(QWidget* window, const char* name) {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static QString cell(QWidget* window, int row, int column) {
        return child<QTableView>(window, "TV_Values")
            ->model()
            ->index(row, column)
            .data()
            .toString();
    }
    static void listenOn(QWidget* window, const QString& address) {
        auto* e = child<QLineEdit>(window, "E_MbusAddress");
        e->clear();
        QTest::keyClicks(e, address);
        QTest::mouseClick(child<QPushButton>(window, "Btn_Start"), Qt::LeftButton);
    }
    // Runs `master` on a thread while the window's events go on.
    static void withMaster(const std::function<void()>& master) {
        std::atomic_bool done{false};
        std::thread thread([&] {
            master();
            done = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 30000));
        thread.join();
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
};

TEST_F(GatewayWindowTest, TheEditorsButtonOpensAWindowThatServesTypedValues) {
    ASSERT_EQ(saveNetwork(network(), state.networkFile), QString());
    NetworkEditorWindow editor(state, fake.platform);
    // As the shell wires it.
    GatewayWindow::attachTo(&editor, state, fake.platform,
                            [&] { return editor.editor().network(); });
    editor.show();
    auto* button = child<QPushButton>(&editor, "Btn_TryGateway");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Try as gateway"));

    bool checked = false;
    onNextModal([&](QWidget* window) {
        auto* gateway = qobject_cast<GatewayWindow*>(window);
        ASSERT_NE(gateway, nullptr);
        auto* table = child<QTableView>(window, "TV_Values");
        ASSERT_EQ(table->model()->rowCount(), 2);
        EXPECT_EQ(cell(window, 0, GatewayWindow::ColNode), QStringLiteral("1 Heat meter"));
        EXPECT_EQ(cell(window, 0, GatewayWindow::ColCoding), QStringLiteral("04 03"));
        EXPECT_EQ(cell(window, 1, GatewayWindow::ColCoding),
                  QStringLiteral("01 FF 80 00  (manufacturer-specific)"));
        table->model()->setData(table->model()->index(0, GatewayWindow::ColValue), "12345");
        table->model()->setData(table->model()->index(1, GatewayWindow::ColValue), "7");

        listenOn(window, QStringLiteral("127.0.0.1:0"));
        ASSERT_TRUE(gateway->isListening());
        EXPECT_FALSE(child<QPushButton>(window, "Btn_Start")->isEnabled());
        QByteArray ack, rsp;
        withMaster([&] {
            auto master = MbusTestMaster::connectTcp(gateway->listeningPort());
            ASSERT_TRUE(master);
            ack = master->transact(MbusTestMaster::sndNke(1));
            rsp = master->transact(MbusTestMaster::reqUd2(1, true));
        });
        EXPECT_EQ(ack, hex("E5"));
        // The worked example's frame with the second record (DIF 01, VIF FF 80 00, 7) added.
        EXPECT_EQ(rsp, hex("68 1A 1A 68 08 01 72 78 56 34 12 2D 4D 00 00 01 00 00 00 "
                           "04 03 39 30 00 00 01 FF 80 00 07 01 16"));
        const QStringList lines = gateway->logLines();
        EXPECT_TRUE(lines
                        .filter(QStringLiteral("REQ_UD2 to 1, FCB 1 -> RSP_UD: 2 record(s), 0 "
                                               "with errors"))
                        .size() == 1)
            << lines.join('\n').toStdString();
        // Stamped by the program's clock: the fake one stands at 08:30:01.
        EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^08:30:01\\.000 "))).size(),
                  lines.size())
            << lines.join('\n').toStdString();
        auto* log = child<QPlainTextEdit>(window, "M_Log");
        EXPECT_FALSE(log->toPlainText().contains(QStringLiteral("[10 7B 01 7C 16]")));
        child<QCheckBox>(window, "CB_Hex")->click();
        EXPECT_TRUE(log->toPlainText().contains(QStringLiteral("[10 7B 01 7C 16]")));

        QTest::mouseClick(child<QPushButton>(window, "Btn_Stop"), Qt::LeftButton);
        EXPECT_FALSE(gateway->isListening());
        checked = true;
        QTest::mouseClick(child<QPushButton>(window, "Btn_Close"), Qt::LeftButton);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(modalActionsDone());
}

TEST_F(GatewayWindowTest, ServesLiveValuesAndShowsThem) {
    auto server = ModbusTestServer::tcp();
    server->setHolding(0, {0x0001, 0x86A0});
    GatewayWindow window(state, fake.platform, network());
    window.show();
    child<QRadioButton>(&window, "RB_LiveTcp")->click();
    auto* address = child<QLineEdit>(&window, "E_ModbusAddress");
    address->clear();
    QTest::keyClicks(address, QStringLiteral("127.0.0.1:%1").arg(server->port()));
    listenOn(&window, QStringLiteral("127.0.0.1:0"));
    ASSERT_TRUE(window.isListening());
    // Register 2 holds 2: a number, not text, for the record of type 21 (8-bit).
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return cell(&window, 0, GatewayWindow::ColValue) == QStringLiteral("100000"); },
        20000));
    EXPECT_EQ(cell(&window, 1, GatewayWindow::ColValue), QStringLiteral("2"));
    window.stopClicked();
}

TEST_F(GatewayWindowTest, ListensOnTypedAddressesOnly) {
    GatewayWindow window(state, fake.platform, network());
    window.show();
    fake.prompts.expectError(QStringLiteral(
        "The address must be an IP address typed in digits, for instance 127.0.0.1."));
    listenOn(&window, QStringLiteral("localhost:10001"));
    EXPECT_FALSE(window.isListening());
    EXPECT_EQ(child<QLineEdit>(&window, "E_MbusAddress")->accessibleName(),
              QStringLiteral("Address and port"));
}

} // namespace
