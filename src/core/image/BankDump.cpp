#include "core/image/BankDump.h"

#include "core/comm/GeneralParameters.h"
#include "core/comm/ParGenXml.h"
#include "core/image/BankLayout.h"
#include "core/image/ImageDecode.h"
#include "core/image/LittleEndian.h"
#include "core/image/RecordCoding.h"
#include "core/lang/LanguageTable.h"
#include "core/network/CodingTables.h"

#include <QStringList>

using namespace BankLayout;
using namespace LittleEndian;

namespace {

// Collects the text, and the decoder's problems each where the reading found
// it.
class Report {
public:
    Report() = default;
    explicit Report(const QList<ImageDecode::Problem>& problems) : problems_(&problems) {}

    void line(const QString& text) { lines_ << text; }
    void field(int indent, const QString& name, const QString& value) {
        lines_ << QString(indent, QLatin1Char(' ')) + name.leftJustified(20) + value;
    }
    void problem(const QString& text) {
        lines_ << QStringLiteral("PROBLEM: ") + text;
        ok_ = false;
    }
    // The decoder lists its problems in the order of the bytes, which is the
    // order of the text.
    void problemsAt(ImageDecode::Problem::Place place, int node = -1, int variable = -1) {
        while (problems_ && next_ < problems_->size()) {
            const ImageDecode::Problem& p = problems_->at(next_);
            if (p.place != place || p.node != node || p.variable != variable)
                return;
            problem(p.text);
            ++next_;
        }
    }
    BankDump finish() const { return {lines_.join(QLatin1Char('\n')) + QLatin1Char('\n'), ok_}; }

private:
    QStringList lines_;
    bool ok_ = true;
    const QList<ImageDecode::Problem>* problems_ = nullptr;
    qsizetype next_ = 0;
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

const LanguageTable& englishTexts() {
    static const LanguageTable table;
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

// The digits with the stored bytes, e.g. "12345678 (BCD 12 34 56 78)".
QString bcdText(const QString& digits, const std::array<quint8, 4>& bcd) {
    QString raw;
    for (const quint8 b : bcd)
        raw += QStringLiteral("%1 ").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("%1 (BCD %2)").arg(digits, raw.trimmed());
}

// The choice a record code stands for.
QString recordCodeText(quint16 code) {
    if (code == 0)
        return QStringLiteral("0 (no code)");
    const auto meaning = RecordCoding::meaningOfCode(code);
    if (!meaning)
        return QStringLiteral("%1 (unused number)").arg(code);
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
    return text;
}

void dumpVariable(const ImageDecode::Variable& v, qint64 at, int node, int variable,
                  Report& report) {
    using Place = ImageDecode::Problem::Place;
    report.line(QStringLiteral("  node %1, variable %2 at offset %3")
                    .arg(node + 1)
                    .arg(variable + 1)
                    .arg(at));
    report.field(4, QStringLiteral("type of data"), listed(v.type, CodingTables::typesOfData()));
    report.field(4, QStringLiteral("function field"),
                 listed(v.function, CodingTables::functionFields()));
    if (const auto dimension = RecordCoding::dimensionForCode(v.dimensionCode))
        report.field(4, QStringLiteral("dimension"),
                     QStringLiteral("code %1 = position %2")
                         .arg(v.dimensionCode)
                         .arg(listed(*dimension, CodingTables::dimensions())));
    else
        report.field(4, QStringLiteral("dimension"),
                     QStringLiteral("code %1 (no dimension has it)").arg(v.dimensionCode));
    report.problemsAt(Place::Dimension, node, variable);
    report.field(4, QStringLiteral("unit"), QString::number(v.unit));
    report.field(4, QStringLiteral("storage number"), QString::number(v.storage));
    report.field(4, QStringLiteral("tariff"), QString::number(v.tariff));
    report.field(4, QStringLiteral("VIFE"), listed(v.vife, CodingTables::vifeEntries()));
    report.field(4, QStringLiteral("length"), QString::number(v.length));
    report.field(4, QStringLiteral("record code"), recordCodeText(v.recordCode));
    report.problemsAt(Place::RecordCode, node, variable);
    report.field(4, QStringLiteral("Modbus slave"), QString::number(v.modId));
    report.field(4, QStringLiteral("Modbus type"),
                 listed(v.modType, modbusTypeTexts(englishTexts())));
    report.field(4, QStringLiteral("Modbus register"), QString::number(v.modRegister));
    report.field(4, QStringLiteral("Modbus points"), QString::number(v.modPoints));
    report.field(4, QStringLiteral("Modbus swap"),
                 listed(v.modSwap, modbusSwapTexts(englishTexts())));
}

void dumpParameterSection(const ImageDecode::NetworkRead& read, Report& report) {
    const ImageDecode::Parameters& p = *read.network.parameters;
    report.line(QStringLiteral("Parameter section at offset %1").arg(read.sectionOffset));
    report.field(2, QStringLiteral("Modbus interface"),
                 p.modSer == 1   ? QStringLiteral("1 \"RS232\"")
                 : p.modSer == 0 ? QStringLiteral("0 \"RS485\"")
                                 : QStringLiteral("%1 (neither RS232 nor RS485)").arg(p.modSer));
    report.field(2, QStringLiteral("Modbus baud"), listed(p.modBaud, ParGenLists::modbusBauds));
    report.field(2, QStringLiteral("Modbus parity"), listed(p.modPar, ParGenLists::modbusParities));
    report.field(2, QStringLiteral("Modbus time-out"), QStringLiteral("%1 ms").arg(p.modTimeout));
    report.field(2, QStringLiteral("Modbus cyclic delay"),
                 QStringLiteral("%1 ms").arg(p.modCyclicDelay));
    report.field(2, QStringLiteral("framing"), framingText(p.framing));
    report.field(2, QStringLiteral("M-Bus baud"), listed(p.meterBaud, ParGenLists::mbusBauds));
    report.field(2, QStringLiteral("M-Bus parity"), listed(p.meterPar, ParGenLists::mbusParities));
    report.field(2, QStringLiteral("node records"), QString::number(read.sectionNodes));
    report.field(2, QStringLiteral("variable records"), QString::number(read.sectionVariables));
}

} // namespace

BankDump dumpNetworkImage(const QByteArray& b) {
    using ImageDecode::Reached;
    using Place = ImageDecode::Problem::Place;
    const ImageDecode::NetworkRead read = ImageDecode::readNetwork(b);
    Report report(read.problems);
    report.line(QStringLiteral("bank.bin (network image), %1 bytes").arg(read.size));
    report.problemsAt(Place::Header);
    if (read.reached == Reached::Start)
        return report.finish();
    report.line(QStringLiteral("Header: node table at %1, parameter section at %2")
                    .arg(read.tableOffset)
                    .arg(read.sectionOffset));
    report.problemsAt(Place::Tables);
    if (read.reached == Reached::Header) {
        if (read.hasSection)
            dumpParameterSection(read, report);
        return report.finish();
    }
    report.line(
        QStringLiteral("Nodes: %1, variables: %2").arg(read.nodeCount).arg(read.variableCount));
    report.problemsAt(Place::NodeCount);
    for (qsizetype k = 0; k < read.network.nodes.size(); ++k) {
        const ImageDecode::Node& node = read.network.nodes.at(k);
        const ImageDecode::NodeRecord& record = read.records.at(k);
        report.line(QStringLiteral("Node %1: primary address %2, secondary address %3, records "
                                   "at offset %4, %5 record(s)")
                        .arg(k + 1)
                        .arg(node.id)
                        .arg(bcdText(node.secondary, record.bcd))
                        .arg(record.firstRecord)
                        .arg(record.count));
        report.problemsAt(Place::Node, int(k));
        for (qsizetype j = 0; j < node.variables.size(); ++j)
            dumpVariable(node.variables.at(j),
                         qint64(record.firstRecord) + qint64(j) * VarRecordSize, int(k), int(j),
                         report);
    }
    report.problemsAt(Place::Records);
    if (read.hasSection) {
        dumpParameterSection(read, report);
        report.problemsAt(Place::Section);
    } else {
        report.line(QStringLiteral("No parameter section (%1 was absent)")
                        .arg(QLatin1String(ParGenXml::FileName)));
    }
    return report.finish();
}

namespace {

QString octets(const std::array<quint8, 4>& bytes) {
    QStringList parts;
    for (quint8 byte : bytes)
        parts << QString::number(byte);
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
    using Place = ImageDecode::BlockProblem::Place;
    const ImageDecode::BlockRead read = ImageDecode::readBlock(b);
    const ImageDecode::Block& block = read.block;
    Report report;
    // The reading's problems, each under the line of the bytes it concerns.
    auto problemsOf = [&](Place place, int from = -1, int size = 1) {
        for (const ImageDecode::BlockProblem& p : read.problems) {
            if (p.place == place &&
                (place != Place::Field || (p.offset >= from && p.offset < from + size)))
                report.problem(p.text);
        }
    };
    report.line(QStringLiteral("bank2.bin (device parameter block), %1 bytes").arg(b.size()));
    problemsOf(Place::Size);
    if (b.size() < BlockSize)
        return report.finish();
    auto u16 = [&](int at) { return read16(b, at).value_or(0); };
    auto u32 = [&](int at) { return read32(b, at).value_or(0); };
    auto show = [&](int at, const QString& text, int size = 0) {
        report.line(QStringLiteral("  %1  %2").arg(hex(quint32(at), 3), text));
        if (size > 0)
            problemsOf(Place::Field, at, size);
    };
    auto fixed = [&](int at, int size, quint32 expected) {
        const quint32 value = size == 2 ? u16(at) : u32(at);
        show(at,
             QStringLiteral("fixed value %1").arg(value) +
                 (value == expected ? QString() : QStringLiteral(" (expected %1)").arg(expected)),
             size);
    };

    fixed(BlkFixed0, 4, FixedRate);
    fixed(BlkFixed4, 4, FixedRate);
    fixed(BlkFixed8, 4, FixedBaud);
    show(BlkModTimeout, QStringLiteral("Modbus time-out %1 ms").arg(block.modTimeout));
    show(BlkModCyclicDelay, QStringLiteral("Modbus cyclic delay %1 ms").arg(block.modCyclicDelay));
    show(BlkIp, QStringLiteral("IP address %1").arg(octets(block.ip)));
    show(BlkMask, QStringLiteral("subnet mask %1").arg(octets(block.mask)));
    const bool gatewayOff = block.gateway == std::array<quint8, 4>{0xFF, 0xFF, 0xFF, 0xFF};
    show(BlkGateway,
         QStringLiteral("default gateway %1%2")
             .arg(octets(block.gateway), gatewayOff ? QStringLiteral(" (not used)") : QString()));
    fixed(BlkFixed34, 2, FixedPort);
    fixed(BlkFixed36, 2, FixedPort2);
    fixed(BlkFixed38, 2, FixedPort2);
    show(BlkModBaudRate, QStringLiteral("Modbus baud rate %1 bit/s").arg(block.modRate));
    show(BlkMeterBaudRate, QStringLiteral("M-Bus baud rate %1 bit/s").arg(block.meterRate));
    show(BlkModParity, QStringLiteral("Modbus parity %1").arg(parityText(block.modParity)));
    show(BlkMeterParity, QStringLiteral("M-Bus parity %1").arg(parityText(block.meterParity)));
    show(BlkFixedEights, QStringLiteral("fixed values, eight bytes of 8"), 8);
    show(BlkFraming, QStringLiteral("framing %1").arg(framingText(block.framing)));
    show(BlkNodeCount, QStringLiteral("node records in bank.bin %1").arg(block.nodeCount));
    show(BlkBankAddress,
         block.bankAddress == 0
             ? QStringLiteral("bank.bin device address 0 (compiled without %1)")
                   .arg(QLatin1String(ParGenXml::FileName))
             : QStringLiteral("bank.bin device address %1").arg(hex(block.bankAddress)),
         4);
    problemsOf(Place::Stray);
    show(BlkChecksum, QStringLiteral("checksum stored %1, computed %2: %3")
                          .arg(block.storedChecksum)
                          .arg(block.computedChecksum)
                          .arg(block.storedChecksum == block.computedChecksum
                                   ? QStringLiteral("holds")
                                   : QStringLiteral("DOES NOT HOLD")));
    problemsOf(Place::Checksum);
    return report.finish();
}

BankDump dumpImage(const QByteArray& bytes) {
    if (bytes.size() == BlockSize) {
        if (read32(bytes, BlkChecksum).value_or(0) == blockChecksum(bytes))
            return dumpParameterBlock(bytes);
        // No network image has 2048 bytes (8 + 11 N + 22 V, plus 14, is never
        // 2048).
        BankDump block = dumpParameterBlock(bytes);
        block.text.prepend(QStringLiteral("PROBLEM: 2048 bytes but neither a parameter block (its "
                                          "checksum does not hold) "
                                          "nor a network image (which never has 2048 bytes); read "
                                          "as a parameter block:\n"));
        block.ok = false;
        return block;
    }
    return dumpNetworkImage(bytes);
}
