#include "gui/sources/SourceTestWindow.h"

#include "core/state/SharedState.h"
#include "mock/FakeServices.h"
#include "mock/ModbusTestServer.h"
#include "support/QtPrinters.h"
#include "support/SourceNetworks.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace Sources;

namespace {

class ContinuousReadWindow : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        QDir().mkpath(folder.file(QStringLiteral("PROJECTS/Plant")));
        state.activateProject(QStringLiteral("Plant"));
        server = ModbusTestServer::tcp();
        server->setHolding(50, {0x0000, 1000});
    }
    template <typename T> static T* child(QWidget* window, const char* name) {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void startContinuous(SourceTestWindow& window, int timeoutMs = 1000) {
        window.show();
        child<QRadioButton>(&window, "RB_Tcp")->click();
        child<QLineEdit>(&window, "E_Address")
            ->setText(QStringLiteral("127.0.0.1:%1").arg(server->port()));
        child<QSpinBox>(&window, "SE_TimeOut")->setValue(timeoutMs);
        child<QCheckBox>(&window, "CB_Continuous")->setChecked(true);
        child<QSpinBox>(&window, "SE_Every")->setValue(1);
        QTest::mouseClick(child<QPushButton>(&window, "Btn_Read"), Qt::LeftButton);
    }
    static QString mbusCell(QWidget* window, int row) {
        return child<QTableView>(window, "TV_Results")
            ->model()
            ->index(row, ColumnCount)
            .data()
            .toString();
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    std::unique_ptr<ModbusTestServer> server;
};

// Passes follow each other off the user-interface thread; a register that changed between two
// is marked with the counter's rate, and Stop ends the reading between passes.
TEST_F(ContinuousReadWindow, AChangedRegisterIsMarkedAndStopEndsTheReading) {
    Variable energy = source(1, Holding, 50, 2, Dim32, 0, "Energy");
    energy.scale = 3; // Wh
    SourceTestWindow window(state, fake.platform, {node(3, {energy}, "Heat")});
    QSignalSpy done(&window, &SourceTestWindow::readingDone);
    startContinuous(window);
    ASSERT_TRUE(done.wait(30000));
    EXPECT_TRUE(window.isWaiting());
    EXPECT_EQ(mbusCell(&window, 0), QStringLiteral("1 000 Wh"));
    EXPECT_EQ(child<QLabel>(&window, "L_Status")->text(),
              QStringLiteral("Pass 1 done; the next one in 1 s"));
    EXPECT_FALSE(child<QPushButton>(&window, "Btn_Read")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(&window, "Btn_Stop")->isEnabled());

    server->setHolding(50, {0x0000, 1100});
    ASSERT_TRUE(done.wait(30000));
    EXPECT_TRUE(mbusCell(&window, 0).startsWith(QStringLiteral("1 100 Wh \u00b7 changed, +")))
        << mbusCell(&window, 0).toStdString();
    EXPECT_TRUE(mbusCell(&window, 0).endsWith(QStringLiteral(" Wh/h")));
    ASSERT_TRUE(window.isWaiting());

    QTest::mouseClick(child<QPushButton>(&window, "Btn_Stop"), Qt::LeftButton);
    EXPECT_FALSE(window.isWaiting());
    EXPECT_EQ(child<QLabel>(&window, "L_Status")->text(),
              QStringLiteral("Continuous reading stopped after pass 2: stopped"));
    EXPECT_TRUE(child<QPushButton>(&window, "Btn_Read")->isEnabled());
    EXPECT_EQ(server->requests().size(), 2u);
}

TEST_F(ContinuousReadWindow, TheFirstPassWithoutAnAnswerEndsTheReadingAndSaysWhy) {
    SourceTestWindow window(state, fake.platform,
                            {node(3, {source(ModbusTestServer::Silent, Holding, 0, 1)})});
    QSignalSpy done(&window, &SourceTestWindow::readingDone);
    startContinuous(window, 50);
    ASSERT_TRUE(done.wait(30000));
    EXPECT_FALSE(window.isWaiting());
    EXPECT_FALSE(window.isReading());
    EXPECT_EQ(child<QLabel>(&window, "L_Status")->text(),
              QStringLiteral("Continuous reading stopped after pass 1: no source answered"));
}

TEST_F(ContinuousReadWindow, ClosingBetweenPassesStopsTheReading) {
    SourceTestWindow window(state, fake.platform, {node(3, {source(1, Holding, 50, 2, Dim32)})});
    QSignalSpy done(&window, &SourceTestWindow::readingDone);
    startContinuous(window);
    ASSERT_TRUE(done.wait(30000));
    ASSERT_TRUE(window.isWaiting());
    QTest::mouseClick(child<QPushButton>(&window, "Btn_Close"), Qt::LeftButton);
    EXPECT_FALSE(window.isWaiting());
}

} // namespace
