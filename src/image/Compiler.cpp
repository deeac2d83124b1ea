#include "image/Compiler.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"
#include "common/Excerpt.h"
#include "common/FileInteger.h"
#include "common/XmlFile.h"
#include "image/BankLayout.h"
#include "image/LittleEndian.h"
#include "image/RecordCoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>

using namespace BankLayout;
using namespace LittleEndian;

namespace {

// The compiler's own working records; the editor's classes carry texts and wider fields.
struct TVariabile {
    quint8 Type_Of_Data = 0;
    quint8 Function_Field = 0;
    quint8 Dimension = 0;
    quint8 Unita = 0;
    quint32 Storage_Num = 0;
    quint32 Tarif = 0;
    quint8 VIFE = 0;
    quint8 Length = 0;
    quint16 scale = 0; // the scale read, then the record code
    quint8 Mod_ID = 1;
    quint8 Mod_TD = 0;
    quint16 Mod_NR = 1;
    quint8 Mod_NP = 1;
    quint8 Mod_Swap = 0;
};

struct TNodo {
    quint8 ID = 0;
    quint32 Sec_Add = 0;
    quint32 Add = 0;
    QList<TVariabile> Vars;
};

// A configuration written by the editor is a few hundred kilobytes at most; refuse anything
// far beyond that before reading it whole.
constexpr qint64 MaxConfigFileSize = BoundedFile::ConfigFile.bytes;

// Hostile files may hold megabytes in one attribute; quote only the start of it.
using Excerpt::quoted;

class Reader {
public:
    explicit Reader(QString where) : where_(std::move(where)) {}

    // Attribute as an integer: nullopt when missing or not an integer.
    static std::optional<qint64> optional(const pugi::xml_node& node, const char* name) {
        const auto text = XmlFile::attributeText(node, name);
        return text ? FileInteger::parse(*text) : std::nullopt;
    }

    qint64 optional(const pugi::xml_node& node, const char* name, qint64 fallback) {
        return optional(node, name).value_or(fallback);
    }

    // Attribute that must be an integer; records the first failure.
    qint64 required(const pugi::xml_node& node, const char* name) {
        const auto text = XmlFile::attributeText(node, name);
        if (!text) {
            fail(QStringLiteral("attribute \"%1\" is missing").arg(QLatin1String(name)));
            return 0;
        }
        const auto value = FileInteger::parse(*text);
        if (!value) {
            fail(QStringLiteral("attribute \"%1\" is not an integer: %2")
                     .arg(QLatin1String(name), quoted(*text)));
            return 0;
        }
        return *value;
    }

    void fail(const QString& what) {
        if (error_.isEmpty())
            error_ = where_ + QStringLiteral(": ") + what;
    }
    bool failed() const { return !error_.isEmpty(); }
    const QString& error() const { return error_; }

private:
    QString where_;
    QString error_;
};

QString readNetwork(const QByteArray& bytes, const QString& fileName, QList<TNodo>& nodes) {
    pugi::xml_document doc;
    const QString parseError = XmlFile::parse(doc, bytes, fileName);
    if (!parseError.isEmpty())
        return parseError;
    const pugi::xml_node root = XmlFile::root(doc);
    int nodePosition = 0;
    for (pugi::xml_node xmlNode = root.first_child(); xmlNode; xmlNode = xmlNode.next_sibling()) {
        if (xmlNode.type() != pugi::node_element)
            continue;
        ++nodePosition;
        Reader nodeReader(QStringLiteral("%1: node %2").arg(fileName).arg(nodePosition));
        const quint8 id = quint8(nodeReader.required(xmlNode, "ID"));
        if (nodeReader.failed())
            return nodeReader.error();
        const quint32 secondary = quint32(Reader::optional(xmlNode, "Sec_Add").value_or(0));
        const QString nodeWhere =
            QStringLiteral("%1: node %2 (ID %3)").arg(fileName).arg(nodePosition).arg(id);

        bool listed = false;
        int varPosition = 0;
        for (pugi::xml_node xmlVar = xmlNode.first_child(); xmlVar;
             xmlVar = xmlVar.next_sibling()) {
            if (xmlVar.type() != pugi::node_element)
                continue;
            ++varPosition;
            // A disabled variable is skipped before anything else of it is read.
            if (XmlFile::attributeText(xmlVar, "Enable") != QStringLiteral("1"))
                continue;
            if (!listed) {
                if (nodes.size() == MaxNodes)
                    return QStringLiteral("%1: the device holds at most %2 nodes with enabled "
                                          "variables; this is node %3 of them")
                        .arg(nodeWhere)
                        .arg(MaxNodes)
                        .arg(MaxNodes + 1);
                nodes.append(TNodo{id, secondary, 0, {}});
                listed = true;
            }
            TNodo& node = nodes.last();
            if (node.Vars.size() == MaxVarsPerNode)
                return QStringLiteral("%1, variable %2: the device holds at most %3 enabled "
                                      "variables per node")
                    .arg(nodeWhere)
                    .arg(varPosition)
                    .arg(MaxVarsPerNode);
            Reader r(QStringLiteral("%1, variable %2").arg(nodeWhere).arg(varPosition));
            TVariabile v;
            v.Type_Of_Data = quint8(r.required(xmlVar, "Type"));
            v.Function_Field = quint8(r.required(xmlVar, "Fun_Field"));
            v.Dimension = quint8(r.required(xmlVar, "Dim"));
            if (r.failed())
                return r.error();
            v.Unita = quint8(r.optional(xmlVar, "Unit", 0));
            v.Storage_Num = quint32(r.optional(xmlVar, "StoNumber", 0));
            v.Tarif = quint32(r.optional(xmlVar, "Tariff", 0));
            v.VIFE = quint8(r.optional(xmlVar, "VIFE", 0));
            v.Length = quint8(r.optional(xmlVar, "Length", 0));
            v.scale = quint16(r.optional(xmlVar, "Scale", 0));
            v.Mod_ID = quint8(r.optional(xmlVar, "Mod_ID", 1));
            v.Mod_TD = quint8(r.optional(xmlVar, "Mod_TD", 0));
            v.Mod_NR = quint16(r.optional(xmlVar, "Mod_NR", 1));
            v.Mod_NP = quint8(r.optional(xmlVar, "Mod_NP", 1));
            v.Mod_Swap = quint8(r.optional(xmlVar, "Mod_Swap", 0));
            v.scale = Record_Code(v.Type_Of_Data, v.VIFE, v.scale);
            node.Vars.append(v);
        }
    }
    return {};
}

// Eight packed BCD digits, most significant first; digits above the eighth are dropped.
void appendBcd(QByteArray& out, quint32 value) {
    quint8 digits[8];
    for (int i = 7; i >= 0; --i) {
        digits[i] = quint8(value % 10);
        value /= 10;
    }
    for (int i = 0; i < 8; i += 2)
        append8(out, quint8(digits[i] << 4 | digits[i + 1]));
}

void emitNetwork(QByteArray& bank, QList<TNodo>& nodes) {
    quint32 offset = quint32(HeaderSize + NodeRecordSize * nodes.size());
    for (TNodo& node : nodes) {
        node.Add = offset;
        offset += quint32(VarRecordSize * node.Vars.size());
    }
    for (const TNodo& node : nodes) {
        append8(bank, node.ID);
        append16(bank, quint16(node.Vars.size()));
        append32(bank, node.Add);
        appendBcd(bank, node.Sec_Add);
    }
    for (const TNodo& node : nodes) {
        for (const TVariabile& v : node.Vars) {
            append8(bank, v.Type_Of_Data);
            append8(bank, v.Function_Field);
            append8(bank, Dimension_Code(v.Dimension));
            append8(bank, v.Unita);
            append32(bank, v.Storage_Num);
            append32(bank, v.Tarif);
            append8(bank, v.VIFE);
            append8(bank, v.Length);
            append16(bank, v.scale);
            append8(bank, v.Mod_ID);
            append8(bank, v.Mod_TD);
            append16(bank, v.Mod_NR);
            append8(bank, v.Mod_NP);
            append8(bank, v.Mod_Swap);
        }
    }
}

QByteArray defaultBlock() {
    QByteArray block(BlockSize, '\0');
    put32(block, BlkFixed0, FixedRate);
    put32(block, BlkFixed4, FixedRate);
    put32(block, BlkFixed8, FixedBaud);
    for (int i = 0; i < 4; ++i) {
        put8(block, BlkIp + i, DefaultIp[i]);
        put8(block, BlkMask + i, DefaultMask[i]);
        put8(block, BlkGateway + i, DefaultGateway[i]);
    }
    put16(block, BlkFixed34, FixedPort);
    put16(block, BlkFixed36, FixedPort2);
    put16(block, BlkFixed38, FixedPort2);
    for (int i = 0; i < 8; ++i)
        put8(block, BlkFixedEights + i, FixedEight);
    return block;
}

QString readParameters(const QByteArray& bytes, const QString& fileName, int nodeCount,
                       int varCount, QByteArray& bank, QByteArray& block) {
    pugi::xml_document doc;
    const QString parseError = XmlFile::parse(doc, bytes, fileName);
    if (!parseError.isEmpty())
        return parseError;
    const pugi::xml_node root = XmlFile::root(doc);

    const char* const required[] = {"Mod_Ser", "Mod_Baud",     "Mod_Par",    "Mod_TO",
                                    "Mod_CD",  "Mod_Protocol", "Meter_Baud", "Meter_Par"};
    qint64 values[8] = {};
    for (int i = 0; i < 8; ++i) {
        const auto text = XmlFile::childText(root, required[i]);
        if (!text)
            return QStringLiteral("%1: element \"%2\" is missing")
                .arg(fileName, QLatin1String(required[i]));
        const auto value = FileInteger::parse(*text);
        if (!value)
            return QStringLiteral("%1: element \"%2\" is not an integer: %3")
                .arg(fileName, QLatin1String(required[i]), quoted(*text));
        values[i] = *value;
    }
    const quint8 modSer = quint8(values[0]);
    const quint8 modBaud = quint8(values[1]);
    const quint8 modPar = quint8(values[2]);
    const quint16 timeout = quint16(values[3]);
    const quint16 cyclicDelay = quint16(values[4]);
    const quint8 framing = framingCode(quint8(values[5]));
    const quint8 meterBaud = quint8(values[6]);
    const quint8 meterPar = quint8(values[7]);

    append8(bank, modSer);
    append8(bank, modBaud);
    append8(bank, modPar);
    append16(bank, timeout);
    append16(bank, cyclicDelay);
    append8(bank, framing);
    append8(bank, meterBaud);
    append8(bank, meterPar);
    append16(bank, quint16(nodeCount));
    append16(bank, quint16(varCount));

    put32(block, BlkModTimeout, timeout);
    put32(block, BlkModCyclicDelay, cyclicDelay);
    put32(block, BlkModBaudRate, modbusRate(modBaud));
    put32(block, BlkMeterBaudRate, meterRate(meterBaud));
    put8(block, BlkModParity, parityCode(modPar));
    put8(block, BlkMeterParity, parityCode(meterPar));
    put8(block, BlkFraming, framing);
    put8(block, BlkNodeCount, quint8(nodeCount));
    put32(block, BlkBankAddress, BankDeviceAddress);

    const char* const octets[3][4] = {
        {"Ethernet_IP1", "Ethernet_IP2", "Ethernet_IP3", "Ethernet_IP4"},
        {"Ethernet_SM1", "Ethernet_SM2", "Ethernet_SM3", "Ethernet_SM4"},
        {"Ethernet_GAT1", "Ethernet_GAT2", "Ethernet_GAT3", "Ethernet_GAT4"}};
    const int offsets[3] = {BlkIp, BlkMask, BlkGateway};
    const quint8* const defaults[3] = {DefaultIp, DefaultMask, DefaultGateway};
    for (int group = 0; group < 3; ++group) {
        for (int i = 0; i < 4; ++i) {
            const auto text = XmlFile::childText(root, octets[group][i]);
            const auto value = text ? FileInteger::parse(*text) : std::nullopt;
            put8(block, offsets[group] + i, value ? quint8(*value) : defaults[group][i]);
        }
    }
    const auto gatewayUsed = XmlFile::childText(root, "Ethernet_EN_GAT");
    if (!gatewayUsed || *gatewayUsed == QStringLiteral("0")) {
        for (int i = 0; i < 4; ++i)
            put8(block, BlkGateway + i, 0xFF);
    }
    return {};
}

quint32 checksum(const QByteArray& block) {
    quint32 sum = 0;
    for (int i = 0; i < BlkChecksum; ++i)
        sum += quint8(block.at(i));
    return sum;
}

// nullopt when the file is absent; an error text when it exists but cannot be read.
std::optional<QByteArray> readIfPresent(const QString& path, QString& error) {
    if (path.isEmpty() || !QFileInfo::exists(path))
        return std::nullopt;
    const QString name = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("%1: %2").arg(name, file.errorString());
        return std::nullopt;
    }
    if (file.size() > MaxConfigFileSize) {
        error = BoundedFile::tooLarge(name, file.size(), BoundedFile::ConfigFile);
        return std::nullopt;
    }
    QByteArray bytes = file.read(MaxConfigFileSize + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > MaxConfigFileSize) {
        error = QStringLiteral("%1: %2").arg(name, file.errorString());
        return std::nullopt;
    }
    return bytes;
}

} // namespace

CompileResult compileBanksFromBytes(const std::optional<QByteArray>& mbus,
                                    const std::optional<QByteArray>& parGen,
                                    const QString& mbusName, const QString& parGenName) {
    CompileResult result;
    QByteArray block = defaultBlock();
    QList<TNodo> nodes;
    if (mbus) {
        result.error = readNetwork(*mbus, mbusName, nodes);
        if (!result.error.isEmpty())
            return result;
    }
    int varCount = 0;
    for (const TNodo& node : nodes)
        varCount += int(node.Vars.size());

    QByteArray bank;
    bank.reserve(MaxBankSize);
    append32(bank, HeaderSize);
    append32(bank, 0); // P, known once the tables are out
    emitNetwork(bank, nodes);
    put32(bank, 4, quint32(bank.size()));

    if (parGen) {
        result.error =
            readParameters(*parGen, parGenName, int(nodes.size()), varCount, bank, block);
        if (!result.error.isEmpty())
            return result;
    }
    put32(block, BlkChecksum, checksum(block));
    result.banks = {bank, block};
    return result;
}

CompileResult Compile_Banks(const QString& fileMBus, const QString& fileParGen) {
    CompileResult result;
    const auto mbus = readIfPresent(fileMBus, result.error);
    if (!result.error.isEmpty())
        return result;
    const auto parGen = readIfPresent(fileParGen, result.error);
    if (!result.error.isEmpty())
        return result;
    return compileBanksFromBytes(mbus, parGen, QFileInfo(fileMBus).fileName(),
                                 QFileInfo(fileParGen).fileName());
}
