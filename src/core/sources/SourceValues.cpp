#include "core/sources/SourceValues.h"

#include "core/sources/ReadPlan.h"

#include <bit>
#include <cmath>

namespace Sources {

namespace {

// M-Bus dimension positions (the editor's dimension list).
constexpr int Dim8 = 0, Dim16 = 1, Dim32 = 2, Dim24 = 4, DimReal32 = 6;

quint32 joined(quint16 high, quint16 low) {
    return (quint32(high) << 16) | low;
}

QString floatText(quint32 bits) {
    const float value = std::bit_cast<float>(bits);
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("+Inf") : QStringLiteral("-Inf");
    return QString::number(double(value), 'g', 7);
}

} // namespace

Reading markedReading(const SourceVariable& v) {
    if (v.isBits())
        return Reading::Raw;
    const bool lowFirst = v.swap == 1;
    switch (v.dimension) {
    case Dim8:
    case Dim16:
        return Reading::Signed16; // M-Bus integers are signed
    case Dim24:
    case Dim32:
        return lowFirst ? Reading::Int32LowFirst : Reading::Int32HighFirst;
    case DimReal32:
        return lowFirst ? Reading::Float32LowFirst : Reading::Float32HighFirst;
    default:
        return Reading::Raw;
    }
}

QString registersText(const QList<quint16>& registers) {
    QStringList words;
    for (quint16 r : registers)
        words.append(QStringLiteral("0x") +
                     QStringLiteral("%1").arg(r, 4, 16, QLatin1Char('0')).toUpper());
    return words.join(QLatin1Char(' '));
}

QString bitsText(const QList<quint8>& bits) {
    QStringList words;
    for (quint8 b : bits)
        words.append(b ? QStringLiteral("1") : QStringLiteral("0"));
    return words.join(QLatin1Char(' '));
}

QString readingText(Reading reading, const QList<quint16>& r) {
    const int needed = reading == Reading::Raw                                          ? 0
                       : reading == Reading::Unsigned16 || reading == Reading::Signed16 ? 1
                                                                                        : 2;
    if (r.size() < needed)
        return QString();
    switch (reading) {
    case Reading::Raw:
        return registersText(r);
    case Reading::Unsigned16:
        return QString::number(r[0]);
    case Reading::Signed16:
        return QString::number(qint16(r[0]));
    case Reading::Int32HighFirst:
        return QString::number(qint32(joined(r[0], r[1])));
    case Reading::Int32LowFirst:
        return QString::number(qint32(joined(r[1], r[0])));
    case Reading::Float32HighFirst:
        return floatText(joined(r[0], r[1]));
    case Reading::Float32LowFirst:
        return floatText(joined(r[1], r[0]));
    }
    return QString();
}

QString readingName(Reading reading) {
    switch (reading) {
    case Reading::Raw:
        return QStringLiteral("Raw");
    case Reading::Unsigned16:
        return QStringLiteral("U16");
    case Reading::Signed16:
        return QStringLiteral("S16");
    case Reading::Int32HighFirst:
        return QStringLiteral("S32 AB CD");
    case Reading::Int32LowFirst:
        return QStringLiteral("S32 CD AB");
    case Reading::Float32HighFirst:
        return QStringLiteral("F32 AB CD");
    case Reading::Float32LowFirst:
        return QStringLiteral("F32 CD AB");
    }
    return QString();
}

} // namespace Sources
