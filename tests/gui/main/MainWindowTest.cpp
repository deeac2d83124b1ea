#include "gui/main/MainWindow.h"
#include "ProgramRun.h"
#include "common/AtomicFile.h"
#include "common/ConfigClaim.h"
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/comm/CommunicationWindow.h"
#include "gui/network/NetworkEditorWindow.h"
#include "gui/update/UpdateWindow.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace {

void typeIntoNewDialogAndConfirm(const QString& name) {
    onNextModal([name](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("E_New_Proj"));
        ASSERT_NE(edit, nullptr);
        EXPECT_TRUE(edit->text().isEmpty()) << "emptied at every showing";
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    });
}

} // namespace

TEST(MainWindow, FirstRunInAnEmptyFolder) {
    TestFolder folder;
    {
        ProgramRun run(folder.path());
        for (const char* sub : {"MASTER", "PROJECTS", "LANGUAGE"})
            EXPECT_TRUE(QDir(folder.file(QString::fromLatin1(sub))).exists()) << sub;
        EXPECT_EQ(run.label("L_Name_Conf"), QStringLiteral("None Configuration Opened "));
        EXPECT_EQ(run.label("L_Name_Conf_L2"),
                  QStringLiteral("Use Step1 to open or create new configuration"));
        EXPECT_EQ(run.window->size(), QSize(694, 396));
        // Centred on the screen, as every dialog is.
        const QPoint middle = QGuiApplication::primaryScreen()->availableGeometry().center();
        EXPECT_LE((run.window->frameGeometry().center() - middle).manhattanLength(), 2);
        EXPECT_EQ(run.window->windowTitle(),
                  QStringLiteral("Nelvari - Configurator KT48213 - Modbus Master / M-Bus Slave "));
        for (const char* hidden : {"L_Step_5", "L_Step_6", "L_Step_7", "L_Step_8", "LL_Update"})
            EXPECT_FALSE(run.find<QLabel>(hidden)->isVisible()) << hidden;

        // Steps 2 to 4 need an active configuration.
        for (const char* step : {"Btn_Prm_Gen", "Btn_MBus", "Btn_CreateBin"}) {
            run.fakes.prompts.expectError(QStringLiteral("Error! Project not Valid"));
            run.click(step);
            run.fakes.prompts.verify();
        }
        EXPECT_FALSE(run.window->updateTimer().isActive());
        run.click("Btn_Close");
        EXPECT_FALSE(run.window->isVisible());
    }
    EXPECT_EQ(folder.read(QStringLiteral("Ordano.xml")).toStdString(),
              std::string("<Conf_Settings><lastproj><projectname></projectname></lastproj>"
                          "<lastipadd><ipaddress>192.168.2.205</ipaddress></lastipadd>"
                          "<lastlang><language>English</language></lastlang><lastinternet>"
                          "<enable_internet>0</enable_internet><enable_update>0</enable_update>"
                          "<enable_jump_field_tables>0</enable_jump_field_tables>"
                          "<Double_Click_Auto_Size>0</Double_Click_Auto_Size></lastinternet>"
                          "</Conf_Settings>"));
}

TEST(MainWindow, CreateOpenAndReopenConfigurations) {
    TestFolder folder;
    {
        ProgramRun run(folder.path());
        // Refusals keep the dialog open; each is followed by a good name.
        run.fakes.prompts.expectError(QStringLiteral("Error! Name Project is not valid"));
        run.fakes.prompts.expectError(QStringLiteral("Error! Name project is not valid"));
        onNextModal([&run](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("E_New_Proj"));
            auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK"));
            QTest::mouseClick(ok, Qt::LeftButton); // empty name
            QTest::keyClicks(edit, QStringLiteral("../escape"));
            QTest::mouseClick(ok, Qt::LeftButton); // would leave PROJECTS
            EXPECT_TRUE(dialog->isVisible());
            edit->clear();
            QTest::keyClicks(edit, QStringLiteral(" Plant A "));
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        run.click("Btn_New");
        ASSERT_TRUE(modalActionsDone());
        run.fakes.prompts.verify();
        EXPECT_EQ(run.state.projectName, QStringLiteral(" Plant A ")) << "used as typed";
        EXPECT_EQ(run.label("L_Name_Conf"),
                  QStringLiteral("Opened Configuration of the Converter : "));
        EXPECT_EQ(run.label("L_Name_Conf_L2"), QStringLiteral(" Plant A "));
        const QDir created(folder.file(QStringLiteral("PROJECTS/ Plant A ")));
        // Besides the images' folder only this window's claim on the configuration.
        EXPECT_EQ(created.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList({QFileInfo(ConfigClaim::fileOf(created.path())).fileName(),
                               QStringLiteral("bin")}));
        EXPECT_TRUE(QDir(created.filePath(QStringLiteral("bin"))).isEmpty());
        EXPECT_EQ(run.state.parGenFile, created.filePath(QStringLiteral("ParGen.xml")));
        EXPECT_EQ(run.state.networkFile, created.filePath(QStringLiteral("M_Bus.xml")));

        // The same name again is refused.
        run.fakes.prompts.expectError(
            QStringLiteral("Error! Name project is not valid because directory already exists"));
        onNextModal([](QWidget* dialog) {
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("E_New_Proj"));
            QTest::keyClicks(edit, QStringLiteral(" Plant A "));
            QTest::keyClick(edit, Qt::Key_Return);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_Cancel")),
                              Qt::LeftButton);
        });
        run.click("Btn_New");
        run.fakes.prompts.verify();

        typeIntoNewDialogAndConfirm(QStringLiteral("beta"));
        run.click("Btn_New");
        EXPECT_EQ(run.state.projectName, QStringLiteral("beta"));

        // The open dialog lists folders only, sorted, and preselects the active one.
        folder.write(QStringLiteral("PROJECTS/Alpha/ParGen.xml"), "<Par_Gen/>");
        folder.write(QStringLiteral("PROJECTS/.hidden/x"), "");
        folder.write(QStringLiteral("PROJECTS/notes.txt"), "");
        onNextModal([](QWidget* dialog) {
            auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"));
            QStringList rows;
            for (int i = 0; i < list->count(); ++i)
                rows << list->item(i)->text();
            EXPECT_EQ(rows, (QStringList{QStringLiteral(" Plant A "), QStringLiteral("Alpha"),
                                         QStringLiteral("beta")}));
            EXPECT_EQ(list->currentRow(), 2);
            list->setCurrentRow(1);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK")),
                              Qt::LeftButton);
        });
        run.click("Btn_Open");
        EXPECT_EQ(run.state.projectName, QStringLiteral("Alpha"));
        EXPECT_EQ(run.label("L_Name_Conf_L2"), QStringLiteral("Alpha"));

        // Cancel changes nothing.
        onNextModal([](QWidget* dialog) {
            dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"))->setCurrentRow(0);
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_Cancel")),
                              Qt::LeftButton);
        });
        run.click("Btn_Open");
        EXPECT_EQ(run.state.projectName, QStringLiteral("Alpha"));
    }
    {
        // The next start reopens the last configuration.
        ProgramRun run(folder.path());
        EXPECT_EQ(run.state.projectName, QStringLiteral("Alpha"));
        EXPECT_EQ(run.label("L_Name_Conf_L2"), QStringLiteral("Alpha"));
    }
    QDir(folder.file(QStringLiteral("PROJECTS/Alpha"))).removeRecursively();
    {
        // Unless its folder is gone.
        ProgramRun run(folder.path());
        EXPECT_TRUE(run.state.projectName.isEmpty());
        EXPECT_TRUE(run.state.projectDir.isEmpty());
        EXPECT_EQ(run.label("L_Name_Conf"), QStringLiteral("None Configuration Opened "));
    }
    EXPECT_TRUE(folder.read(QStringLiteral("Ordano.xml")).contains("<projectname></projectname>"));
}

// A hand-edited last configuration that leads out of PROJECTS is not opened, so step 4 can
// never write a bin folder there; a name of blanks only is reopened as written.
TEST(MainWindow, ReopensOnlyNamesThatCreationWouldTake) {
    struct Case {
        const char* why;
        const char* name;
        const char* active; // nullptr: none
    };
    const Case cases[] = {
        {"parent path", "../elsewhere", nullptr},
        {"PROJECTS itself", ".", nullptr},
        {"absolute path", "{ROOT}/elsewhere", nullptr},
        {"blanks only", "   ", "   "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        TestFolder folder;
        folder.write(QStringLiteral("elsewhere/x"), "");
        folder.write(QStringLiteral("PROJECTS/   /bin/x"), "");
        lastProject(folder, QByteArray(c.name).replace("{ROOT}", folder.path().toUtf8()));
        ProgramRun run(folder.path());
        EXPECT_EQ(run.state.projectName, c.active ? QString::fromLatin1(c.active) : QString());
        EXPECT_EQ(run.state.projectDir.isEmpty(), c.active == nullptr);
        EXPECT_EQ(run.label("L_Name_Conf"), c.active
                                                ? QStringLiteral("Opened Configuration of the "
                                                                 "Converter : ")
                                                : QStringLiteral("None Configuration Opened "));
        run.window->close();
        run.window.reset();
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("PROJECTS/bin"))));
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("bin"))));
        EXPECT_EQ(folder.read(QStringLiteral("Ordano.xml")).contains("<projectname></projectname>"),
                  c.active == nullptr);
    }
}

// A name Windows refuses never becomes a configuration; a folder made with one outside the
// program is listed, but opening it says why and leaves the active configuration.
TEST(MainWindow, NamesTheUpdatersCannotTakeAreRefusedWithTheReason) {
    TestFolder folder;
    folder.write(QStringLiteral("PROJECTS/Good/bin/.keep"), "");
    folder.write(QStringLiteral("PROJECTS/what?/bin/.keep"), "");
    lastProject(folder, "Good");
    ProgramRun run(folder.path());
    run.fakes.prompts.expectError(QStringLiteral(
        "Error! A configuration name cannot hold \":\": the updaters' Windows file names "
        "refuse the characters \" < > | ? * : and control characters"));
    onNextModal([](QWidget* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("E_New_Proj"));
        QTest::keyClicks(edit, QStringLiteral("Plant: north"));
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(edit->text(), QStringLiteral("Plant: north")) << "the input stays";
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_Cancel")),
                          Qt::LeftButton);
    });
    run.click("Btn_New");
    ASSERT_TRUE(modalActionsDone());
    run.fakes.prompts.verify();
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("PROJECTS/Plant: north"))));

    run.fakes.prompts.expectError(QStringLiteral(
        "This configuration cannot be opened: its name holds \"?\", which the updaters' Windows "
        "file names refuse. Rename its folder in PROJECTS without the characters \" < > | ? * : "
        "and control characters."));
    onNextModal([](QWidget* dialog) {
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"));
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->item(1)->text(), QStringLiteral("what?")) << "listed";
        list->setCurrentRow(1);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK")),
                          Qt::LeftButton);
    });
    run.click("Btn_Open");
    ASSERT_TRUE(modalActionsDone());
    run.fakes.prompts.verify();
    EXPECT_EQ(run.state.projectName, QStringLiteral("Good"));
    EXPECT_EQ(run.label("L_Name_Conf_L2"), QStringLiteral("Good"));
}

TEST(MainWindow, OpenPreselectsByNameRegardlessOfCaseAndEmptyListLeavesNoneActive) {
    TestFolder folder;
    folder.write(QStringLiteral("PROJECTS/PlantB/bin/.keep"), "");
    lastProject(folder, "plantb");
    ProgramRun run(folder.path());
    onNextModal([](QWidget* dialog) {
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"));
        EXPECT_EQ(list->currentRow(), 0);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK")),
                          Qt::LeftButton);
    });
    run.click("Btn_Open");
    EXPECT_EQ(run.state.projectName, QStringLiteral("PlantB")) << "the folder's own letter case";

    QDir(folder.file(QStringLiteral("PROJECTS/PlantB"))).removeRecursively();
    onNextModal([](QWidget* dialog) {
        EXPECT_EQ(dialog->findChild<QListWidget*>(QStringLiteral("ListBox1"))->count(), 0);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK")),
                          Qt::LeftButton);
    });
    run.click("Btn_Open");
    EXPECT_TRUE(run.state.projectDir.isEmpty());
    EXPECT_EQ(run.label("L_Name_Conf_L2"),
              QStringLiteral("Use Step1 to open or create new configuration"));
    run.fakes.prompts.expectError(QStringLiteral("Error! Project not Valid"));
    run.click("Btn_MBus");
}

TEST(MainWindow, UpdateTimerNeedsBothInternetFlags) {
    struct Case {
        const char* internet;
        const char* update;
        bool active;
    };
    for (const Case c : {Case{"1", "1", true}, Case{"1", "0", false}, Case{"0", "1", false}}) {
        TestFolder folder;
        folder.write(QStringLiteral("Ordano.xml"),
                     QStringLiteral("<Conf_Settings><lastinternet><enable_internet>%1"
                                    "</enable_internet><enable_update>%2</enable_update>"
                                    "</lastinternet></Conf_Settings>")
                         .arg(QLatin1String(c.internet), QLatin1String(c.update))
                         .toUtf8());
        ProgramRun run(folder.path());
        EXPECT_EQ(run.window->updateTimer().isActive(), c.active);
        EXPECT_EQ(run.window->updateTimer().interval(), 60000);
    }
}

TEST(MainWindow, LanguageFileAppliesToEveryCaption) {
    TestFolder folder;
    folder.write(QStringLiteral("LANGUAGE/Test.lng"),
                 "STR0 = Inizio\nSTR9 = \xc2\xb6Nessuna \xc2\xb6\nSTR15 = Nuova\n");
    folder.write(QStringLiteral("Ordano.xml"),
                 "<Conf_Settings><lastlang><language>Test</language></lastlang></Conf_Settings>");
    ProgramRun run(folder.path());
    EXPECT_EQ(run.label("L_Begin"), QStringLiteral("Inizio"));
    EXPECT_EQ(run.label("L_Name_Conf"), QStringLiteral("Nessuna "));
    EXPECT_EQ(run.find<QPushButton>("Btn_New")->text(), QStringLiteral("&Nuova"));
    EXPECT_EQ(run.find<QPushButton>("Btn_Open")->text(), QStringLiteral("&Open Configuration"));
}

// A language file that is a FIFO would keep the window from ever showing; one far beyond any
// real size would take gigabytes. Both are refused and the English texts stay.
TEST(MainWindow, RefusedLanguageFileLeavesTheEnglishTexts) {
    for (const bool fifo : {true, false}) {
        SCOPED_TRACE(fifo ? "FIFO" : "far too large");
        TestFolder folder;
        const QString path = folder.write(QStringLiteral("LANGUAGE/Test.lng"), "STR0 = Inizio\n");
        if (fifo) {
            QFile::remove(path);
            ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QFile file(path);
            ASSERT_TRUE(file.resize(64 * 1024 * 1024));
        }
        folder.write(QStringLiteral("Ordano.xml"),
                     "<Conf_Settings><lastlang><language>Test</language></lastlang>"
                     "</Conf_Settings>");
        ProgramRun run(folder.path());
        EXPECT_EQ(run.label("L_Begin"), QStringLiteral("Begin"));
        EXPECT_TRUE(run.window->isVisible());
    }
}

TEST(MainWindow, WebAddressOpensTheMakersHomePage) {
    TestFolder folder;
    ProgramRun run(folder.path());
    QTest::mouseClick(run.find<QLabel>("L_Nelvari"), Qt::LeftButton);
    ASSERT_EQ(run.fakes.urls.opened.size(), 1);
    EXPECT_EQ(run.fakes.urls.opened[0].path(), QStringLiteral("/HOME/default.asp"));
    EXPECT_EQ(run.fakes.urls.opened[0].query(), QStringLiteral("frompg=KT48213"));
}

// Most sessions open two windows: each is made at its first use. One made before a language
// change follows it; one made after it starts in the new language.
TEST(MainWindow, WindowsAreMadeAtFirstUseAndFollowTheLanguage) {
    TestFolder folder;
    ProgramRun run(folder.path());
    EXPECT_TRUE(run.window->findChildren<QDialog*>().isEmpty()) << "no window made at start";

    onNextModal([](QWidget* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    run.click("Btn_New");
    ASSERT_TRUE(modalActionsDone());
    const auto made = run.window->findChildren<QDialog*>();
    ASSERT_EQ(made.size(), 1);
    EXPECT_EQ(made.front()->windowTitle(), QStringLiteral("Create New Configuration"));

    run.state.texts.loadText(QStringLiteral("STR1 = Passo 1\nSTR14 = Chiudi\n"
                                            "STR100 = Nuova configurazione\n"
                                            "STR200 = Apri configurazione\n"));
    run.window->changeLanguage();
    EXPECT_EQ(run.label("L_Step_1"), QStringLiteral("Passo 1"));
    EXPECT_EQ(run.find<QPushButton>("Btn_Close")->toolTip(), QStringLiteral("Chiudi"));
    EXPECT_EQ(made.front()->windowTitle(), QStringLiteral("Nuova configurazione"));
    EXPECT_EQ(run.window->findChildren<QDialog*>().size(), 1) << "the change makes no window";

    QString openTitle;
    onNextModal([&openTitle](QWidget* dialog) {
        openTitle = dialog->windowTitle();
        static_cast<QDialog*>(dialog)->reject();
    });
    run.click("Btn_Open");
    ASSERT_TRUE(modalActionsDone());
    EXPECT_EQ(openTitle, QStringLiteral("Apri configurazione"));
    EXPECT_EQ(run.window->findChildren<QDialog*>().size(), 2);
}

namespace {

// Runs step 4 and returns the Form_Type the update window was shown with (-1: not shown).
int runStep4(ProgramRun& run) {
    int shownWith = -1;
    onNextModal(
        [&shownWith](QWidget* dialog) {
            auto* boot = qobject_cast<UpdateWindow*>(dialog);
            EXPECT_NE(boot, nullptr);
            if (boot)
                shownWith = boot->Form_Type;
            static_cast<QDialog*>(dialog)->reject();
        },
        3000);
    run.click("Btn_CreateBin");
    return shownWith;
}

const QByteArray ParGenWithoutDevice =
    "<Par_Gen><Meter_Baud>3</Meter_Baud><Meter_Par>1</Meter_Par><Mod_Ser>1</Mod_Ser>"
    "<Mod_Baud>7</Mod_Baud><Mod_Par>0</Mod_Par><Mod_TO>1000</Mod_TO><Mod_CD>100</Mod_CD>"
    "<Mod_Protocol>0</Mod_Protocol></Par_Gen>";

} // namespace

TEST(MainWindow, Step4CompilesWritesAndOpensTheUpdateWindowForTheDevice) {
    TestFolder folder;
    folder.write(QStringLiteral("PROJECTS/P/bin/.keep"), "");
    lastProject(folder, "P");
    ProgramRun run(folder.path());
    // No ParGen.xml yet: the images hold only defaults and the Ethernet form opens.
    EXPECT_EQ(runStep4(run), 1);
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/P/bin/bank.bin")),
              QByteArray::fromHex("0800000008000000"));
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/P/bin/bank2.bin")).size(), 2048);

    // A ParGen.xml without "Select_Device" means the serial device.
    folder.write(QStringLiteral("PROJECTS/P/ParGen.xml"), ParGenWithoutDevice);
    QDir(folder.file(QStringLiteral("PROJECTS/P/bin"))).removeRecursively();
    EXPECT_EQ(runStep4(run), 0);
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/P/bin/bank.bin")).size(), 22)
        << "a missing bin folder is created";
}

TEST(MainWindow, Step4StopsBeforeTheUpdateWindowWhenCompilingOrWritingFails) {
    TestFolder folder;
    folder.write(QStringLiteral("PROJECTS/P/bin/bank.bin"), "old");
    lastProject(folder, "P");
    ProgramRun run(folder.path());

    // A variable without its values: the compiler's message, naming the place, is shown as is.
    folder.write(QStringLiteral("PROJECTS/P/M_Bus.xml"),
                 "<M-Bus_Network><Nodo ID=\"1\"><Variabile Enable=\"1\"/></Nodo></M-Bus_Network>");
    run.fakes.prompts.expectError(
        QStringLiteral("M_Bus.xml: node 1 (ID 1), variable 1: attribute \"Type\" is missing"));
    {
        const NoModalGuard noUpdateWindow;
        run.click("Btn_CreateBin");
    }
    run.fakes.prompts.verify();
    EXPECT_EQ(folder.read(QStringLiteral("PROJECTS/P/bin/bank.bin")), QByteArray("old"))
        << "a failed compile writes nothing";

    // Images that cannot be written are reported; stale ones are never handed on silently.
    QFile::remove(folder.file(QStringLiteral("PROJECTS/P/M_Bus.xml")));
    QDir(folder.file(QStringLiteral("PROJECTS/P/bin"))).removeRecursively();
    folder.write(QStringLiteral("PROJECTS/P/bin"), "a file where the folder should be");
    run.fakes.prompts.expectError(folder.file(QStringLiteral("PROJECTS/P/bin")) +
                                  QStringLiteral(" is not a folder"));
    {
        const NoModalGuard noUpdateWindow;
        run.click("Btn_CreateBin");
    }
    run.fakes.prompts.verify();
}

TEST(MainWindow, Step2EditsTheActiveConfigurationsSettingsAndStep4FollowsThem) {
    TestFolder folder;
    folder.write(QStringLiteral("PROJECTS/P/bin/.keep"), "");
    lastProject(folder, "P");
    ProgramRun run(folder.path());
    // A language change reaches the window while it is hidden.
    run.state.texts.loadText(QStringLiteral("STR400 = Comunicazione\n"));
    run.window->changeLanguage();

    onNextModal([](QWidget* dialog) {
        auto* window = qobject_cast<CommunicationWindow*>(dialog);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->windowTitle(), QStringLiteral("Comunicazione"));
        auto* device = window->findChild<QComboBox*>(QStringLiteral("CB_SelectDevice_SelDev"));
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(device->currentIndex(), 1) << "a new configuration is for the Ethernet device";
        device->setCurrentIndex(0);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Btn_OK")),
                          Qt::LeftButton);
    });
    run.click("Btn_Prm_Gen");
    ASSERT_TRUE(modalActionsDone());
    EXPECT_TRUE(folder.read(QStringLiteral("PROJECTS/P/ParGen.xml"))
                    .startsWith("<Par_Gen><Select_Device>0</Select_Device>"));
    EXPECT_EQ(runStep4(run), 0);
}

TEST(MainWindow, Step3OpensTheNetworkEditorOfTheActiveConfiguration) {
    TestFolder folder;
    folder.write(QStringLiteral("PROJECTS/P/M_Bus.xml"),
                 "<M-Bus_Network><Nodo ID=\"4\" Sec_Add=\"44\" Descrizione=\"Gas\"/>"
                 "</M-Bus_Network><!--SW_VERSION = 2.005-->");
    lastProject(folder, "P");
    ProgramRun run(folder.path());
    run.state.texts.loadText(QStringLiteral("STR600 = Rete M-Bus\n"));
    run.window->changeLanguage();
    QStringList shown;
    onNextModal([&shown](QWidget* dialog) {
        auto* editor = qobject_cast<NetworkEditorWindow*>(dialog);
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(editor->isModal());
        shown << editor->windowTitle();
        NetworkTree& tree = editor->editor().tree();
        shown << tree.index(0, 0, tree.rootIndex()).data().toString();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_Cancel")),
                          Qt::LeftButton);
    });
    run.click("Btn_MBus");
    ASSERT_TRUE(modalActionsDone());
    EXPECT_EQ(shown,
              QStringList({QStringLiteral("Rete M-Bus"),
                           QStringLiteral("Primary Address 4 - Secondary Address 44 - Gas")}));
}

// The options and the last configuration are kept only in Ordano.xml: when it cannot be
// replaced, the user is told so after the options and at the end, and the file stays.
TEST(MainWindow, SettingsThatCannotBeSavedAreReported) {
    TestFolder folder;
    const QByteArray old = "<Conf_Settings><lastlang><language>English</language></lastlang>"
                           "</Conf_Settings>";
    const QString path = folder.write(QStringLiteral("Ordano.xml"), old);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0444), 0);
    const QString expected = QStringLiteral("Error! The settings of the program have not been "
                                            "saved.\n") +
                             AtomicFile::workspaceRefusal(path);
    ASSERT_TRUE(expected.contains(path));
    ProgramRun run(folder.path());
    run.fakes.prompts.expectError(expected);
    onNextModal([](QWidget* dialog) {
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK")),
                          Qt::LeftButton);
    });
    run.click("Btn_Opz");
    EXPECT_TRUE(modalActionsDone());
    run.fakes.prompts.verify();
    run.fakes.prompts.expectError(expected);
    run.window->close();
    run.fakes.prompts.verify();
    EXPECT_EQ(folder.read(QStringLiteral("Ordano.xml")), old);
}
