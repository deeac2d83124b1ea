#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <pugixml.hpp>

// XML files of the system: no declaration, no indentation, attribute order kept.
namespace XmlFile {

// The top-level comment after the root of both configuration files.
inline constexpr const char* ConfigVersionComment = "SW_VERSION = 2.005";

// Elements nested deeper than this are refused: the system's files nest three deep, and a
// parser's stack must not grow with a hostile file.
inline constexpr int MaxDepth = 256;

// What one pass over a document reports, in document order. Only the root and what it holds
// are reported; comments and processing instructions are not.
class Handler {
public:
    virtual ~Handler() = default;
    // `attributes` holds name and value pairs and ends with a null name; depth 0 is the root.
    virtual void startElement(int depth, const char* name, const char** attributes) = 0;
    virtual void endElement(int /*depth*/) {}
    // Text of the element at `depth`, in pieces; only when wantsText() says so.
    virtual void text(int /*depth*/, const char* /*data*/, int /*length*/) {}
    virtual bool wantsText() const { return false; }
};

// The attributes a Handler is given, looked up by name.
class Attributes {
public:
    explicit Attributes(const char** list) : list_(list), next_(list) {}
    // The value as the parser gives it (UTF-8); null when the element has no such attribute.
    const char* value(const char* name) const;
    std::optional<QString> text(const char* name) const;

private:
    const char** list_;
    // Readers ask in the order the writers write, so the attribute after the last one found
    // is tried first: one comparison per attribute instead of a search of the element.
    mutable const char** next_;
};

// One conforming pass, linear in the input (attributes per element, depth and size alike).
// On failure returns "<fileName>: <parser's message> at line L, column C" (columns count
// characters); events may have been reported up to there. Only a well-formed document is
// accepted: one root element, nothing but comments, processing instructions and blanks around
// it, no duplicated attribute, valid encoding, no undefined entity, no document type
// declaration and no nesting beyond MaxDepth.
QString read(const QByteArray& bytes, const QString& fileName, Handler& handler);

// The same pass building a tree. Every reader parses alike: an element whose text is only
// blanks keeps them, since a typed value or a name may be nothing but blanks.
QString parse(pugi::xml_document& doc, const QByteArray& bytes, const QString& fileName);

// Reads and parses a file; on failure returns the reason (unreadable or not well-formed).
QString load(pugi::xml_document& doc, const QString& path);

// The root is the first top-level element, whatever its name: a comment or processing
// instruction before it must never empty a configuration. Null when there is none.
pugi::xml_node root(const pugi::xml_document& doc);

// Text of the named child element of `parent`, or nullopt when it is missing.
std::optional<QString> childText(const pugi::xml_node& parent, const char* name);

// Text of the named attribute, or nullopt when it is missing.
std::optional<QString> attributeText(const pugi::xml_node& node, const char* name);

// The bytes the system writes: UTF-8, no declaration, no indentation.
QByteArray serialize(const pugi::xml_document& doc);

// Serializes and replaces the file atomically; empty text on success, else the system's message.
QString save(const pugi::xml_document& doc, const QString& path);

// A root element followed by the top-level comment that configuration files carry.
pugi::xml_node startDocument(pugi::xml_document& doc, const char* rootName, const char* comment);

} // namespace XmlFile
