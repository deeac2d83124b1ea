#include "gui/comm/CommunicationWindow.h"

#include "core/image/BankDump.h"
#include "core/image/BankFiles.h"
#include "core/image/BankLayout.h"
#include "core/image/Compiler.h"
#include "core/state/SharedState.h"
#include "mock/FakeServices.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

quint32 readLittleEndian(const QByteArray& bytes, int at, int size) {
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes.at(at + i));
    return value;
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

} // namespace

// What the window accepts is what the device gets: texts typed with a hexadecimal prefix or
// leading blanks reach the images as the numbers the window checked.
TEST(ParGenToDevice, TypedValuesReachTheImagesUnchanged) {
    TestFolder folder;
    SharedState state;
    FakePlatform fake;
    state.setWorkspace(folder.path());
    folder.write(QStringLiteral("PROJECTS/Plant/bin/.keep"), {});
    state.activateProject(QStringLiteral("Plant"));
    CommunicationWindow window(state, fake.platform);
    window.show();

    struct Typed {
        const char* field;
        const char* text;
    };
    const Typed typed[] = {
        {"E_ModbusMaster_TimeOut", "$FFFF"},
        {"E_ModbusMaster_CyclicDelay", " 0x3E8"},
        {"E_Ethernet_IP1", "0x0A"},
        {"E_Ethernet_IP2", " 1"},
        {"E_Ethernet_IP3", "$2"},
        {"E_Ethernet_IP4", "+3"},
        {"E_Ethernet_SM1", "255"},
        {"E_Ethernet_SM2", "$FF"},
        {"E_Ethernet_SM3", "XF0"},
        {"E_Ethernet_SM4", "  0"},
        {"E_Ethernet_GAT1", "$0A"},
        {"E_Ethernet_GAT2", "1"},
        {"E_Ethernet_GAT3", " 0x2"},
        {"E_Ethernet_GAT4", "xFE"},
    };
    for (const Typed& t : typed) {
        auto* field = window.findChild<QLineEdit*>(QLatin1String(t.field));
        ASSERT_NE(field, nullptr) << t.field;
        field->clear();
        QTest::keyClicks(field, QLatin1String(t.text));
    }
    window.findChild<QCheckBox*>(QStringLiteral("CB_Ethernet_En_GAT"))->setChecked(true);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("Btn_OK")), Qt::LeftButton);
    ASSERT_FALSE(window.isVisible()) << "the window accepted every value";

    const CompileResult compiled = compileBanksFromFiles(state.networkFile, state.parGenFile);
    ASSERT_TRUE(compiled.ok()) << compiled.error.toStdString();
    ASSERT_EQ(writeBanks(state.projectDir, compiled.banks), QString());
    const QByteArray block = readFile(bank2Path(state.projectDir));
    ASSERT_EQ(block.size(), BankLayout::BlockSize);
    using namespace BankLayout;
    EXPECT_EQ(readLittleEndian(block, BlkModTimeout, 4), 65535u);
    EXPECT_EQ(readLittleEndian(block, BlkModCyclicDelay, 4), 1000u);
    EXPECT_EQ(block.mid(BlkIp, 4), QByteArray::fromHex("0a010203"));
    EXPECT_EQ(block.mid(BlkMask, 4), QByteArray::fromHex("fffff000"));
    EXPECT_EQ(block.mid(BlkGateway, 4), QByteArray::fromHex("0a0102fe"));
    EXPECT_EQ(readLittleEndian(block, BlkChecksum, 4), blockChecksum(block));

    // The network image's parameter section follows the header when there are no nodes.
    const QByteArray bank = readFile(bankPath(state.projectDir));
    ASSERT_EQ(bank.size(), HeaderSize + ParamSectionSize);
    EXPECT_EQ(readLittleEndian(bank, HeaderSize + ParModTimeout, 2), 65535u);
    EXPECT_EQ(readLittleEndian(bank, HeaderSize + ParModCyclicDelay, 2), 1000u);
}
