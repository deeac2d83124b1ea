#include "core/mbus/DataField.h"

#include <QDate>
#include <QLocale>
#include <charconv>
#include <cmath>
#include <cstring>

namespace Mbus {

namespace {

FieldValue failed(const QString& why) {
    FieldValue v;
    v.error = why;
    return v;
}

FieldValue numberOf(Decimal d) {
    FieldValue v;
    v.number = std::move(d);
    return v;
}

// Types F, G and I carry the year within the century; dates without the hundred-year bits
// read 00 to 80 as 2000 to 2080 and 81 to 99 as 1981 to 1999, as the standard asks masters to.
std::optional<int> fullYear(int yearInCentury, int hundredYear) {
    if (yearInCentury > 99)
        return std::nullopt;
    if (hundredYear == 0)
        return yearInCentury <= 80 ? 2000 + yearInCentury : 1900 + yearInCentury;
    return 1900 + 100 * hundredYear + yearInCentury;
}

QString two(int n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

std::optional<QString> dateText(int year, int month, int day) {
    if (!QDate(year, month, day).isValid())
        return std::nullopt;
    return QStringLiteral("%1-%2-%3").arg(year, 4, 10, QLatin1Char('0')).arg(two(month), two(day));
}

bool validTime(int hour, int minute, int second) {
    return hour < 24 && minute < 60 && second < 60;
}

FieldValue textOf(const QString& text) {
    FieldValue v;
    v.text = text;
    return v;
}

} // namespace

int fixedLength(quint8 dataField) {
    static constexpr int Lengths[16] = {0, 1, 2, 3, 4, 4, 6, 8, 0, 1, 2, 3, 4, -1, 6, -1};
    return Lengths[dataField & 0x0F];
}

bool isBcd(quint8 dataField) {
    const quint8 f = dataField & 0x0F;
    return (f >= DataField::Bcd2 && f <= DataField::Bcd8) || f == DataField::Bcd12;
}

std::optional<int> variableLength(quint8 lvar) {
    if (lvar <= 0xBF)
        return lvar; // characters
    if (lvar <= 0xC9)
        return lvar - 0xC0; // positive BCD, two digits a byte
    if (lvar >= 0xD0 && lvar <= 0xD9)
        return lvar - 0xD0; // negative BCD
    if (lvar >= 0xE0 && lvar <= 0xEF)
        return lvar - 0xE0; // binary number
    if (lvar >= 0xF0 && lvar <= 0xFA)
        return lvar - 0xF0; // floating point, form not defined
    return std::nullopt;
}

Decimal Decimal::ofUnsigned(quint64 v) {
    Decimal d;
    d.digits = QByteArray::number(v);
    return d;
}

Decimal Decimal::ofInteger(qint64 v) {
    Decimal d = ofUnsigned(v < 0 ? quint64(0) - quint64(v) : quint64(v));
    d.negative = v < 0;
    return d;
}

Decimal Decimal::ofFloat(float v) {
    char buffer[64];
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::scientific);
    const QByteArray text(buffer, int(r.ptr - buffer)); // "-1.2345e+03"
    Decimal d;
    const int e = int(text.indexOf('e'));
    QByteArray mantissa = text.left(e);
    d.negative = mantissa.startsWith('-');
    if (d.negative)
        mantissa.remove(0, 1);
    const int point = int(mantissa.indexOf('.'));
    const int fraction = point < 0 ? 0 : int(mantissa.size()) - point - 1;
    if (point >= 0)
        mantissa.remove(point, 1);
    d.digits = mantissa;
    d.exponent = text.mid(e + 1).toInt() - fraction;
    while (d.digits.size() > 1 && d.digits.startsWith('0'))
        d.digits.remove(0, 1);
    if (d.digits == "0")
        d.negative = false;
    return d;
}

Decimal Decimal::scaled(int powerOfTen) const {
    Decimal d = *this;
    d.exponent += powerOfTen;
    return d;
}

QString Decimal::text() const {
    QByteArray whole = digits;
    QByteArray fraction;
    if (exponent >= 0) {
        if (whole != "0")
            whole.append(QByteArray(exponent, '0'));
    } else {
        const int shift = -exponent;
        if (whole.size() <= shift)
            whole.prepend(QByteArray(shift - int(whole.size()) + 1, '0'));
        fraction = whole.right(shift);
        whole.chop(shift);
        while (fraction.endsWith('0'))
            fraction.chop(1);
    }
    const bool zero = whole == "0" && fraction.isEmpty();
    QByteArray out = (negative && !zero) ? QByteArray("-") : QByteArray();
    out += whole;
    if (!fraction.isEmpty())
        out += '.' + fraction;
    return QString::fromLatin1(out);
}

double Decimal::toDouble() const {
    return QLocale::c().toDouble(text());
}

FieldValue readInteger(const QByteArray& bytes, bool isSigned) {
    if (bytes.isEmpty() || bytes.size() > 8)
        return failed(QStringLiteral("no integer of %1 bytes").arg(bytes.size()));
    quint64 v = 0;
    for (int i = int(bytes.size()) - 1; i >= 0; --i)
        v = (v << 8) | quint8(bytes[i]);
    const int bits = 8 * int(bytes.size());
    if (!isSigned || !(v >> (bits - 1) & 1))
        return numberOf(Decimal::ofUnsigned(v));
    if (bits < 64)
        v |= ~quint64(0) << bits; // sign extension
    return numberOf(Decimal::ofInteger(qint64(v)));
}

FieldValue readBcd(const QByteArray& bytes) {
    if (bytes.isEmpty())
        return failed(QStringLiteral("no BCD digits"));
    QByteArray digits;
    bool negative = false;
    for (int n = 0; n < 2 * bytes.size(); ++n) { // most significant digit first
        const quint8 byte = quint8(bytes[bytes.size() - 1 - n / 2]);
        const int nibble = n % 2 == 0 ? byte >> 4 : byte & 0x0F;
        if (n == 0 && nibble == 0x0F) {
            negative = true;
            continue;
        }
        if (nibble > 9)
            return failed(
                QStringLiteral("BCD digit %1 above 9").arg(QString::number(nibble, 16).toUpper()));
        digits.append(char('0' + nibble));
    }
    while (digits.size() > 1 && digits.startsWith('0'))
        digits.remove(0, 1);
    if (digits.isEmpty())
        digits = "0";
    Decimal d;
    d.digits = digits;
    d.negative = negative && digits != "0";
    return numberOf(d);
}

FieldValue readReal(const QByteArray& bytes) {
    if (bytes.size() != 4)
        return failed(QStringLiteral("no real of %1 bytes").arg(bytes.size()));
    quint32 bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | quint8(bytes[i]);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    if (std::isnan(v))
        return failed(QStringLiteral("not a number"));
    if (std::isinf(v))
        return failed(v < 0 ? QStringLiteral("minus infinity") : QStringLiteral("infinity"));
    return numberOf(Decimal::ofFloat(v));
}

FieldValue readVariable(quint8 lvar, const QByteArray& bytes) {
    if (lvar <= 0xBF) {
        QByteArray reading(bytes.size(), '\0');
        for (int i = 0; i < bytes.size(); ++i)
            reading[i] = bytes[bytes.size() - 1 - i];
        return textOf(QString::fromLatin1(reading)); // ISO 8859-1
    }
    if (lvar <= 0xC9 || (lvar >= 0xD0 && lvar <= 0xD9)) {
        if (bytes.isEmpty())
            return numberOf(Decimal());
        FieldValue v = readBcd(bytes);
        if (v.number && lvar >= 0xD0)
            v.number->negative = v.number->digits != "0";
        return v;
    }
    if (lvar >= 0xE0 && lvar <= 0xEF) {
        if (bytes.size() > 8)
            return failed(QStringLiteral("binary number of %1 bytes").arg(bytes.size()));
        return bytes.isEmpty() ? numberOf(Decimal()) : readInteger(bytes, true);
    }
    return failed(QStringLiteral("LVAR %1: floating point form not defined")
                      .arg(QStringLiteral("%1").arg(lvar, 2, 16, QLatin1Char('0')).toUpper()));
}

FieldValue readPointInTime(const QByteArray& bytes) {
    const auto b = [&](int i) { return int(quint8(bytes[i])); };
    switch (bytes.size()) {
    case 2: { // type G
        const auto year = fullYear(((b(0) & 0xE0) >> 5) | ((b(1) & 0xF0) >> 1), 0);
        const auto date = year ? dateText(*year, b(1) & 0x0F, b(0) & 0x1F) : std::nullopt;
        return date ? textOf(*date) : failed(QStringLiteral("not a valid date"));
    }
    case 3: { // type J
        const int second = b(0) & 0x3F, minute = b(1) & 0x3F, hour = b(2) & 0x1F;
        if (!validTime(hour, minute, second))
            return failed(QStringLiteral("not a valid time"));
        return textOf(QStringLiteral("%1:%2:%3").arg(two(hour), two(minute), two(second)));
    }
    case 4: { // type F
        if (b(0) & 0x80)
            return failed(QStringLiteral("time marked invalid"));
        const int minute = b(0) & 0x3F, hour = b(1) & 0x1F;
        const auto year = fullYear(((b(2) & 0xE0) >> 5) | ((b(3) & 0xF0) >> 1), (b(1) >> 5) & 3);
        const auto date = year ? dateText(*year, b(3) & 0x0F, b(2) & 0x1F) : std::nullopt;
        if (!date || !validTime(hour, minute, 0))
            return failed(QStringLiteral("not a valid date and time"));
        return textOf(QStringLiteral("%1T%2:%3").arg(*date, two(hour), two(minute)));
    }
    case 6: { // type I
        if (b(1) & 0x80)
            return failed(QStringLiteral("time marked invalid"));
        const int second = b(0) & 0x3F, minute = b(1) & 0x3F, hour = b(2) & 0x1F;
        const auto year = fullYear(((b(3) & 0xE0) >> 5) | ((b(4) & 0xF0) >> 1), 0);
        const auto date = year ? dateText(*year, b(4) & 0x0F, b(3) & 0x1F) : std::nullopt;
        if (!date || !validTime(hour, minute, second))
            return failed(QStringLiteral("not a valid date and time"));
        return textOf(
            QStringLiteral("%1T%2:%3:%4").arg(*date, two(hour), two(minute), two(second)));
    }
    default:
        return failed(QStringLiteral("no date or time type of %1 bytes").arg(bytes.size()));
    }
}

} // namespace Mbus
