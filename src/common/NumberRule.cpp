#include "common/NumberRule.h"

#include <limits>

namespace {

std::optional<qint64> parse(QStringView text, qint64 low, qint64 high) {
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == u'$') {
        base = 16;
        ++i;
    } else if (i < text.size() && (text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == u'0' &&
               (text[i + 1] == u'x' || text[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size())
        return std::nullopt;
    // Accumulate the magnitude in unsigned 64 bits; the limit allows the most negative value.
    const quint64 limit = negative ? quint64(-(low + 1)) + 1 : quint64(high);
    quint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            return std::nullopt;
        if (value > (limit - quint64(digit)) / quint64(base))
            return std::nullopt;
        value = value * quint64(base) + quint64(digit);
    }
    if (negative)
        return value == 0 ? 0 : -qint64(value - 1) - 1;
    return qint64(value);
}

} // namespace

namespace NumberRule {

std::optional<qint32> toInt32(QStringView text) {
    const auto v =
        parse(text, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max());
    if (!v)
        return std::nullopt;
    return qint32(*v);
}

std::optional<qint64> toInt64(QStringView text) {
    return parse(text, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

bool inRange(QStringView text, qint64 low, qint64 high) {
    const auto v = toInt64(text);
    return v && *v >= low && *v <= high;
}

} // namespace NumberRule
