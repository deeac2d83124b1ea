#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>
#include <optional>

// The grammar of a language file, one line at a time, kept apart from the table so that the
// writer of translators' files can be checked against the very rules the loader applies.
namespace LangFile {

// The pilcrow that marks blanks to keep at the ends of a text.
inline constexpr char16_t Pilcrow = u'\u00B6';
// Cuts a value: what follows it is the translator's comment.
inline constexpr QStringView Comment_Marker = u"/#/";

// Blanks and control characters: what is trimmed from the ends of lines and values.
bool isBlank(QChar c);
QStringView trimmed(QStringView text);
QStringView trimmedEnd(QStringView text);

// Bytes to text: a byte-order mark chooses UTF-8, UTF-16 LE or UTF-16 BE; without one the file
// is UTF-8 when it is valid UTF-8, else Windows-1252 (the code page translators' editors used).
QString decode(const QByteArray& bytes);

// Lines end at CR, LF or CR LF.
QStringList splitLines(QStringView text);

// The same lines, one at a time: a file of millions of empty lines costs no list of them.
void forEachLine(QStringView text, const std::function<void(QStringView)>& take);

struct Entry {
    int index = 0;
    QString text;
};

// One line read as an entry, or nothing when the line is not an entry the table takes.
std::optional<Entry> parseLine(QStringView line, int count);

} // namespace LangFile
