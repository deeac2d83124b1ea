#pragma once

#include "core/platform/SerialProbe.h"

#include <QString>

// The serial ports of this computer as COM numbers.
//
// Windows: every \\.\COMn, n from 1 to 256, that opens, or that exists but is held by another
// program.
//
// Linux: the serial updater runs through wine, so the numbers are the ones wine gives. Where
// the wine prefix has dosdevices/comN links, they are wine's mapping from its last start
// (registry overrides and ports added by hand included) and keep their numbers. Devices no
// link names yet (no prefix, or plugged in since wine last ran) take the next free numbers in
// wine's order: /dev/ttyS0, ttyS1, ... up to the first missing node, then ttyUSB0...,
// then ttyACM0.... Of these, a port counts when its hardware is present: a ttyS node only when
// the kernel found a UART behind it (/sys/class/tty/ttyS<k>/device exists and its type is not
// 0, "unknown"); ttyUSB and ttyACM nodes exist only while their device is plugged in. Nothing
// is opened, so a port held by another program still counts.
class SystemSerialProbe final : public SerialProbe {
public:
    // The folders are injectable for tests; empty ones take the system's: /dev,
    // /sys/class/tty and the wine prefix (WINEPREFIX, else ~/.wine).
    explicit SystemSerialProbe(QString devFolder = {}, QString sysTtyFolder = {},
                               QString winePrefix = {});

    QList<int> portNumbers() override;

    static QString defaultWinePrefix();

private:
    bool present(const QString& devicePath) const;

    QString dev_;
    QString sysTty_;
    QString winePrefix_;
};
