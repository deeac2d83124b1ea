#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <array>
#include <optional>

// The one reading of the device images: their fields as values, and every
// problem found on the way. The dump prints what it returns; the update
// comparison compares it. Every read is bounds-checked: the bytes may come from
// any file.
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

// Something in bank.bin our compiler never writes, and where in the reading it
// was found.
struct Problem {
    enum class Place {
        Header,     // the header itself
        Tables,     // how the header's offsets split the file
        NodeCount,  // the number of nodes the tables hold
        Node,       // the record of node `node`
        Dimension,  // the data-field code of variable `variable` of node `node`
        RecordCode, // the record code of that variable
        Records,    // the variable records against the nodes that list them
        Section,    // the parameter section against the tables
    };
    Place place = Place::Header;
    int node = -1;     // from 0
    int variable = -1; // from 0
    QString text;
    // True when the device could not take the image at all; false for values that
    // merely no list names (the device would load them).
    bool refuses = true;
};

// How far the reading of bank.bin got.
enum class Reached {
    Start,  // not even the header
    Header, // the header; the tables could not be split into nodes
    Tables, // the node table and whatever records it could point to
};

// A node's record as stored, beside what it means.
struct NodeRecord {
    quint16 count = 0;       // variable records it lists
    quint32 firstRecord = 0; // where they start
    std::array<quint8, 4> bcd{};
    bool recordsRead = false; // false when its records run past the table (the reading stops)
};

struct NetworkRead {
    Network network; // every node read; a node whose records could not be read
                     // has none
    qint64 size = 0;
    Reached reached = Reached::Start;
    quint32 tableOffset = 0;
    quint32 sectionOffset = 0;
    bool hasSection = false;
    qint64 nodeCount = 0;
    qint64 variableCount = 0;
    QList<NodeRecord> records; // beside network.nodes
    quint16 sectionNodes = 0;  // the counts the parameter section repeats
    quint16 sectionVariables = 0;
    QList<Problem> problems; // in the order of the bytes

    // The first problem that keeps the device from taking the image; empty when
    // there is none.
    QString refusal() const;
};

NetworkRead readNetwork(const QByteArray& bytes);

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
    quint8 nodeCount = 0;
    quint32 bankAddress = 0;
    quint32 storedChecksum = 0;
    quint32 computedChecksum = 0;
    QByteArray bytes;
};

// A problem of bank2.bin, where it lies.
struct BlockProblem {
    enum class Place {
        Size,     // the block's length
        Field,    // the field starting at `offset`
        Stray,    // bytes no field names
        Checksum, // the stored checksum
    };
    Place place = Place::Field;
    int offset = -1;
    QString text;
    // True when the device could not take the block; false for values our compiler never
    // writes (the device would load them).
    bool refuses = false;
};

struct BlockRead {
    Block block;                  // the fields, read as far as the bytes go
    QList<BlockProblem> problems; // in the order of the bytes
    QString refusal() const;      // as NetworkRead's
};

// The one reading of bank2.bin: what the fields hold and everything wrong with them.
BlockRead readBlock(const QByteArray& bytes);

struct Images {
    Network network;
    Block block;
};

// Empty text on success; else why the bytes are no image the device could take.
QString decodeNetwork(const QByteArray& bytes, Network& network);
QString decodeBlock(const QByteArray& bytes, Block& block);

} // namespace ImageDecode
