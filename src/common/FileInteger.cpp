#include "common/FileInteger.h"

#include <QString>
#include <limits>

namespace FileInteger {

namespace {

// One rule for both kinds of text; the bytes of a parser's attribute are read without a copy.
// `atEnd(i)` tells whether position i is past the text (a length, or a terminating NUL).
template <typename Char, typename AtEnd>
std::optional<qint64> parseChars(const Char* text, AtEnd atEnd) {
    qsizetype i = 0;
    bool negative = false;
    if (!atEnd(i) && (text[i] == Char('+') || text[i] == Char('-'))) {
        negative = text[i] == Char('-');
        ++i;
    }
    if (atEnd(i))
        return std::nullopt;
    const quint64 limit = negative ? quint64(std::numeric_limits<qint64>::max()) + 1
                                   : quint64(std::numeric_limits<qint64>::max());
    quint64 value = 0;
    for (; !atEnd(i); ++i) {
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
    const qsizetype size = text.size();
    return parseChars(text.utf16(), [size](qsizetype i) { return i >= size; });
}

std::optional<qint64> parse(const char* text) {
    if (!text)
        return std::nullopt;
    return parseChars(text, [text](qsizetype i) { return text[i] == '\0'; });
}

std::optional<qint64> parseInRange(QStringView text, qint64 low, qint64 high) {
    const auto v = parse(text);
    if (!v || *v < low || *v > high)
        return std::nullopt;
    return v;
}

} // namespace FileInteger
