#pragma once

#include <QList>
#include <QString>

// One M-Bus data record of a node and the Modbus register that feeds it. The coding fields
// hold positions in the fixed lists of CodingTables.h. The initial values are the ones a
// reader gives to an attribute that is missing or not an integer.
struct Variable {
    bool enabled = false;
    QString description;
    qint32 dataType = 0;
    qint32 function = 0;
    qint32 dimension = 0;
    qint32 unit = 0;
    quint32 storageNumber = 0;
    qint32 tariff = 0;
    quint8 vife = 0;
    quint8 length = 0;
    // 255: the scale list of the type (and VIFE) is empty. The editor keeps a byte; the field
    // is wider because the compiler takes a hand-edited value as 16 bits.
    quint16 scale = 0;
    qint32 modbusSlave = 1;
    qint32 modbusType = 0;
    qint32 modbusRegister = 1;
    qint32 modbusCount = 1;
    qint32 modbusSwap = 0;

    bool operator==(const Variable&) const = default;
};

// One M-Bus slave that the gateway presents; it owns its variables.
struct Node {
    QString description;
    qint32 primary = 0;
    qint32 secondary = 0;
    QList<Variable> variables;

    bool operator==(const Node&) const = default;
};

// The network in file order, which is also the order of the editor's tree and of the image.
using Network = QList<Node>;

struct NetworkLoad {
    Network nodes;
    QString error; // empty on success; else what failed and where
    bool ok() const { return error.isEmpty(); }
};

// The editor's reading of M_Bus.xml. An absent file is an empty network. Fails when the file
// is not well-formed, or when a variable lacks an integer "Type", "Fun_Field" or "Dim".
// Ranges are not enforced: a file may hold any value that fits a field.
NetworkLoad loadNetwork(const QString& path);

// The same reading of a file's bytes already in memory; `fileName` names it in failures.
NetworkLoad parseNetwork(const QByteArray& bytes, const QString& fileName);

// Replaces the file by a document built from the network; nothing is validated here.
// Returns an empty text on success, else the system's message.
QString saveNetwork(const Network& network, const QString& path);

// The bytes saveNetwork writes.
QByteArray networkBytes(const Network& network);
