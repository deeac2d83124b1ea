#include "common/XmlFile.h"

#include "common/XmlChars.h"

#include "common/AtomicFile.h"
#include "common/BoundedFile.h"

#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <expat.h>
#include <sstream>
#include <string>
#include <vector>

namespace XmlFile {

namespace {

const QByteArray Utf8Bom("\xef\xbb\xbf");

// One pass of expat: a conforming parser whose cost grows linearly with its input.
class Pass {
public:
    Pass(const QByteArray& bytes, Handler& handler)
        : parser_(XML_ParserCreate(nullptr)), handler_(handler), bom_(bytes.startsWith(Utf8Bom)) {
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(parser_, onStart, onEnd);
        if (handler.wantsText())
            XML_SetCharacterDataHandler(parser_, onText);
        // The system never writes a document type; refusing it also keeps entity expansion
        // and external resources out.
        XML_SetStartDoctypeDeclHandler(parser_, onDoctype);
        XML_SetXmlDeclHandler(parser_, onDeclaration);
    }
    ~Pass() { XML_ParserFree(parser_); }
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

    // Empty when well-formed, else the message with its place.
    QString run(const QByteArray& bytes) {
        if (!parser_)
            return QStringLiteral("out of memory");
        const char* data = bytes.constData();
        qsizetype left = bytes.size();
        // One call for any file the system reads; larger inputs go in pieces of what an int
        // can count.
        constexpr qsizetype Piece = 1 << 30;
        do {
            const int length = int(std::min(left, Piece));
            left -= length;
            if (XML_Parse(parser_, data, length, left == 0) != XML_STATUS_OK) {
                if (!refusal_.isEmpty())
                    return refusal_;
                return QStringLiteral("%1 at %2")
                    .arg(QString::fromUtf8(XML_ErrorString(XML_GetErrorCode(parser_))), place());
            }
            data += length;
        } while (left > 0);
        return {};
    }

private:
    // Where the parser is, counted in characters from 1; a byte-order mark is no character
    // of the first line (expat counts it).
    QString place() const {
        const auto line = XML_GetCurrentLineNumber(parser_);
        auto column = XML_GetCurrentColumnNumber(parser_) + 1;
        if (bom_ && line == 1 && column > 1)
            --column;
        return QStringLiteral("line %1, column %2").arg(line).arg(column);
    }

    void refuse(const QString& what) {
        if (refusal_.isEmpty())
            refusal_ = QStringLiteral("%1 at %2").arg(what, place());
        XML_StopParser(parser_, XML_FALSE);
    }

    static void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** attributes) {
        auto* pass = static_cast<Pass*>(data);
        if (!pass->refusal_.isEmpty())
            return;
        if (pass->depth_ >= MaxDepth) {
            pass->refuse(QStringLiteral("elements nested deeper than %1").arg(MaxDepth));
            return;
        }
        pass->handler_.startElement(pass->depth_++, name, attributes);
    }

    static void XMLCALL onEnd(void* data, const XML_Char*) {
        auto* pass = static_cast<Pass*>(data);
        if (pass->refusal_.isEmpty())
            pass->handler_.endElement(--pass->depth_);
    }

    static void XMLCALL onText(void* data, const XML_Char* text, int length) {
        auto* pass = static_cast<Pass*>(data);
        if (pass->refusal_.isEmpty())
            pass->handler_.text(pass->depth_ - 1, text, length);
    }

    static void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*,
                                  int) {
        static_cast<Pass*>(data)->refuse(
            QStringLiteral("Document type declarations are not allowed"));
    }

    // A UTF-8 byte-order mark settles the encoding; a declaration of another one contradicts
    // it, which the conformance rules make a fatal error (expat lets the mark win silently).
    static void XMLCALL onDeclaration(void* data, const XML_Char*, const XML_Char* encoding, int) {
        auto* pass = static_cast<Pass*>(data);
        if (!pass->bom_ || !encoding)
            return;
        const QByteArray declared = QByteArray(encoding).toUpper();
        if (declared != "UTF-8" && declared != "UTF8")
            pass->refuse(QString::fromUtf8(XML_ErrorString(XML_ERROR_INCORRECT_ENCODING)));
    }

    XML_Parser parser_;
    Handler& handler_;
    const bool bom_;
    int depth_ = 0;
    QString refusal_;
};

bool isBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; });
}

// Builds the tree that the readers walk. Text between child elements that is only blanks is
// layout and dropped; an element whose whole text is blanks keeps it.
class TreeBuilder final : public Handler {
public:
    explicit TreeBuilder(pugi::xml_document& doc) : doc_(doc) {}

    void startElement(int, const char* name, const char** attributes) override {
        flushText(false);
        pugi::xml_node parent = open_.empty() ? pugi::xml_node(doc_) : open_.back().node;
        if (!open_.empty())
            open_.back().hasChildren = true;
        pugi::xml_node node = parent.append_child(name);
        for (const char** a = attributes; *a; a += 2)
            node.append_attribute(a[0]).set_value(a[1]);
        open_.push_back({node, false});
    }

    void endElement(int) override {
        flushText(true);
        open_.pop_back();
    }

    void text(int, const char* data, int length) override { text_.append(data, size_t(length)); }
    bool wantsText() const override { return true; }

private:
    void flushText(bool atEnd) {
        if (text_.empty() || open_.empty())
            return;
        if (!isBlank(text_) || (atEnd && !open_.back().hasChildren))
            open_.back().node.append_child(pugi::node_pcdata).set_value(text_.c_str());
        text_.clear();
    }

    struct Open {
        pugi::xml_node node;
        bool hasChildren;
    };
    pugi::xml_document& doc_;
    std::vector<Open> open_;
    std::string text_;
};

} // namespace

const char* Attributes::value(const char* name) const {
    if (*next_ && std::strcmp(next_[0], name) == 0) {
        const char* found = next_[1];
        next_ += 2;
        return found;
    }
    for (const char** a = list_; *a; a += 2) {
        if (std::strcmp(a[0], name) == 0) {
            next_ = a + 2;
            return a[1];
        }
    }
    return nullptr;
}

std::optional<QString> Attributes::text(const char* name) const {
    const char* found = value(name);
    if (!found)
        return std::nullopt;
    return XmlChars::fromUtf8(found);
}

QString read(const QByteArray& bytes, const QString& fileName, Handler& handler) {
    Pass pass(bytes, handler);
    const QString error = pass.run(bytes);
    return error.isEmpty() ? error : QStringLiteral("%1: %2").arg(fileName, error);
}

QString parse(pugi::xml_document& doc, const QByteArray& bytes, const QString& fileName) {
    doc.reset();
    TreeBuilder builder(doc);
    const QString error = read(bytes, fileName, builder);
    if (!error.isEmpty())
        doc.reset(); // nothing half-read for a caller that looks anyway
    return error;
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
