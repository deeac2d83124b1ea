#include "gui/sources/FindSlavesWindow.h"

#include "core/state/SharedState.h"
#include "mock/ModbusTestServer.h"
#include "support/QtPrinters.h"

#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <gtest/gtest.h>

using namespace Sources;

namespace {

class SlaveScanWindow : public testing::Test {
protected:
    void SetUp() override {
        server = ModbusTestServer::tcp();
        server->setAnswering({1, ModbusTestServer::Failing, 17});
        connection.kind = Connection::Kind::Tcp;
        connection.host = QStringLiteral("127.0.0.1");
        connection.tcpPort = server->port();
    }
    template <typename T> static T* child(QWidget* window, const char* name) {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static QStringList lines(QWidget* window) {
        QStringList out;
        auto* list = child<QListWidget>(window, "LW_Answers");
        for (int i = 0; i < list->count(); ++i)
            out.append(list->item(i)->text());
        return out;
    }

    SharedState state;
    Connection connection;
    std::unique_ptr<ModbusTestServer> server;
};

TEST_F(SlaveScanWindow, TheBoundIsShownBeforeAndTheAnswersBesideTheConfigurationAfter) {
    FindSlavesWindow window(state, connection, {1, ModbusTestServer::Silent});
    window.show();
    // The whole line at the short time-out, before anything is sent.
    EXPECT_EQ(child<QLabel>(&window, "L_Bound")->text(),
              QStringLiteral("A scan of 247 IDs takes at most 25.2 s: per ID the time-out of "
                             "100 ms and up to 1 ms on the line, plus the connection."));
    child<QSpinBox>(&window, "SE_Last")->setValue(20);
    child<QSpinBox>(&window, "SE_TimeOut")->setValue(30);
    EXPECT_EQ(child<QLabel>(&window, "L_Bound")->text(),
              QStringLiteral("A scan of 20 IDs takes at most 0.8 s: per ID the time-out of 30 ms "
                             "and up to 1 ms on the line, plus the connection."));
    EXPECT_EQ(server->requests().size(), 0u);

    QSignalSpy done(&window, &FindSlavesWindow::scanDone);
    QTest::mouseClick(child<QPushButton>(&window, "Btn_Scan"), Qt::LeftButton);
    EXPECT_TRUE(window.isScanning());
    EXPECT_FALSE(child<QPushButton>(&window, "Btn_Scan")->isEnabled());
    ASSERT_TRUE(done.wait(30000));
    EXPECT_EQ(lines(&window),
              (QStringList{QStringLiteral("ID 1: data 0x0000, used by the configuration"),
                           QStringLiteral("ID 4: exception 4 (Slave device or server failure)"),
                           QStringLiteral("ID 17: data 0x0000"),
                           QStringLiteral("Configured IDs that do not answer: 9"),
                           QStringLiteral("IDs that answer but the configuration does not use: "
                                          "4, 17")}));
    EXPECT_EQ(child<QProgressBar>(&window, "PB_Progress")->value(), 20);
    EXPECT_EQ(server->waitForRequests(20).size(), 20u);
    EXPECT_TRUE(child<QPushButton>(&window, "Btn_Scan")->isEnabled());
}

TEST_F(SlaveScanWindow, StopEndsTheScanBeforeTheNextId) {
    server->setAnswering({200}); // all silent: each id costs its whole time-out
    FindSlavesWindow window(state, connection, {});
    window.show();
    child<QSpinBox>(&window, "SE_TimeOut")->setValue(200);
    QSignalSpy done(&window, &FindSlavesWindow::scanDone);
    auto* progress = child<QProgressBar>(&window, "PB_Progress");
    QTest::mouseClick(child<QPushButton>(&window, "Btn_Scan"), Qt::LeftButton);
    // Stop once the first id has been asked.
    for (int i = 0; i < 3000 && progress->value() < 1; ++i)
        QTest::qWait(10);
    ASSERT_GE(progress->value(), 1);
    QTest::mouseClick(child<QPushButton>(&window, "Btn_Stop"), Qt::LeftButton);
    ASSERT_TRUE(done.wait(30000));
    EXPECT_LT(server->requests().size(), 247u);
    EXPECT_FALSE(window.isScanning());
}

} // namespace
