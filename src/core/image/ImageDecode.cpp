#include "core/image/ImageDecode.h"

#include "core/image/BankLayout.h"
#include "core/image/LittleEndian.h"

using namespace BankLayout;
using namespace LittleEndian;

namespace ImageDecode {

namespace {

QString bcdDigits(const QByteArray& b, qint64 at) {
    QString digits;
    for (int i = 0; i < 4; ++i) {
        const quint8 byte = read8(b, at + i).value_or(0);
        for (const int nibble : {byte >> 4, byte & 0x0F})
            digits += nibble > 9 ? QChar(u'?') : QChar(u'0' + nibble);
    }
    return digits;
}

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

std::array<quint8, 4> octets(const QByteArray& b, int at) {
    std::array<quint8, 4> out{};
    for (int i = 0; i < 4; ++i)
        out[size_t(i)] = read8(b, at + i).value_or(0);
    return out;
}

} // namespace

QString decodeNetwork(const QByteArray& b, Network& network) {
    network = {};
    const auto tableOffset = read32(b, 0);
    const auto paramOffset = read32(b, 4);
    if (!tableOffset || !paramOffset)
        return QStringLiteral("truncated: the header needs %1 bytes").arg(HeaderSize);
    if (*tableOffset != quint32(HeaderSize))
        return QStringLiteral("the node table offset is %1, not %2")
            .arg(*tableOffset)
            .arg(HeaderSize);
    const qint64 p = *paramOffset;
    const qint64 size = b.size();
    if (p < HeaderSize || p > size)
        return QStringLiteral("the parameter section offset %1 lies outside the file").arg(p);
    if (size != p && size != p + ParamSectionSize)
        return QStringLiteral("%1 bytes follow the tables; a parameter section has %2")
            .arg(size - p)
            .arg(ParamSectionSize);
    qint64 nodeCount = 0;
    if (p > HeaderSize) {
        const quint32 firstAdd = read32(b, HeaderSize + NodeFirstVar).value_or(0);
        if (firstAdd > quint32(p) || firstAdd < quint32(HeaderSize + NodeRecordSize) ||
            (qint64(firstAdd) - HeaderSize) % NodeRecordSize != 0)
            return QStringLiteral("the first node record does not point behind the node table");
        nodeCount = (qint64(firstAdd) - HeaderSize) / NodeRecordSize;
    }
    if (nodeCount > MaxNodes)
        return QStringLiteral("%1 nodes: the device holds at most %2").arg(nodeCount).arg(MaxNodes);
    qint64 expectedAdd = HeaderSize + NodeRecordSize * nodeCount;
    for (qint64 k = 0; k < nodeCount; ++k) {
        const qint64 at = HeaderSize + NodeRecordSize * k;
        Node node;
        node.id = read8(b, at + NodeId).value_or(0);
        node.secondary = bcdDigits(b, at + NodeSecBcd);
        const quint16 count = read16(b, at + NodeVarCount).value_or(0);
        const quint32 add = read32(b, at + NodeFirstVar).value_or(0);
        if (count > MaxVarsPerNode)
            return QStringLiteral("node %1 has %2 records: the device holds at most %3")
                .arg(k + 1)
                .arg(count)
                .arg(MaxVarsPerNode);
        if (qint64(add) != expectedAdd || qint64(add) + qint64(count) * VarRecordSize > p)
            return QStringLiteral("the records of node %1 are not where the table says").arg(k + 1);
        for (int j = 0; j < count; ++j)
            node.variables.append(variableAt(b, qint64(add) + qint64(j) * VarRecordSize));
        expectedAdd = qint64(add) + qint64(count) * VarRecordSize;
        network.nodes.append(node);
    }
    if (expectedAdd != p)
        return QStringLiteral("the variable table holds records that no node lists");
    if (size == p + ParamSectionSize) {
        auto u8 = [&](int offset) { return read8(b, p + offset).value_or(0); };
        auto u16 = [&](int offset) { return read16(b, p + offset).value_or(0); };
        Parameters params;
        params.modSer = u8(ParModSer);
        params.modBaud = u8(ParModBaud);
        params.modPar = u8(ParModPar);
        params.modTimeout = u16(ParModTimeout);
        params.modCyclicDelay = u16(ParModCyclicDelay);
        params.framing = u8(ParFraming);
        params.meterBaud = u8(ParMeterBaud);
        params.meterPar = u8(ParMeterPar);
        network.parameters = params;
    }
    return {};
}

QString decodeBlock(const QByteArray& b, Block& block) {
    block = {};
    if (b.size() != BlockSize)
        return QStringLiteral("a parameter block has exactly %1 bytes, not %2")
            .arg(BlockSize)
            .arg(b.size());
    auto u8 = [&](int at) { return read8(b, at).value_or(0); };
    auto u32 = [&](int at) { return read32(b, at).value_or(0); };
    block.modTimeout = u32(BlkModTimeout);
    block.modCyclicDelay = u32(BlkModCyclicDelay);
    block.ip = octets(b, BlkIp);
    block.mask = octets(b, BlkMask);
    block.gateway = octets(b, BlkGateway);
    block.modRate = u32(BlkModBaudRate);
    block.meterRate = u32(BlkMeterBaudRate);
    block.modParity = u8(BlkModParity);
    block.meterParity = u8(BlkMeterParity);
    block.framing = u8(BlkFraming);
    block.bankAddress = u32(BlkBankAddress);
    block.bytes = b;
    if (u32(BlkChecksum) != blockChecksum(b))
        return QStringLiteral("the checksum of the parameter block does not hold");
    return {};
}

} // namespace ImageDecode
