#include "core/shell/StartUp.h"
#include "core/lang/LanguageTable.h"
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/main/MainWindow.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// An installed program: prefix/bin holds it, prefix/share/ordano what ships; the user's data
// folder is under home.
struct Installation {
    TestFolder root;
    QString program() const { return root.file(QStringLiteral("prefix/bin")); }
    QString data() const { return root.file(QStringLiteral("prefix/share/ordano")); }
    QString user() const { return root.file(QStringLiteral("home/Ordano")); }
    Installation() {
        QDir().mkpath(program());
        root.write(QStringLiteral("prefix/share/ordano/LANGUAGE/Italiano.lng"), "STR0 = Inizio\n");
        root.write(QStringLiteral("prefix/share/ordano/LANGUAGE/English.lng"), "STR0 = Begin\n");
    }
    Workspace::Request request() const {
        Workspace::Request r;
        r.programFolder = program();
        r.dataFolder = data();
        r.userDataFolder = user();
        r.writable = [this](const QString& folder) {
            return QFileInfo(folder).isDir() && folder != program();
        };
        return r;
    }
    StartUp::Outcome start(const QStringList& options) const {
        return StartUp::prepare(QStringList{QStringLiteral("ordano")} + options, request(),
                                LanguageTable());
    }
    // Nothing of a workspace anywhere: the program did not start half-way.
    void expectNothingMadeIn(const QString& folder) const {
        for (const char* name : {"PROJECTS", "LANGUAGE", "MASTER", "Ordano.xml"})
            EXPECT_FALSE(QFileInfo::exists(QDir(folder).filePath(QLatin1String(name))))
                << qPrintable(folder) << " " << name;
    }
};

} // namespace

TEST(StartUp, CommandLineChoosesTheWorkspace) {
    Installation machine;
    const QString stick = machine.root.file(QStringLiteral("stick/work"));
    struct Row {
        QStringList options;
        QString workspace;
    };
    for (const Row& row :
         {Row{{}, machine.user()}, Row{{QStringLiteral("--workspace"), stick}, stick},
          Row{{QStringLiteral("--workspace=") + stick}, stick}}) {
        SCOPED_TRACE(row.options.join(QLatin1Char(' ')).toStdString());
        const StartUp::Outcome outcome = machine.start(row.options);
        EXPECT_EQ(outcome.refusal, QString());
        EXPECT_FALSE(outcome.helpOnly);
        EXPECT_EQ(outcome.layout.workspace, row.workspace);
        EXPECT_EQ(outcome.layout.dataFolder, machine.data());
    }
    EXPECT_TRUE(machine.start({QStringLiteral("--help")}).helpOnly);
}

// A wrong command line or an unusable folder: one clear message, nothing of a workspace made.
TEST(StartUp, RefusedStartSaysWhyAndMakesNothing) {
    Installation machine;
    const QString file = machine.root.write(QStringLiteral("plain file"), "x");
    const QString below = file + QStringLiteral("/work");
    const QString usage = QStringLiteral("Usage: ordano [--workspace DIR]");
    struct Row {
        QStringList options;
        QString message;
    };
    const Row rows[] = {
        {{QStringLiteral("--workspace")}, usage},
        {{QStringLiteral("--workspace=")}, usage},
        {{QStringLiteral("--colour")}, usage},
        {{QStringLiteral("extra")}, usage},
        {{QStringLiteral("--workspace"), below},
         QStringLiteral("The workspace folder cannot be created: ") + below +
             QStringLiteral("\nOrdano does not start. Name a folder it can write with "
                            "--workspace DIR.")},
        {{QStringLiteral("--workspace"), machine.program()},
         QStringLiteral("The workspace folder cannot be written: ") + machine.program() +
             QStringLiteral("\nOrdano does not start. Name a folder it can write with "
                            "--workspace DIR.")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.options.join(QLatin1Char(' ')).toStdString());
        EXPECT_EQ(machine.start(row.options).refusal, row.message);
    }
    machine.expectNothingMadeIn(machine.program());
    machine.expectNothingMadeIn(machine.user());
}

// The installed program runs in the user's data folder: PROJECTS, LANGUAGE and Ordano.xml are
// made there and nothing beside the program; the shipped languages are offered and loaded.
TEST(StartUp, InstalledProgramKeepsItsWorkspaceInTheUsersDataFolder) {
    Installation machine;
    machine.root.write(QStringLiteral("home/Ordano/Ordano.xml"),
                       "<Conf_Settings><lastlang><language>Italiano</language></lastlang>"
                       "</Conf_Settings>");
    const StartUp::Outcome outcome = machine.start({});
    ASSERT_EQ(outcome.refusal, QString());
    FakePlatform fakes;
    ProgramStarter starter{fakes.processes, fakes.clock, QString()};
    SharedState state;
    {
        MainWindow window(state, fakes.platform, starter, outcome.layout);
        window.show();
        EXPECT_EQ(state.language, QStringLiteral("Italiano"));
        EXPECT_EQ(state.texts.text(0), QStringLiteral("Inizio"));
        EXPECT_EQ(state.projectsDir, QDir(machine.user()).filePath(QStringLiteral("PROJECTS")));
        EXPECT_EQ(state.masterDir, QDir(machine.data()).filePath(QStringLiteral("MASTER")));
        // The About box names the workspace in use.
        onNextModal([&](QWidget* about) {
            auto* label = about->findChild<QLabel*>(QStringLiteral("L_Workspace"));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->toolTip(), machine.user());
            EXPECT_EQ(label->accessibleName(), machine.user());
            about->close();
        });
        QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Btn_Info")),
                          Qt::LeftButton);
        window.close();
    }
    for (const char* name : {"PROJECTS", "LANGUAGE", "Ordano.xml"})
        EXPECT_TRUE(QFileInfo::exists(QDir(machine.user()).filePath(QLatin1String(name)))) << name;
    EXPECT_FALSE(QFileInfo::exists(QDir(machine.user()).filePath(QStringLiteral("MASTER"))));
    machine.expectNothingMadeIn(machine.program());
    for (const char* name : {"PROJECTS", "MASTER", "Ordano.xml"})
        EXPECT_FALSE(QFileInfo::exists(QDir(machine.data()).filePath(QLatin1String(name))));
}

// A workspace without a TEMPLATES folder gets the templates shipped beside the languages; one
// whose user emptied the folder keeps it empty.
TEST(StartUp, NewWorkspaceGetsTheShippedTemplatesOnce) {
    Installation machine;
    const QByteArray shipped =
        "<M-Bus_Network><Nodo Descrizione=\"Meter\"/></M-Bus_Network><!--SW_VERSION = 2.005-->";
    machine.root.write(QStringLiteral("prefix/share/ordano/TEMPLATES/Meter.xml"), shipped);
    const StartUp::Outcome outcome = machine.start({});
    ASSERT_EQ(outcome.refusal, QString());
    FakePlatform fakes;
    ProgramStarter starter{fakes.processes, fakes.clock, QString()};
    const QString copied = QDir(machine.user()).filePath(QStringLiteral("TEMPLATES/Meter.xml"));
    for (int start = 0; start < 2; ++start) {
        SharedState state;
        MainWindow window(state, fakes.platform, starter, outcome.layout);
        if (start == 0) {
            EXPECT_EQ(machine.root.read(QStringLiteral("home/Ordano/TEMPLATES/Meter.xml")),
                      shipped);
            ASSERT_TRUE(QFile::remove(copied));
        } else {
            EXPECT_FALSE(QFileInfo::exists(copied)) << "the emptied folder stays empty";
        }
    }
}
