#include "core/sources/MbusTexts.h"

#include "core/lang/LanguageTable.h"
#include "core/network/CodingTables.h"
#include "core/sources/ReadPlan.h"

#include <QJsonArray>

namespace Sources {

QStringList mbusWarnings(const Mbus::Value& value, const SourceVariable& v,
                         const LanguageTable& t) {
    const QString field = CodingTables::captionAt(CodingTables::dimensions(), v.dimension);
    QStringList out;
    for (const Mbus::Flag flag : Mbus::AllFlags) {
        if (!value.has(flag))
            continue;
        switch (flag) {
        case Mbus::Overflow:
            out.append(t.text(Text::DoesNotFit).arg(field));
            break;
        case Mbus::Negative:
            out.append(t.text(Text::NegativeInField).arg(field));
            break;
        case Mbus::BcdDigit:
            out.append(t.text(Text::BcdDigit));
            break;
        case Mbus::NotFinite:
            out.append(t.text(Text::NotFinite));
            break;
        case Mbus::WordOrder:
            out.append(t.text(Text::BetterSwap)
                           .arg(modbusSwapText(t, value.betterSwap), value.betterText));
            break;
        case Mbus::SingleBit:
            out.append(t.text(Text::SingleBit).arg(field));
            break;
        }
    }
    return out;
}

QJsonObject mbusJson(const std::optional<Mbus::Value>& value) {
    const Mbus::Value shown = value.value_or(Mbus::Value{});
    QJsonObject o;
    o[QStringLiteral("value")] = shown.value ? QJsonValue(*shown.value) : QJsonValue();
    o[QStringLiteral("unit")] = shown.unit.unit;
    o[QStringLiteral("exponent")] = shown.unit.exponent;
    o[QStringLiteral("text")] = shown.text;
    o[QStringLiteral("flags")] = QJsonArray::fromStringList(shown.flagNames());
    return o;
}

} // namespace Sources
