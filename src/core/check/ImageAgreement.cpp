#include "core/check/ImageAgreement.h"

#include "common/Excerpt.h"
#include "common/FileInteger.h"
#include "common/XmlFile.h"
#include "core/comm/ParGenXml.h"
#include "core/image/BankLayout.h"
#include "core/image/Compiler.h"
#include "core/image/LittleEndian.h"
#include "core/network/NetworkXml.h"

#include <algorithm>
#include <array>
#include <functional>

namespace ImageAgreement {

namespace {

using namespace BankLayout;

const QString MBusFile = QString::fromLatin1(MBusXml::FileName);
const QString ParGenFile = QString::fromLatin1(ParGenXml::FileName);

// A field of an image record and the attribute (or element) it comes from.
struct Field {
    int offset;
    int size;
    const char* source;
};

const Field NodeFields[] = {
    {NodeId, 1, MBusXml::ID},
    {NodeSecBcd, 4, MBusXml::Sec_Add},
};

const Field VariableFields[] = {
    {VarType, 1, MBusXml::Type},         {VarFunction, 1, MBusXml::Fun_Field},
    {VarDimensionCode, 1, MBusXml::Dim}, {VarUnit, 1, MBusXml::Unit},
    {VarStorage, 4, MBusXml::StoNumber}, {VarTariff, 4, MBusXml::Tariff},
    {VarVife, 1, MBusXml::VIFE},         {VarLength, 1, MBusXml::Length},
    {VarRecordCode, 2, MBusXml::Scale},  {VarModId, 1, MBusXml::Mod_ID},
    {VarModType, 1, MBusXml::Mod_TD},    {VarModRegister, 2, MBusXml::Mod_NR},
    {VarModPoints, 1, MBusXml::Mod_NP},  {VarModSwap, 1, MBusXml::Mod_Swap},
};

const Field ParameterFields[] = {
    {ParModSer, 1, ParGenXml::Mod_Ser},        {ParModBaud, 1, ParGenXml::Mod_Baud},
    {ParModPar, 1, ParGenXml::Mod_Par},        {ParModTimeout, 2, ParGenXml::Mod_TO},
    {ParModCyclicDelay, 2, ParGenXml::Mod_CD}, {ParFraming, 1, ParGenXml::Mod_Protocol},
    {ParMeterBaud, 1, ParGenXml::Meter_Baud},  {ParMeterPar, 1, ParGenXml::Meter_Par},
};

quint32 valueAt(const QByteArray& image, qsizetype at, int size) {
    return LittleEndian::read(image, at, size).value_or(0);
}

// What the image holds in a field, as a person reads it.
QString shown(const QByteArray& image, qsizetype at, const Field& field) {
    if (field.source == MBusXml::Sec_Add) {
        QString digits;
        for (int i = 0; i < 4; ++i)
            digits += QStringLiteral("%1").arg(quint8(image.at(at + i)), 2, 16, QLatin1Char('0'));
        return QString::number(digits.toULongLong());
    }
    if (field.source == MBusXml::Scale)
        return QStringLiteral("record code 0x%1")
            .arg(valueAt(image, at, field.size), 4, 16, QLatin1Char('0'));
    return QString::number(valueAt(image, at, field.size));
}

QString message(const char* source, const QString& fileText, const QString& kept,
                const QString& imageGets) {
    return QStringLiteral("\"%1\" is %2 in the file: the windows keep %3, the image gets %4")
        .arg(QLatin1String(source), fileText, kept, imageGets);
}

// The value the editor keeps for an attribute: what it writes back.
qint64 kept(const Node& node, const Variable* var, const char* source) {
    using namespace MBusXml;
    if (!var)
        return source == ID ? node.primary : node.secondary;
    const std::pair<const char*, qint64> values[] = {
        {Type, var->dataType},      {Fun_Field, var->function},      {Dim, var->dimension},
        {Unit, var->unit},          {StoNumber, var->storageNumber}, {Tariff, var->tariff},
        {VIFE, var->vife},          {Length, var->length},           {Scale, var->scale},
        {Mod_ID, var->modbusSlave}, {Mod_TD, var->modbusType},       {Mod_NR, var->modbusRegister},
        {Mod_NP, var->modbusCount}, {Mod_Swap, var->modbusSwap},
    };
    for (const auto& [name, value] : values) {
        if (name == source)
            return value;
    }
    return 0;
}

// Whether the windows and the image part ways on a field: the images differ, or the file holds
// a number the windows do not keep (the compiler takes every number and cuts it to the field).
bool partWays(const QByteArray& fromFile, const QByteArray& fromWindows, qsizetype at,
              const Field& field, const std::optional<QString>& fileText,
              std::optional<qint64> keptNumber) {
    if (fromFile.mid(at + field.offset, field.size) !=
        fromWindows.mid(at + field.offset, field.size))
        return true;
    if (!fileText || !keptNumber)
        return false;
    const auto number = FileInteger::parse(*fileText);
    return number && *number != *keptNumber;
}

QString quotedOrMissing(const std::optional<QString>& text) {
    return text ? Excerpt::quoted(*text) : QStringLiteral("missing");
}

void compareNetwork(const Files& files, const QByteArray& fromFile, const QByteArray& fromWindows,
                    QList<ConfigFinding>& findings) {
    pugi::xml_document doc;
    if (!XmlFile::parse(doc, *files.mbus, MBusFile).isEmpty())
        return;
    QList<pugi::xml_node> nodeElements;
    for (pugi::xml_node n = XmlFile::root(doc).first_child(); n; n = n.next_sibling())
        if (n.type() == pugi::node_element)
            nodeElements.append(n);
    if (nodeElements.size() != files.network.size())
        return;

    // The image holds the nodes with enabled variables, and only those variables, in order.
    int imageNodes = 0;
    for (const Node& node : files.network)
        imageNodes += std::any_of(node.variables.begin(), node.variables.end(),
                                  [](const Variable& v) { return v.enabled; });
    qsizetype nodeAt = HeaderSize;
    qsizetype varAt = HeaderSize + qsizetype(imageNodes) * NodeRecordSize;
    for (int i = 0; i < files.network.size(); ++i) {
        const Node& node = files.network[i];
        QList<pugi::xml_node> varElements;
        for (pugi::xml_node v = nodeElements[i].first_child(); v; v = v.next_sibling())
            if (v.type() == pugi::node_element)
                varElements.append(v);
        if (varElements.size() != node.variables.size())
            return;
        bool listed = false;
        for (int j = 0; j < node.variables.size(); ++j) {
            const Variable& var = node.variables[j];
            if (!var.enabled)
                continue;
            const QString where =
                QStringLiteral("node %1 (primary %2)").arg(i + 1).arg(node.primary);
            if (!listed) {
                for (const Field& f : NodeFields) {
                    const auto text = XmlFile::attributeText(nodeElements[i], f.source);
                    const qint64 value = kept(node, nullptr, f.source);
                    if (partWays(fromFile, fromWindows, nodeAt, f, text, value))
                        findings.append(
                            {MBusFile, where,
                             message(f.source, quotedOrMissing(text), QString::number(value),
                                     shown(fromFile, nodeAt + f.offset, f))});
                }
                nodeAt += NodeRecordSize;
                listed = true;
            }
            const QString varWhere = QStringLiteral("%1, variable %2 %3")
                                         .arg(where)
                                         .arg(j + 1)
                                         .arg(Excerpt::quoted(var.description));
            for (const Field& f : VariableFields) {
                const auto text = XmlFile::attributeText(varElements[j], f.source);
                const qint64 value = kept(node, &var, f.source);
                if (partWays(fromFile, fromWindows, varAt, f, text, value))
                    findings.append(
                        {MBusFile, varWhere,
                         message(f.source, quotedOrMissing(text), QString::number(value),
                                 shown(fromFile, varAt + f.offset, f))});
            }
            varAt += VarRecordSize;
        }
    }
}

// What the settings window keeps: a list position as a number, a typed text as typed.
std::pair<QString, std::optional<qint64>> parGenKept(const GeneralParameters& p,
                                                     const char* source) {
    using namespace ParGenXml;
    if (source == Mod_TO)
        return {Excerpt::quoted(p.modbusTimeout), std::nullopt};
    if (source == Mod_CD)
        return {Excerpt::quoted(p.modbusCyclicDelay), std::nullopt};
    const std::pair<const char*, int> values[] = {
        {Mod_Ser, p.modbusRs232},         {Mod_Baud, p.modbusBaud}, {Mod_Par, p.modbusParity},
        {Mod_Protocol, p.modbusProtocol}, {Meter_Baud, p.mbusBaud}, {Meter_Par, p.mbusParity},
    };
    for (const auto& [name, value] : values) {
        if (name == source)
            return {QString::number(value), value};
    }
    return {};
}

void compareParameters(const Files& files, const CompiledBanks& fromFile,
                       const CompiledBanks& fromWindows, QList<ConfigFinding>& findings) {
    pugi::xml_document doc;
    if (!XmlFile::parse(doc, *files.parGen, ParGenFile).isEmpty())
        return;
    const pugi::xml_node root = XmlFile::root(doc);
    const qsizetype at = valueAt(fromFile.bank, 4, 4);
    if (at != qsizetype(valueAt(fromWindows.bank, 4, 4)))
        return;
    for (const Field& f : ParameterFields) {
        const auto text = XmlFile::childText(root, f.source);
        const auto [keptText, keptNumber] = parGenKept(files.parameters, f.source);
        if (partWays(fromFile.bank, fromWindows.bank, at, f, text, keptNumber))
            findings.append({ParGenFile, QString::fromLatin1(f.source),
                             message(f.source, quotedOrMissing(text), keptText,
                                     shown(fromFile.bank, at + f.offset, f))});
    }
    // The gateway is used unless the flag is missing or "0"; the window takes only "1" as on.
    const char* flag = ParGenXml::Ethernet_EN_GAT;
    const auto flagText = XmlFile::childText(root, flag);
    const bool fileUsesGateway = flagText && *flagText != QStringLiteral("0");
    const bool gatewayDiffers =
        fromFile.bank2.mid(BlkGateway, 4) != fromWindows.bank2.mid(BlkGateway, 4);
    const bool flagDiffers =
        gatewayDiffers && fileUsesGateway != files.parameters.ethernetGatewayEnabled;
    if (flagDiffers)
        findings.append({ParGenFile, QString::fromLatin1(flag),
                         message(flag, quotedOrMissing(flagText),
                                 files.parameters.ethernetGatewayEnabled ? QStringLiteral("1")
                                                                         : QStringLiteral("0"),
                                 fileUsesGateway ? QStringLiteral("the gateway")
                                                 : QStringLiteral("no gateway"))});
    // A missing octet takes the device's default in the image, the window's own default
    // when written back.
    const GeneralParameters& p = files.parameters;
    const std::array<const char*, 4>* const groups[3] = {
        &ParGenXml::Ethernet_IP, &ParGenXml::Ethernet_SM, &ParGenXml::Ethernet_GAT};
    const QString* const keptTexts[3][4] = {
        {&p.ethernetIp1, &p.ethernetIp2, &p.ethernetIp3, &p.ethernetIp4},
        {&p.ethernetMask1, &p.ethernetMask2, &p.ethernetMask3, &p.ethernetMask4},
        {&p.ethernetGateway1, &p.ethernetGateway2, &p.ethernetGateway3, &p.ethernetGateway4}};
    const int offsets[3] = {BlkIp, BlkMask, BlkGateway};
    for (int group = 0; group < 3; ++group) {
        if (group == 2 && flagDiffers)
            continue;
        for (int i = 0; i < 4; ++i) {
            const qsizetype octet = offsets[group] + i;
            if (fromFile.bank2.at(octet) == fromWindows.bank2.at(octet))
                continue;
            const char* element = (*groups[group])[i];
            findings.append({ParGenFile, QString::fromLatin1(element),
                             message(element, quotedOrMissing(XmlFile::childText(root, element)),
                                     Excerpt::quoted(*keptTexts[group][i]),
                                     QString::number(quint8(fromFile.bank2.at(octet))))});
        }
    }
}

} // namespace

QList<ConfigFinding> disagreements(const Files& files) {
    QList<ConfigFinding> findings;
    const CompileResult fromFile = compileBanksFromBytes(files.mbus, files.parGen);
    const std::optional<QByteArray> mbusWritten =
        files.mbus ? std::optional<QByteArray>(networkBytes(files.network)) : std::nullopt;
    const std::optional<QByteArray> parGenWritten =
        files.parGen ? std::optional<QByteArray>(generalParametersBytes(files.parameters))
                     : std::nullopt;
    const CompileResult fromWindows = compileBanksFromBytes(mbusWritten, parGenWritten);
    if (!fromWindows.ok())
        return findings; // limits the windows would refuse: the other findings say which
    if (!fromFile.ok()) {
        const QString file = fromFile.error.startsWith(ParGenFile) ? ParGenFile : MBusFile;
        findings.append(
            {file, QString(),
             QStringLiteral("the image compiler refuses what the windows would take: %1")
                 .arg(fromFile.error)});
        return findings;
    }
    if (files.mbus)
        compareNetwork(files, fromFile.banks.bank, fromWindows.banks.bank, findings);
    if (files.parGen)
        compareParameters(files, fromFile.banks, fromWindows.banks, findings);
    return findings;
}

} // namespace ImageAgreement
