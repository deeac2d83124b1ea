#include "common/XmlFile.h"

#include "common/AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <sstream>

namespace XmlFile {

namespace {

const unsigned ParseOptions = pugi::parse_default | pugi::parse_ws_pcdata_single;

// pugixml reports a byte offset; users want line and column in characters (UTF-8 lead
// bytes count, continuation bytes do not).
QString position(const QByteArray& bytes, ptrdiff_t offset) {
    int line = 1;
    int column = 1;
    const ptrdiff_t end = std::min<ptrdiff_t>(offset, bytes.size());
    // A byte-order mark is no character of the first line.
    const ptrdiff_t start = bytes.startsWith("\xef\xbb\xbf") ? 3 : 0;
    for (ptrdiff_t i = start; i < end; ++i) {
        if (bytes.at(qsizetype(i)) == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(bytes.at(qsizetype(i))) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(column);
}

} // namespace

QString parse(pugi::xml_document& doc, const QByteArray& bytes, const QString& fileName) {
    const pugi::xml_parse_result result =
        doc.load_buffer(bytes.constData(), size_t(bytes.size()), ParseOptions);
    if (result)
        return {};
    return QStringLiteral("%1: %2 at %3")
        .arg(fileName, QString::fromUtf8(result.description()), position(bytes, result.offset));
}

QString load(pugi::xml_document& doc, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), file.errorString());
    return parse(doc, file.readAll(), QFileInfo(path).fileName());
}

pugi::xml_node root(const pugi::xml_document& doc) {
    for (pugi::xml_node node = doc.first_child(); node; node = node.next_sibling()) {
        if (node.type() == pugi::node_element)
            return node;
    }
    return {};
}

std::optional<QString> childText(const pugi::xml_node& parent, const char* name) {
    const pugi::xml_node child = parent.child(name);
    if (!child)
        return std::nullopt;
    return QString::fromUtf8(child.child_value());
}

std::optional<QString> attributeText(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
        return std::nullopt;
    return QString::fromUtf8(attribute.value());
}

QByteArray serialize(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    const std::string text = out.str();
    return QByteArray(text.data(), qsizetype(text.size()));
}

QString save(const pugi::xml_document& doc, const QString& path) {
    return writeFileAtomically(path, serialize(doc));
}

pugi::xml_node startDocument(pugi::xml_document& doc, const char* rootName, const char* comment) {
    doc.reset();
    pugi::xml_node rootNode = doc.append_child(rootName);
    doc.append_child(pugi::node_comment).set_value(comment);
    return rootNode;
}

} // namespace XmlFile
