#include "common/FileInteger.h"

#include <QString>
#include <cstring>
#include <limits>

namespace FileInteger {

namespace {

// One rule for both kinds of text; the bytes of a parser's attribute are read without a copy.
template <typename Char> std::optional<qint64> parseChars(const Char* text, qsizetype size) {
    qsizetype i = 0;
    bool negative = false;
    if (i < size && (text[i] == Char('+') || text[i] == Char('-'))) {
        negative = text[i] == Char('-');
        ++i;
    }
    if (i >= size)
        return std::nullopt;
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 value = 0;
    for (; i < size; ++i) {
        const auto c = text[i];
        if (c < Char('0') || c > Char('9'))
            return std::nullopt;
        const quint64 digit = quint64(c - Char('0'));
        if (value > (limit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (negative)
        return value == 0 ? 0 : -qint64(value - 1) - 1;
    return qint64(value);
}

} // namespace

std::optional<qint64> parse(QStringView text) {
    return parseChars(text.utf16(), text.size());
}

std::optional<qint64> parse(const char* text) {
    return text ? parseChars(text, qsizetype(std::strlen(text))) : std::nullopt;
}

std::optional<qint64> parseInRange(QStringView text, qint64 low, qint64 high) {
    const auto v = parse(text);
    if (!v || *v < low || *v > high)
        return std::nullopt;
    return v;
}

} // namespace FileInteger
