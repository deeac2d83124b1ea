#include "core/network/Network.h"

#include "common/ConfigLock.h"

#include "common/BoundedFile.h"
#include "common/FileInteger.h"
#include "common/XmlFile.h"
#include "core/network/NetworkXml.h"

#include <QFileInfo>
#include <limits>

namespace {

using namespace MBusXml;

// Numbers are read from the parser's bytes: a network holds thousands of them, and no
// character outside ASCII can be part of one.
std::optional<qint64> readNumber(const XmlFile::Attributes& element, const char* name, qint64 low,
                                 qint64 high) {
    const auto v = FileInteger::parse(element.value(name));
    if (!v || *v < low || *v > high)
        return std::nullopt;
    return v;
}

std::optional<qint32> readInt32(const XmlFile::Attributes& element, const char* name) {
    const auto v = readNumber(element, name, std::numeric_limits<qint32>::min(),
                              std::numeric_limits<qint32>::max());
    if (!v)
        return std::nullopt;
    return qint32(*v);
}

qint32 readInt32(const XmlFile::Attributes& element, const char* name, qint32 fallback) {
    return readInt32(element, name).value_or(fallback);
}

// The byte fields keep the low eight bits of the number read, as the editor always did.
quint8 readByte(const XmlFile::Attributes& element, const char* name, quint8 fallback) {
    return quint8(quint32(readInt32(element, name, fallback)) & 0xFFu);
}

quint32 readStorageNumber(const XmlFile::Attributes& element, quint32 fallback) {
    return quint32(readNumber(element, StoNumber, 0, 0xFFFFFFFFLL).value_or(fallback));
}

QString readVariable(const XmlFile::Attributes& element, int nodePos, int varPos, Variable& var) {
    const Variable defaults;
    var.enabled = element.text(Enable) == QStringLiteral("1");
    var.description = element.text(Desc).value_or(defaults.description);
    // The coding of a record cannot be guessed: without these three the load stops.
    struct Required {
        const char* name;
        qint32* field;
    };
    for (const Required& r : {Required{Type, &var.dataType}, Required{Fun_Field, &var.function},
                              Required{Dim, &var.dimension}}) {
        const auto v = readInt32(element, r.name);
        if (!v) {
            return QStringLiteral("node %1, variable %2: attribute \"%3\" is missing or not an "
                                  "integer")
                .arg(nodePos)
                .arg(varPos)
                .arg(QString::fromLatin1(r.name));
        }
        *r.field = *v;
    }
    var.unit = readInt32(element, Unit, defaults.unit);
    var.storageNumber = readStorageNumber(element, defaults.storageNumber);
    var.tariff = readInt32(element, Tariff, defaults.tariff);
    var.vife = readByte(element, VIFE, defaults.vife);
    var.length = readByte(element, Length, defaults.length);
    var.scale = readByte(element, Scale, quint8(defaults.scale));
    var.modbusSlave = readInt32(element, Mod_ID, defaults.modbusSlave);
    var.modbusType = readInt32(element, Mod_TD, defaults.modbusType);
    var.modbusRegister = readInt32(element, Mod_NR, defaults.modbusRegister);
    var.modbusCount = readInt32(element, Mod_NP, defaults.modbusCount);
    var.modbusSwap = readInt32(element, Mod_Swap, defaults.modbusSwap);
    return {};
}

// Reads the network as the parser goes, without a tree: every child element of the root is a
// node and every child element of a node is a variable, whatever their names; deeper elements,
// comments and text are skipped.
class NetworkReader final : public XmlFile::Handler {
public:
    void startElement(int depth, const char*, const char** list) override {
        if (!error.isEmpty())
            return;
        const XmlFile::Attributes element(list);
        if (depth == 1) {
            Node node;
            node.description = element.text(Descrizione).value_or(QString());
            node.primary = readInt32(element, ID, node.primary);
            node.secondary = readInt32(element, Sec_Add, node.secondary);
            nodes.append(node);
            varPos_ = 0;
        } else if (depth == 2) {
            Variable var;
            error = readVariable(element, int(nodes.size()), ++varPos_, var);
            nodes.last().variables.append(var);
        }
    }

    Network nodes;
    QString error; // the first variable that cannot be read

private:
    int varPos_ = 0;
};

void setInt(pugi::xml_node& element, const char* name, qint64 value) {
    element.append_attribute(name).set_value(static_cast<long long>(value));
}

void setText(pugi::xml_node& element, const char* name, const QString& text) {
    element.append_attribute(name).set_value(text.toUtf8().constData());
}

} // namespace

NetworkLoad loadNetwork(const QString& path) {
    NetworkLoad result;
    if (!QFileInfo::exists(path))
        return result;
    // A file replaced by a FIFO or a device must not hang the program.
    const BoundedFile::Result file = BoundedFile::read(path, BoundedFile::ConfigFile);
    if (!file.ok()) {
        result.error = file.error;
        return result;
    }
    return parseNetwork(file.bytes, QFileInfo(path).fileName());
}

NetworkLoad parseNetwork(const QByteArray& bytes, const QString& fileName) {
    NetworkLoad result;
    NetworkReader reader;
    // A file that is not well-formed is refused as such, even past a variable that cannot be
    // read.
    result.error = XmlFile::read(bytes, fileName, reader);
    if (result.ok() && !reader.error.isEmpty())
        result.error = QStringLiteral("%1: %2").arg(fileName, reader.error);
    if (result.ok())
        result.nodes = std::move(reader.nodes);
    return result;
}

namespace {

void buildDocument(pugi::xml_document& doc, const Network& network) {
    pugi::xml_node root = XmlFile::startDocument(doc, Root, XmlFile::ConfigVersionComment);
    // Attribute order is part of the file format: files written earlier must come out
    // byte for byte the same.
    for (const Node& node : network) {
        pugi::xml_node nodeElement = root.append_child(NodeElement);
        setInt(nodeElement, ID, node.primary);
        setInt(nodeElement, Sec_Add, node.secondary);
        setText(nodeElement, Descrizione, node.description);
        for (const Variable& var : node.variables) {
            pugi::xml_node v = nodeElement.append_child(VariableElement);
            setInt(v, Enable, var.enabled ? 1 : 0);
            setText(v, Desc, var.description);
            setInt(v, Type, var.dataType);
            setInt(v, Fun_Field, var.function);
            setInt(v, Dim, var.dimension);
            setInt(v, Unit, var.unit);
            setInt(v, StoNumber, var.storageNumber);
            setInt(v, Tariff, var.tariff);
            setInt(v, VIFE, var.vife);
            setInt(v, Length, var.length);
            setInt(v, Scale, var.scale);
            setInt(v, Mod_ID, var.modbusSlave);
            setInt(v, Mod_TD, var.modbusType);
            setInt(v, Mod_NR, var.modbusRegister);
            setInt(v, Mod_NP, var.modbusCount);
            setInt(v, Mod_Swap, var.modbusSwap);
        }
    }
}

} // namespace

QString saveNetwork(const Network& network, const QString& path) {
    const ConfigLock lock(QFileInfo(path).absolutePath());
    if (!lock.ok())
        return lock.error();
    pugi::xml_document doc;
    buildDocument(doc, network);
    return XmlFile::save(doc, path);
}

QByteArray networkBytes(const Network& network) {
    pugi::xml_document doc;
    buildDocument(doc, network);
    return XmlFile::serialize(doc);
}
