#include "core/comm/ParGen.h"

#include "common/ConfigLock.h"

#include "common/FileInteger.h"
#include "common/NumberRule.h"
#include "common/XmlFile.h"
#include "core/comm/ParGenXml.h"

#include <QFileInfo>
#include <limits>

namespace {

struct ListField {
    const char* name;
    int Par_Gen::*field;
};

struct TextField {
    const char* name;
    QString Par_Gen::*field;
};

// Element order of the file (the writer's order); readers look elements up by name.
using namespace ParGenXml;

const ListField ListFields[] = {
    {ParGenXml::Select_Device, &Par_Gen::Select_Device},
    {ParGenXml::Meter_Baud, &Par_Gen::Meter_Baud},
    {ParGenXml::Meter_Par, &Par_Gen::Meter_Par},
    {ParGenXml::Mod_Ser, &Par_Gen::Mod_Ser},
    {ParGenXml::Mod_Baud, &Par_Gen::Mod_Baud},
    {ParGenXml::Mod_Par, &Par_Gen::Mod_Par},
};

const TextField ModbusTexts[] = {{ParGenXml::Mod_TO, &Par_Gen::Mod_TO},
                                 {ParGenXml::Mod_CD, &Par_Gen::Mod_CD}};

const TextField EthernetTexts[] = {
    {Ethernet_IP[0], &Par_Gen::Ethernet_IP1},   {Ethernet_IP[1], &Par_Gen::Ethernet_IP2},
    {Ethernet_IP[2], &Par_Gen::Ethernet_IP3},   {Ethernet_IP[3], &Par_Gen::Ethernet_IP4},
    {Ethernet_SM[0], &Par_Gen::Ethernet_SM1},   {Ethernet_SM[1], &Par_Gen::Ethernet_SM2},
    {Ethernet_SM[2], &Par_Gen::Ethernet_SM3},   {Ethernet_SM[3], &Par_Gen::Ethernet_SM4},
    {Ethernet_GAT[0], &Par_Gen::Ethernet_GAT1}, {Ethernet_GAT[1], &Par_Gen::Ethernet_GAT2},
    {Ethernet_GAT[2], &Par_Gen::Ethernet_GAT3}, {Ethernet_GAT[3], &Par_Gen::Ethernet_GAT4},
};

// A list position must fit the 32-bit field; anything else is "not an integer".
std::optional<int> readInt(const QString& text) {
    const auto v = FileInteger::parseInRange(text, std::numeric_limits<qint32>::min(),
                                             std::numeric_limits<qint32>::max());
    if (!v)
        return std::nullopt;
    return int(*v);
}

void readTexts(const pugi::xml_node& root, const TextField* begin, const TextField* end,
               Par_Gen& record) {
    for (const TextField* f = begin; f != end; ++f) {
        if (const auto text = XmlFile::childText(root, f->name))
            record.*(f->field) = *text;
    }
}

void appendText(pugi::xml_node& root, const char* name, const QString& text) {
    root.append_child(name).text().set(text.toUtf8().constData());
}

} // namespace

std::optional<qint32> typedNumber(QStringView text) {
    return NumberRule::toInt32(text);
}

int positionForSave(int position, int listSize) {
    return position >= 0 && position < listSize ? position : -1;
}

ParGenLoad Load_Par_Gen(const QString& path) {
    ParGenLoad result;
    if (!QFileInfo::exists(path))
        return result;
    pugi::xml_document doc;
    result.error = XmlFile::load(doc, path);
    if (!result.ok())
        return result;
    const pugi::xml_node root = XmlFile::root(doc);
    Par_Gen& record = result.value;
    const Par_Gen defaults;

    for (const ListField& f : ListFields) {
        const auto text = XmlFile::childText(root, f.name);
        const std::optional<int> number = text ? readInt(*text) : std::nullopt;
        record.*(f.field) = number.value_or(defaults.*(f.field));
    }
    // The window shows the serial device when the element is missing, but a text that is
    // not a number still falls back to the Ethernet device.
    if (!XmlFile::childText(root, ParGenXml::Select_Device))
        record.Select_Device = 0;
    // Only the number 1 selects RS232; 0, 2 and -5 all select RS485.
    record.Mod_Ser = record.Mod_Ser == 1 ? 1 : 0;
    if (const auto text = XmlFile::childText(root, ParGenXml::Mod_Protocol)) {
        if (const auto number = readInt(*text))
            record.Mod_Protocol = *number;
    }

    readTexts(root, std::begin(ModbusTexts), std::end(ModbusTexts), record);
    readTexts(root, std::begin(EthernetTexts), std::end(EthernetTexts), record);
    record.Ethernet_EN_GAT =
        XmlFile::childText(root, ParGenXml::Ethernet_EN_GAT) == QStringLiteral("1");
    return result;
}

namespace {

void buildDocument(pugi::xml_document& doc, const Par_Gen& record) {
    pugi::xml_node root = XmlFile::startDocument(doc, Root, XmlFile::ConfigVersionComment);
    for (const ListField& f : ListFields) {
        int value = record.*(f.field);
        if (f.field == &Par_Gen::Mod_Ser)
            value = value == 1 ? 1 : 0;
        root.append_child(f.name).text().set(value);
    }
    for (const TextField& f : ModbusTexts)
        appendText(root, f.name, record.*(f.field));
    root.append_child(ParGenXml::Mod_Protocol).text().set(record.Mod_Protocol);
    for (const TextField& f : EthernetTexts)
        appendText(root, f.name, record.*(f.field));
    root.append_child(ParGenXml::Ethernet_EN_GAT).text().set(record.Ethernet_EN_GAT ? "1" : "0");
}

} // namespace

QString Save_Par_Gen(const Par_Gen& record, const QString& path) {
    const ConfigLock lock(QFileInfo(path).absolutePath());
    if (!lock.ok())
        return lock.error();
    pugi::xml_document doc;
    buildDocument(doc, record);
    return XmlFile::save(doc, path);
}

QByteArray Par_Gen_Bytes(const Par_Gen& record) {
    pugi::xml_document doc;
    buildDocument(doc, record);
    return XmlFile::serialize(doc);
}

SelectDeviceRead Read_Select_Device(const QString& path) {
    // The window's reading already gives 1 without a file, 0 without the element and 1 for a
    // text that is not an integer.
    const ParGenLoad load = Load_Par_Gen(path);
    return {load.value.Select_Device, load.error};
}
