#include "ProgramRun.h"
#include "gui/comm/CommunicationWindow.h"
#include "gui/network/NetworkEditorWindow.h"
#include "support/ModalHelper.h"

#include <QCoreApplication>
#include <QDir>
#include <QListWidget>
#include <gtest/gtest.h>

namespace {

const QByteArray NetworkFile = "<M-Bus_Network><Nodo ID=\"4\" Sec_Add=\"44\" Descrizione=\"Gas\"/>"
                               "</M-Bus_Network><!--SW_VERSION = 2.005-->";

QString expectedNotice() {
    return QStringLiteral("Read only: this configuration is open in another window (%1, process "
                          "%2).\nYou may look at it here. To change it, close it in the other "
                          "window first: nothing is saved from this one.")
        .arg(QCoreApplication::applicationName())
        .arg(QCoreApplication::applicationPid());
}

struct StepWindow {
    bool bannerShown = false;
    QString banner;
    QStringList enabledWriters;
};

// Opens step 2 or 3 of `run`, notes what its read-only strip and writing buttons show, and
// leaves with Cancel.
StepWindow openStep(ProgramRun& run, const char* step, QStringList writers) {
    StepWindow seen;
    onNextModal([&seen, writers](QWidget* dialog) {
        auto* banner = dialog->findChild<QLabel*>(QStringLiteral("L_Read_Only"));
        ASSERT_NE(banner, nullptr);
        seen.bannerShown = banner->isVisible();
        seen.banner = banner->text();
        EXPECT_EQ(banner->accessibleName(), banner->text());
        for (const QString& name : writers) {
            auto* button = dialog->findChild<QPushButton*>(name);
            ASSERT_NE(button, nullptr) << name.toStdString();
            if (button->isEnabled())
                seen.enabledWriters << name;
        }
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_Cancel")),
                          Qt::LeftButton);
    });
    run.click(step);
    EXPECT_TRUE(modalActionsDone());
    return seen;
}

const QStringList Step2Writers = {QStringLiteral("Btn_OK")};
const QStringList Step3Writers = {QStringLiteral("Btn_OK"), QStringLiteral("Btn_ImportNet")};

} // namespace

TEST(SecondWindow, MayLookAtAConfigurationOpenInTheFirstButNotWriteIt) {
    TestFolder folder;
    folder.write(QStringLiteral("PROJECTS/P/M_Bus.xml"), NetworkFile);
    lastProject(folder, "P");
    auto first = std::make_unique<ProgramRun>(folder.path());
    ProgramRun second(folder.path());
    EXPECT_FALSE(first->find<QLabel>("L_Read_Only")->isVisible());
    auto* mark = second.find<QLabel>("L_Read_Only");
    EXPECT_TRUE(mark->isVisible());
    EXPECT_EQ(mark->text(), expectedNotice().section(u'\n', 0, 0));
    EXPECT_EQ(second.label("L_Name_Conf_L2"), QStringLiteral("P")) << "it is still shown";

    const StepWindow step2 = openStep(second, "Btn_Prm_Gen", Step2Writers);
    EXPECT_TRUE(step2.bannerShown);
    EXPECT_EQ(step2.banner, expectedNotice());
    EXPECT_TRUE(step2.enabledWriters.isEmpty()) << step2.enabledWriters.join(u',').toStdString();
    const StepWindow step3 = openStep(second, "Btn_MBus", Step3Writers);
    EXPECT_TRUE(step3.bannerShown);
    EXPECT_TRUE(step3.enabledWriters.isEmpty()) << step3.enabledWriters.join(u',').toStdString();
    // The writers refuse even when called past their disabled buttons.
    second.fakes.prompts.expectError(expectedNotice());
    second.window->networkWindow().okClicked();
    second.fakes.prompts.expectError(expectedNotice());
    {
        const NoModalGuard noUpdateWindow;
        second.click("Btn_CreateBin");
    }
    second.fakes.prompts.verify();
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/P/M_Bus.xml")), NetworkFile);
    EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("PROJECTS/P/ParGen.xml"))));
    EXPECT_FALSE(QDir(folder.file(QStringLiteral("PROJECTS/P/bin"))).exists());

    // The first window writes as ever.
    const StepWindow own = openStep(*first, "Btn_MBus", Step3Writers);
    EXPECT_FALSE(own.bannerShown);
    EXPECT_EQ(own.enabledWriters, Step3Writers);

    // Once the first window has closed, the second takes the configuration at its next step.
    first.reset();
    const StepWindow after = openStep(second, "Btn_Prm_Gen", Step2Writers);
    EXPECT_FALSE(after.bannerShown);
    EXPECT_EQ(after.enabledWriters, Step2Writers);
    EXPECT_FALSE(mark->isVisible());
}

TEST(SecondWindow, TwoConfigurationsOfOneWorkspaceAreWrittenSideBySide) {
    TestFolder folder;
    folder.write(QStringLiteral("PROJECTS/P/M_Bus.xml"), NetworkFile);
    folder.write(QStringLiteral("PROJECTS/Q/M_Bus.xml"), NetworkFile);
    lastProject(folder, "P");
    ProgramRun first(folder.path());
    lastProject(folder, "Q");
    ProgramRun second(folder.path());
    EXPECT_EQ(second.label("L_Name_Conf_L2"), QStringLiteral("Q"));
    for (ProgramRun* run : {&first, &second}) {
        EXPECT_FALSE(run->find<QLabel>("L_Read_Only")->isVisible());
        EXPECT_EQ(openStep(*run, "Btn_MBus", Step3Writers).enabledWriters, Step3Writers);
    }
    // The first window opens Q too: it may only look at Q now, and P is free for a third.
    onNextModal([](QWidget* dialog) {
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"));
        ASSERT_EQ(list->count(), 2);
        list->setCurrentRow(1);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK")),
                          Qt::LeftButton);
    });
    first.click("Btn_Open");
    ASSERT_TRUE(modalActionsDone());
    EXPECT_EQ(first.state.projectName, QStringLiteral("Q"));
    EXPECT_TRUE(first.find<QLabel>("L_Read_Only")->isVisible());
    lastProject(folder, "P");
    ProgramRun third(folder.path());
    EXPECT_FALSE(third.find<QLabel>("L_Read_Only")->isVisible());
}
