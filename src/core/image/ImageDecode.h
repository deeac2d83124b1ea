#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>

// The device images read back into their fields, for comparing what two updates send. The
// readable dump shows the same fields as text; this keeps them as values. Every read is
// bounds-checked: the bytes may come from any file.
namespace ImageDecode {

struct Variable {
    quint8 type = 0;
    quint8 function = 0;
    quint8 dimensionCode = 0;
    quint8 unit = 0;
    quint32 storage = 0;
    quint32 tariff = 0;
    quint8 vife = 0;
    quint8 length = 0;
    quint16 recordCode = 0;
    quint8 modId = 0;
    quint8 modType = 0;
    quint16 modRegister = 0;
    quint8 modPoints = 0;
    quint8 modSwap = 0;
    bool operator==(const Variable&) const = default;
};

struct Node {
    quint8 id = 0;
    QString secondary; // eight BCD digits, '?' for a nibble above 9
    QList<Variable> variables;
    bool operator==(const Node&) const = default;
};

// The parameter section of bank.bin.
struct Parameters {
    quint8 modSer = 0;
    quint8 modBaud = 0;
    quint8 modPar = 0;
    quint16 modTimeout = 0;
    quint16 modCyclicDelay = 0;
    quint8 framing = 0;
    quint8 meterBaud = 0;
    quint8 meterPar = 0;
    bool operator==(const Parameters&) const = default;
};

struct Network {
    QList<Node> nodes;
    std::optional<Parameters> parameters; // absent when compiled without ParGen.xml
};

// bank2.bin; `bytes` keeps the whole block for the bytes no field names.
struct Block {
    quint32 modTimeout = 0;
    quint32 modCyclicDelay = 0;
    std::array<quint8, 4> ip{};
    std::array<quint8, 4> mask{};
    std::array<quint8, 4> gateway{};
    quint32 modRate = 0;
    quint32 meterRate = 0;
    quint8 modParity = 0;
    quint8 meterParity = 0;
    quint8 framing = 0;
    quint32 bankAddress = 0;
    QByteArray bytes;
};

struct Images {
    Network network;
    Block block;
};

// Empty text on success; else why the bytes are no image the device could take.
QString decodeNetwork(const QByteArray& bytes, Network& network);
QString decodeBlock(const QByteArray& bytes, Block& block);

} // namespace ImageDecode
