// Fake device trees: regular files stand in for device nodes (only their existence counts).
#include "core/platform/SystemSerialProbe.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class SerialPorts : public testing::Test {
protected:
    QString dev() const { return folder.file(QStringLiteral("dev")); }
    QString sys() const { return folder.file(QStringLiteral("sys")); }
    QString prefix() const { return folder.file(QStringLiteral("wine")); }

    void node(const char* name) { folder.write(QStringLiteral("dev/") + QLatin1String(name), {}); }
    // A UART the kernel found (type 4 is a 16550A), or one it did not (type 0).
    void uart(const char* name, const char* type) {
        QDir().mkpath(sys() + QLatin1Char('/') + QLatin1String(name) + QStringLiteral("/device"));
        if (type)
            folder.write(QStringLiteral("sys/") + QLatin1String(name) + QStringLiteral("/type"),
                         QByteArray(type) + '\n');
    }
    void link(const char* com, const QString& target) {
        QDir().mkpath(prefix() + QStringLiteral("/dosdevices"));
        ASSERT_TRUE(
            QFile::link(target, prefix() + QStringLiteral("/dosdevices/") + QLatin1String(com)));
    }
    QList<int> ports() { return SystemSerialProbe(dev(), sys(), prefix()).portNumbers(); }

    TestFolder folder;
};

} // namespace

TEST_F(SerialPorts, NumbersAsWineDoesAndListsPortsWithHardware) {
    for (const char* name : {"ttyS0", "ttyS1", "ttyS2", "ttyS3", "ttyUSB0", "ttyACM0", "ttyUSB2"})
        node(name);
    uart("ttyS0", "4");
    uart("ttyS1", "0");     // a node without a UART behind it cannot be opened
    uart("ttyS3", nullptr); // no type file: the device link is enough
    // ttyS2 has no device at all. ttyUSB2 is past the gap at ttyUSB1, where wine stops looking.
    // COM1 ttyS0, COM2 ttyS1, COM3 ttyS2, COM4 ttyS3, COM5 ttyUSB0, COM6 ttyACM0.
    EXPECT_EQ(ports(), (QList<int>{1, 4, 5, 6}));
}

TEST_F(SerialPorts, PrefixLinksKeepTheirNumbersAndNewDevicesTakeTheNextFree) {
    for (const char* name : {"ttyS0", "ttyS1", "ttyUSB0"})
        node(name);
    uart("ttyS0", "4");
    uart("ttyS1", "4");
    const QString adapter = folder.write(QStringLiteral("elsewhere/adapter"), {});
    // Wine's own links from its last start, with a registry override putting the adapter
    // on COM1 and ttyS0 on COM2.
    link("com1", adapter);
    link("com2", dev() + QStringLiteral("/ttyS0"));
    link("com12", adapter); // a port added by hand keeps its number
    link("com9", folder.file(QStringLiteral("elsewhere/unplugged"))); // dangling: no hardware
    link("COM3x", adapter);                                           // not a port name
    // ttyS1 and ttyUSB0 have no link yet: the next free numbers, 3 and 4, in wine's order.
    EXPECT_EQ(ports(), (QList<int>{1, 2, 3, 4, 12}));
}

TEST_F(SerialPorts, NothingThereGivesAnEmptyList) {
    EXPECT_TRUE(ports().isEmpty());
}
