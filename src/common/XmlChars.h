#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

// The characters an XML 1.0 document can hold. Every text the system stores goes into an XML
// file, so every entry refuses the others: otherwise the next reading of the file fails and
// the configuration is lost to the program.
namespace XmlChars {

// Position (in UTF-16 units) of the first character XML 1.0 cannot hold: a C0 control other
// than tab, line feed and carriage return; U+FFFE; U+FFFF; a surrogate without its pair.
// -1 when every character can be stored.
qsizetype firstUnstorable(QStringView text);

inline bool storable(QStringView text) {
    return firstUnstorable(text) < 0;
}

// The character at `position` for a message: a visible one in double quotes, any other as
// its code point ("U+0001").
QString describe(QStringView text, qsizetype position);

// UTF-8 to text keeping everything, a leading U+FEFF included (QString::fromUtf8 drops it,
// so a stored text beginning with one would not read back the same).
QString fromUtf8(const char* data, qsizetype size);
QString fromUtf8(const char* data);

} // namespace XmlChars
