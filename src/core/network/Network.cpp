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

QString readVariable(const XmlFile::Attributes& element, int nodePos, int varPos, TVariabile& var) {
    const TVariabile defaults;
    var.Enable = element.text(Enable) == QStringLiteral("1");
    var.Description = element.text(Desc).value_or(defaults.Description);
    // The coding of a record cannot be guessed: without these three the load stops.
    struct Required {
        const char* name;
        qint32* field;
    };
    for (const Required& r :
         {Required{Type, &var.Type_Of_Data}, Required{Fun_Field, &var.Function_Field},
          Required{Dim, &var.Dimension}}) {
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
    var.Unita = readInt32(element, Unit, defaults.Unita);
    var.Storage_Number = readStorageNumber(element, defaults.Storage_Number);
    var.Tariff = readInt32(element, Tariff, defaults.Tariff);
    var.VIFE = readByte(element, VIFE, defaults.VIFE);
    var.Length = readByte(element, Length, defaults.Length);
    var.Scale = readByte(element, Scale, quint8(defaults.Scale));
    var.Mod_ID = readInt32(element, Mod_ID, defaults.Mod_ID);
    var.Mod_ToD = readInt32(element, Mod_TD, defaults.Mod_ToD);
    var.Mod_NumReg = readInt32(element, Mod_NR, defaults.Mod_NumReg);
    var.Mod_NPoint = readInt32(element, Mod_NP, defaults.Mod_NPoint);
    var.Mod_Swap = readInt32(element, Mod_Swap, defaults.Mod_Swap);
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
            TNodo node;
            node.Description = element.text(Descrizione).value_or(QString());
            node.Node_Pri = readInt32(element, ID, node.Node_Pri);
            node.Node_Sec = readInt32(element, Sec_Add, node.Node_Sec);
            nodes.append(node);
            varPos_ = 0;
        } else if (depth == 2) {
            TVariabile var;
            error = readVariable(element, int(nodes.size()), ++varPos_, var);
            nodes.last().Var_List.append(var);
        }
    }

    TNodi_List nodes;
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

NetworkLoad Load_Network(const QString& path) {
    NetworkLoad result;
    if (!QFileInfo::exists(path))
        return result;
    // A file replaced by a FIFO or a device must not hang the program.
    const BoundedFile::Result file = BoundedFile::read(path, BoundedFile::ConfigFile);
    if (!file.ok()) {
        result.error = file.error;
        return result;
    }
    return Read_Network(file.bytes, QFileInfo(path).fileName());
}

NetworkLoad Read_Network(const QByteArray& bytes, const QString& fileName) {
    NetworkLoad result;
    NetworkReader reader;
    // A file that is not well-formed is refused as such, even past a variable that cannot be
    // read.
    result.error = XmlFile::read(bytes, fileName, reader);
    if (result.ok() && !reader.error.isEmpty())
        result.error = QStringLiteral("%1: %2").arg(fileName, reader.error);
    if (result.ok())
        result.Nodi_List = std::move(reader.nodes);
    return result;
}

namespace {

void buildDocument(pugi::xml_document& doc, const TNodi_List& network) {
    pugi::xml_node root = XmlFile::startDocument(doc, Root, XmlFile::ConfigVersionComment);
    // Attribute order is part of the file format: files written earlier must come out
    // byte for byte the same.
    for (const TNodo& node : network) {
        pugi::xml_node nodeElement = root.append_child(Node);
        setInt(nodeElement, ID, node.Node_Pri);
        setInt(nodeElement, Sec_Add, node.Node_Sec);
        setText(nodeElement, Descrizione, node.Description);
        for (const TVariabile& var : node.Var_List) {
            pugi::xml_node v = nodeElement.append_child(Variable);
            setInt(v, Enable, var.Enable ? 1 : 0);
            setText(v, Desc, var.Description);
            setInt(v, Type, var.Type_Of_Data);
            setInt(v, Fun_Field, var.Function_Field);
            setInt(v, Dim, var.Dimension);
            setInt(v, Unit, var.Unita);
            setInt(v, StoNumber, var.Storage_Number);
            setInt(v, Tariff, var.Tariff);
            setInt(v, VIFE, var.VIFE);
            setInt(v, Length, var.Length);
            setInt(v, Scale, var.Scale);
            setInt(v, Mod_ID, var.Mod_ID);
            setInt(v, Mod_TD, var.Mod_ToD);
            setInt(v, Mod_NR, var.Mod_NumReg);
            setInt(v, Mod_NP, var.Mod_NPoint);
            setInt(v, Mod_Swap, var.Mod_Swap);
        }
    }
}

} // namespace

QString Save_Network(const TNodi_List& network, const QString& path) {
    const ConfigLock lock(QFileInfo(path).absolutePath());
    if (!lock.ok())
        return lock.error();
    pugi::xml_document doc;
    buildDocument(doc, network);
    return XmlFile::save(doc, path);
}

QByteArray Network_Bytes(const TNodi_List& network) {
    pugi::xml_document doc;
    buildDocument(doc, network);
    return XmlFile::serialize(doc);
}
