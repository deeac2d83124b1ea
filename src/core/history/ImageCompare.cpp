#include "core/history/ImageCompare.h"

#include "core/comm/ParityNames.h"
#include "core/lang/Plural.h"

#include "core/comm/GeneralParameters.h"
#include "core/history/HistoryTexts.h"
#include "core/image/BankLayout.h"
#include "core/image/RecordCoding.h"
#include "core/lang/LanguageTable.h"
#include "core/network/CodingTables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace ImageCompare {

namespace {

using namespace HistoryTexts;

QString listed(int position, const QStringList& captions, const LanguageTable& t) {
    if (position >= 0 && position < captions.size())
        return captions.at(position).trimmed();
    return t.text(T_NotInList).arg(position);
}

template <size_t N>
QString listed(int position, const std::array<const char*, N>& captions, const LanguageTable& t) {
    if (position >= 0 && position < int(N))
        return QString::fromUtf8(captions[size_t(position)]);
    return t.text(T_NotInList).arg(position);
}

QString dotted(const std::array<quint8, 4>& octets) {
    return QStringLiteral("%1.%2.%3.%4")
        .arg(octets[0])
        .arg(octets[1])
        .arg(octets[2])
        .arg(octets[3]);
}

QString framingText(quint8 code, const LanguageTable& t) {
    if (code == 0)
        return t.text(T_Binary);
    if (code == 1)
        return t.text(T_Ascii);
    return t.text(T_NotInList).arg(code);
}

// The block keeps parity codes (odd 1, even 2); the list positions swap them back.
QString parityFromCode(quint8 code, const LanguageTable& t) {
    return listed(BankLayout::parityCode(code), ParityNames::all(t), t);
}

QString scaleText(const ImageDecode::Variable& v, const LanguageTable& t) {
    const auto meaning = RecordCoding::meaningOfCode(v.recordCode);
    if (!meaning)
        return v.recordCode == 0 ? t.text(T_NoScale) : t.text(T_NotInList).arg(v.recordCode);
    if (meaning->scale < 0)
        return t.text(T_NoScale);
    const auto list = CodingTables::scaleListFor(meaning->typeOfData, meaning->vife);
    return list ? CodingTables::captionAt(*list, meaning->scale).trimmed()
                : QString::number(meaning->scale);
}

QString dimensionText(quint8 code, const LanguageTable& t) {
    const auto position = RecordCoding::dimensionForCode(code);
    return position ? CodingTables::dimensions().value(*position) : t.text(T_NotInList).arg(code);
}

class Collector {
public:
    explicit Collector(QList<Change>& out) : out_(out) {}
    void setting(const QString& field, const QString& before, const QString& after) {
        if (before == after)
            return;
        // bank.bin and bank2.bin carry some settings twice: say each change once.
        const QString key = field + QChar(0) + before + QChar(0) + after;
        if (seen_.contains(key))
            return;
        seen_.insert(key);
        out_.append({Kind::Setting, -1, 0, field, before, after});
    }
    void field(Kind kind, int node, int variable, const QString& field, const QString& before,
               const QString& after) {
        if (before != after)
            out_.append({kind, node, variable, field, before, after});
    }
    void append(const Change& change) { out_.append(change); }

private:
    QList<Change>& out_;
    QSet<QString> seen_;
};

void compareParameters(const std::optional<ImageDecode::Parameters>& a,
                       const std::optional<ImageDecode::Parameters>& b, const LanguageTable& t,
                       Collector& c) {
    c.setting(QStringLiteral("parameters"), t.text(a ? T_Used : T_NotUsed),
              t.text(b ? T_Used : T_NotUsed));
    if (!a || !b)
        return;
    auto ser = [&](quint8 v) {
        return v == 1   ? QString::fromUtf8(ParGenLists::modbusSerials[0])
               : v == 0 ? QString::fromUtf8(ParGenLists::modbusSerials[1])
                        : t.text(T_NotInList).arg(v);
    };
    c.setting(QStringLiteral("modbus_interface"), ser(a->modSer), ser(b->modSer));
    c.setting(QStringLiteral("modbus_baud"), listed(a->modBaud, ParGenLists::modbusBauds, t),
              listed(b->modBaud, ParGenLists::modbusBauds, t));
    c.setting(QStringLiteral("modbus_parity"), listed(a->modPar, ParityNames::all(t), t),
              listed(b->modPar, ParityNames::all(t), t));
    c.setting(QStringLiteral("modbus_timeout"), QString::number(a->modTimeout),
              QString::number(b->modTimeout));
    c.setting(QStringLiteral("modbus_cyclic_delay"), QString::number(a->modCyclicDelay),
              QString::number(b->modCyclicDelay));
    c.setting(QStringLiteral("modbus_framing"), framingText(a->framing, t),
              framingText(b->framing, t));
    c.setting(QStringLiteral("mbus_baud"), listed(a->meterBaud, ParGenLists::mbusBauds, t),
              listed(b->meterBaud, ParGenLists::mbusBauds, t));
    c.setting(QStringLiteral("mbus_parity"), listed(a->meterPar, ParityNames::all(t), t),
              listed(b->meterPar, ParityNames::all(t), t));
}

void compareBlock(const ImageDecode::Block& a, const ImageDecode::Block& b, const LanguageTable& t,
                  Collector& c) {
    using namespace BankLayout;
    c.setting(QStringLiteral("modbus_baud"), QString::number(a.modRate),
              QString::number(b.modRate));
    c.setting(QStringLiteral("modbus_parity"), parityFromCode(a.modParity, t),
              parityFromCode(b.modParity, t));
    c.setting(QStringLiteral("modbus_timeout"), QString::number(a.modTimeout),
              QString::number(b.modTimeout));
    c.setting(QStringLiteral("modbus_cyclic_delay"), QString::number(a.modCyclicDelay),
              QString::number(b.modCyclicDelay));
    c.setting(QStringLiteral("modbus_framing"), framingText(a.framing, t),
              framingText(b.framing, t));
    c.setting(QStringLiteral("mbus_baud"), QString::number(a.meterRate),
              QString::number(b.meterRate));
    c.setting(QStringLiteral("mbus_parity"), parityFromCode(a.meterParity, t),
              parityFromCode(b.meterParity, t));
    c.setting(QStringLiteral("ip_address"), dotted(a.ip), dotted(b.ip));
    c.setting(QStringLiteral("subnet_mask"), dotted(a.mask), dotted(b.mask));
    auto gateway = [&](const std::array<quint8, 4>& g) {
        return g == std::array<quint8, 4>{255, 255, 255, 255} ? t.text(T_NotUsed) : dotted(g);
    };
    c.setting(QStringLiteral("gateway"), gateway(a.gateway), gateway(b.gateway));
    auto hex = [](quint32 v) {
        return QStringLiteral("0x%1").arg(v, 0, 16).toUpper().replace(QStringLiteral("0X"),
                                                                      QStringLiteral("0x"));
    };
    c.setting(QStringLiteral("bank_address"), hex(a.bankAddress), hex(b.bankAddress));

    // Bytes no field above names: the fixed values and anything a foreign file holds. The node
    // count and the checksum follow from the rest.
    static const std::pair<int, int> named[] = {
        {BlkModTimeout, 4},    {BlkModCyclicDelay, 4}, {BlkIp, 4},
        {BlkMask, 4},          {BlkGateway, 4},        {BlkModBaudRate, 4},
        {BlkMeterBaudRate, 4}, {BlkModParity, 1},      {BlkMeterParity, 1},
        {BlkFraming, 1},       {BlkNodeCount, 1},      {BlkBankAddress, 4},
        {BlkChecksum, 4}};
    for (int at = 0; at < BlockSize && at < a.bytes.size() && at < b.bytes.size(); ++at) {
        if (a.bytes.at(at) == b.bytes.at(at))
            continue;
        bool isNamed = false;
        for (const auto& [offset, size] : named)
            isNamed = isNamed || (at >= offset && at < offset + size);
        if (!isNamed)
            c.setting(
                QStringLiteral("block_byte_0x%1")
                    .arg(at, 3, 16, QLatin1Char('0'))
                    .toUpper()
                    .replace(QStringLiteral("BLOCK_BYTE_0X"), QStringLiteral("block_byte_0x")),
                QString::number(quint8(a.bytes.at(at))), QString::number(quint8(b.bytes.at(at))));
    }
}

void compareVariables(int id, const QList<ImageDecode::Variable>& a,
                      const QList<ImageDecode::Variable>& b, const LanguageTable& t, Collector& c) {
    const QStringList modTypes = modbusTypeTexts(t);
    const QStringList swaps = modbusSwapTexts(t);
    const qsizetype common = std::min(a.size(), b.size());
    for (qsizetype j = 0; j < common; ++j) {
        const ImageDecode::Variable& x = a.at(j);
        const ImageDecode::Variable& y = b.at(j);
        if (x == y)
            continue;
        const int n = int(j) + 1;
        auto f = [&](const char* field, const QString& before, const QString& after) {
            c.field(Kind::Variable, id, n, QLatin1String(field), before, after);
        };
        auto num = [](quint32 v) { return QString::number(v); };
        f("type_of_data", listed(x.type, CodingTables::typesOfData(), t),
          listed(y.type, CodingTables::typesOfData(), t));
        f("function_field", listed(x.function, CodingTables::functionFields(), t),
          listed(y.function, CodingTables::functionFields(), t));
        f("dimension", dimensionText(x.dimensionCode, t), dimensionText(y.dimensionCode, t));
        f("unit", num(x.unit), num(y.unit));
        f("storage_number", num(x.storage), num(y.storage));
        f("tariff", num(x.tariff), num(y.tariff));
        f("vife", listed(x.vife, CodingTables::vifeEntries(), t),
          listed(y.vife, CodingTables::vifeEntries(), t));
        f("length", num(x.length), num(y.length));
        // The record code says the scale (and, with the type or VIFE, the unit); when the
        // type changes with it the words can stay alike, so the code decides.
        if (x.recordCode != y.recordCode) {
            QString before = scaleText(x, t);
            QString after = scaleText(y, t);
            if (before == after) {
                before += QStringLiteral(" (%1)").arg(x.recordCode);
                after += QStringLiteral(" (%1)").arg(y.recordCode);
            }
            f("scale", before, after);
        }
        f("modbus_slave", num(x.modId), num(y.modId));
        f("modbus_type", listed(x.modType, modTypes, t), listed(y.modType, modTypes, t));
        f("modbus_register", num(x.modRegister), num(y.modRegister));
        f("modbus_points", num(x.modPoints), num(y.modPoints));
        f("modbus_swap", listed(x.modSwap, swaps, t), listed(y.modSwap, swaps, t));
    }
    for (qsizetype j = common; j < b.size(); ++j)
        c.append({Kind::VariableAdded, id, int(j) + 1, {}, {}, {}});
    for (qsizetype j = common; j < a.size(); ++j)
        c.append({Kind::VariableRemoved, id, int(j) + 1, {}, {}, {}});
}

void compareNodes(const QList<ImageDecode::Node>& a, const QList<ImageDecode::Node>& b,
                  const LanguageTable& t, Collector& c) {
    QHash<int, qsizetype> inA;
    QHash<int, qsizetype> inB;
    for (qsizetype i = 0; i < a.size(); ++i)
        inA.insert(a.at(i).id, i);
    for (qsizetype i = 0; i < b.size(); ++i)
        inB.insert(b.at(i).id, i);
    // Positions among the nodes both images hold: adding or removing a node moves no other.
    QList<int> commonA;
    QList<int> commonB;
    for (const ImageDecode::Node& n : a)
        if (inB.contains(n.id))
            commonA.append(n.id);
    for (const ImageDecode::Node& n : b)
        if (inA.contains(n.id))
            commonB.append(n.id);

    for (const ImageDecode::Node& n : b) {
        if (!inA.contains(n.id)) {
            c.append({Kind::NodeAdded, n.id, 0, {}, {}, QString::number(n.variables.size())});
            continue;
        }
        const ImageDecode::Node& old = a.at(inA.value(n.id));
        const qsizetype from = commonA.indexOf(n.id);
        const qsizetype to = commonB.indexOf(n.id);
        if (from != to)
            c.append(
                {Kind::NodeMoved, n.id, 0, {}, QString::number(from + 1), QString::number(to + 1)});
        c.field(Kind::Node, n.id, 0, QStringLiteral("secondary_address"), old.secondary,
                n.secondary);
        compareVariables(n.id, old.variables, n.variables, t, c);
    }
    for (const ImageDecode::Node& n : a)
        if (!inB.contains(n.id))
            c.append({Kind::NodeRemoved, n.id, 0, {}, QString::number(n.variables.size()), {}});
}

int fieldText(const QString& field) {
    static const QHash<QString, int> texts{
        {QStringLiteral("parameters"), T_ParameterSection},
        {QStringLiteral("mbus_baud"), T_MBusBaud},
        {QStringLiteral("mbus_parity"), T_MBusParity},
        {QStringLiteral("modbus_interface"), T_ModbusInterface},
        {QStringLiteral("modbus_baud"), T_ModbusBaud},
        {QStringLiteral("modbus_parity"), T_ModbusParity},
        {QStringLiteral("modbus_timeout"), T_ModbusTimeout},
        {QStringLiteral("modbus_cyclic_delay"), T_ModbusCyclicDelay},
        {QStringLiteral("modbus_framing"), T_ModbusFraming},
        {QStringLiteral("ip_address"), T_IpAddress},
        {QStringLiteral("subnet_mask"), T_SubnetMask},
        {QStringLiteral("gateway"), T_Gateway},
        {QStringLiteral("bank_address"), T_BankAddress},
        {QStringLiteral("secondary_address"), 609},
        {QStringLiteral("type_of_data"), 625},
        {QStringLiteral("function_field"), 626},
        {QStringLiteral("dimension"), 627},
        {QStringLiteral("length"), 628},
        {QStringLiteral("unit"), 629},
        {QStringLiteral("scale"), 630},
        {QStringLiteral("storage_number"), 631},
        {QStringLiteral("tariff"), 632},
        {QStringLiteral("vife"), 633},
        {QStringLiteral("modbus_slave"), T_ModbusSlave},
        {QStringLiteral("modbus_type"), T_ModbusType},
        {QStringLiteral("modbus_register"), T_ModbusRegister},
        {QStringLiteral("modbus_points"), T_ModbusPoints},
        {QStringLiteral("modbus_swap"), T_ModbusSwap},
    };
    return texts.value(field, -1);
}

QString fieldLabel(const QString& field, const LanguageTable& t) {
    const int index = fieldText(field);
    if (index >= 0)
        return t.text(index).trimmed();
    if (field.startsWith(QLatin1String("block_byte_")))
        return t.text(T_BlockByte).arg(field.mid(11));
    return field;
}

QString nodeName(int id, const Labels& before, const Labels& after, const LanguageTable& t) {
    const QString name = t.text(736).arg(id);
    QString description = after.nodes.value(id);
    if (description.trimmed().isEmpty())
        description = before.nodes.value(id);
    return description.trimmed().isEmpty() ? name
                                           : QStringLiteral("%1 (%2)").arg(name, description);
}

QString variableName(const Change& change, const Labels& before, const Labels& after,
                     const LanguageTable& t) {
    QString where =
        t.text(T_NodeVariable).arg(nodeName(change.node, before, after, t)).arg(change.variable);
    const Labels& own = change.kind == Kind::VariableRemoved ? before : after;
    const Labels& other = change.kind == Kind::VariableRemoved ? after : before;
    QString description = own.variables.value(change.node).value(change.variable - 1);
    if (description.trimmed().isEmpty() && change.kind == Kind::Variable)
        description = other.variables.value(change.node).value(change.variable - 1);
    if (!description.trimmed().isEmpty())
        where += QStringLiteral(" \"%1\"").arg(description);
    return where;
}

} // namespace

Labels labelsFrom(const Network& network) {
    Labels labels;
    for (const Node& node : network) {
        QStringList names;
        for (const Variable& v : node.variables)
            if (v.enabled)
                names << v.description;
        // The compiler keeps only nodes with an enabled variable; the first such wins, as the
        // device would see the first.
        if (names.isEmpty() || labels.nodes.contains(node.primary & 0xFF))
            continue;
        labels.nodes.insert(node.primary & 0xFF, node.description);
        labels.variables.insert(node.primary & 0xFF, names);
    }
    return labels;
}

QList<Change> compare(const ImageDecode::Images& before, const ImageDecode::Images& after,
                      const LanguageTable& texts) {
    QList<Change> changes;
    Collector c(changes);
    compareParameters(before.network.parameters, after.network.parameters, texts, c);
    compareBlock(before.block, after.block, texts, c);
    compareNodes(before.network.nodes, after.network.nodes, texts, c);
    return changes;
}

QString describe(const Change& change, const Labels& before, const Labels& after,
                 const LanguageTable& t) {
    switch (change.kind) {
    case Kind::Setting:
        return t.text(T_SettingChange)
            .arg(fieldLabel(change.field, t), change.oldValue, change.newValue);
    case Kind::NodeAdded:
        return t.text(T_NodeAdded)
            .arg(nodeName(change.node, before, after, t),
                 Plural::count(t, Plural::Variables, change.newValue.toInt()));
    case Kind::NodeRemoved:
        return t.text(T_NodeRemoved)
            .arg(nodeName(change.node, before, after, t),
                 Plural::count(t, Plural::Variables, change.oldValue.toInt()));
    case Kind::NodeMoved:
        return t.text(T_NodeMoved)
            .arg(nodeName(change.node, before, after, t), change.oldValue, change.newValue);
    case Kind::Node:
        return t.text(T_FieldChange)
            .arg(nodeName(change.node, before, after, t), fieldLabel(change.field, t),
                 change.oldValue, change.newValue);
    case Kind::VariableAdded:
        return t.text(T_ItemAdded).arg(variableName(change, before, after, t));
    case Kind::VariableRemoved:
        return t.text(T_ItemRemoved).arg(variableName(change, before, after, t));
    case Kind::Variable:
        return t.text(T_FieldChange)
            .arg(variableName(change, before, after, t), fieldLabel(change.field, t),
                 change.oldValue, change.newValue);
    }
    return {};
}

QStringList describeAll(const QList<Change>& changes, const Labels& before, const Labels& after,
                        const LanguageTable& texts) {
    if (changes.isEmpty())
        return {texts.text(T_NothingChanges)};
    QStringList lines;
    for (const Change& change : changes)
        lines << describe(change, before, after, texts);
    return lines;
}

QString kindName(Kind kind) {
    switch (kind) {
    case Kind::Setting:
        return QStringLiteral("setting");
    case Kind::NodeAdded:
        return QStringLiteral("node-added");
    case Kind::NodeRemoved:
        return QStringLiteral("node-removed");
    case Kind::NodeMoved:
        return QStringLiteral("node-moved");
    case Kind::Node:
        return QStringLiteral("node");
    case Kind::VariableAdded:
        return QStringLiteral("variable-added");
    case Kind::VariableRemoved:
        return QStringLiteral("variable-removed");
    case Kind::Variable:
        return QStringLiteral("variable");
    }
    return {};
}

QByteArray toJson(const QList<Change>& changes) {
    QJsonArray list;
    for (const Change& c : changes) {
        QJsonObject item;
        item.insert(QStringLiteral("kind"), kindName(c.kind));
        item.insert(QStringLiteral("node"), c.node < 0 ? QJsonValue() : QJsonValue(c.node));
        item.insert(QStringLiteral("variable"),
                    c.variable <= 0 ? QJsonValue() : QJsonValue(c.variable));
        item.insert(QStringLiteral("field"),
                    c.field.isEmpty() ? QJsonValue() : QJsonValue(c.field));
        item.insert(QStringLiteral("old"),
                    c.oldValue.isEmpty() ? QJsonValue() : QJsonValue(c.oldValue));
        item.insert(QStringLiteral("new"),
                    c.newValue.isEmpty() ? QJsonValue() : QJsonValue(c.newValue));
        list.append(item);
    }
    return QJsonDocument(list).toJson(QJsonDocument::Indented);
}

} // namespace ImageCompare
