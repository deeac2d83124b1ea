#include "core/image/BankDump.h"

#include "core/comm/ParGen.h"
#include "core/comm/ParGenXml.h"
#include "core/image/BankLayout.h"
#include "core/image/LittleEndian.h"
#include "core/image/RecordCoding.h"
#include "core/lang/LangTable.h"
#include "core/network/CodingTables.h"

#include <QStringList>

using namespace BankLayout;
using namespace LittleEndian;

namespace {

// Collects the text and the problems found on the way.
class Report {
public:
    void line(const QString& text) { lines_ << text; }
    void field(int indent, const QString& name, const QString& value) {
        lines_ << QString(indent, QLatin1Char(' ')) + name.leftJustified(20) + value;
    }
    void problem(const QString& text) {
        lines_ << QStringLiteral("PROBLEM: ") + text;
        ok_ = false;
    }
    BankDump finish() const { return {lines_.join(QLatin1Char('\n')) + QLatin1Char('\n'), ok_}; }
    bool ok() const { return ok_; }

private:
    QStringList lines_;
    bool ok_ = true;
};

QString hex(quint32 value, int width = 0) {
    return QStringLiteral("0x%1")
        .arg(value, width, 16, QLatin1Char('0'))
        .toUpper()
        .replace(QStringLiteral("0X"), QStringLiteral("0x"));
}

// A position with its caption, or a note when the list has no such entry.
QString listed(int position, const QStringList& captions) {
    if (position >= 0 && position < captions.size())
        return QStringLiteral("%1 \"%2\"").arg(position).arg(captions.at(position));
    return QStringLiteral("%1 (not in the list)").arg(position);
}

template <size_t N> QString listed(int position, const std::array<const char*, N>& captions) {
    QStringList list;
    for (const char* c : captions)
        list << QString::fromUtf8(c);
    return listed(position, list);
}

const LangTable& englishTexts() {
    static const LangTable table;
    return table;
}

QString framingText(quint8 code) {
    switch (code) {
    case 0:
        return QStringLiteral("0 binary (\"Modbus RTU\", \"JBUS\", \"Binary\")");
    case 1:
        return QStringLiteral("1 ASCII (\"Modbus ASCII\", \"ASCII\")");
    default:
        return QStringLiteral("%1 (no such framing)").arg(code);
    }
}

// Eight packed BCD digits, most significant first; a nibble above 9 is shown as '?'.
QString bcdText(const QByteArray& bytes, qint64 at, bool& valid) {
    QString digits;
    QString raw;
    valid = true;
    for (int i = 0; i < 4; ++i) {
        const quint8 b = read8(bytes, at + i).value_or(0);
        raw += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
        for (const int nibble : {b >> 4, b & 0x0F}) {
            if (nibble > 9) {
                valid = false;
                digits += QLatin1Char('?');
            } else {
                digits += QChar(u'0' + nibble);
            }
        }
    }
    return QStringLiteral("%1 (BCD %2)").arg(digits, raw.trimmed());
}

// The choice a record code stands for; `problem` is set when no choice, or another type's
// choice, has this code.
QString recordCodeText(quint16 code, quint8 type, quint8 vife, QString& problem) {
    if (code == 0)
        return QStringLiteral("0 (no code)");
    const auto meaning = RecordCoding::meaningOfCode(code);
    if (!meaning) {
        problem = QStringLiteral("record code %1 is not a code of any choice").arg(code);
        return QStringLiteral("%1 (unused number)").arg(code);
    }
    QString text;
    if (meaning->typeOfData == RecordCoding::TypeInVife) {
        const QString vifeCaption = CodingTables::vifeEntries().value(meaning->vife);
        const auto scales = CodingTables::vifeScaleList(meaning->vife);
        text = QStringLiteral("%1 = VIFE %2 \"%3\"").arg(code).arg(meaning->vife).arg(vifeCaption);
        if (meaning->scale < 0 || !scales)
            text += QStringLiteral(", no scale list");
        else
            text += QStringLiteral(", scale %1 \"%2\"")
                        .arg(meaning->scale)
                        .arg(scales->value(meaning->scale));
    } else {
        const auto scales = CodingTables::typeScaleList(meaning->typeOfData);
        text = QStringLiteral("%1 = \"%2\", scale %3 \"%4\"")
                   .arg(code)
                   .arg(CodingTables::typesOfData().value(meaning->typeOfData))
                   .arg(meaning->scale)
                   .arg(scales ? scales->value(meaning->scale) : QString());
    }
    if (meaning->typeOfData != type || (type == RecordCoding::TypeInVife && meaning->vife != vife))
        problem =
            QStringLiteral("record code %1 does not belong to type of data %2%3")
                .arg(code)
                .arg(type)
                .arg(type == RecordCoding::TypeInVife ? QStringLiteral(" with VIFE %1").arg(vife)
                                                      : QString());
    return text;
}

void dumpVariable(const QByteArray& b, qint64 at, const QString& where, Report& report) {
    auto u8 = [&](int offset) { return read8(b, at + offset).value_or(0); };
    auto u16 = [&](int offset) { return read16(b, at + offset).value_or(0); };
    auto u32 = [&](int offset) { return read32(b, at + offset).value_or(0); };
    report.line(QStringLiteral("  %1 at offset %2").arg(where).arg(at));

    const quint8 type = u8(VarType);
    const quint8 dimCode = u8(VarDimensionCode);
    const quint8 vife = u8(VarVife);
    report.field(4, QStringLiteral("type of data"), listed(type, CodingTables::typesOfData()));
    report.field(4, QStringLiteral("function field"),
                 listed(u8(VarFunction), CodingTables::functionFields()));
    const auto dimension = RecordCoding::dimensionForCode(dimCode);
    if (dimension) {
        report.field(4, QStringLiteral("dimension"),
                     QStringLiteral("code %1 = position %2")
                         .arg(dimCode)
                         .arg(listed(*dimension, CodingTables::dimensions())));
    } else {
        report.field(4, QStringLiteral("dimension"),
                     QStringLiteral("code %1 (no dimension has it)").arg(dimCode));
        report.problem(QStringLiteral("%1: data-field code %2 is no dimension's code")
                           .arg(where)
                           .arg(dimCode));
    }
    report.field(4, QStringLiteral("unit"), QString::number(u8(VarUnit)));
    report.field(4, QStringLiteral("storage number"), QString::number(u32(VarStorage)));
    report.field(4, QStringLiteral("tariff"), QString::number(u32(VarTariff)));
    report.field(4, QStringLiteral("VIFE"), listed(vife, CodingTables::vifeEntries()));
    report.field(4, QStringLiteral("length"), QString::number(u8(VarLength)));
    QString codeProblem;
    report.field(4, QStringLiteral("record code"),
                 recordCodeText(u16(VarRecordCode), type, vife, codeProblem));
    if (!codeProblem.isEmpty())
        report.problem(where + QStringLiteral(": ") + codeProblem);
    report.field(4, QStringLiteral("Modbus slave"), QString::number(u8(VarModId)));
    report.field(4, QStringLiteral("Modbus type"),
                 listed(u8(VarModType), Modbus_ToD_Texts(englishTexts())));
    report.field(4, QStringLiteral("Modbus register"), QString::number(u16(VarModRegister)));
    report.field(4, QStringLiteral("Modbus points"), QString::number(u8(VarModPoints)));
    report.field(4, QStringLiteral("Modbus swap"),
                 listed(u8(VarModSwap), Modbus_Swap_Texts(englishTexts())));
}

void dumpParameterSection(const QByteArray& b, qint64 at, Report& report) {
    auto u8 = [&](int offset) { return read8(b, at + offset).value_or(0); };
    auto u16 = [&](int offset) { return read16(b, at + offset).value_or(0); };
    report.line(QStringLiteral("Parameter section at offset %1").arg(at));
    const quint8 ser = u8(ParModSer);
    report.field(2, QStringLiteral("Modbus interface"),
                 ser == 1   ? QStringLiteral("1 \"RS232\"")
                 : ser == 0 ? QStringLiteral("0 \"RS485\"")
                            : QStringLiteral("%1 (neither RS232 nor RS485)").arg(ser));
    report.field(2, QStringLiteral("Modbus baud"), listed(u8(ParModBaud), ParGenLists::Mod_Baud));
    report.field(2, QStringLiteral("Modbus parity"), listed(u8(ParModPar), ParGenLists::Mod_Par));
    report.field(2, QStringLiteral("Modbus time-out"),
                 QStringLiteral("%1 ms").arg(u16(ParModTimeout)));
    report.field(2, QStringLiteral("Modbus cyclic delay"),
                 QStringLiteral("%1 ms").arg(u16(ParModCyclicDelay)));
    report.field(2, QStringLiteral("framing"), framingText(u8(ParFraming)));
    report.field(2, QStringLiteral("M-Bus baud"),
                 listed(u8(ParMeterBaud), ParGenLists::Meter_Baud));
    report.field(2, QStringLiteral("M-Bus parity"),
                 listed(u8(ParMeterPar), ParGenLists::Meter_Par));
    report.field(2, QStringLiteral("node records"), QString::number(u16(ParNodeCount)));
    report.field(2, QStringLiteral("variable records"), QString::number(u16(ParVarCount)));
}

} // namespace

BankDump dumpNetworkImage(const QByteArray& b) {
    Report report;
    const qint64 size = b.size();
    report.line(QStringLiteral("bank.bin (network image), %1 bytes").arg(size));
    const auto tableOffset = read32(b, 0);
    const auto paramOffset = read32(b, 4);
    if (!tableOffset || !paramOffset) {
        report.problem(QStringLiteral("truncated: the header needs %1 bytes").arg(HeaderSize));
        return report.finish();
    }
    report.line(QStringLiteral("Header: node table at %1, parameter section at %2")
                    .arg(*tableOffset)
                    .arg(*paramOffset));
    if (*tableOffset != quint32(HeaderSize)) {
        report.problem(QStringLiteral("the node table offset is %1, the device expects %2")
                           .arg(*tableOffset)
                           .arg(HeaderSize));
        return report.finish();
    }
    const qint64 p = *paramOffset;
    if (p < HeaderSize || p > size) {
        report.problem(QStringLiteral("the parameter section offset %1 lies outside the file "
                                      "(truncated or not a network image)")
                           .arg(p));
        return report.finish();
    }
    const bool hasParams = size == p + ParamSectionSize;
    if (size != p && !hasParams)
        report.problem(QStringLiteral("%1 bytes follow the tables; a parameter section has %2")
                           .arg(size - p)
                           .arg(ParamSectionSize));

    // The header does not hold N: the first node's record offset tells it, and the parameter
    // section, when present, repeats it.
    qint64 nodeCount = 0;
    if (p > HeaderSize) {
        const auto firstAdd = read32(b, HeaderSize + NodeFirstVar);
        if (!firstAdd || *firstAdd > quint32(p) ||
            (qint64(*firstAdd) - HeaderSize) % NodeRecordSize != 0 ||
            *firstAdd < quint32(HeaderSize + NodeRecordSize)) {
            report.problem(QStringLiteral("the first node record does not point behind the "
                                          "node table (truncated or inconsistent)"));
            if (hasParams)
                dumpParameterSection(b, p, report);
            return report.finish();
        }
        nodeCount = (qint64(*firstAdd) - HeaderSize) / NodeRecordSize;
    }
    const qint64 varBytes = p - HeaderSize - NodeRecordSize * nodeCount;
    const qint64 varCount = varBytes / VarRecordSize;
    if (varBytes < 0 || varBytes % VarRecordSize != 0)
        report.problem(QStringLiteral("the tables (%1 bytes) do not split into %2 node records "
                                      "and whole variable records")
                           .arg(p - HeaderSize)
                           .arg(nodeCount));
    report.line(QStringLiteral("Nodes: %1, variables: %2").arg(nodeCount).arg(varCount));
    if (nodeCount > MaxNodes)
        report.problem(
            QStringLiteral("%1 nodes: the device holds at most %2").arg(nodeCount).arg(MaxNodes));

    qint64 expectedAdd = HeaderSize + NodeRecordSize * nodeCount;
    qint64 recordsSeen = 0;
    for (qint64 k = 0; k < nodeCount; ++k) {
        const qint64 at = HeaderSize + NodeRecordSize * k;
        const quint8 id = read8(b, at + NodeId).value_or(0);
        const quint16 count = read16(b, at + NodeVarCount).value_or(0);
        const quint32 add = read32(b, at + NodeFirstVar).value_or(0);
        bool bcdValid = true;
        const QString secondary = bcdText(b, at + NodeSecBcd, bcdValid);
        report.line(QStringLiteral("Node %1: primary address %2, secondary address %3, records "
                                   "at offset %4, %5 record(s)")
                        .arg(k + 1)
                        .arg(id)
                        .arg(secondary)
                        .arg(add)
                        .arg(count));
        const QString where = QStringLiteral("node %1").arg(k + 1);
        if (!bcdValid)
            report.problem(QStringLiteral("%1: the secondary address holds a nibble that is not a "
                                          "decimal digit")
                               .arg(where));
        if (count == 0)
            report.problem(QStringLiteral("%1 has no variable record").arg(where));
        if (count > MaxVarsPerNode)
            report.problem(QStringLiteral("%1 has %2 records: the device holds at most %3")
                               .arg(where)
                               .arg(count)
                               .arg(MaxVarsPerNode));
        if (qint64(add) != expectedAdd)
            report.problem(QStringLiteral("%1: its records start at %2, the previous node's "
                                          "records end at %3")
                               .arg(where)
                               .arg(add)
                               .arg(expectedAdd));
        if (!fits(b, add, qint64(count) * VarRecordSize) ||
            qint64(add) + qint64(count) * VarRecordSize > p) {
            report.problem(
                QStringLiteral("%1: its records run past the variable table").arg(where));
            break;
        }
        for (int j = 0; j < count; ++j)
            dumpVariable(b, qint64(add) + qint64(j) * VarRecordSize,
                         QStringLiteral("node %1, variable %2").arg(k + 1).arg(j + 1), report);
        expectedAdd = qint64(add) + qint64(count) * VarRecordSize;
        recordsSeen += count;
    }
    if (recordsSeen != varCount)
        report.problem(QStringLiteral("the nodes list %1 variable records, the table holds %2")
                           .arg(recordsSeen)
                           .arg(varCount));

    if (hasParams) {
        dumpParameterSection(b, p, report);
        const quint16 n = read16(b, p + ParNodeCount).value_or(0);
        const quint16 v = read16(b, p + ParVarCount).value_or(0);
        if (n != nodeCount || v != varCount)
            report.problem(QStringLiteral("the parameter section counts %1 nodes and %2 "
                                          "variables, the tables hold %3 and %4")
                               .arg(n)
                               .arg(v)
                               .arg(nodeCount)
                               .arg(varCount));
    } else {
        report.line(QStringLiteral("No parameter section (%1 was absent)")
                        .arg(QLatin1String(ParGenXml::FileName)));
    }
    return report.finish();
}

namespace {

struct BlockField {
    int offset;
    int size; // bytes
};

QString octets(const QByteArray& b, int at) {
    QStringList parts;
    for (int i = 0; i < 4; ++i)
        parts << QString::number(read8(b, at + i).value_or(0));
    return parts.join(QLatin1Char('.'));
}

QString parityText(quint8 code) {
    switch (code) {
    case 0:
        return QStringLiteral("0 none");
    case 1:
        return QStringLiteral("1 odd");
    case 2:
        return QStringLiteral("2 even");
    default:
        return QStringLiteral("%1 (no such parity)").arg(code);
    }
}

} // namespace

BankDump dumpParameterBlock(const QByteArray& b) {
    Report report;
    report.line(QStringLiteral("bank2.bin (device parameter block), %1 bytes").arg(b.size()));
    if (b.size() != BlockSize) {
        report.problem(QStringLiteral("a parameter block has exactly %1 bytes").arg(BlockSize));
        if (b.size() < BlockSize)
            return report.finish();
    }
    auto u8 = [&](int at) { return read8(b, at).value_or(0); };
    auto u16 = [&](int at) { return read16(b, at).value_or(0); };
    auto u32 = [&](int at) { return read32(b, at).value_or(0); };
    auto fixed = [&](int at, int size, quint32 expected) {
        const quint32 value = size == 2 ? u16(at) : u32(at);
        report.line(
            QStringLiteral("  %1  ").arg(hex(quint32(at), 3)) +
            QStringLiteral("fixed value %1").arg(value) +
            (value == expected ? QString() : QStringLiteral(" (expected %1)").arg(expected)));
        if (value != expected)
            report.problem(QStringLiteral("fixed value at %1 is %2, not %3")
                               .arg(hex(quint32(at), 3))
                               .arg(value)
                               .arg(expected));
    };
    auto show = [&](int at, const QString& text) {
        report.line(QStringLiteral("  %1  %2").arg(hex(quint32(at), 3), text));
    };

    fixed(BlkFixed0, 4, FixedRate);
    fixed(BlkFixed4, 4, FixedRate);
    fixed(BlkFixed8, 4, FixedBaud);
    show(BlkModTimeout, QStringLiteral("Modbus time-out %1 ms").arg(u32(BlkModTimeout)));
    show(BlkModCyclicDelay,
         QStringLiteral("Modbus cyclic delay %1 ms").arg(u32(BlkModCyclicDelay)));
    show(BlkIp, QStringLiteral("IP address %1").arg(octets(b, BlkIp)));
    show(BlkMask, QStringLiteral("subnet mask %1").arg(octets(b, BlkMask)));
    const bool gatewayOff = u32(BlkGateway) == 0xFFFFFFFFu;
    show(BlkGateway,
         QStringLiteral("default gateway %1%2")
             .arg(octets(b, BlkGateway), gatewayOff ? QStringLiteral(" (not used)") : QString()));
    fixed(BlkFixed34, 2, FixedPort);
    fixed(BlkFixed36, 2, FixedPort2);
    fixed(BlkFixed38, 2, FixedPort2);
    show(BlkModBaudRate, QStringLiteral("Modbus baud rate %1 bit/s").arg(u32(BlkModBaudRate)));
    show(BlkMeterBaudRate, QStringLiteral("M-Bus baud rate %1 bit/s").arg(u32(BlkMeterBaudRate)));
    show(BlkModParity, QStringLiteral("Modbus parity %1").arg(parityText(u8(BlkModParity))));
    show(BlkMeterParity, QStringLiteral("M-Bus parity %1").arg(parityText(u8(BlkMeterParity))));
    for (int i = 0; i < 8; ++i) {
        if (u8(BlkFixedEights + i) != FixedEight)
            report.problem(QStringLiteral("fixed value at %1 is %2, not %3")
                               .arg(hex(quint32(BlkFixedEights + i), 3))
                               .arg(u8(BlkFixedEights + i))
                               .arg(FixedEight));
    }
    show(BlkFixedEights, QStringLiteral("fixed values, eight bytes of 8"));
    show(BlkFraming, QStringLiteral("framing %1").arg(framingText(u8(BlkFraming))));
    show(BlkNodeCount, QStringLiteral("node records in bank.bin %1").arg(u8(BlkNodeCount)));
    const quint32 bankAddress = u32(BlkBankAddress);
    show(BlkBankAddress, bankAddress == 0
                             ? QStringLiteral("bank.bin device address 0 (compiled without %1)")
                                   .arg(QLatin1String(ParGenXml::FileName))
                             : QStringLiteral("bank.bin device address %1").arg(hex(bankAddress)));
    if (bankAddress != 0 && bankAddress != BankDeviceAddress)
        report.problem(QStringLiteral("bank.bin device address %1, the device loads it at %2")
                           .arg(hex(bankAddress), hex(BankDeviceAddress)));

    // Everything not named above must be zero.
    const BlockField known[] = {
        {BlkFixed0, 4},         {BlkFixed4, 4},    {BlkFixed8, 4},      {BlkModTimeout, 4},
        {BlkModCyclicDelay, 4}, {BlkIp, 4},        {BlkMask, 4},        {BlkGateway, 4},
        {BlkFixed34, 2},        {BlkFixed36, 2},   {BlkFixed38, 2},     {BlkModBaudRate, 4},
        {BlkMeterBaudRate, 4},  {BlkModParity, 1}, {BlkMeterParity, 1}, {BlkFixedEights, 8},
        {BlkFraming, 1},        {BlkNodeCount, 1}, {BlkBankAddress, 4}, {BlkChecksum, 4}};
    QStringList stray;
    int strayCount = 0;
    for (int at = 0; at < BlockSize; ++at) {
        bool isKnown = false;
        for (const BlockField& f : known)
            isKnown = isKnown || (at >= f.offset && at < f.offset + f.size);
        if (isKnown || u8(at) == 0)
            continue;
        if (++strayCount <= 16)
            stray << QStringLiteral("%1=%2").arg(hex(quint32(at), 3)).arg(u8(at));
    }
    if (strayCount > 0)
        report.problem(QStringLiteral("%1 unexpected non-zero byte(s): %2%3")
                           .arg(strayCount)
                           .arg(stray.join(QLatin1Char(' ')))
                           .arg(strayCount > 16 ? QStringLiteral(" ...") : QString()));

    const quint32 stored = u32(BlkChecksum);
    const quint32 computed = blockChecksum(b);
    show(BlkChecksum,
         QStringLiteral("checksum stored %1, computed %2: %3")
             .arg(stored)
             .arg(computed)
             .arg(stored == computed ? QStringLiteral("holds") : QStringLiteral("DOES NOT HOLD")));
    if (stored != computed)
        report.problem(QStringLiteral("the checksum does not hold"));
    return report.finish();
}

BankDump dumpImage(const QByteArray& bytes) {
    if (bytes.size() == BlockSize) {
        if (read32(bytes, BlkChecksum).value_or(0) == blockChecksum(bytes))
            return dumpParameterBlock(bytes);
        // No network image has 2048 bytes (8 + 11 N + 22 V, plus 14, is never 2048).
        BankDump block = dumpParameterBlock(bytes);
        block.text.prepend(QStringLiteral(
            "PROBLEM: 2048 bytes but neither a parameter block (its checksum does not hold) "
            "nor a network image (which never has 2048 bytes); read as a parameter block:\n"));
        block.ok = false;
        return block;
    }
    return dumpNetworkImage(bytes);
}
