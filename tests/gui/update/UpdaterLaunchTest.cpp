// The update start through the real process launcher: fake updater programs record what they
// are given, so the hand-off is checked end to end without a device and without wine.
#include "core/platform/Clock.h"
#include "core/platform/ProcessLauncher.h"
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/update/UpdateWindow.h"
#include "mock/FakeServices.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

// Records its arguments one a line and its working directory, and keeps a copy of the
// parameter file it finds there, as a Windows updater looks for it.
const QByteArray fakeUpdater = "#!/bin/sh\n"
                               "here=$(dirname \"$0\")\n"
                               "printf '%s\\n' \"$@\" > \"$here/args.txt\"\n"
                               "pwd -P > \"$here/cwd.txt\"\n"
                               "if [ -f Ethernet_Update.xml ]; then\n"
                               "  cp Ethernet_Update.xml \"$here/seen.xml\"\n"
                               "fi\n";

// Runs the Windows program it is given, as wine does, without wine.
const QByteArray fakeWine = "#!/bin/sh\nexec \"$@\"\n";

// The drive form for tests: wine's default z: drive, the root.
QString zDrive(QString path) {
    return QStringLiteral("Z:") + path.replace(QLatin1Char('/'), QLatin1Char('\\'));
}

class UpdaterLaunch : public testing::Test {
protected:
    void SetUp() override {
        // Blanks in every folder prove the quoting of the command line.
        for (const char* name : {"Ethernet_Update.exe", "Ser_48213_Update.exe"}) {
            const QString path = folder.write(
                QStringLiteral("Program Files/Ordano/") + QLatin1String(name), fakeUpdater);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        state.setWorkspace(folder.file(QStringLiteral("Program Files/Ordano")));
        state.projectDir = QDir(state.projectsDir).filePath(QStringLiteral("Plant A"));
    }

    QString recordedWorkingDirectory() const {
        QFile file(QDir(state.programDir).filePath(QStringLiteral("cwd.txt")));
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("<not started>");
        return QString::fromUtf8(file.readAll()).trimmed();
    }

    QStringList recordedArguments() const {
        QFile file(QDir(state.programDir).filePath(QStringLiteral("args.txt")));
        if (!file.open(QIODevice::ReadOnly))
            return {QStringLiteral("<not started>")};
        QString text = QString::fromUtf8(file.readAll());
        file.remove();
        text.chop(1); // the last line's newline
        return text.split(QLatin1Char('\n'));
    }

    void choose(UpdateWindow& boot, int option, bool readBack) {
        boot.findChild<QComboBox*>(QStringLiteral("CB_Update_Options"))->setCurrentIndex(option);
        boot.findChild<QCheckBox*>(QStringLiteral("CB_Update_Option_Read_Back"))
            ->setChecked(readBack);
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    SystemProcessLauncher launcher;
    SystemClock clock;
    ProgramStarter starter{launcher, clock, QString()}; // no wine: the scripts run directly
};

const char* const codes[3][2] = {
    {"FW NO PW NO", "FW FR PW PR"}, {"FW NO NO NO", "FW FR NO NO"}, {"NO NO PW NO", "NO NO PW PR"}};

} // namespace

TEST_F(UpdaterLaunch, SerialUpdaterGetsPortCodesFirmwareAndBinFolder) {
    fake.serial.ports = {3, 7};
    UpdateWindow boot(state, fake.platform, starter);
    boot.Form_Type = 0;
    boot.show();
    for (int option = 0; option < 3; ++option) {
        for (bool readBack : {false, true}) {
            SCOPED_TRACE(testing::Message() << "option " << option << " read back " << readBack);
            choose(boot, option, readBack);
            boot.updateClicked();
            QStringList expected{QStringLiteral(R"(\\.\COM3)")};
            expected += QString::fromLatin1(codes[option][readBack]).split(QLatin1Char(' '));
            expected += QDir(state.masterDir).filePath(QStringLiteral("sim48213.sim"));
            expected += QDir(state.projectDir).filePath(QStringLiteral("bin")) + QLatin1Char('/');
            EXPECT_EQ(recordedArguments(), expected);
            EXPECT_EQ(state.lastUpdateOption, option);
            EXPECT_EQ(state.lastReadBack, readBack);
        }
    }
}

TEST_F(UpdaterLaunch, SerialUpdaterWithNoPortGetsTheBarePrefix) {
    UpdateWindow boot(state, fake.platform, starter);
    boot.Form_Type = 0;
    boot.show();
    choose(boot, 2, false);
    boot.updateClicked();
    const QStringList arguments = recordedArguments();
    ASSERT_EQ(arguments.size(), 7);
    EXPECT_EQ(arguments[0], QStringLiteral(R"(\\.\)"));
    EXPECT_EQ(arguments.mid(1, 4), QString::fromLatin1(codes[2][0]).split(QLatin1Char(' ')));
}

TEST_F(UpdaterLaunch, EthernetUpdaterFindsItsParameterFileBesideIt) {
    UpdateWindow boot(state, fake.platform, starter);
    boot.Form_Type = 1;
    boot.show();
    boot.findChild<QLineEdit*>(QStringLiteral("E_IP1"))->setText(QStringLiteral("127"));
    boot.findChild<QLineEdit*>(QStringLiteral("E_IP2"))->setText(QStringLiteral("0"));
    boot.findChild<QLineEdit*>(QStringLiteral("E_IP3"))->setText(QStringLiteral("0"));
    boot.findChild<QLineEdit*>(QStringLiteral("E_IP4"))->setText(QStringLiteral("1"));
    const QString seen = QDir(state.programDir).filePath(QStringLiteral("seen.xml"));
    for (int option = 0; option < 3; ++option) {
        for (bool readBack : {false, true}) {
            SCOPED_TRACE(testing::Message() << "option " << option << " read back " << readBack);
            choose(boot, option, readBack);
            QFile::remove(seen);
            boot.updateClicked();
            // No command line: printf prints one empty line.
            EXPECT_EQ(recordedArguments(), QStringList{QString()});
            QFile copy(seen);
            ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << "the updater saw no parameter file";
            const QByteArray xml = copy.readAll();
            EXPECT_TRUE(xml.contains("<IP_Address_Dev>127.0.0.1</IP_Address_Dev>"));
            EXPECT_EQ(xml.count("<Operation>"), option == 1 ? 1 : option == 2 ? 2 : 3);
            EXPECT_EQ(xml.count(readBack ? "<Ope_Read_Back>1<" : "<Ope_Read_Back>0<"),
                      xml.count("<Operation>"));
            EXPECT_EQ(state.lastIpAddress, QStringLiteral("127.0.0.1"));
            EXPECT_EQ(state.lastUpdateOption, option);
            EXPECT_EQ(state.lastReadBack, readBack);
        }
    }
    EXPECT_EQ(fake.echo.calls.size(), 12) << "two replies per start";
}

// Through wine an updater runs in the program folder and gets every path in the drive form
// wine maps, on its command line and in Ethernet_Update.xml alike.
TEST_F(UpdaterLaunch, UpdatersUnderWineRunInTheProgramFolderWithWindowsPaths) {
    const QString wine = folder.write(QStringLiteral("bin/wine"), fakeWine);
    QFile::setPermissions(wine, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ProgramStarter wineStarter(launcher, clock, wine);
    wineStarter.setWinePathForm(zDrive);
    fake.serial.ports = {3};
    UpdateWindow boot(state, fake.platform, wineStarter);
    const QString programFolder = QFileInfo(state.programDir).canonicalFilePath();
    const QString bin = QDir(state.projectDir).filePath(QStringLiteral("bin")) + QLatin1Char('/');

    boot.Form_Type = 0;
    boot.show();
    choose(boot, 0, true);
    boot.updateClicked();
    EXPECT_EQ(recordedWorkingDirectory(), programFolder);
    EXPECT_EQ(recordedArguments(),
              (QStringList{QStringLiteral(R"(\\.\COM3)"), "FW", "FR", "PW", "PR",
                           zDrive(QDir(state.masterDir).filePath(QStringLiteral("sim48213.sim"))),
                           zDrive(bin)}));

    boot.hide();
    boot.Form_Type = 1;
    boot.show();
    for (int i = 0; i < 4; ++i)
        boot.findChild<QLineEdit*>(QStringLiteral("E_IP%1").arg(i + 1))
            ->setText(QString::number(i == 0   ? 127
                                      : i == 3 ? 1
                                               : 0));
    choose(boot, 0, false);
    boot.updateClicked();
    EXPECT_EQ(recordedWorkingDirectory(), programFolder);
    QFile copy(QDir(state.programDir).filePath(QStringLiteral("seen.xml")));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << "the updater found no parameter file";
    const QString xml = QString::fromUtf8(copy.readAll());
    for (const QString& path :
         {zDrive(QDir(state.masterDir).filePath(QStringLiteral("Sim48213K.sim"))),
          zDrive(bin + QStringLiteral("bank2.bin")), zDrive(bin + QStringLiteral("bank.bin"))})
        EXPECT_TRUE(xml.contains(QStringLiteral("<Ope_FileName>") + path +
                                 QStringLiteral("</Ope_FileName>")))
            << path.toStdString() << "\n"
            << xml.toStdString();
    EXPECT_FALSE(xml.contains(QStringLiteral(">/"))) << "no Unix path reaches the updater";
}

// Whatever the folders are called, each path reaches the serial updater as one argument:
// quotes, blanks, backslashes and leading dashes in a name never split or add arguments.
TEST_F(UpdaterLaunch, EveryPathIsExactlyOneArgumentWhateverTheNames) {
    fake.serial.ports = {3};
    const QString names[] = {
        QStringLiteral(R"(plant" -x "evil)"),
        QStringLiteral(R"(a\" b)"),
        QStringLiteral(R"(trailing\)"),
        QStringLiteral("-x 'single' $HOME `id`"),
        QString(),
    };
    for (const QString& name : names) {
        SCOPED_TRACE(name.toStdString());
        state.projectDir = QDir(state.projectsDir).filePath(name.isEmpty() ? "p" : name);
        UpdateWindow boot(state, fake.platform, starter);
        boot.Form_Type = 0;
        boot.show();
        choose(boot, 2, true);
        boot.updateClicked();
        const QStringList expected{QStringLiteral(R"(\\.\COM3)"),
                                   "NO",
                                   "NO",
                                   "PW",
                                   "PR",
                                   QDir(state.masterDir).filePath(QStringLiteral("sim48213.sim")),
                                   QDir(state.projectDir).filePath(QStringLiteral("bin")) +
                                       QLatin1Char('/')};
        EXPECT_EQ(recordedArguments(), expected);
    }
}
