#include "core/image/Compiler.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"
#include "common/Excerpt.h"
#include "common/FileInteger.h"
#include "common/XmlFile.h"
#include "core/comm/GeneralParameters.h"
#include "core/comm/ParGenXml.h"
#include "core/image/BankLayout.h"
#include "core/image/ImageSources.h"
#include "core/image/LittleEndian.h"
#include "core/image/RecordCoding.h"
#include "core/network/Network.h"
#include "core/network/NetworkRules.h"
#include "core/network/NetworkXml.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <array>
#include <cstring>

using namespace BankLayout;
using namespace LittleEndian;

// The image holds what the editor can make, and the rates follow the settings lists.
static_assert(MaxNodes == NetworkRules::Max_Nodes && MaxVarsPerNode == NetworkRules::Max_Variables);
static_assert(std::size(ModbusRates) == ParGenLists::modbusBauds.size());
static_assert(std::size(MeterRates) == ParGenLists::mbusBauds.size());

namespace {

// Hostile files may hold megabytes in one attribute; quote only the start of it.
using Excerpt::quoted;

// The low 32 bits of a number read as 64 (two's complement), as the image's fields take it.
qint32 low32(qint64 value) {
    return qint32(quint32(quint64(value) & 0xFFFFFFFFu));
}

// Values of the wanted attributes (null when missing), found in one pass over the element's
// attributes; the writer's order is tried first, so a file the system wrote costs one
// comparison per attribute.
template <size_t N>
void collect(const char** attributes, const std::array<const char*, N>& names,
             std::array<const char*, N>& values) {
    values.fill(nullptr);
    size_t next = 0;
    for (const char** a = attributes; *a; a += 2) {
        size_t found = N;
        if (next < N && std::strcmp(a[0], names[next]) == 0) {
            found = next;
        } else {
            for (size_t i = 0; i < N; ++i) {
                if (std::strcmp(a[0], names[i]) == 0) {
                    found = i;
                    break;
                }
            }
        }
        if (found < N) {
            values[found] = a[1];
            next = found + 1;
        }
    }
}

// The compiler's reading of M_Bus.xml into the network model, straight from the parser's
// events: only enabled variables, each number taken as 64 bits and kept as its low 32 (the
// image cuts further), and failures that name the node and variable. Missing or non-integer
// optional attributes take the record's initial values. The first failure is kept; a file
// that is not well-formed is refused by the parser before it counts.
class NetworkReader final : public XmlFile::Handler {
public:
    NetworkReader(const QString& fileName, Network& nodes) : fileName_(fileName), nodes_(nodes) {}

    void startElement(int depth, const char*, const char** attributes) override {
        if (!error_.isEmpty())
            return;
        if (depth == 1)
            startNode(attributes);
        else if (depth == 2)
            startVariable(attributes);
    }

    const QString& error() const { return error_; }

private:
    enum NodeAttribute { N_ID, N_Sec_Add, N_Count };
    enum VarAttribute {
        V_Enable,
        V_Type,
        V_Fun_Field,
        V_Dim,
        V_Unit,
        V_StoNumber,
        V_Tariff,
        V_VIFE,
        V_Length,
        V_Scale,
        V_Mod_ID,
        V_Mod_TD,
        V_Mod_NR,
        V_Mod_NP,
        V_Mod_Swap,
        V_Count
    };
    static constexpr std::array<const char*, N_Count> NodeNames = {MBusXml::ID, MBusXml::Sec_Add};
    static constexpr std::array<const char*, V_Count> VarNames = {
        MBusXml::Enable, MBusXml::Type,      MBusXml::Fun_Field, MBusXml::Dim,
        MBusXml::Unit,   MBusXml::StoNumber, MBusXml::Tariff,    MBusXml::VIFE,
        MBusXml::Length, MBusXml::Scale,     MBusXml::Mod_ID,    MBusXml::Mod_TD,
        MBusXml::Mod_NR, MBusXml::Mod_NP,    MBusXml::Mod_Swap};

    QString nodeWhere() const {
        return QStringLiteral("%1: node %2 (ID %3)")
            .arg(fileName_)
            .arg(nodePosition_)
            .arg(quint8(id_));
    }

    // An attribute that must be an integer; records the failure, naming `where`.
    template <typename Where>
    std::optional<qint64> required(const char* value, const char* name, Where where) {
        if (!value) {
            error_ =
                where() + QStringLiteral(": attribute \"%1\" is missing").arg(QLatin1String(name));
            return std::nullopt;
        }
        const auto number = FileInteger::parse(value);
        if (!number)
            error_ = where() + QStringLiteral(": attribute \"%1\" is not an integer: %2")
                                   .arg(QLatin1String(name), quoted(QString::fromUtf8(value)));
        return number;
    }

    static qint64 optional(const char* value, qint64 fallback) {
        return value ? FileInteger::parse(value).value_or(fallback) : fallback;
    }

    void startNode(const char** attributes) {
        ++nodePosition_;
        std::array<const char*, N_Count> values;
        collect(attributes, NodeNames, values);
        const auto id = required(values[N_ID], MBusXml::ID, [this] {
            return QStringLiteral("%1: node %2").arg(fileName_).arg(nodePosition_);
        });
        id_ = low32(id.value_or(0));
        secondary_ = low32(optional(values[N_Sec_Add], 0));
        listed_ = false;
        varPosition_ = 0;
    }

    void startVariable(const char** attributes) {
        ++varPosition_;
        std::array<const char*, V_Count> values;
        collect(attributes, VarNames, values);
        // A disabled variable is skipped before anything else of it is read.
        if (!values[V_Enable] || std::strcmp(values[V_Enable], "1") != 0)
            return;
        if (!listed_) {
            if (nodes_.size() == MaxNodes) {
                error_ = QStringLiteral("%1: the device holds at most %2 nodes with enabled "
                                        "variables; this is node %3 of them")
                             .arg(nodeWhere())
                             .arg(MaxNodes)
                             .arg(MaxNodes + 1);
                return;
            }
            Node node;
            node.primary = id_;
            node.secondary = secondary_;
            node.variables.reserve(MaxVarsPerNode);
            nodes_.append(std::move(node));
            listed_ = true;
        }
        Node& node = nodes_.last();
        if (node.variables.size() == MaxVarsPerNode) {
            error_ = QStringLiteral("%1, variable %2: the device holds at most %3 enabled "
                                    "variables per node")
                         .arg(nodeWhere())
                         .arg(varPosition_)
                         .arg(MaxVarsPerNode);
            return;
        }
        const auto where = [this] {
            return QStringLiteral("%1, variable %2").arg(nodeWhere()).arg(varPosition_);
        };
        const Variable defaults;
        Variable v;
        v.enabled = true;
        const auto type = required(values[V_Type], MBusXml::Type, where);
        if (!type)
            return;
        const auto function = required(values[V_Fun_Field], MBusXml::Fun_Field, where);
        if (!function)
            return;
        const auto dimension = required(values[V_Dim], MBusXml::Dim, where);
        if (!dimension)
            return;
        v.dataType = low32(*type);
        v.function = low32(*function);
        v.dimension = low32(*dimension);
        v.unit = low32(optional(values[V_Unit], defaults.unit));
        v.storageNumber = quint32(optional(values[V_StoNumber], defaults.storageNumber));
        v.tariff = low32(optional(values[V_Tariff], defaults.tariff));
        v.vife = quint8(optional(values[V_VIFE], defaults.vife));
        v.length = quint8(optional(values[V_Length], defaults.length));
        v.scale = quint16(optional(values[V_Scale], defaults.scale));
        v.modbusSlave = low32(optional(values[V_Mod_ID], defaults.modbusSlave));
        v.modbusType = low32(optional(values[V_Mod_TD], defaults.modbusType));
        v.modbusRegister = low32(optional(values[V_Mod_NR], defaults.modbusRegister));
        v.modbusCount = low32(optional(values[V_Mod_NP], defaults.modbusCount));
        v.modbusSwap = low32(optional(values[V_Mod_Swap], defaults.modbusSwap));
        node.variables.append(std::move(v));
    }

    const QString& fileName_;
    Network& nodes_;
    QString error_;
    int nodePosition_ = 0;
    int varPosition_ = 0;
    qint32 id_ = 0;
    qint32 secondary_ = 0;
    bool listed_ = false;
};

QString readNetwork(const QByteArray& bytes, const QString& fileName, Network& nodes) {
    NetworkReader reader(fileName, nodes);
    const QString parseError = XmlFile::read(bytes, fileName, reader);
    return parseError.isEmpty() ? reader.error() : parseError;
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

// Every field goes out cut to its width in the image; the scale becomes the record code.
void emitNetwork(QByteArray& bank, const Network& nodes) {
    quint32 offset = quint32(HeaderSize + NodeRecordSize * nodes.size());
    for (const Node& node : nodes) {
        append8(bank, quint8(node.primary));
        append16(bank, quint16(node.variables.size()));
        append32(bank, offset);
        appendBcd(bank, quint32(node.secondary));
        offset += quint32(VarRecordSize * node.variables.size());
    }
    for (const Node& node : nodes) {
        for (const Variable& v : node.variables) {
            const quint8 type = quint8(v.dataType);
            append8(bank, type);
            append8(bank, quint8(v.function));
            append8(bank, dataFieldCodeOf(quint8(v.dimension)));
            append8(bank, quint8(v.unit));
            append32(bank, v.storageNumber);
            append32(bank, quint32(v.tariff));
            append8(bank, v.vife);
            append8(bank, v.length);
            append16(bank, recordCodeOf(type, v.vife, v.scale));
            append8(bank, quint8(v.modbusSlave));
            append8(bank, quint8(v.modbusType));
            append16(bank, quint16(v.modbusRegister));
            append8(bank, quint8(v.modbusCount));
            append8(bank, quint8(v.modbusSwap));
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

    using namespace ParGenXml;
    const char* const required[] = {Mod_Ser, Mod_Baud,     Mod_Par,    Mod_TO,
                                    Mod_CD,  Mod_Protocol, Meter_Baud, Meter_Par};
    // The time-out and the cyclic delay are typed by the user: read as the window read them.
    const bool typed[] = {false, false, false, true, true, false, false, false};
    qint64 values[8] = {};
    for (int i = 0; i < 8; ++i) {
        const auto text = XmlFile::childText(root, required[i]);
        if (!text)
            return QStringLiteral("%1: element \"%2\" is missing")
                .arg(fileName, QLatin1String(required[i]));
        const std::optional<qint64> value =
            typed[i] ? std::optional<qint64>(typedNumber(*text)) : FileInteger::parse(*text);
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

    const std::array<const char*, 4>* const octets[3] = {&Ethernet_IP, &Ethernet_SM, &Ethernet_GAT};
    const int offsets[3] = {BlkIp, BlkMask, BlkGateway};
    const quint8* const defaults[3] = {DefaultIp, DefaultMask, DefaultGateway};
    for (int group = 0; group < 3; ++group) {
        for (int i = 0; i < 4; ++i) {
            const auto text = XmlFile::childText(root, (*octets[group])[i]);
            const auto value = text ? typedNumber(*text) : std::nullopt;
            put8(block, offsets[group] + i, value ? quint8(*value) : defaults[group][i]);
        }
    }
    const auto gatewayUsed = XmlFile::childText(root, Ethernet_EN_GAT);
    if (!gatewayUsed || *gatewayUsed == QStringLiteral("0")) {
        for (int i = 0; i < 4; ++i)
            put8(block, BlkGateway + i, 0xFF);
    }
    return {};
}

// nullopt when the file is absent; an error text when it exists but cannot be read.
std::optional<QByteArray> readIfPresent(const QString& path, QString& error) {
    if (path.isEmpty() || !QFileInfo::exists(path))
        return std::nullopt;
    // Only a regular file of sensible size: a FIFO or a device in its place must not hang.
    BoundedFile::Result file = BoundedFile::read(path, BoundedFile::ConfigFile);
    if (!file.ok()) {
        error = file.error;
        return std::nullopt;
    }
    return std::move(file.bytes);
}

} // namespace

CompileResult compileBanksFromBytes(const std::optional<QByteArray>& mbus,
                                    const std::optional<QByteArray>& parGen,
                                    const QString& mbusName, const QString& parGenName) {
    CompileResult result;
    QByteArray block = defaultBlock();
    Network nodes;
    if (mbus) {
        result.error = readNetwork(*mbus, mbusName, nodes);
        if (!result.error.isEmpty())
            return result;
    }
    int varCount = 0;
    for (const Node& node : nodes)
        varCount += int(node.variables.size());

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
    put32(block, BlkChecksum, blockChecksum(block));
    result.banks = {bank, block, ImageSources::record(parGen, mbus)};
    return result;
}

CompileResult compileBanksFromFiles(const QString& fileMBus, const QString& fileParGen) {
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
