#include "core/image/ImageDecode.h"

#include "core/image/BankLayout.h"
#include "core/image/LittleEndian.h"
#include "core/image/RecordCoding.h"

using namespace BankLayout;
using namespace LittleEndian;

namespace ImageDecode {

namespace {

using Place = Problem::Place;

Variable variableAt(const QByteArray& b, qint64 at) {
    auto u8 = [&](int offset) { return read8(b, at + offset).value_or(0); };
    auto u16 = [&](int offset) { return read16(b, at + offset).value_or(0); };
    auto u32 = [&](int offset) { return read32(b, at + offset).value_or(0); };
    Variable v;
    v.type = u8(VarType);
    v.function = u8(VarFunction);
    v.dimensionCode = u8(VarDimensionCode);
    v.unit = u8(VarUnit);
    v.storage = u32(VarStorage);
    v.tariff = u32(VarTariff);
    v.vife = u8(VarVife);
    v.length = u8(VarLength);
    v.recordCode = u16(VarRecordCode);
    v.modId = u8(VarModId);
    v.modType = u8(VarModType);
    v.modRegister = u16(VarModRegister);
    v.modPoints = u8(VarModPoints);
    v.modSwap = u8(VarModSwap);
    return v;
}

Parameters parametersAt(const QByteArray& b, qint64 at) {
    auto u8 = [&](int offset) { return read8(b, at + offset).value_or(0); };
    auto u16 = [&](int offset) { return read16(b, at + offset).value_or(0); };
    Parameters p;
    p.modSer = u8(ParModSer);
    p.modBaud = u8(ParModBaud);
    p.modPar = u8(ParModPar);
    p.modTimeout = u16(ParModTimeout);
    p.modCyclicDelay = u16(ParModCyclicDelay);
    p.framing = u8(ParFraming);
    p.meterBaud = u8(ParMeterBaud);
    p.meterPar = u8(ParMeterPar);
    return p;
}

QString hexValue(quint32 value, int width = 0) {
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(value, width, 16, QLatin1Char('0')).toUpper();
}

QString hexOffset(int at) {
    return hexValue(quint32(at), 3);
}

std::array<quint8, 4> octets(const QByteArray& b, qint64 at) {
    std::array<quint8, 4> out{};
    for (int i = 0; i < 4; ++i)
        out[size_t(i)] = read8(b, at + i).value_or(0);
    return out;
}

// Eight packed BCD digits, most significant first; a nibble above 9 reads as
// '?'.
QString bcdDigits(const std::array<quint8, 4>& bcd, bool& valid) {
    QString digits;
    valid = true;
    for (const quint8 byte : bcd) {
        for (const int nibble : {byte >> 4, byte & 0x0F}) {
            valid = valid && nibble <= 9;
            digits += nibble > 9 ? QChar(u'?') : QChar(u'0' + nibble);
        }
    }
    return digits;
}

// Empty when the record code is no code, or the code of a choice of this type
// (and VIFE).
QString recordCodeProblem(quint16 code, quint8 type, quint8 vife) {
    if (code == 0)
        return {};
    const auto meaning = RecordCoding::meaningOfCode(code);
    if (!meaning)
        return QStringLiteral("record code %1 is not a code of any choice").arg(code);
    if (meaning->typeOfData != type || (type == RecordCoding::TypeInVife && meaning->vife != vife))
        return QStringLiteral("record code %1 does not belong to type of data %2%3")
            .arg(code)
            .arg(type)
            .arg(type == RecordCoding::TypeInVife ? QStringLiteral(" with VIFE %1").arg(vife)
                                                  : QString());
    return {};
}

class Reader {
public:
    Reader(const QByteArray& b, NetworkRead& read) : b_(b), read_(read) {}

    void run() {
        const qint64 size = b_.size();
        read_.size = size;
        const auto tableOffset = read32(b_, 0);
        const auto paramOffset = read32(b_, 4);
        if (!tableOffset || !paramOffset) {
            problem(Place::Header,
                    QStringLiteral("truncated: the header needs %1 bytes").arg(HeaderSize));
            return;
        }
        read_.reached = Reached::Header;
        read_.tableOffset = *tableOffset;
        read_.sectionOffset = *paramOffset;
        if (*tableOffset != quint32(HeaderSize)) {
            problem(Place::Tables,
                    QStringLiteral("the node table offset is %1, the device expects %2")
                        .arg(*tableOffset)
                        .arg(HeaderSize));
            return;
        }
        const qint64 p = *paramOffset;
        if (p < HeaderSize || p > size) {
            problem(Place::Tables,
                    QStringLiteral("the parameter section offset %1 lies outside the file "
                                   "(truncated or not a network image)")
                        .arg(p));
            return;
        }
        read_.hasSection = size == p + ParamSectionSize;
        if (size != p && !read_.hasSection)
            problem(Place::Tables,
                    QStringLiteral("%1 bytes follow the tables; a parameter section has %2")
                        .arg(size - p)
                        .arg(ParamSectionSize));
        if (read_.hasSection) {
            read_.network.parameters = parametersAt(b_, p);
            read_.sectionNodes = read16(b_, p + ParNodeCount).value_or(0);
            read_.sectionVariables = read16(b_, p + ParVarCount).value_or(0);
        }

        // The header does not hold N: the first node's record offset tells it, and
        // the parameter section, when present, repeats it.
        qint64 nodeCount = 0;
        if (p > HeaderSize) {
            const auto firstAdd = read32(b_, HeaderSize + NodeFirstVar);
            if (!firstAdd || *firstAdd > quint32(p) ||
                (qint64(*firstAdd) - HeaderSize) % NodeRecordSize != 0 ||
                *firstAdd < quint32(HeaderSize + NodeRecordSize)) {
                problem(Place::Tables, QStringLiteral("the first node record does not point "
                                                      "behind the node table (truncated or "
                                                      "inconsistent)"));
                return;
            }
            nodeCount = (qint64(*firstAdd) - HeaderSize) / NodeRecordSize;
        }
        read_.reached = Reached::Tables;
        const qint64 varBytes = p - HeaderSize - NodeRecordSize * nodeCount;
        const qint64 varCount = varBytes / VarRecordSize;
        read_.nodeCount = nodeCount;
        read_.variableCount = varCount;
        if (varBytes < 0 || varBytes % VarRecordSize != 0)
            problem(Place::Tables, QStringLiteral("the tables (%1 bytes) do not split into %2 "
                                                  "node records and whole variable records")
                                       .arg(p - HeaderSize)
                                       .arg(nodeCount));
        if (nodeCount > MaxNodes)
            problem(Place::NodeCount, QStringLiteral("%1 nodes: the device holds at most %2")
                                          .arg(nodeCount)
                                          .arg(MaxNodes));

        qint64 expectedAdd = HeaderSize + NodeRecordSize * nodeCount;
        qint64 recordsSeen = 0;
        for (qint64 k = 0; k < nodeCount; ++k) {
            if (!readNode(int(k), p, expectedAdd))
                break;
            recordsSeen += read_.records.back().count;
        }
        if (recordsSeen != varCount)
            problem(Place::Records,
                    QStringLiteral("the nodes list %1 variable records, the table holds %2")
                        .arg(recordsSeen)
                        .arg(varCount));
        if (read_.hasSection &&
            (read_.sectionNodes != nodeCount || read_.sectionVariables != varCount))
            problem(Place::Section,
                    QStringLiteral("the parameter section counts %1 nodes and %2 variables, the "
                                   "tables hold %3 and %4")
                        .arg(read_.sectionNodes)
                        .arg(read_.sectionVariables)
                        .arg(nodeCount)
                        .arg(varCount),
                    false);
    }

private:
    // False when the node's records run past the table: nothing after it can be
    // trusted.
    bool readNode(int k, qint64 p, qint64& expectedAdd) {
        const qint64 at = HeaderSize + NodeRecordSize * qint64(k);
        NodeRecord record;
        record.count = read16(b_, at + NodeVarCount).value_or(0);
        record.firstRecord = read32(b_, at + NodeFirstVar).value_or(0);
        record.bcd = octets(b_, at + NodeSecBcd);
        Node node;
        node.id = read8(b_, at + NodeId).value_or(0);
        bool bcdValid = true;
        node.secondary = bcdDigits(record.bcd, bcdValid);
        const QString where = QStringLiteral("node %1").arg(k + 1);
        if (!bcdValid)
            problem(Place::Node,
                    QStringLiteral("%1: the secondary address holds a nibble that is not a "
                                   "decimal digit")
                        .arg(where),
                    false, k);
        if (record.count == 0)
            problem(Place::Node, QStringLiteral("%1 has no variable record").arg(where), false, k);
        if (record.count > MaxVarsPerNode)
            problem(Place::Node,
                    QStringLiteral("%1 has %2 records: the device holds at most %3")
                        .arg(where)
                        .arg(record.count)
                        .arg(MaxVarsPerNode),
                    true, k);
        const qint64 add = record.firstRecord;
        if (add != expectedAdd)
            problem(Place::Node,
                    QStringLiteral("%1: its records start at %2, the previous node's "
                                   "records end at %3")
                        .arg(where)
                        .arg(add)
                        .arg(expectedAdd),
                    true, k);
        const qint64 bytes = qint64(record.count) * VarRecordSize;
        record.recordsRead = fits(b_, add, bytes) && add + bytes <= p;
        if (!record.recordsRead) {
            problem(Place::Node,
                    QStringLiteral("%1: its records run past the variable table").arg(where), true,
                    k);
            read_.records.append(record);
            read_.network.nodes.append(node);
            return false;
        }
        for (int j = 0; j < record.count; ++j) {
            const Variable v = variableAt(b_, add + qint64(j) * VarRecordSize);
            const QString place = QStringLiteral("node %1, variable %2").arg(k + 1).arg(j + 1);
            if (!RecordCoding::dimensionForCode(v.dimensionCode))
                problem(Place::Dimension,
                        QStringLiteral("%1: data-field code %2 is no dimension's code")
                            .arg(place)
                            .arg(v.dimensionCode),
                        false, k, j);
            if (const QString code = recordCodeProblem(v.recordCode, v.type, v.vife);
                !code.isEmpty())
                problem(Place::RecordCode, place + QStringLiteral(": ") + code, false, k, j);
            node.variables.append(v);
        }
        expectedAdd = add + bytes;
        read_.records.append(record);
        read_.network.nodes.append(node);
        return true;
    }

    void problem(Place place, const QString& text, bool refuses = true, int node = -1,
                 int variable = -1) {
        read_.problems.append({place, node, variable, text, refuses});
    }

    const QByteArray& b_;
    NetworkRead& read_;
};

template <typename Problems> QString firstRefusal(const Problems& problems) {
    for (const auto& p : problems) {
        if (p.refuses)
            return p.text;
    }
    return {};
}

} // namespace

QString NetworkRead::refusal() const {
    return firstRefusal(problems);
}

NetworkRead readNetwork(const QByteArray& bytes) {
    NetworkRead read;
    Reader(bytes, read).run();
    return read;
}

QString decodeNetwork(const QByteArray& bytes, Network& network) {
    NetworkRead read = readNetwork(bytes);
    network = std::move(read.network);
    return read.refusal();
}

QString BlockRead::refusal() const {
    return firstRefusal(problems);
}

BlockRead readBlock(const QByteArray& b) {
    using BlockPlace = BlockProblem::Place;
    BlockRead read;
    auto problem = [&read](BlockPlace place, int offset, const QString& text, bool refuses) {
        read.problems.append({place, offset, text, refuses});
    };
    if (b.size() != BlockSize) {
        problem(BlockPlace::Size, -1,
                QStringLiteral("a parameter block has exactly %1 bytes, not %2")
                    .arg(BlockSize)
                    .arg(b.size()),
                true);
        if (b.size() < BlockSize)
            return read;
    }
    auto u8 = [&](int at) { return read8(b, at).value_or(0); };
    auto u16 = [&](int at) { return read16(b, at).value_or(0); };
    auto u32 = [&](int at) { return read32(b, at).value_or(0); };
    auto fixed = [&](int at, int size, quint32 expected) {
        const quint32 value = size == 1 ? u8(at) : size == 2 ? u16(at) : u32(at);
        if (value != expected)
            problem(BlockPlace::Field, at,
                    QStringLiteral("fixed value at %1 is %2, not %3")
                        .arg(hexOffset(at))
                        .arg(value)
                        .arg(expected),
                    false);
    };
    Block& block = read.block;
    fixed(BlkFixed0, 4, FixedRate);
    fixed(BlkFixed4, 4, FixedRate);
    fixed(BlkFixed8, 4, FixedBaud);
    block.modTimeout = u32(BlkModTimeout);
    block.modCyclicDelay = u32(BlkModCyclicDelay);
    block.ip = octets(b, BlkIp);
    block.mask = octets(b, BlkMask);
    block.gateway = octets(b, BlkGateway);
    fixed(BlkFixed34, 2, FixedPort);
    fixed(BlkFixed36, 2, FixedPort2);
    fixed(BlkFixed38, 2, FixedPort2);
    block.modRate = u32(BlkModBaudRate);
    block.meterRate = u32(BlkMeterBaudRate);
    block.modParity = u8(BlkModParity);
    block.meterParity = u8(BlkMeterParity);
    for (int i = 0; i < 8; ++i)
        fixed(BlkFixedEights + i, 1, FixedEight);
    block.framing = u8(BlkFraming);
    block.nodeCount = u8(BlkNodeCount);
    block.bankAddress = u32(BlkBankAddress);
    if (block.bankAddress != 0 && block.bankAddress != BankDeviceAddress)
        problem(BlockPlace::Field, BlkBankAddress,
                QStringLiteral("bank.bin device address %1, the device loads it at %2")
                    .arg(hexValue(block.bankAddress), hexValue(BankDeviceAddress)),
                false);
    block.bytes = b;

    // Everything not named above must be zero.
    struct Field {
        int offset;
        int size;
    };
    const Field known[] = {
        {BlkFixed0, 4},         {BlkFixed4, 4},    {BlkFixed8, 4},      {BlkModTimeout, 4},
        {BlkModCyclicDelay, 4}, {BlkIp, 4},        {BlkMask, 4},        {BlkGateway, 4},
        {BlkFixed34, 2},        {BlkFixed36, 2},   {BlkFixed38, 2},     {BlkModBaudRate, 4},
        {BlkMeterBaudRate, 4},  {BlkModParity, 1}, {BlkMeterParity, 1}, {BlkFixedEights, 8},
        {BlkFraming, 1},        {BlkNodeCount, 1}, {BlkBankAddress, 4}, {BlkChecksum, 4}};
    QStringList stray;
    int strayCount = 0;
    for (int at = 0; at < BlockSize; ++at) {
        bool isKnown = false;
        for (const Field& f : known)
            isKnown = isKnown || (at >= f.offset && at < f.offset + f.size);
        if (isKnown || u8(at) == 0)
            continue;
        if (++strayCount <= 16)
            stray << QStringLiteral("%1=%2").arg(hexOffset(at)).arg(u8(at));
    }
    if (strayCount > 0)
        problem(BlockPlace::Stray, -1,
                QStringLiteral("%1 unexpected non-zero byte(s): %2%3")
                    .arg(strayCount)
                    .arg(stray.join(QLatin1Char(' ')))
                    .arg(strayCount > 16 ? QStringLiteral(" ...") : QString()),
                false);

    block.storedChecksum = u32(BlkChecksum);
    block.computedChecksum = blockChecksum(b);
    if (block.storedChecksum != block.computedChecksum)
        problem(BlockPlace::Checksum, BlkChecksum,
                QStringLiteral("the checksum of the parameter block does not hold"), true);
    return read;
}

QString decodeBlock(const QByteArray& b, Block& block) {
    BlockRead read = readBlock(b);
    block = std::move(read.block);
    return read.refusal();
}

} // namespace ImageDecode
