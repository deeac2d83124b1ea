#include "gui/update/UpdateWindow.h"
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using Status = EchoOutcome::Status;

class UpdateWindowTest : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        state.activateProject(QStringLiteral("Plant"));
        // The updaters are installed; the fake launcher "runs" them.
        folder.write(QStringLiteral("Ethernet_Update.exe"), "updater");
        folder.write(QStringLiteral("Ser_48213_Update.exe"), "updater");
        boot = std::make_unique<UpdateWindow>(state, fake.platform, starter);
    }

    template <typename T = QWidget> T* child(const char* name) const {
        T* widget = boot->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* ip(int n) const { return child<QLineEdit>(("E_IP" + std::to_string(n)).c_str()); }
    QStringList ipTexts() const {
        return {ip(1)->text(), ip(2)->text(), ip(3)->text(), ip(4)->text()};
    }
    QStringList ports() const {
        QStringList items;
        auto* list = child<QComboBox>("CB_COM_Port");
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        return items;
    }
    void showAs(int formType) {
        boot->hide();
        boot->Form_Type = formType;
        boot->show();
    }
    void typeAddress(const char* a, const char* b, const char* c, const char* d) {
        ip(1)->setText(QLatin1String(a));
        ip(2)->setText(QLatin1String(b));
        ip(3)->setText(QLatin1String(c));
        ip(4)->setText(QLatin1String(d));
    }
    void silentDevice() {
        fake.echo.answer = [this](const FakeEchoService::Call&) {
            fake.clock.advance(400);
            return EchoOutcome{Status::TimedOut, 0, {}};
        };
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    ProgramStarter starter{fake.processes, fake.clock, QString()};
    std::unique_ptr<UpdateWindow> boot;
};

const QStringList optionTexts{QStringLiteral("Firmware + Configuration"),
                              QStringLiteral("Firmware"), QStringLiteral("Configuration")};

} // namespace

TEST_F(UpdateWindowTest, EachFormShowsItsPanelsAtItsSize) {
    struct Row {
        int formType;
        QStringList visible;
        QSize size;
        const char* caption;
        const char* description;
        const char* focus;
    };
    const QStringList all{"P_Title",   "P_IP_Address", "P_Eth_Search", "P_Serial",
                          "P_Options", "P_Changes",    "P_Button"};
    const Row rows[] = {
        {0,
         {"P_Title", "P_Serial", "P_Options", "P_Changes", "P_Button"},
         {449, 232 + 170},
         "Update Device by Serial",
         "Update Device Using the Serial Port",
         "CB_COM_Port"},
        {1,
         {"P_Title", "P_IP_Address", "P_Options", "P_Changes", "P_Button"},
         {449, 230 + 170},
         "Update Device by Ethernet (UDP)",
         "Update Device Using the Ethernet Port",
         "E_IP1"},
        // No form: only title and buttons; caption and description stay as they were.
        {2,
         {"P_Title", "P_Button"},
         {449, 230 + 170},
         "Update Device by Ethernet (UDP)",
         "Update Device Using the Ethernet Port",
         nullptr},
    };
    fake.serial.ports = {2};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "Form_Type " << row.formType);
        showAs(row.formType);
        QApplication::setActiveWindow(boot.get());
        for (const QString& name : all)
            EXPECT_EQ(child(name.toLatin1().constData())->isVisible(), row.visible.contains(name))
                << name.toStdString();
        EXPECT_EQ(boot->size(), row.size);
        EXPECT_EQ(boot->windowTitle(), QLatin1String(row.caption));
        EXPECT_EQ(child<QLabel>("L_SW_Desc")->text(), QLatin1String(row.description));
        EXPECT_EQ(child<QLabel>("L_SW_Code")->text(), QStringLiteral("KT48213"));
        if (row.focus) {
            EXPECT_EQ(boot->focusWidget(), child(row.focus));
        }
        // Panels touch: the title panel is on top, the buttons at the bottom edge.
        EXPECT_EQ(child("P_Title")->y(), 0);
        if (row.formType != 2) {
            EXPECT_EQ(child("P_Button")->geometry().bottom(), row.size.height() - 1);
        }
    }
}

TEST_F(UpdateWindowTest, SetLangAppliesEveryText) {
    for (int i = 800; i <= 835; ++i)
        state.texts.setText(i, QStringLiteral("T%1").arg(i));
    showAs(0);
    EXPECT_EQ(boot->windowTitle(), QStringLiteral("T800"));
    EXPECT_EQ(child<QLabel>("L_SW_Desc")->text(), QStringLiteral("T801"));
    showAs(1);
    EXPECT_EQ(boot->windowTitle(), QStringLiteral("T802"));
    EXPECT_EQ(child<QLabel>("L_SW_Desc")->text(), QStringLiteral("T803"));

    struct Text {
        const char* object;
        int index;
        bool hint;
    };
    const Text texts[] = {
        {"L_IP_Address", 806, false},
        {"L_COM_Port", 807, false},
        {"L_Eth_Search", 809, false},
        {"Btn_Eth_Search", 810, false},
        {"CB_Eth_Search_All", 813, false},
        {"L_Update_Option", 814, false},
        {"CB_Update_Option_Read_Back", 818, false},
        {"Btn_Cancel", 819, false},
        {"Btn_Update", 820, false},
        {"E_IP1", 821, true},
        {"E_IP2", 822, true},
        {"E_IP3", 823, true},
        {"E_IP4", 824, true},
        {"CB_COM_Port", 825, true},
        {"Btn_COM_List", 827, true},
        {"Btn_Eth_Search", 829, true},
        {"SG_Eth_Devices", 830, true},
        {"CB_Eth_Search_All", 831, true},
        {"CB_Update_Options", 832, true},
        {"CB_Update_Option_Read_Back", 833, true},
        {"Btn_Cancel", 834, true},
        {"Btn_Update", 835, true},
    };
    for (const Text& t : texts) {
        QWidget* widget = child(t.object);
        QString shown = widget->toolTip();
        if (!t.hint) {
            if (auto* label = qobject_cast<QLabel*>(widget))
                shown = label->text();
            else if (auto* button = qobject_cast<QAbstractButton*>(widget))
                shown = button->text().remove(QLatin1Char('&')); // its shortcut letter
        }
        EXPECT_EQ(shown, QStringLiteral("T%1").arg(t.index)) << t.object;
    }
    auto* grid = child<QTableWidget>("SG_Eth_Devices");
    EXPECT_EQ(grid->horizontalHeaderItem(0)->text(), QStringLiteral("T811"));
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("T812"));
    auto* options = child<QComboBox>("CB_Update_Options");
    ASSERT_EQ(options->count(), 3);
    EXPECT_EQ(options->itemText(0), QStringLiteral("T815"));
    EXPECT_EQ(options->itemText(2), QStringLiteral("T817"));

    // A language change while hidden refills the list at position 0; showing restores the choice.
    state.lastUpdateOption = 2;
    boot->hide();
    boot->applyLanguage();
    EXPECT_EQ(options->currentIndex(), 0);
    boot->show();
    EXPECT_EQ(options->currentIndex(), 2);
}

TEST_F(UpdateWindowTest, RemembersChoicesAcrossShowings) {
    showAs(1);
    auto* options = child<QComboBox>("CB_Update_Options");
    auto* readBack = child<QCheckBox>("CB_Update_Option_Read_Back");
    // The first showing of a run.
    EXPECT_EQ(options->currentText(), optionTexts[0]);
    EXPECT_FALSE(readBack->isChecked());

    // Closing without an update start forgets what was chosen.
    options->setCurrentIndex(1);
    readBack->setChecked(true);
    showAs(0);
    EXPECT_EQ(options->currentIndex(), 0);
    EXPECT_FALSE(readBack->isChecked());

    // An Ethernet update start that finds the device makes the choices stick.
    showAs(1);
    options->setCurrentIndex(2);
    readBack->setChecked(true);
    typeAddress("127", "0", "0", "1");
    boot->updateClicked();
    EXPECT_EQ(state.lastIpAddress, QStringLiteral("127.0.0.1"));
    for (int form : {0, 1}) {
        showAs(form);
        EXPECT_EQ(options->currentText(), optionTexts[2]) << "Form_Type " << form;
        EXPECT_TRUE(readBack->isChecked()) << "Form_Type " << form;
    }
}

TEST_F(UpdateWindowTest, AddressFieldsTakeOnlyAnAcceptedRememberedAddress) {
    struct Row {
        const char* why;
        QString last;
        QStringList fields; // after the first showing (fields "0") and after typing 9.8.7.6
    };
    const QStringList zeros{"0", "0", "0", "0"};
    const QStringList typed{"9", "8", "7", "6"};
    const Row rows[] = {
        {"factory address", QStringLiteral("192.168.2.205"), {"192", "168", "2", "205"}},
        {"blanks around the parts", QStringLiteral(" 10 . 0 . 0 . 1"), {"10", "0", "0", "1"}},
        {"part out of range", QStringLiteral("10.0.0.256"), {}},
        {"three parts", QStringLiteral("1.2.3"), {}},
        {"five parts", QStringLiteral("1.2.3.4.5"), {}},
        {"letters", QStringLiteral("a.b.c.d"), {}},
        {"empty", QString(), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        SharedState fresh;
        fresh.lastIpAddress = row.last;
        UpdateWindow window(fresh, fake.platform, starter);
        window.Form_Type = 1;
        window.show();
        auto texts = [&window] {
            QStringList result;
            for (const char* name : {"E_IP1", "E_IP2", "E_IP3", "E_IP4"})
                result << window.findChild<QLineEdit*>(QLatin1String(name))->text();
            return result;
        };
        EXPECT_EQ(texts(), row.fields.isEmpty() ? zeros : row.fields);
        window.hide();
        for (int i = 0; i < 4; ++i)
            window.findChild<QLineEdit*>(QStringLiteral("E_IP%1").arg(i + 1))->setText(typed[i]);
        window.show();
        EXPECT_EQ(texts(), row.fields.isEmpty() ? typed : row.fields);
    }
}

TEST_F(UpdateWindowTest, DotMovesToTheNextAddressField) {
    state.lastIpAddress.clear();
    onNextModal([this](QWidget* modal) {
        ASSERT_EQ(modal, boot.get());
        // The window's own focus child is followed: it does not depend on which window the
        // platform made active.
        auto typeInto = [this](const QString& keys) {
            for (QChar ch : keys) {
                QWidget* focused = boot->focusWidget();
                ASSERT_NE(focused, nullptr) << "no field has the focus before " << ch.toLatin1();
                QTest::keyClick(focused, ch.toLatin1());
            }
        };
        ip(1)->clear();
        ip(2)->clear();
        ASSERT_EQ(boot->focusWidget(), ip(1));
        typeInto(QStringLiteral("12.34"));
        EXPECT_EQ(ip(1)->text(), QStringLiteral("12"));
        EXPECT_EQ(ip(2)->text(), QStringLiteral("34"));
        EXPECT_EQ(boot->focusWidget(), ip(2));
        // In the last field the dot is just discarded; other characters pass unchanged.
        ip(4)->setFocus();
        ip(4)->clear();
        ASSERT_EQ(boot->focusWidget(), ip(4));
        typeInto(QStringLiteral("a.5"));
        EXPECT_EQ(ip(4)->text(), QStringLiteral("a5"));
        EXPECT_EQ(boot->focusWidget(), ip(4));
        boot->reject();
    });
    boot->Form_Type = 1;
    EXPECT_EQ(boot->exec(), QDialog::Rejected);
    EXPECT_TRUE(modalActionsDone());
}

TEST_F(UpdateWindowTest, PortListFromTheProbe) {
    fake.serial.ports = {1, 3, 12};
    showAs(0);
    EXPECT_EQ(ports(), (QStringList{"COM1", "COM3", "COM12"}));
    EXPECT_EQ(child<QComboBox>("CB_COM_Port")->currentText(), QStringLiteral("COM1"));

    // The refresh button probes again; with no port nothing is chosen.
    fake.serial.ports.clear();
    QTest::mouseClick(child("Btn_COM_List"), Qt::LeftButton);
    EXPECT_TRUE(ports().isEmpty());
    EXPECT_EQ(child<QComboBox>("CB_COM_Port")->currentIndex(), -1);
    EXPECT_EQ(child<QComboBox>("CB_COM_Port")->currentText(), QString());
}

TEST_F(UpdateWindowTest, SerialUpdateStartsTheSerialUpdater) {
    fake.serial.ports = {4};
    showAs(0);
    child<QComboBox>("CB_Update_Options")->setCurrentIndex(2);
    QTest::mouseClick(child("Btn_Update"), Qt::LeftButton);
    ASSERT_EQ(fake.processes.starts.size(), 1);
    const auto& start = fake.processes.starts[0];
    EXPECT_EQ(start.program,
              QDir(state.programDir).filePath(QStringLiteral("Ser_48213_Update.exe")));
    EXPECT_EQ(start.arguments.mid(0, 5), (QStringList{R"(\\.\COM4)", "NO", "NO", "PW", "NO"}));
    EXPECT_TRUE(start.shown);
    EXPECT_TRUE(boot->isVisible()) << "the window stays open after an update start";
    EXPECT_TRUE(fake.echo.calls.isEmpty()) << "the serial path has no reachability check";
}

TEST_F(UpdateWindowTest, EthernetUpdateWritesTheFileThenStartsTheUpdater) {
    showAs(1);
    typeAddress(" 10", "0", "0", "7");
    child<QComboBox>("CB_Update_Options")->setCurrentIndex(2);
    boot->updateClicked();
    ASSERT_EQ(fake.echo.calls.size(), 2);
    EXPECT_EQ(fake.echo.calls[0].host, QStringLiteral(" 10.0.0.7"));
    ASSERT_EQ(fake.processes.starts.size(), 1);
    EXPECT_EQ(fake.processes.starts[0].program,
              QDir(state.programDir).filePath(QStringLiteral("Ethernet_Update.exe")));
    EXPECT_TRUE(fake.processes.starts[0].arguments.isEmpty());
    QByteArray expected = readFixture(QStringLiteral("update/configuration_blank_address.xml"));
    expected.replace("{PROJECT}", state.projectDir.toUtf8());
    EXPECT_EQ(folder.read(QStringLiteral("Ethernet_Update.xml")), expected);
}

TEST_F(UpdateWindowTest, FailedReachabilityCheckShowsOneMessageAndChangesNothing) {
    struct Row {
        const char* why;
        Status status;
        bool warning; // 836 with a warning symbol, else 837 with an error symbol
    };
    const Row rows[] = {
        {"device never answers", Status::TimedOut, true},
        {"unusable address", Status::BadAddress, false},
        {"echo not permitted", Status::NotPermitted, false},
    };
    showAs(1);
    typeAddress("10", "0", "0", "9");
    child<QComboBox>("CB_Update_Options")->setCurrentIndex(1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        fake.echo.answer = [this, &row](const FakeEchoService::Call&) {
            if (row.status == Status::TimedOut)
                fake.clock.advance(400);
            return EchoOutcome{row.status, 0, {}};
        };
        if (row.warning)
            fake.prompts.expectWarning(QStringLiteral("Device Not Found!"));
        else
            fake.prompts.expectError(QStringLiteral("Error!!! Check the Ip Address"));
        const qint64 start = fake.clock.ticks();
        boot->updateClicked();
        fake.prompts.verify();
        // A silent device is given up after the first 410 ms attempt that ends past 5000 ms.
        EXPECT_EQ(fake.clock.ticks() - start, row.warning ? 13 * 410 : 0);
        EXPECT_TRUE(fake.processes.starts.isEmpty());
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Ethernet_Update.xml"))));
        EXPECT_EQ(state.lastIpAddress, QStringLiteral("192.168.2.205"));
        EXPECT_EQ(state.lastUpdateOption, 0);
    }
}

TEST_F(UpdateWindowTest, UnwritableParameterFileStopsBeforeTheUpdater) {
    state.programDir = folder.file(QStringLiteral("no such folder"));
    showAs(1);
    typeAddress("127", "0", "0", "2");
    const QString file = QDir(state.programDir).filePath(QStringLiteral("Ethernet_Update.xml"));
    // The box names the file and gives the system's reason.
    fake.prompts.expectError(file + QStringLiteral(": No such file or directory"));
    boot->updateClicked();
    EXPECT_TRUE(fake.processes.starts.isEmpty());
    // The device was found, so the remembered address is already taken.
    EXPECT_EQ(state.lastIpAddress, QStringLiteral("127.0.0.2"));
}

TEST_F(UpdateWindowTest, NoFormMeansTheButtonDoesNothing) {
    showAs(2);
    QTest::mouseClick(child("Btn_Update"), Qt::LeftButton);
    EXPECT_TRUE(fake.processes.starts.isEmpty());
    EXPECT_TRUE(fake.echo.calls.isEmpty());
    EXPECT_TRUE(fake.prompts.shown().isEmpty());
    EXPECT_EQ(fake.clock.ticks(), 1000);
}

TEST_F(UpdateWindowTest, SecondPressDuringTheCheckIsIgnored) {
    showAs(1);
    typeAddress("127", "0", "0", "1");
    // A press that arrives while the check dispatches events.
    fake.echo.answer = [this](const FakeEchoService::Call& call) {
        if (fake.echo.calls.size() == 1)
            QTest::mouseClick(child("Btn_Update"), Qt::LeftButton);
        return EchoOutcome{Status::Reply, int(call.data.size()), {}};
    };
    boot->updateClicked();
    EXPECT_EQ(fake.echo.calls.size(), 2);
    EXPECT_EQ(fake.processes.starts.size(), 1);
}

TEST_F(UpdateWindowTest, EveryExecRunsFormShow) {
    fake.serial.ports = {5};
    for (int form : {1, 0}) {
        onNextModal([this, form](QWidget* modal) {
            EXPECT_EQ(modal, boot.get());
            EXPECT_EQ(child("P_Serial")->isVisible(), form == 0);
            EXPECT_EQ(child("P_IP_Address")->isVisible(), form == 1);
            QTest::mouseClick(child("Btn_Cancel"), Qt::LeftButton);
        });
        boot->Form_Type = form;
        EXPECT_EQ(boot->exec(), QDialog::Rejected);
    }
    EXPECT_EQ(ports(), QStringList{"COM5"});
}

// An updater that is missing or cannot be started is named, with the folder it belongs in and,
// where Windows programs need wine and there is none, that wine is needed. The remembered
// choices are kept as at any update start.
TEST_F(UpdateWindowTest, UpdaterThatCannotStartIsNamedWithWhereItBelongs) {
    struct Row {
        const char* why;
        int form;
        const char* program;
        bool installed;
        bool launchFails;
        bool wine;
        QString message;
    };
    const QString folderText = QDir::toNativeSeparators(folder.path());
    const QString wineNeeded = QStringLiteral(
        "\nWindows programs run through wine on this system: install wine to update.");
    const Row rows[] = {
        {"serial updater missing, no wine", 0, "Ser_48213_Update.exe", false, false, false,
         "The updater program was not found: Ser_48213_Update.exe\nPlace it in the program "
         "folder: " +
             folderText + wineNeeded},
        {"Ethernet updater missing, wine present", 1, "Ethernet_Update.exe", false, false, true,
         "The updater program was not found: Ethernet_Update.exe\nPlace it in the program "
         "folder: " +
             folderText},
        {"serial updater not startable without wine", 0, "Ser_48213_Update.exe", true, true, false,
         "The updater program could not be started: " +
             QDir::toNativeSeparators(folder.file(QStringLiteral("Ser_48213_Update.exe"))) +
             wineNeeded},
        {"Ethernet updater not startable with wine", 1, "Ethernet_Update.exe", true, true, true,
         "The updater program could not be started: " +
             QDir::toNativeSeparators(folder.file(QStringLiteral("Ethernet_Update.exe")))},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        const QString program = folder.file(QLatin1String(row.program));
        if (row.installed)
            folder.write(QLatin1String(row.program), "updater");
        else
            QFile::remove(program);
        fake.processes.failStart = row.launchFails;
        fake.processes.starts.clear();
        ProgramStarter rowStarter(fake.processes, fake.clock,
                                  row.wine ? QStringLiteral("/usr/bin/wine") : QString());
        UpdateWindow window(state, fake.platform, rowStarter);
        window.Form_Type = row.form;
        window.show();
        window.findChild<QComboBox*>(QStringLiteral("CB_Update_Options"))->setCurrentIndex(2);
        window.findChild<QCheckBox*>(QStringLiteral("CB_Update_Option_Read_Back"))
            ->setChecked(true);
        for (int i = 0; i < 4; ++i)
            window.findChild<QLineEdit*>(QStringLiteral("E_IP%1").arg(i + 1))
                ->setText(QString::number(i == 0   ? 127
                                          : i == 3 ? 1
                                                   : 0));
        state.lastUpdateOption = 0;
        state.lastReadBack = false;
        fake.prompts.expectError(row.message);
        window.updateClicked();
        fake.prompts.verify();
        EXPECT_EQ(fake.processes.starts.size(), row.launchFails ? 1 : 0);
        EXPECT_EQ(state.lastUpdateOption, 2);
        EXPECT_TRUE(state.lastReadBack);
        EXPECT_TRUE(window.isVisible());
    }
}
