#include "core/history/UpdateHistory.h"
#include "core/image/BankFiles.h"
#include "core/image/Compiler.h"
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "core/update/UpdaterHandoff.h"
#include "gui/update/UpdateWindow.h"
#include "mock/FakeServices.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The configuration's files for a node 5 "Heat meter" whose second record, "Volume", reads
// Modbus register `reg`.
QByteArray network(int reg) {
    return QStringLiteral(
               "<M-Bus_Network><Nodo ID=\"5\" Sec_Add=\"1\" Descrizione=\"Heat meter\">"
               "<Variabile Enable=\"1\" Desc=\"Energy\" Type=\"0\" Fun_Field=\"0\" Dim=\"2\" "
               "Scale=\"3\" Mod_NR=\"10\"/>"
               "<Variabile Enable=\"1\" Desc=\"Volume\" Type=\"2\" Fun_Field=\"0\" Dim=\"2\" "
               "Scale=\"3\" Mod_NR=\"%1\"/></Nodo></M-Bus_Network><!--SW_VERSION = 2.005-->")
        .arg(reg)
        .toUtf8();
}

class UpdateWindowUpdateTest : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        state.activateProject(QStringLiteral("Plant"));
        folder.write(QStringLiteral("Ethernet_Update.exe"), "updater");
        folder.write(QStringLiteral("Ser_48213_Update.exe"), "updater");
        fake.serial.ports = {1};
        boot = std::make_unique<UpdateWindow>(state, fake.platform, starter);
    }
    // Writes M_Bus.xml and compiles it into bin/, as step 4 does before the window opens.
    void compile(int reg) {
        folder.write(QStringLiteral("PROJECTS/Plant/M_Bus.xml"), network(reg));
        const CompileResult result = compileBanksFromFiles(state.networkFile, state.parGenFile);
        ASSERT_TRUE(result.ok()) << result.error.toStdString();
        ASSERT_EQ(writeBanks(state.projectDir, result.banks), QString());
    }
    void showSerial() {
        boot->hide();
        boot->Form_Type = 0;
        boot->show();
    }
    QStringList changes() const {
        QStringList lines;
        auto* list = boot->findChild<QListWidget*>(QStringLiteral("LB_Changes"));
        for (int i = 0; list && i < list->count(); ++i)
            lines << list->item(i)->text();
        return lines;
    }
    QLabel* outcome() const { return boot->findChild<QLabel*>(QStringLiteral("L_Outcome")); }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    ProgramStarter starter{fake.processes, fake.clock, QString()};
    std::unique_ptr<UpdateWindow> boot;
};

} // namespace

TEST_F(UpdateWindowUpdateTest, TheComparisonIsShownBeforeExecute) {
    compile(40);
    showSerial();
    EXPECT_EQ(changes(), QStringList{QStringLiteral("First update from this configuration")});
    auto* list = boot->findChild<QListWidget*>(QStringLiteral("LB_Changes"));
    EXPECT_FALSE(list->accessibleName().isEmpty());
    EXPECT_FALSE(outcome()->isVisible());

    boot->updateClicked();
    EXPECT_EQ(fake.processes.starts.size(), 1);
    // What was just sent is now the reference.
    EXPECT_EQ(changes(), QStringList{QStringLiteral("Nothing changes on the device")});

    compile(41);
    showSerial();
    EXPECT_EQ(changes(), QStringList{QStringLiteral(
                             "Node 5 (Heat meter), variable 2 \"Volume\": Modbus register 40 "
                             "\u2192 41")});
    EXPECT_TRUE(boot->findChild<QLabel*>(QStringLiteral("L_Changes"))
                    ->text()
                    .startsWith(QStringLiteral("What this update changes on the device, compared "
                                               "with the update of ")));
    // It informs; it never holds the update back.
    EXPECT_TRUE(boot->findChild<QPushButton*>(QStringLiteral("Btn_Update"))->isEnabled());
}

TEST_F(UpdateWindowUpdateTest, TheOutcomeIsSaidAndRecorded) {
    struct Row {
        const char* what;
        qint64 runMs;
        std::optional<int> code;
        UpdateHistory::Outcome outcome;
        const char* text;
        bool warning;
    };
    const Row rows[] = {
        {"exit code 0", 3000, 0, UpdateHistory::Outcome::Finished,
         "The updater finished (exit code 0)", false},
        {"exit code 3", 3000, 3, UpdateHistory::Outcome::Finished,
         "The updater ended with exit code 3: the device may not have been updated.", true},
        {"past the limit", 200'000, 0, UpdateHistory::Outcome::LeftRunning,
         "The updater was still running after 150 s. It goes on by itself: check the device "
         "when it has finished.",
         true},
        {"no exit code", 20, std::nullopt, UpdateHistory::Outcome::Crashed,
         "The updater stopped abnormally: the device may not have been updated.", true},
    };
    compile(40);
    showSerial();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fake.processes.runMs = row.runMs;
        fake.processes.exitCode = row.code;
        if (row.warning)
            fake.prompts.expectWarning(QString::fromUtf8(row.text));
        const qint64 start = fake.clock.ticks();
        boot->updateClicked();
        fake.prompts.verify();
        // The 10 ms grain and the 150 s limit stand.
        EXPECT_EQ(fake.clock.ticks() - start,
                  std::min<qint64>(row.runMs + 10, ProgramStarter::DefaultLimitMs));
        EXPECT_EQ(outcome()->text(), QString::fromUtf8(row.text));
        EXPECT_TRUE(outcome()->isVisible());
        const auto entries = UpdateHistory::list(state.projectDir);
        ASSERT_FALSE(entries.isEmpty());
        EXPECT_EQ(entries.front().outcome, row.outcome);
        EXPECT_EQ(entries.front().exitCode, row.code.value_or(0));
        EXPECT_EQ(entries.front().path, QStringLiteral("COM1"));
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "the progress window is gone";
    }
}

TEST_F(UpdateWindowUpdateTest, TheWindowStaysResponsiveAndGuardedDuringTheWait) {
    compile(40);
    showSerial();
    fake.processes.runMs = 60'000;
    int polls = 0;
    int eventsSeen = 0;
    int checked = 0;
    fake.clock.onSleep = [&](qint64) {
        ++polls;
        // A timer posted now fires at the next poll: events keep flowing.
        // Tied to the window, so none left over fires in the next test.
        QTimer::singleShot(0, boot.get(), [&eventsSeen] { ++eventsSeen; });
        if (polls != 3000) // 30 s into the wait
            return;
        ++checked;
        auto* progress = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(progress, nullptr);
        EXPECT_TRUE(progress->isVisible());
        EXPECT_EQ(progress->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(progress->labelText(),
                  QStringLiteral("The updater is running: 29 s of at most 150 s"));
        EXPECT_EQ(progress->maximum(), 150);
        auto* bar = progress->findChild<QProgressBar*>();
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->accessibleName(), QStringLiteral("Elapsed time"));
        // Neither a second update nor closing the window nor Escape on the progress.
        boot->updateClicked();
        boot->reject();
        progress->reject();
        EXPECT_TRUE(boot->isVisible());
        EXPECT_TRUE(progress->isVisible());
    };
    boot->updateClicked();
    fake.clock.onSleep = nullptr;
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(fake.processes.starts.size(), 1);
    EXPECT_GE(eventsSeen, polls - 1);
    EXPECT_EQ(UpdateHistory::list(state.projectDir).size(), 1);
    // Once it is over the window closes as usual.
    boot->reject();
    EXPECT_FALSE(boot->isVisible());
}

TEST_F(UpdateWindowUpdateTest, AnUpdaterThatCannotStartLeavesNoEntry) {
    compile(40);
    showSerial();
    fake.processes.failStart = true;
    const QString program = UpdaterHandoff::serialUpdaterProgram(state.programDir);
    // The start's own message, as before; the point here is what the history keeps.
    fake.prompts.expectError(UpdaterHandoff::startProblemText(
        state.texts, ProgramStarter::Outcome::NotStarted, program, starter.lacksWine(program)));
    boot->updateClicked();
    fake.prompts.verify();
    EXPECT_TRUE(UpdateHistory::list(state.projectDir).isEmpty());
    EXPECT_EQ(changes(), QStringList{QStringLiteral("First update from this configuration")});
}

// Images that are not the compile of the configuration as it is now are sent only on the
// user's word (the question defaults to No), and the history keeps the answer.
TEST_F(UpdateWindowUpdateTest, ImagesThatDoNotMatchAreSentOnlyWhenTheUserSaysSo) {
    compile(40);
    folder.write(QStringLiteral("PROJECTS/Plant/M_Bus.xml"), network(41));
    showSerial();
    EXPECT_EQ(changes().value(0),
              QStringLiteral("The images in the bin folder do not match the configuration: "
                             "M_Bus.xml changed after they were compiled. Compile again (step 4) "
                             "before updating a device."));
    const QString question =
        changes().value(0) + QStringLiteral(" Send these images to the device anyway?");
    fake.prompts.expectQuestion(question, false);
    boot->updateClicked();
    EXPECT_TRUE(fake.processes.starts.isEmpty());
    EXPECT_TRUE(UpdateHistory::list(state.projectDir).isEmpty());

    fake.prompts.expectQuestion(question, true);
    boot->updateClicked();
    EXPECT_EQ(fake.processes.starts.size(), 1);
    ASSERT_EQ(UpdateHistory::list(state.projectDir).size(), 1);
    EXPECT_EQ(UpdateHistory::list(state.projectDir).first().images,
              UpdateHistory::ImagesSent::NotMatching);

    // Matching images go without a question.
    compile(41);
    showSerial();
    boot->updateClicked();
    EXPECT_EQ(fake.processes.starts.size(), 2);
    EXPECT_EQ(UpdateHistory::list(state.projectDir).first().images,
              UpdateHistory::ImagesSent::Matching);
}
