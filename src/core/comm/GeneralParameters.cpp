#include "core/comm/GeneralParameters.h"

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
    int GeneralParameters::*field;
};

struct TextField {
    const char* name;
    QString GeneralParameters::*field;
};

// Element order of the file (the writer's order); readers look elements up by name.
using namespace ParGenXml;

const ListField ListFields[] = {
    {ParGenXml::Select_Device, &GeneralParameters::deviceModel},
    {ParGenXml::Meter_Baud, &GeneralParameters::mbusBaud},
    {ParGenXml::Meter_Par, &GeneralParameters::mbusParity},
    {ParGenXml::Mod_Ser, &GeneralParameters::modbusRs232},
    {ParGenXml::Mod_Baud, &GeneralParameters::modbusBaud},
    {ParGenXml::Mod_Par, &GeneralParameters::modbusParity},
};

const TextField ModbusTexts[] = {{ParGenXml::Mod_TO, &GeneralParameters::modbusTimeout},
                                 {ParGenXml::Mod_CD, &GeneralParameters::modbusCyclicDelay}};

const TextField EthernetTexts[] = {
    {Ethernet_IP[0], &GeneralParameters::ethernetIp1},
    {Ethernet_IP[1], &GeneralParameters::ethernetIp2},
    {Ethernet_IP[2], &GeneralParameters::ethernetIp3},
    {Ethernet_IP[3], &GeneralParameters::ethernetIp4},
    {Ethernet_SM[0], &GeneralParameters::ethernetMask1},
    {Ethernet_SM[1], &GeneralParameters::ethernetMask2},
    {Ethernet_SM[2], &GeneralParameters::ethernetMask3},
    {Ethernet_SM[3], &GeneralParameters::ethernetMask4},
    {Ethernet_GAT[0], &GeneralParameters::ethernetGateway1},
    {Ethernet_GAT[1], &GeneralParameters::ethernetGateway2},
    {Ethernet_GAT[2], &GeneralParameters::ethernetGateway3},
    {Ethernet_GAT[3], &GeneralParameters::ethernetGateway4},
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
               GeneralParameters& record) {
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

GeneralParametersLoad loadGeneralParameters(const QString& path) {
    GeneralParametersLoad result;
    if (!QFileInfo::exists(path))
        return result;
    pugi::xml_document doc;
    result.error = XmlFile::load(doc, path);
    if (!result.ok())
        return result;
    const pugi::xml_node root = XmlFile::root(doc);
    GeneralParameters& record = result.value;
    const GeneralParameters defaults;

    for (const ListField& f : ListFields) {
        const auto text = XmlFile::childText(root, f.name);
        const std::optional<int> number = text ? readInt(*text) : std::nullopt;
        record.*(f.field) = number.value_or(defaults.*(f.field));
    }
    // The window shows the serial device when the element is missing, but a text that is
    // not a number still falls back to the Ethernet device.
    if (!XmlFile::childText(root, ParGenXml::Select_Device))
        record.deviceModel = 0;
    // Only the number 1 selects RS232; 0, 2 and -5 all select RS485.
    record.modbusRs232 = record.modbusRs232 == 1 ? 1 : 0;
    if (const auto text = XmlFile::childText(root, ParGenXml::Mod_Protocol)) {
        if (const auto number = readInt(*text))
            record.modbusProtocol = *number;
    }

    readTexts(root, std::begin(ModbusTexts), std::end(ModbusTexts), record);
    readTexts(root, std::begin(EthernetTexts), std::end(EthernetTexts), record);
    record.ethernetGatewayEnabled =
        XmlFile::childText(root, ParGenXml::Ethernet_EN_GAT) == QStringLiteral("1");
    return result;
}

namespace {

void buildDocument(pugi::xml_document& doc, const GeneralParameters& record) {
    pugi::xml_node root = XmlFile::startDocument(doc, Root, XmlFile::ConfigVersionComment);
    for (const ListField& f : ListFields) {
        int value = record.*(f.field);
        if (f.field == &GeneralParameters::modbusRs232)
            value = value == 1 ? 1 : 0;
        root.append_child(f.name).text().set(value);
    }
    for (const TextField& f : ModbusTexts)
        appendText(root, f.name, record.*(f.field));
    root.append_child(ParGenXml::Mod_Protocol).text().set(record.modbusProtocol);
    for (const TextField& f : EthernetTexts)
        appendText(root, f.name, record.*(f.field));
    root.append_child(ParGenXml::Ethernet_EN_GAT)
        .text()
        .set(record.ethernetGatewayEnabled ? "1" : "0");
}

} // namespace

QString saveGeneralParameters(const GeneralParameters& record, const QString& path) {
    const ConfigLock lock(QFileInfo(path).absolutePath());
    if (!lock.ok())
        return lock.error();
    pugi::xml_document doc;
    buildDocument(doc, record);
    return XmlFile::save(doc, path);
}

QByteArray generalParametersBytes(const GeneralParameters& record) {
    pugi::xml_document doc;
    buildDocument(doc, record);
    return XmlFile::serialize(doc);
}

SelectDeviceRead readDeviceModel(const QString& path) {
    // The window's reading already gives 1 without a file, 0 without the element and 1 for a
    // text that is not an integer.
    const GeneralParametersLoad load = loadGeneralParameters(path);
    return {load.value.deviceModel, load.error};
}
