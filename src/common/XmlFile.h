#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <pugixml.hpp>

// XML files of the system: no declaration, no indentation, attribute order kept.
namespace XmlFile {

// The top-level comment after the root of both configuration files.
inline constexpr const char* ConfigVersionComment = "SW_VERSION = 2.005";

// Parses bytes; on failure returns the parser's message with line and column (counted in
// characters). Only a well-formed document is accepted: one root element, nothing but
// comments, processing instructions and blanks around it, no duplicated attribute, valid
// UTF-8, no undefined entity, and no document type declaration. Every reader parses alike:
// an element whose text is only blanks keeps them, since a typed value or a name may be
// nothing but blanks.
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
