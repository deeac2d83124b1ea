#include "common/XmlChars.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace XmlChars {

qsizetype firstUnstorable(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x20) {
            if (c != u'\t' && c != u'\n' && c != u'\r')
                return i;
        } else if (c == 0xFFFE || c == 0xFFFF) {
            return i;
        } else if (QChar::isHighSurrogate(c)) {
            if (i + 1 >= text.size() || !QChar::isLowSurrogate(text[i + 1].unicode()))
                return i;
            ++i;
        } else if (QChar::isLowSurrogate(c)) {
            return i;
        }
    }
    return -1;
}

QString describe(QStringView text, qsizetype position) {
    if (position < 0 || position >= text.size())
        return {};
    const QChar c = text[position];
    const bool pair =
        c.isHighSurrogate() && position + 1 < text.size() && text[position + 1].isLowSurrogate();
    const char32_t code = pair ? QChar::surrogateToUcs4(c, text[position + 1]) : c.unicode();
    if (c == u'"')
        return QStringLiteral("'\"'");
    if (!c.isSurrogate() && c.isPrint())
        return QLatin1Char('"') + c + QLatin1Char('"');
    if (pair && QChar::isPrint(code))
        return QLatin1Char('"') + text.mid(position, 2).toString() + QLatin1Char('"');
    return QStringLiteral("U+%1").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper();
}

QString fromUtf8(const char* data, qsizetype size) {
    // Most texts of the files are ASCII, which reads the same either way without a decoder.
    const QByteArrayView bytes(data, size);
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom |
                                                     QStringDecoder::Flag::Stateless);
    return decoder.decode(QByteArrayView(data, size));
}

QString fromUtf8(const char* data) {
    return fromUtf8(data, qsizetype(std::strlen(data)));
}

} // namespace XmlChars
