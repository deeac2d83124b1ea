#include "common/FileInteger.h"

#include <QString>
#include <limits>

namespace FileInteger {

std::optional<qint64> parse(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size())
        return std::nullopt;
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const quint64 digit = c - u'0';
        if (value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (negative)
        return value == 0 ? 0 : -qint64(value - 1) - 1;
    return qint64(value);
}

std::optional<qint64> parse(const char* text) {
    return parse(QString::fromUtf8(text ? text : ""));
}

std::optional<qint64> parseInRange(QStringView text, qint64 low, qint64 high) {
    const auto v = parse(text);
    if (!v || *v < low || *v > high)
        return std::nullopt;
    return v;
}

} // namespace FileInteger
