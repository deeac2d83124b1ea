#include "gui/comm/CommunicationWindow.h"

#include "common/AtomicFile.h"
#include "core/state/SharedState.h"
#include "gui/comm/CollapsibleSection.h"
#include "mock/FakeServices.h"
#include "support/FailingWrites.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QToolButton>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

const char* const Octets[12] = {
    "E_Ethernet_IP1",  "E_Ethernet_IP2",  "E_Ethernet_IP3",  "E_Ethernet_IP4",
    "E_Ethernet_SM1",  "E_Ethernet_SM2",  "E_Ethernet_SM3",  "E_Ethernet_SM4",
    "E_Ethernet_GAT1", "E_Ethernet_GAT2", "E_Ethernet_GAT3", "E_Ethernet_GAT4",
};

class CommunicationWindowTest : public testing::Test {
protected:
    void SetUp() override {
        state.setWorkspace(folder.path());
        folder.write(QStringLiteral("PROJECTS/Plant/bin/.keep"), {});
        state.activateProject(QStringLiteral("Plant"));
        window = std::make_unique<CommunicationWindow>(state, fake.platform);
    }

    template <typename T = QWidget> T* child(const char* name) const {
        T* widget = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    QComboBox* list(const char* name) const { return child<QComboBox>(name); }
    CollapsibleSection* section(const char* name) const { return child<CollapsibleSection>(name); }
    bool ethernetShown() const { return section("CP_Ethernet")->isVisible(); }

    void reshow() {
        window->hide();
        window->show();
    }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    // Sets a field as typing would (its change event fires).
    void type(const char* name, const char* text) {
        QLineEdit* field = edit(name);
        field->clear();
        QTest::keyClicks(field, QString::fromLatin1(text));
    }
    QString parGen() const { return state.parGenFile; }
    QByteArray stored() const { return folder.read(QStringLiteral("PROJECTS/Plant/ParGen.xml")); }
    void store(const QByteArray& bytes) const {
        folder.write(QStringLiteral("PROJECTS/Plant/ParGen.xml"), bytes);
    }

    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    std::unique_ptr<CommunicationWindow> window;
};

QStringList entries(const QComboBox* combo) {
    QStringList result;
    for (int i = 0; i < combo->count(); ++i)
        result << combo->itemText(i);
    return result;
}

} // namespace

TEST_F(CommunicationWindowTest, NewConfigurationShowsItsValuesInTheFourSections) {
    window->show();
    EXPECT_EQ(window->size(), QSize(460, 606));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Set Communication"));
    EXPECT_EQ(child<QLabel>("L_SW_Code")->text(), QStringLiteral("KT48213"));
    EXPECT_EQ(child<QLabel>("L_SW_Desc")->text(), QStringLiteral("Set Communication Setting"));
    EXPECT_EQ(child("P_Title")->height(), 69);
    EXPECT_EQ(child("P_Button")->height(), 40);
    EXPECT_EQ(child("P_Button")->geometry().bottom(), 605);
    // OK at the right end, Cancel right of it.
    EXPECT_LT(child("Btn_OK")->x(), child("Btn_Cancel")->x());
    EXPECT_GT(child("Btn_Cancel")->geometry().right(), 460 - 40);

    struct Section {
        const char* name;
        const char* header;
        int height;
    };
    const Section sections[] = {{"CP_Select_Device", "1. Select Device", 67},
                                {"CP_MBus", "2. M-Bus", 95},
                                {"CP_ModbusMaster", "3. Modbus Master", 207},
                                {"CP_Ethernet", "4. Ethernet", 123}};
    int top = 0;
    for (const Section& s : sections) {
        CollapsibleSection* cp = section(s.name);
        ASSERT_NE(cp, nullptr);
        EXPECT_TRUE(cp->isVisible()) << s.name;
        EXPECT_TRUE(cp->isExpanded()) << s.name;
        EXPECT_EQ(cp->title(), QLatin1String(s.header));
        EXPECT_EQ(cp->height(), s.height) << s.name;
        EXPECT_EQ(cp->y(), top) << s.name << ": directly below the section before";
        top += s.height;
    }

    struct List {
        const char* name;
        QStringList entries;
        QString shown;
    };
    const List lists[] = {
        {"CB_SelectDevice_SelDev",
         {"RX48213M (Serial Update)", "RX48213-B2 (Ethernet Update)"},
         "RX48213-B2 (Ethernet Update)"},
        {"CB_MBus_Baud", {"300", "600", "1200", "2400", "4800", "9600", "19200", "38400"}, "2400"},
        {"CB_MBus_Parity", {"NONE", "EVEN", "ODD"}, "EVEN"},
        {"CB_ModbusMaster_Serial", {"RS232", "RS485"}, "RS232"},
        {"CB_ModbusMaster_Baudrate",
         {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"},
         "115200"},
        {"CB_ModbusMaster_Parity", {"NONE", "EVEN", "ODD"}, "NONE"},
        {"CB_ModbusMaster_Protocol",
         {"Modbus RTU", "Modbus ASCII", "JBUS", "Binary", "ASCII"},
         "Modbus RTU"},
    };
    for (const List& l : lists) {
        EXPECT_EQ(entries(list(l.name)), l.entries) << l.name;
        EXPECT_EQ(list(l.name)->currentText(), l.shown) << l.name;
        EXPECT_FALSE(list(l.name)->isEditable()) << l.name;
    }
    EXPECT_EQ(edit("E_ModbusMaster_TimeOut")->text(), QStringLiteral("1000"));
    EXPECT_EQ(edit("E_ModbusMaster_CyclicDelay")->text(), QStringLiteral("100"));
    const char* const octets[12] = {"192", "168", "0",   "10",  "255", "255",
                                    "255", "0",   "192", "168", "0",   "1"};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(edit(Octets[i])->text(), QLatin1String(octets[i])) << Octets[i];
    EXPECT_FALSE(child<QCheckBox>("CB_Ethernet_En_GAT")->isChecked());
    EXPECT_FALSE(window->isChanged);
}

TEST_F(CommunicationWindowTest, EveryControlHasAnAccessibleName) {
    window->show();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!qobject_cast<QComboBox*>(w) && !qobject_cast<QLineEdit*>(w) &&
            !qobject_cast<QAbstractButton*>(w))
            continue;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
        ASSERT_NE(a, nullptr);
        EXPECT_FALSE(a->text(QAccessible::Name).trimmed().isEmpty())
            << w->objectName().toStdString();
    }
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(edit("E_Ethernet_SM2"))->text(QAccessible::Name),
        QStringLiteral("Insert Second byte of SubNet Mask"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(edit("E_ModbusMaster_TimeOut"))
                  ->text(QAccessible::Name),
              QStringLiteral("TimeOut (ms)"));
}

TEST_F(CommunicationWindowTest, SetLangAppliesEveryTextHeadersIncluded) {
    for (int i = 400; i <= 445; ++i)
        state.texts.setText(i, QStringLiteral("T%1").arg(i));
    CommunicationWindow translated(state, fake.platform);
    for (int i = 400; i <= 445; ++i)
        state.texts.setText(i, QStringLiteral("U%1").arg(i));
    for (int i = 499; i <= 501; ++i) // the parity names
        state.texts.setText(i, QStringLiteral("U%1").arg(i));
    translated.applyLanguage();

    auto shown = [&translated](const char* name, bool hint) {
        QWidget* w = translated.findChild<QWidget*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        if (!w)
            return QString();
        if (hint)
            return w->toolTip();
        if (auto* label = qobject_cast<QLabel*>(w))
            return label->text();
        // The button's words; the "&" before its shortcut letter is no part of them.
        return static_cast<QAbstractButton*>(w)->text().remove(QLatin1Char('&'));
    };
    struct Text {
        const char* name;
        int index;
        bool hint;
    };
    const Text texts[] = {
        {"L_SW_Desc", 401, false},
        {"Btn_OK", 402, false},
        {"Btn_Cancel", 403, false},
        {"Btn_OK", 404, true},
        {"Btn_Cancel", 405, true},
        {"L_SelectDevice_SelDev", 407, false},
        {"CB_SelectDevice_SelDev", 410, true},
        {"L_MBus_Baud", 412, false},
        {"CB_MBus_Baud", 413, true},
        {"L_MBus_Parity", 414, false},
        {"CB_MBus_Parity", 415, true},
        {"L_ModbusMaster_Serial", 417, false},
        {"CB_ModbusMaster_Serial", 418, true},
        {"L_ModbusMaster_Baudrate", 419, false},
        {"CB_ModbusMaster_Baudrate", 420, true},
        {"L_ModbusMaster_Parity", 421, false},
        {"CB_ModbusMaster_Parity", 422, true},
        {"L_ModbusMaster_TimeOut", 423, false},
        {"E_ModbusMaster_TimeOut", 424, true},
        {"L_ModbusMaster_CyclicDelay", 425, false},
        {"E_ModbusMaster_CyclicDelay", 426, true},
        {"L_ModbusMaster_Protocol", 427, false},
        {"CB_ModbusMaster_Protocol", 428, true},
        {"L_Ethernet_IP", 430, false},
        {"E_Ethernet_IP1", 431, true},
        {"E_Ethernet_IP4", 434, true},
        {"L_Ethernet_SM", 435, false},
        {"E_Ethernet_SM1", 436, true},
        {"E_Ethernet_SM4", 439, true},
        {"CB_Ethernet_En_GAT", 440, false},
        {"CB_Ethernet_En_GAT", 441, true},
        {"E_Ethernet_GAT1", 442, true},
        {"E_Ethernet_GAT4", 445, true},
    };
    EXPECT_EQ(translated.windowTitle(), QStringLiteral("U400"));
    for (const Text& t : texts)
        EXPECT_EQ(shown(t.name, t.hint), QStringLiteral("U%1").arg(t.index)) << t.name;
    auto* device = translated.findChild<QComboBox*>(QStringLiteral("CB_SelectDevice_SelDev"));
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(entries(device), (QStringList{"U408", "U409"}));
    // The parity lists keep their positions and take the language's words.
    for (const char* parity : {"CB_MBus_Parity", "CB_ModbusMaster_Parity"})
        EXPECT_EQ(entries(translated.findChild<QComboBox*>(QLatin1String(parity))),
                  (QStringList{"U499", "U500", "U501"}))
            << parity;
    // The section headers follow a language change too.
    const QStringList headers{"1. U406", "2. U411", "3. U416", "4. U429"};
    const char* const names[] = {"CP_Select_Device", "CP_MBus", "CP_ModbusMaster", "CP_Ethernet"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(translated.findChild<CollapsibleSection*>(QLatin1String(names[i]))->title(),
                  headers[i]);
}

TEST_F(CommunicationWindowTest,
       LanguageChangeWhileHiddenRebuildsTheDeviceListAndShowingRestoresIt) {
    window->show();
    ASSERT_EQ(list("CB_SelectDevice_SelDev")->currentIndex(), 1);
    window->hide();
    state.texts.setText(409, QStringLiteral("Ethernet"));
    window->applyLanguage();
    EXPECT_EQ(list("CB_SelectDevice_SelDev")->currentIndex(), 0);
    window->show();
    EXPECT_EQ(list("CB_SelectDevice_SelDev")->currentText(), QStringLiteral("Ethernet"));
    EXPECT_TRUE(ethernetShown());
    EXPECT_FALSE(window->isChanged);
}

TEST_F(CommunicationWindowTest, DeviceChoiceShowsAndHidesTheEthernetSectionAtOnce) {
    window->show();
    QLayout* group = child<QScrollArea>("CPG")->widget()->layout();
    EXPECT_TRUE(ethernetShown());
    list("CB_SelectDevice_SelDev")->setCurrentIndex(0);
    EXPECT_FALSE(ethernetShown());
    EXPECT_TRUE(section("CP_ModbusMaster")->isVisible());
    list("CB_SelectDevice_SelDev")->setCurrentIndex(1);
    EXPECT_TRUE(ethernetShown());
    group->activate();
    EXPECT_EQ(section("CP_Ethernet")->y(),
              section("CP_ModbusMaster")->y() + section("CP_ModbusMaster")->height());
    EXPECT_TRUE(window->isChanged);
}

TEST_F(CommunicationWindowTest, HeightFollowsTheUserWidthStaysAndTheSectionsScroll) {
    window->show();
    window->resize(800, 300);
    EXPECT_EQ(window->size(), QSize(460, 300));
    QScrollArea* area = child<QScrollArea>("CPG");
    window->layout()->activate();
    EXPECT_GT(area->verticalScrollBar()->maximum(), 0);
    window->resize(460, 900);
    EXPECT_EQ(window->height(), 900);

    // A folded section closes up: the next one follows its header.
    CollapsibleSection* mbus = section("CP_MBus");
    QTest::mouseClick(mbus->header(), Qt::LeftButton);
    EXPECT_FALSE(mbus->isExpanded());
    area->widget()->layout()->activate();
    EXPECT_LT(mbus->height(), 95);
    EXPECT_EQ(section("CP_ModbusMaster")->y(), mbus->y() + mbus->height());
    QTest::mouseClick(mbus->header(), Qt::LeftButton);
    EXPECT_EQ(mbus->height(), 95);
}

TEST_F(CommunicationWindowTest, ModbusFieldsTakeTheNumberRule) {
    struct Row {
        const char* text;
        bool passes;
    };
    const Row rows[] = {
        {"65535", true},   {"0", true},    {"$FFFF", true},  {"0x3E8", true},       {" 1000", true},
        {"65536", false},  {"-1", false},  {"", false},      {"1000 ms", false},    {"10.5", false},
        {"$10000", false}, {"abc", false}, {"1000 ", false}, {"4294967296", false},
    };
    const char* const fields[] = {"E_ModbusMaster_TimeOut", "E_ModbusMaster_CyclicDelay"};
    const char* const messages[] = {
        "Error Modbus Master!! TimeOut must be between 0 and 65535 milliseconds",
        "Error Modbus Master!! Cyclic Delay must be between 0 and 65535 milliseconds"};
    for (int f = 0; f < 2; ++f) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::Message() << fields[f] << " \"" << row.text << "\"");
            QFile::remove(parGen());
            reshow();
            type(fields[f], row.text);
            if (!row.passes)
                fake.prompts.expectError(QLatin1String(messages[f]));
            click("Btn_OK");
            fake.prompts.verify();
            EXPECT_EQ(window->isVisible(), !row.passes);
            EXPECT_EQ(QFile::exists(parGen()), row.passes);
            EXPECT_EQ(edit(fields[f])->text(), QLatin1String(row.text)) << "kept as typed";
        }
    }
}

TEST_F(CommunicationWindowTest, ChecksRunInOrderAndReportOnlyTheFirstFailure) {
    window->show();
    section("CP_Ethernet")->setExpanded(false);
    type("E_ModbusMaster_TimeOut", "abc");
    type("E_ModbusMaster_CyclicDelay", "abc");
    for (const char* octet : Octets)
        type(octet, "256");
    child<QCheckBox>("CB_Ethernet_En_GAT")->setChecked(true);

    // Each OK shows one message; mending its field brings the next one.
    const char* const mended[14] = {"E_ModbusMaster_TimeOut",
                                    "E_ModbusMaster_CyclicDelay",
                                    Octets[0],
                                    Octets[1],
                                    Octets[2],
                                    Octets[3],
                                    Octets[4],
                                    Octets[5],
                                    Octets[6],
                                    Octets[7],
                                    Octets[8],
                                    Octets[9],
                                    Octets[10],
                                    Octets[11]};
    for (int i = 0; i < 14; ++i) {
        SCOPED_TRACE(mended[i]);
        fake.prompts.expectError(defaultLangText(446 + i));
        click("Btn_OK");
        fake.prompts.verify();
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(QFile::exists(parGen()));
        // The failing field is put in front of the user, even in a folded section.
        EXPECT_EQ(window->focusWidget(), edit(mended[i]));
        if (i >= 2) {
            EXPECT_TRUE(section("CP_Ethernet")->isExpanded());
        }
        type(mended[i], "$0A");
    }
    click("Btn_OK");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(stored().contains("<Ethernet_GAT4>$0A</Ethernet_GAT4>")) << "saved as typed";
}

TEST_F(CommunicationWindowTest, EthernetValuesCountOnlyForTheEthernetDevice) {
    struct Row {
        const char* why;
        int device;
        bool gateway;
        const char* field;
        const char* text;
        const char* message; // nullptr: passes
        const char* element; // saved as it stands
    };
    const Row rows[] = {
        {"serial device: hidden fields are neither checked nor reset", 0, true, "E_Ethernet_IP1",
         "999", nullptr, "<Ethernet_IP1>999</Ethernet_IP1>"},
        {"serial device: an empty octet is kept", 0, false, "E_Ethernet_SM3", "", nullptr,
         "<Ethernet_SM3></Ethernet_SM3>"},
        {"gateway box not ticked", 1, false, "E_Ethernet_GAT1", "300", nullptr,
         "<Ethernet_GAT1>300</Ethernet_GAT1>"},
        {"gateway box ticked", 1, true, "E_Ethernet_GAT1", "300",
         "Error Ethernet!! GATEWAY IP 1 must be between 0 and 255", nullptr},
        {"address of the Ethernet device", 1, false, "E_Ethernet_IP4", "x",
         "Error Ethernet!! IP Address 4 must be between 0 and 255", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        QFile::remove(parGen());
        reshow();
        list("CB_SelectDevice_SelDev")->setCurrentIndex(row.device);
        EXPECT_EQ(ethernetShown(), row.device == 1);
        child<QCheckBox>("CB_Ethernet_En_GAT")->setChecked(row.gateway);
        type(row.field, row.text);
        if (row.message)
            fake.prompts.expectError(QLatin1String(row.message));
        click("Btn_OK");
        fake.prompts.verify();
        EXPECT_EQ(window->isVisible(), row.message != nullptr);
        if (row.element) {
            EXPECT_TRUE(stored().contains(row.element)) << stored().toStdString();
        }
    }
}

// A pasted character that ParGen.xml cannot hold is refused with the field's name, even in
// a field no range check looks at; the file stays as it was.
TEST_F(CommunicationWindowTest, PastedCharactersTheFileCannotHoldAreRefused) {
    struct Row {
        int device;
        const char* field;
        QString pasted;
        const char* message;
    };
    const Row rows[] = {
        {0, "E_Ethernet_IP2", QStringLiteral("1\x01"),
         "Error! Ethernet_IP2 holds a character that cannot be stored: U+0001 at position 2"},
        {0, "E_Ethernet_GAT4", QStringLiteral("\x1B[0m"),
         "Error! Ethernet_GAT4 holds a character that cannot be stored: U+001B at position 1"},
        {1, "E_ModbusMaster_TimeOut", QStringLiteral("1000") + QChar(0xFFFF),
         "Error Modbus Master!! TimeOut must be between 0 and 65535 milliseconds"},
    };
    store("<Par_Gen><Select_Device>0</Select_Device></Par_Gen>");
    const QByteArray before = stored();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.field);
        reshow();
        list("CB_SelectDevice_SelDev")->setCurrentIndex(row.device);
        QLineEdit* field = edit(row.field);
        field->clear();
        QGuiApplication::clipboard()->setText(row.pasted);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        ASSERT_EQ(field->text(), row.pasted) << "the paste did not arrive";
        fake.prompts.expectError(QLatin1String(row.message));
        click("Btn_OK");
        fake.prompts.verify();
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->focusWidget(), field);
        EXPECT_EQ(stored(), before);
    }
}

TEST_F(CommunicationWindowTest, DotMovesAlongTheTwelveAddressFields) {
    onNextModal([this](QWidget* modal) {
        ASSERT_EQ(modal, window.get());
        // The window's own focus child takes the keys, whichever window the platform activated.
        auto typeKeys = [this](const QString& keys) {
            for (QChar ch : keys) {
                QWidget* focused = window->focusWidget();
                ASSERT_NE(focused, nullptr) << "no field has the focus before " << ch.toLatin1();
                QTest::keyClick(focused, ch.toLatin1());
            }
        };
        for (const char* octet : Octets)
            edit(octet)->clear();
        edit("E_Ethernet_IP1")->setFocus();
        typeKeys(QStringLiteral("192.168"));
        EXPECT_EQ(edit("E_Ethernet_IP1")->text(), QStringLiteral("192"));
        EXPECT_EQ(edit("E_Ethernet_IP2")->text(), QStringLiteral("168"));
        EXPECT_EQ(window->focusWidget(), edit("E_Ethernet_IP2"));
        typeKeys(QStringLiteral(".1.2.255.255.255.0.10.0.0.1."));
        const char* const expected[12] = {"192", "168", "1",  "2", "255", "255",
                                          "255", "0",   "10", "0", "0",   "1"};
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(edit(Octets[i])->text(), QLatin1String(expected[i])) << Octets[i];
        // The last dot went nowhere; other characters are never filtered.
        EXPECT_EQ(window->focusWidget(), edit("E_Ethernet_GAT4"));
        typeKeys(QStringLiteral("a"));
        EXPECT_EQ(edit("E_Ethernet_GAT4")->text(), QStringLiteral("1a"));
        // The Modbus fields take a dot like any character.
        edit("E_ModbusMaster_TimeOut")->setFocus();
        edit("E_ModbusMaster_TimeOut")->clear();
        typeKeys(QStringLiteral("10.5"));
        EXPECT_EQ(edit("E_ModbusMaster_TimeOut")->text(), QStringLiteral("10.5"));
        window->close();
    });
    EXPECT_EQ(window->exec(), QDialog::Rejected);
    EXPECT_TRUE(modalActionsDone());
    EXPECT_FALSE(QFile::exists(parGen()));
}

TEST_F(CommunicationWindowTest, LeavingAsksOnlyAfterAChangeAndWritesNothing) {
    store("<Par_Gen><Select_Device>0</Select_Device><Mod_TO>2500</Mod_TO></Par_Gen>");
    const QByteArray before = stored();
    auto* gateway = child<QCheckBox>("CB_Ethernet_En_GAT");
    const QString question = QStringLiteral("Do you want to exit without saving changes?");

    // Shown and left at once: no question.
    window->show();
    EXPECT_FALSE(window->isChanged);
    click("Btn_Cancel");
    EXPECT_FALSE(window->isVisible());

    // Ticking and unticking is a change; No keeps the window with its input.
    window->show();
    gateway->click();
    gateway->click();
    type("E_ModbusMaster_TimeOut", "7");
    EXPECT_TRUE(window->isChanged);
    fake.prompts.expectQuestion(question, false);
    click("Btn_Cancel");
    fake.prompts.verify();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(edit("E_ModbusMaster_TimeOut")->text(), QStringLiteral("7"));

    // Escape is Cancel too.
    fake.prompts.expectQuestion(question, false);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    fake.prompts.verify();
    EXPECT_TRUE(window->isVisible());

    // Yes leaves; the next showing shows the file again.
    fake.prompts.expectQuestion(question, true);
    click("Btn_Cancel");
    fake.prompts.verify();
    EXPECT_FALSE(window->isVisible());
    window->show();
    EXPECT_EQ(edit("E_ModbusMaster_TimeOut")->text(), QStringLiteral("2500"));

    // A list changed and changed back is a change.
    list("CB_MBus_Parity")->setCurrentIndex(2);
    list("CB_MBus_Parity")->setCurrentIndex(1);
    fake.prompts.expectQuestion(question, true);
    click("Btn_Cancel");
    fake.prompts.verify();

    // The close box leaves at once, without a question.
    window->show();
    type("E_ModbusMaster_CyclicDelay", "1");
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored(), before);
}

TEST_F(CommunicationWindowTest, OkWritesTheFileAndUnchangedFilesStayByteForByte) {
    // A configuration confirmed for the first time gets the new-configuration file.
    window->show();
    click("Btn_OK");
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored(), readFixture(QStringLiteral("comm/new_configuration.xml")));

    for (const char* fixture : {"comm/new_configuration.xml", "comm/serial_edited.xml"}) {
        SCOPED_TRACE(fixture);
        const QByteArray bytes = readFixture(QLatin1String(fixture));
        store(bytes);
        window->show();
        click("Btn_OK");
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(stored(), bytes);
    }
}

// Enter on a focused OK or Cancel presses it; Enter in a field or a list saves nothing.
TEST_F(CommunicationWindowTest, EnterPressesAFocusedButtonOnly) {
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    for (const char* field : {"E_ModbusMaster_TimeOut", "CB_MBus_Baud"}) {
        QWidget* w = child(field);
        w->setFocus();
        QTest::keyClick(w, Qt::Key_Return);
        QTest::keyClick(w, Qt::Key_Enter, Qt::KeypadModifier);
        EXPECT_TRUE(window->isVisible()) << field;
    }
    EXPECT_FALSE(QFile::exists(parGen()));
    QWidget* ok = child("Btn_OK");
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored(), readFixture(QStringLiteral("comm/new_configuration.xml")));

    window->show();
    QWidget* cancel = child("Btn_Cancel");
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->result(), QDialog::Rejected);
}

// Every entry of the device list shows whole, in every shipped language.
TEST_F(CommunicationWindowTest, DeviceListShowsItsLongestEntryWhole) {
    state.texts.setText(409, QStringLiteral("RX48213-B2 (aggiornamento via Ethernet)"));
    window->applyLanguage();
    window->show();
    window->layout()->activate();
    QComboBox* device = list("CB_SelectDevice_SelDev");
    for (int i = 0; i < device->count(); ++i) {
        const int needed = device->fontMetrics().horizontalAdvance(device->itemText(i));
        // The text's room: the box less its frame and drop-down arrow.
        QStyleOptionComboBox option;
        option.initFrom(device);
        const QRect room = device->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, device);
        EXPECT_GE(room.width(), needed) << device->itemText(i).toStdString();
    }
    // The window grows to hold it: no control runs past the visible part of the sections.
    auto* sections = window->findChild<QScrollArea*>(QStringLiteral("CPG"));
    ASSERT_NE(sections, nullptr);
    QCoreApplication::processEvents();
    const QWidget* viewport = sections->viewport();
    const int visibleRight = viewport->mapTo(window.get(), QPoint(viewport->width(), 0)).x();
    for (QComboBox* box : window->findChildren<QComboBox*>()) {
        if (!box->isVisible())
            continue;
        EXPECT_LE(box->mapTo(window.get(), QPoint(box->width(), 0)).x(), visibleRight)
            << box->objectName().toStdString();
    }
}

TEST_F(CommunicationWindowTest, PositionOutsideItsListShowsNoChoiceAndIsWrittenBackAsMinusOne) {
    store("<Par_Gen><Select_Device>7</Select_Device><Meter_Baud>8</Meter_Baud>"
          "<Mod_Baud>9</Mod_Baud><Mod_Protocol>-3</Mod_Protocol>"
          "<Ethernet_IP1>999</Ethernet_IP1></Par_Gen>");
    window->show();
    for (const char* name : {"CB_SelectDevice_SelDev", "CB_MBus_Baud", "CB_ModbusMaster_Baudrate",
                             "CB_ModbusMaster_Protocol"}) {
        EXPECT_EQ(list(name)->currentIndex(), -1) << name;
        EXPECT_EQ(list(name)->currentText(), QString()) << name;
    }
    // Shown, as the position is not 0, but not checked, as it is not 1.
    EXPECT_TRUE(ethernetShown());
    click("Btn_OK");
    EXPECT_FALSE(window->isVisible());
    const QByteArray saved = stored();
    for (const char* element : {"<Select_Device>-1</Select_Device>", "<Meter_Baud>-1</Meter_Baud>",
                                "<Mod_Baud>-1</Mod_Baud>", "<Mod_Protocol>-1</Mod_Protocol>",
                                "<Ethernet_IP1>999</Ethernet_IP1>", "<Meter_Par>1</Meter_Par>"})
        EXPECT_TRUE(saved.contains(element)) << element << "\n" << saved.toStdString();

    // The -1 comes back as no choice and is written again unchanged.
    window->show();
    EXPECT_EQ(list("CB_SelectDevice_SelDev")->currentIndex(), -1);
    click("Btn_OK");
    EXPECT_EQ(stored(), saved);
}

TEST_F(CommunicationWindowTest, ReadOnlyConfigurationFolderKeepsTheWindowAndTheOldFile) {
    const QByteArray old = readFixture(QStringLiteral("comm/serial_edited.xml"));
    store(old);
    window->show();
    type("E_ModbusMaster_TimeOut", "42");
    {
        const ReadOnlyFolder readOnly(state.projectDir);
        if (!readOnly.refusesNewFiles())
            GTEST_SKIP() << "this file system lets the folder be written";
        const QString reason = writeFileAtomically(parGen(), {});
        ASSERT_FALSE(reason.isEmpty());
        ASSERT_TRUE(reason.startsWith(parGen() + QStringLiteral(": "))) << reason.toStdString();
        fake.prompts.expectError(reason);
        click("Btn_OK");
        fake.prompts.verify();
    }
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(edit("E_ModbusMaster_TimeOut")->text(), QStringLiteral("42"));
    EXPECT_EQ(stored(), old);
    // Once the folder can be written again, the same OK saves.
    click("Btn_OK");
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(stored().contains("<Mod_TO>42</Mod_TO>"));
}

TEST_F(CommunicationWindowTest, FileThatIsNotWellFormedIsReportedAndLeftAlone) {
    const QByteArray broken = readFixture(QStringLiteral("comm/broken.xml"));
    store(broken);
    const QString reason = loadGeneralParameters(parGen()).error;
    ASSERT_TRUE(reason.contains(QStringLiteral("line 4, column 1"))) << reason.toStdString();
    fake.prompts.expectError(reason);
    {
        const NoModalGuard noWindow;
        EXPECT_EQ(window->exec(), QDialog::Rejected);
    }
    fake.prompts.verify();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(stored(), broken);
}

TEST_F(CommunicationWindowTest, TabGoesThroughTheSectionsInTheirOrder) {
    QStringList visited;
    onNextModal([this, &visited](QWidget*) {
        EXPECT_EQ(window->focusWidget(), child("CB_SelectDevice_SelDev"));
        // The window's own focus child takes the keys, whichever window the platform activated.
        child("CP_Select_Device_Header")->setFocus(Qt::TabFocusReason);
        for (int i = 0; i < 27; ++i) {
            QWidget* focused = window->focusWidget();
            ASSERT_NE(focused, nullptr) << "after " << visited.join(u' ').toStdString();
            visited << focused->objectName();
            QTest::keyClick(focused, Qt::Key_Tab);
        }
        window->close();
    });
    window->exec();
    const QStringList expected{"CP_Select_Device_Header",
                               "CB_SelectDevice_SelDev",
                               "CP_MBus_Header",
                               "CB_MBus_Baud",
                               "CB_MBus_Parity",
                               "CP_ModbusMaster_Header",
                               "CB_ModbusMaster_Serial",
                               "CB_ModbusMaster_Baudrate",
                               "CB_ModbusMaster_Parity",
                               "E_ModbusMaster_TimeOut",
                               "E_ModbusMaster_CyclicDelay",
                               "CB_ModbusMaster_Protocol",
                               "CP_Ethernet_Header",
                               "E_Ethernet_IP1",
                               "E_Ethernet_IP2",
                               "E_Ethernet_IP3",
                               "E_Ethernet_IP4",
                               "E_Ethernet_SM1",
                               "E_Ethernet_SM2",
                               "E_Ethernet_SM3",
                               "E_Ethernet_SM4",
                               "CB_Ethernet_En_GAT",
                               "E_Ethernet_GAT1",
                               "E_Ethernet_GAT2",
                               "E_Ethernet_GAT3",
                               "E_Ethernet_GAT4",
                               "Btn_OK"};
    EXPECT_EQ(visited, expected);
}
