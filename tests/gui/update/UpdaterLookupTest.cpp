#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/update/UpdateWindow.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// An installed program (prefix/bin) with its data folder, run in a user's workspace.
struct Installed {
    TestFolder root;
    QString program() const { return root.file(QStringLiteral("prefix/bin")); }
    QString data() const { return root.file(QStringLiteral("prefix/share/ordano")); }
    QString user() const { return root.file(QStringLiteral("home/Ordano")); }
    Installed() {
        QDir().mkpath(program());
        QDir().mkpath(data());
        QDir().mkpath(user());
    }
};

} // namespace

// Each updater is started from beside the program when it is there, else from the installed
// data folder; the Ethernet updater's parameter file is written beside the updater that reads it.
// An updater in neither place is reported with the folder where it belongs.
TEST(UpdaterLookup, BesideTheProgramFirstThenTheInstalledDataFolder) {
    struct Row {
        const char* why;
        bool besideProgram;
        bool inData;
        const char* startedFrom; // "program", "data"; empty: none started
    };
    const Row rows[] = {
        {"beside the program", true, false, "program"},
        {"in both: the program's own", true, true, "program"},
        {"in the installed data folder", false, true, "data"},
        {"in neither", false, false, ""},
    };
    for (const Row& row : rows) {
        for (const int formType : {0, 1}) {
            const char* name = formType == 0 ? "Ser_48213_Update.exe" : "Ethernet_Update.exe";
            SCOPED_TRACE(std::string(row.why) + ", " + name);
            Installed machine;
            if (row.besideProgram)
                machine.root.write(QStringLiteral("prefix/bin/") + QLatin1String(name), "u");
            if (row.inData)
                machine.root.write(QStringLiteral("prefix/share/ordano/") + QLatin1String(name),
                                   "u");
            SharedState state;
            state.setWorkspace(
                Workspace::Layout{machine.program(), machine.data(), machine.user()});
            state.activateProject(QStringLiteral("Plant"));
            FakePlatform fake;
            fake.serial.ports = {4};
            ProgramStarter starter{fake.processes, fake.clock, QString()};
            UpdateWindow boot(state, fake.platform, starter);
            boot.Form_Type = formType;
            boot.show();
            if (formType == 1)
                boot.findChild<QComboBox*>(QStringLiteral("CB_Update_Options"))->setCurrentIndex(1);
            const QString expectedFolder =
                QLatin1String(row.startedFrom) == QLatin1String("program") ? machine.program()
                                                                           : machine.data();
            if (!*row.startedFrom)
                fake.prompts.expectError(
                    QStringLiteral("The updater program was not found: ") + QLatin1String(name) +
                    QStringLiteral("\nPlace it in the program folder: ") + machine.data() +
                    QStringLiteral("\nWindows programs run through wine on this system: "
                                   "install wine to update."));
            boot.updateClicked();
            fake.prompts.verify();
            if (!*row.startedFrom) {
                EXPECT_TRUE(fake.processes.starts.isEmpty());
                continue;
            }
            ASSERT_EQ(fake.processes.starts.size(), 1);
            EXPECT_EQ(fake.processes.starts[0].program,
                      QDir(expectedFolder).filePath(QLatin1String(name)));
            const QString parameters = QStringLiteral("Ethernet_Update.xml");
            EXPECT_EQ(QFileInfo::exists(QDir(expectedFolder).filePath(parameters)), formType == 1);
            EXPECT_FALSE(QFileInfo::exists(QDir(state.workspaceDir).filePath(parameters)));
        }
    }
}
