#include "core/lang/LangFile.h"

#include "common/FileInteger.h"

#include <QStringDecoder>

namespace LangFile {

namespace {

// Windows-1252 0x80..0x9F. The five unassigned codes map to the C1 controls of the same
// value, as Windows itself converts them.
constexpr char16_t Cp1252_High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString fromWindows1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text.append(QChar(b >= 0x80 && b <= 0x9F ? Cp1252_High[b - 0x80] : char16_t(b)));
    }
    return text;
}

QString fromUtf16(const QByteArray& bytes, bool littleEndian) {
    QString text;
    text.reserve(bytes.size() / 2);
    // An odd last byte is half a character: dropped.
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        text.append(
            QChar(littleEndian ? char16_t(first | second << 8) : char16_t(first << 8 | second)));
    }
    return text;
}

} // namespace

bool isBlank(QChar c) {
    return c.unicode() <= 0x20 || c.unicode() == 0x7F;
}

QStringView trimmed(QStringView text) {
    qsizetype begin = 0;
    while (begin < text.size() && isBlank(text[begin]))
        ++begin;
    return trimmedEnd(text.mid(begin));
}

QStringView trimmedEnd(QStringView text) {
    qsizetype end = text.size();
    while (end > 0 && isBlank(text[end - 1]))
        --end;
    return text.left(end);
}

QString decode(const QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return fromUtf16(bytes.mid(2), true);
    if (bytes.startsWith("\xFE\xFF"))
        return fromUtf16(bytes.mid(2), false);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return fromWindows1252(bytes);
}

void forEachLine(QStringView text, const std::function<void(QStringView)>& take) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        take(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        take(text.mid(start));
}

QStringList splitLines(QStringView text) {
    QStringList lines;
    forEachLine(text, [&lines](QStringView line) { lines.append(line.toString()); });
    return lines;
}

std::optional<Entry> parseLine(QStringView line, int count) {
    line = trimmed(line);
    if (!line.startsWith(u"STR"))
        return std::nullopt;
    const qsizetype equals = line.indexOf(u'=');
    if (equals < 0)
        return std::nullopt;
    // The character just before "=" is never read as part of the number: files are written
    // "STR12 = text", and "STR12=text" has always meant index 1. Translations rely on it.
    const qsizetype numberLength = equals - 4;
    if (numberLength <= 0)
        return std::nullopt;
    const auto index = FileInteger::parse(trimmed(line.mid(3, numberLength)));
    if (!index || *index < 0 || *index >= count)
        return std::nullopt;

    QStringView value = trimmed(line.mid(equals + 1));
    if (value.isEmpty())
        return std::nullopt;
    const qsizetype comment = value.indexOf(Comment_Marker);
    if (comment >= 0) {
        value = trimmedEnd(value.left(comment));
        if (value.isEmpty())
            return std::nullopt;
    }
    // "¶ text ¶" keeps the blanks between the signs; anything from a second sign on is cut.
    if (value.startsWith(QChar(Pilcrow)))
        value = value.mid(1);
    const qsizetype close = value.indexOf(QChar(Pilcrow));
    if (close >= 0)
        value = value.left(close);
    return Entry{int(*index), value.toString()};
}

} // namespace LangFile
