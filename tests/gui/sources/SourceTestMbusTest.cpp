#include "gui/sources/SourceTestWindow.h"

#include "core/state/SharedState.h"
#include "mock/FakeServices.h"
#include "mock/ModbusTestServer.h"
#include "support/QtPrinters.h"
#include "support/SourceNetworks.h"
#include "support/TestFolder.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace Sources;

namespace {

Variable coded(Variable v, int typeOfData, int scale) {
    v.dataType = typeOfData;
    v.scale = quint16(scale);
    return v;
}

class SourceTestMbus : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        QDir().mkpath(folder.file(QStringLiteral("PROJECTS/Plant")));
        state.activateProject(QStringLiteral("Plant"));
        server = ModbusTestServer::tcp();
        server->setHolding(20, {0x1234, 0x5678}); // 305 419 896
        server->setHolding(30, {0x0000, 0x4148}); // 12.5 with the low word first
        server->setHolding(40, {0x00D7});         // 21.5 °C in tenths
    }

    Network network() const {
        return {node(1,
                     {coded(source(1, Holding, 20, 2, Dim32, 0, "Energy"), 0, 6),
                      coded(source(1, Holding, 30, 2, DimReal, 0, "Volume"), 2, 6),
                      coded(source(1, Holding, 40, 1, Dim16, 0, "Flow temp."), 12, 2)},
                     "Heat meter")};
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    std::unique_ptr<ModbusTestServer> server;
};

// The M-Bus value stands beside the result and a warning names the swap that would read right;
// the same warning is listed under the table.
TEST_P(SourceTestMbus, TheMbusValueAndItsWarningsAreShown) {
    const QString language = QString::fromLatin1(GetParam());
    if (language != QStringLiteral("English")) {
        ASSERT_TRUE(state.texts.loadFile(QStringLiteral(ORDANO_LANGUAGE_DIR "/") + language +
                                         QStringLiteral(".lng")));
    }
    SourceTestWindow window(state, fake.platform, network());
    window.show();
    window.findChild<QRadioButton*>(QStringLiteral("RB_Tcp"))->click();
    auto* address = window.findChild<QLineEdit*>(QStringLiteral("E_Address"));
    address->setText(QStringLiteral("127.0.0.1:%1").arg(server->port()));
    QSignalSpy done(&window, &SourceTestWindow::readingDone);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Btn_Read")), Qt::LeftButton);
    ASSERT_TRUE(done.wait(30000));

    auto* table = window.findChild<QTableView*>(QStringLiteral("TV_Results"));
    const QAbstractItemModel* model = table->model();
    const int mbus = ColumnCount, warnings = ColumnCount + 1;
    const QString mbusHeader = model->headerData(mbus, Qt::Horizontal).toString();
    EXPECT_EQ(mbusHeader, state.texts.text(322));
    // Seen right after the result, whatever the model's order.
    EXPECT_EQ(table->horizontalHeader()->visualIndex(mbus), ColResult + 1);
    EXPECT_EQ(table->horizontalHeader()->visualIndex(warnings), ColResult + 2);
    EXPECT_EQ(model->index(0, mbus).data().toString(),
              QStringLiteral("305 419 896 × 10³ Wh = 305.42 GWh"));
    EXPECT_EQ(model->index(2, mbus).data().toString(), QStringLiteral("215 × 10⁻¹ °C = 21.5 °C"));
    EXPECT_EQ(model->index(0, warnings).data().toString(), QString());
    const QString swapWarning =
        state.texts.text(328).arg(state.texts.text(623), QStringLiteral("12.5 m³"));
    EXPECT_EQ(model->index(1, warnings).data().toString(), swapWarning);

    auto* list = window.findChild<QListWidget*>(QStringLiteral("LW_Warnings"));
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("1 Heat meter \u00b7 Volume: ") + swapWarning);
    EXPECT_EQ(list->accessibleName(), state.texts.text(323));

    // A picture for a person to look at, when asked for.
    const QByteArray shots = qgetenv("ORDANO_SHOTS_DIR");
    if (!shots.isEmpty())
        window.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/source-test-mbus-") +
                           language + QStringLiteral(".png"));
}

INSTANTIATE_TEST_SUITE_P(Languages, SourceTestMbus, testing::Values("English", "Italiano"));

} // namespace
