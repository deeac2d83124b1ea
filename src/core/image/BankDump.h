#pragma once

#include <QByteArray>
#include <QString>

// Readable decoding of the device images for support work. Every read is bounds-checked:
// the bytes may come from any file. `ok` is false when the bytes are truncated, inconsistent
// or hold values our compiler never writes; the text then says what and where.
struct BankDump {
    QString text;
    bool ok = false;
};

// Tells the two images apart by content: 2048 bytes whose stored checksum holds are the
// parameter block (bank2.bin); anything else is read as the network image (bank.bin), which
// never has 2048 bytes.
BankDump dumpImage(const QByteArray& bytes);

BankDump dumpNetworkImage(const QByteArray& bytes);   // bank.bin
BankDump dumpParameterBlock(const QByteArray& bytes); // bank2.bin
