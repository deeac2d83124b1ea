#include "gui/sources/SourceTestWindow.h"

#include "common/AtomicFile.h"
#include "core/comm/GeneralParameters.h"
#include "core/state/SharedState.h"
#include "gui/network/NetworkEditorWindow.h"
#include "mock/FakeServices.h"
#include "mock/ModbusTestServer.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/SourceNetworks.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace Sources;

namespace {

class SourceTestWindowTest : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        QDir().mkpath(folder.file(QStringLiteral("PROJECTS/Plant")));
        state.activateProject(QStringLiteral("Plant"));
        server = ModbusTestServer::tcp();
        server->setHolding(40, {0x4049, 0x0FDB});
    }

    // Two nodes, five sources on two slaves: two requests to slave 1, one to the silent one.
    Network network() const {
        return {node(1,
                     {source(1, Holding, 40, 2, DimReal, 0, "Flow"),
                      source(1, Holding, 42, 1, Dim16, 0, "Level"),
                      source(1, Coil, 0, 4, 0, 0, "Pumps")},
                     "Boiler"),
                node(2,
                     {source(ModbusTestServer::Silent, InputRegister, 0, 2, Dim32, 0, "Energy"),
                      source(ModbusTestServer::Silent, InputRegister, 2, 2, Dim32, 0, "Volume")},
                     "Heat")};
    }

    template <typename T> static T* child(QWidget* window, const char* name) {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // Reads over TCP from the loopback slave and waits for the table.
    static void readOverTcp(QWidget* window, int port, int timeoutMs) {
        child<QRadioButton>(window, "RB_Tcp")->click();
        auto* address = child<QLineEdit>(window, "E_Address");
        address->clear();
        QTest::keyClicks(address, QStringLiteral("127.0.0.1:%1").arg(port));
        child<QSpinBox>(window, "SE_TimeOut")->setValue(timeoutMs);
        QSignalSpy done(qobject_cast<SourceTestWindow*>(window), &SourceTestWindow::readingDone);
        QTest::mouseClick(child<QPushButton>(window, "Btn_Read"), Qt::LeftButton);
        ASSERT_TRUE(done.wait(30000));
    }

    static QString cell(QWidget* window, int row, int column) {
        return child<QTableView>(window, "TV_Results")
            ->model()
            ->index(row, column)
            .data()
            .toString();
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    std::unique_ptr<ModbusTestServer> server;
};

// The editor's button opens the window for the network on screen; a reading fills the table
// row by row, with progress, and marks the reading of each variable's M-Bus dimension.
TEST_F(SourceTestWindowTest, TheEditorsButtonOpensTheTestAndTheTableShowsTheReadings) {
    ASSERT_EQ(saveNetwork(network(), state.networkFile), QString());
    NetworkEditorWindow editor(state, fake.platform);
    // As the shell wires it.
    QObject::connect(&editor, &NetworkEditorWindow::testSourcesRequested, &editor, [&] {
        SourceTestWindow::open(state, fake.platform, editor.editor().network(), &editor);
    });
    editor.show();
    auto* button = child<QPushButton>(&editor, "Btn_TestSources");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->accessibleName(), QStringLiteral("Test Modbus Sources"));

    bool checked = false;
    onNextModal([&](QWidget* window) {
        ASSERT_NE(qobject_cast<SourceTestWindow*>(window), nullptr);
        auto* progress = child<QProgressBar>(window, "PB_Progress");
        QList<int> values;
        QObject::connect(progress, &QProgressBar::valueChanged, [&](int v) { values.append(v); });
        readOverTcp(window, server->port(), 200);
        EXPECT_EQ(progress->maximum(), 3);
        EXPECT_EQ(values.last(), 3);
        EXPECT_EQ(child<QLabel>(window, "L_Status")->text(),
                  QStringLiteral("3 of 5 variables read with 3 requests"));

        auto* table = child<QTableView>(window, "TV_Results");
        ASSERT_EQ(table->model()->rowCount(), 5);
        EXPECT_EQ(cell(window, 0, ColNode), QStringLiteral("1 Boiler"));
        EXPECT_EQ(cell(window, 0, ColVariable), QStringLiteral("Flow"));
        EXPECT_EQ(cell(window, 0, ColRaw), QStringLiteral("0x4049 0x0FDB"));
        EXPECT_EQ(cell(window, 0, ColFloat32HighFirst), QStringLiteral("3.141593"));
        EXPECT_TRUE(
            table->model()->index(0, ColFloat32HighFirst).data(Qt::FontRole).value<QFont>().bold());
        EXPECT_FALSE(
            table->model()->index(0, ColFloat32LowFirst).data(Qt::FontRole).value<QFont>().bold());
        EXPECT_EQ(cell(window, 1, ColSigned16), QStringLiteral("42"));
        EXPECT_EQ(cell(window, 2, ColRaw), QStringLiteral("0 1 0 1"));
        EXPECT_EQ(cell(window, 3, ColResult), QStringLiteral("No answer within 200 ms"));
        EXPECT_EQ(cell(window, 4, ColResult), QStringLiteral("No answer within 200 ms"));
        EXPECT_EQ(server->requestsTo(ModbusTestServer::Silent), 1);
        checked = true;
        QTest::mouseClick(child<QPushButton>(window, "Btn_Close"), Qt::LeftButton);
    });
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(checked);
    EXPECT_TRUE(modalActionsDone());
}

TEST_F(SourceTestWindowTest, SerialSettingsStartFromTheConfiguration) {
    GeneralParameters p;
    p.modbusBaud = 3;
    p.modbusParity = 1;
    p.modbusTimeout = QStringLiteral("750");
    ASSERT_EQ(saveGeneralParameters(p, state.parGenFile), QString());
    SourceTestWindow window(state, fake.platform, network());
    EXPECT_TRUE(child<QRadioButton>(&window, "RB_Serial")->isChecked());
    EXPECT_EQ(child<QComboBox>(&window, "CB_Baud")->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(child<QComboBox>(&window, "CB_Parity")->currentText(), QStringLiteral("EVEN"));
    EXPECT_EQ(child<QSpinBox>(&window, "SE_TimeOut")->value(), 750);
    EXPECT_TRUE(child<QLabel>(&window, "L_NotTestable")->isHidden());
    // Every control has a name for assistive technology.
    for (const char* name : {"RB_Serial", "RB_Tcp", "CB_Port", "CB_Baud", "CB_Parity", "SE_TimeOut",
                             "E_Address", "Btn_Read", "Btn_Stop", "Btn_Copy", "Btn_SaveCsv",
                             "PB_Progress", "TV_Results", "Btn_Close"})
        EXPECT_FALSE(child<QWidget>(&window, name)->accessibleName().isEmpty()) << name;
}

TEST_F(SourceTestWindowTest, AnAsciiLineCanOnlyBeTestedOverTcp) {
    GeneralParameters p;
    p.modbusProtocol = 1;
    ASSERT_EQ(saveGeneralParameters(p, state.parGenFile), QString());
    SourceTestWindow window(state, fake.platform, network());
    window.show();
    EXPECT_FALSE(child<QRadioButton>(&window, "RB_Serial")->isEnabled());
    EXPECT_TRUE(child<QRadioButton>(&window, "RB_Tcp")->isChecked());
    auto* note = child<QLabel>(&window, "L_NotTestable");
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(
        note->text().startsWith(QStringLiteral("Only Modbus RTU and Modbus TCP can be tested.")));
}

TEST_F(SourceTestWindowTest, APortThatCannotBeOpenedIsReportedWithWhatToDo) {
    SourceTestWindow window(state, fake.platform, network());
    window.show();
    const QString port = folder.file(QStringLiteral("ttyUSB9"));
    child<QComboBox>(&window, "CB_Port")->setEditText(port);
    fake.prompts.expectError(
        QStringLiteral("The serial port %1 cannot be opened: it does not exist. "
                       "Check that the adapter is plugged in and the port name.")
            .arg(port));
    QSignalSpy done(&window, &SourceTestWindow::readingDone);
    QTest::mouseClick(child<QPushButton>(&window, "Btn_Read"), Qt::LeftButton);
    ASSERT_TRUE(done.wait(30000));
    fake.prompts.verify();
    EXPECT_EQ(cell(&window, 0, ColResult), QStringLiteral("Not read"));
}

TEST_F(SourceTestWindowTest, StopEndsTheReadingBeforeTheNextRequest) {
    QList<Variable> silent;
    for (int i = 0; i < 10; ++i)
        silent.append(source(ModbusTestServer::Silent, Holding, 200 * i, 1));
    SourceTestWindow window(state, fake.platform, {node(1, silent)});
    window.show();
    child<QRadioButton>(&window, "RB_Tcp")->click();
    child<QLineEdit>(&window, "E_Address")
        ->setText(QStringLiteral("127.0.0.1:%1").arg(server->port()));
    child<QSpinBox>(&window, "SE_TimeOut")->setValue(500);
    QSignalSpy done(&window, &SourceTestWindow::readingDone);
    QTest::mouseClick(child<QPushButton>(&window, "Btn_Read"), Qt::LeftButton);
    EXPECT_FALSE(child<QPushButton>(&window, "Btn_Read")->isEnabled());
    QTest::mouseClick(child<QPushButton>(&window, "Btn_Stop"), Qt::LeftButton);
    ASSERT_TRUE(done.wait(30000));
    EXPECT_LT(server->requestsTo(ModbusTestServer::Silent), 10);
    EXPECT_EQ(cell(&window, 9, ColResult), QStringLiteral("Not read"));
    EXPECT_TRUE(child<QPushButton>(&window, "Btn_Read")->isEnabled());
}

TEST_F(SourceTestWindowTest, ResultsAreCopiedAndSavedAsCsv) {
    SourceTestWindow window(state, fake.platform, network());
    window.show();
    readOverTcp(&window, server->port(), 100);
    QTest::mouseClick(child<QPushButton>(&window, "Btn_Copy"), Qt::LeftButton);
    const QStringList lines = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_GE(lines.size(), 6);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1 Boiler\tFlow\t")));

    const QString csv = folder.file(QStringLiteral("sources.csv"));
    fake.prompts.expectSaveFile(csv);
    QTest::mouseClick(child<QPushButton>(&window, "Btn_SaveCsv"), Qt::LeftButton);
    const QByteArray saved = folder.read(QStringLiteral("sources.csv"));
    EXPECT_TRUE(saved.startsWith("\xEF\xBB\xBF\"Node\",\"Variable\""));
    EXPECT_EQ(saved.count("\r\n"), 6);

    // A file that cannot be written is reported with its name and the system's reason.
    const QString blocked = folder.file(QStringLiteral("missing-folder/sources.csv"));
    const QString why = writeFileAtomically(blocked, "probe");
    ASSERT_FALSE(why.isEmpty());
    fake.prompts.expectSaveFile(blocked);
    fake.prompts.expectError(
        QStringLiteral("The file could not be written: %1: %2").arg(blocked, why));
    QTest::mouseClick(child<QPushButton>(&window, "Btn_SaveCsv"), Qt::LeftButton);
    fake.prompts.verify();
}

} // namespace

// Tab runs as the screen reads: the line's choice and its settings, the TCP address and the
// time-out beside it, the actions, the table, Close. The window is resizable and fits a
// laptop's 1280 x 800 screen.
TEST_F(SourceTestWindowTest, TabFollowsTheScreenAndTheWindowFitsALaptop) {
    SourceTestWindow window(state, fake.platform, network());
    EXPECT_TRUE(window.isSizeGripEnabled());
    const QSize laptop(1280, 800);
    const QSize needed = window.minimumSizeHint().expandedTo(window.minimumSize());
    EXPECT_LE(needed.width(), laptop.width() - 16);
    EXPECT_LE(needed.height(), laptop.height() - 64);
    EXPECT_GT(window.maximumWidth(), needed.width()) << "resizable";
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const QRect screen = window.screen()->availableGeometry();
    EXPECT_LE(window.width(), screen.width());
    EXPECT_LE(window.height(), screen.height());
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();

    for (const char* line : {"RB_Serial", "RB_Tcp"}) {
        SCOPED_TRACE(line);
        if (!child<QRadioButton>(&window, line)->isEnabled())
            continue;
        child<QRadioButton>(&window, line)->click();
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        QStringList expected{QString::fromLatin1(line)};
        for (const char* name : {"CB_Port", "CB_Baud", "CB_Parity", "E_Address", "SE_TimeOut",
                                 "Btn_Read", "CB_Continuous", "SE_Every", "Btn_Copy", "Btn_SaveCsv",
                                 "Btn_FindSlaves", "TV_Results", "LW_Warnings", "Btn_Close"}) {
            auto* w = child<QWidget>(&window, name);
            if (w->isEnabled() && w->isVisible())
                expected << QString::fromLatin1(name);
        }
        child<QRadioButton>(&window, line)->setFocus(Qt::TabFocusReason);
        QStringList walked;
        for (int i = 0; i < expected.size(); ++i) {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            // A combo box or spin box has the focus through the field inside it.
            while (focus->parentWidget() && focus->parentWidget() != &window &&
                   (qobject_cast<QComboBox*>(focus->parentWidget()) ||
                    qobject_cast<QSpinBox*>(focus->parentWidget())))
                focus = focus->parentWidget();
            walked << focus->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        EXPECT_EQ(walked, expected);
    }
}
