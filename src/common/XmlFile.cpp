#include "common/XmlFile.h"

#include "common/XmlChars.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"

#include <QFile>
#include <QFileInfo>
#include <QXmlStreamReader>
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

// Offset of the first byte that does not start a valid UTF-8 sequence (overlong forms,
// surrogates and values above U+10FFFF included); -1 when every sequence is valid.
qsizetype firstInvalidUtf8(const QByteArray& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const unsigned char c = data[i];
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c < 0x80)
            length = 1;
        else if (c >= 0xC2 && c <= 0xDF)
            length = 2;
        else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        } else
            return i;
        if (i + length > size)
            return i;
        for (int k = 1; k < length; ++k) {
            const unsigned char next = data[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return i;
        }
        i += length;
    }
    return -1;
}

// pugixml accepts documents that are not well-formed (a second top-level element, text
// around the root, bytes after a NUL, a duplicated attribute, invalid UTF-8, undefined
// entities). A conforming pass refuses them with its own message and position. A document
// type declaration is refused too: the system never writes one, and pugixml would not apply
// the entities or defaults it declares.
QString conformanceError(const QByteArray& bytes) {
    QXmlStreamReader reader(bytes);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::DTD) {
            return QStringLiteral("Document type declarations are not allowed at line %1, "
                                  "column %2")
                .arg(reader.lineNumber())
                .arg(reader.columnNumber());
        }
    }
    if (!reader.hasError())
        return {};
    QString message = reader.errorString();
    if (message.endsWith(QLatin1Char('.')))
        message.chop(1);
    // The stream reader decodes ahead and places an encoding error where decoding began;
    // the user needs the place of the bad byte.
    if (reader.errorString() == QStringLiteral("Encountered incorrectly encoded content.")) {
        if (const qsizetype bad = firstInvalidUtf8(bytes); bad >= 0)
            return QStringLiteral("%1 at %2").arg(message, position(bytes, bad));
    }
    return QStringLiteral("%1 at line %2, column %3")
        .arg(message)
        .arg(reader.lineNumber())
        .arg(reader.columnNumber());
}

} // namespace

QString parse(pugi::xml_document& doc, const QByteArray& bytes, const QString& fileName) {
    const pugi::xml_parse_result result =
        doc.load_buffer(bytes.constData(), size_t(bytes.size()), ParseOptions);
    if (!result) {
        doc.reset(); // nothing half-read for a caller that looks anyway
        return QStringLiteral("%1: %2 at %3")
            .arg(fileName, QString::fromUtf8(result.description()), position(bytes, result.offset));
    }
    if (const QString error = conformanceError(bytes); !error.isEmpty()) {
        doc.reset();
        return QStringLiteral("%1: %2").arg(fileName, error);
    }
    return {};
}

QString load(pugi::xml_document& doc, const QString& path) {
    // A configuration file replaced by a FIFO or a device must not hang the program.
    const BoundedFile::Result file = BoundedFile::read(path, BoundedFile::ConfigFile);
    if (!file.ok())
        return file.error;
    return parse(doc, file.bytes, QFileInfo(path).fileName());
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
    return XmlChars::fromUtf8(child.child_value());
}

std::optional<QString> attributeText(const pugi::xml_node& node, const char* name) {
    const pugi::xml_attribute attribute = node.attribute(name);
    if (!attribute)
        return std::nullopt;
    return XmlChars::fromUtf8(attribute.value());
}

QByteArray serialize(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    const std::string text = out.str();
    QByteArray bytes(text.data(), qsizetype(text.size()));
    // pugixml writes a carriage return in element text as it is, and every reader turns it
    // into a line feed; as a reference it reads back unchanged. Attribute values are escaped
    // already, and the system's comments hold none.
    bytes.replace('\r', QByteArrayLiteral("&#13;"));
    return bytes;
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
