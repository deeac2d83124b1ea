#include "core/sources/ContinuousRead.h"

#include "core/lang/LanguageTable.h"

namespace Sources {

bool isCounter(const Mbus::Unit& unit) {
    static const QStringList counted = {
        QStringLiteral("Wh"),    QStringLiteral("J"),    QStringLiteral("m³"),
        QStringLiteral("kg"),    QStringLiteral("MWh"),  QStringLiteral("GJ"),
        QStringLiteral("t"),     QStringLiteral("ft³"),  QStringLiteral("US gal"),
        QStringLiteral("kVARh"), QStringLiteral("kVAh"), QStringLiteral("MCal")};
    if (unit.kind == Mbus::Kind::Duration)
        return true; // on time, operating time and the like
    return unit.kind == Mbus::Kind::Quantity && counted.contains(unit.unit);
}

QList<Change> changesBetween(const ReadPlan& plan, const ReadRun& before, const ReadRun& after,
                             double seconds) {
    QList<Change> changes(plan.variables.size());
    for (int i = 0; i < plan.variables.size(); ++i) {
        const SourceResult& a = before.results.value(i);
        const SourceResult& b = after.results.value(i);
        if (a.outcome != SourceResult::Outcome::Read || b.outcome != SourceResult::Outcome::Read)
            continue;
        Change& c = changes[i];
        c.changed = a.registers != b.registers || a.bits != b.bits;
        if (!c.changed || seconds <= 0)
            continue;
        const auto old = Mbus::valueOf(plan.variables[i], a);
        const auto now = Mbus::valueOf(plan.variables[i], b);
        if (old && now && old->value && now->value && isCounter(now->unit)) {
            c.perHour = (*now->value - *old->value) * 3600.0 / seconds;
            c.unit = now->unit.unit + QStringLiteral("/h");
        }
    }
    return changes;
}

bool connectionLost(const ReadRun& run) {
    if (run.openFailure.failed())
        return true;
    if (run.requestsSent == 0 || run.cancelled)
        return false;
    for (const SourceResult& r : run.results)
        if (r.outcome == SourceResult::Outcome::Read ||
            r.outcome == SourceResult::Outcome::Exception)
            return false; // a slave answered: the line is there
    return true;
}

QString changeText(const Change& c, const LanguageTable& t) {
    if (!c.perHour)
        return t.text(Text::Changed);
    const QString sign = *c.perHour > 0 ? QStringLiteral("+") : QString();
    return t.text(Text::ChangedPerHour)
        .arg(sign + QString::number(*c.perHour, 'g', 6) + QLatin1Char(' ') + c.unit);
}

} // namespace Sources
