#include "core/sources/ScanTexts.h"

#include "core/lang/LangTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Sources {

QString scanBoundText(int first, int last, int timeoutMs, const LangTable& t) {
    const qint64 bound = scanBoundMs(first, last, timeoutMs);
    return t.text(Text::ScanBound)
        .arg(last - first + 1)
        .arg(QString::number(double(bound) / 1000.0, 'f', bound % 1000 == 0 ? 0 : 1))
        .arg(timeoutMs);
}

QStringList scanLines(const ScanRun& run, const QList<int>& configured, const LangTable& t) {
    QStringList lines;
    for (const ScanAnswer& a : run.answers) {
        QString line;
        switch (a.kind) {
        case ScanAnswer::Kind::Data:
            line = t.text(Text::IdData)
                       .arg(a.id)
                       .arg(QStringLiteral("0x") +
                            QStringLiteral("%1").arg(a.value, 4, 16, QLatin1Char('0')).toUpper());
            break;
        case ScanAnswer::Kind::Exception:
            line = t.text(Text::IdException).arg(a.id).arg(a.exception).arg(a.detail);
            break;
        case ScanAnswer::Kind::Failed:
            line = t.text(Text::IdFailed).arg(a.id).arg(a.detail);
            break;
        case ScanAnswer::Kind::Timeout:
            continue;
        }
        if (configured.contains(a.id))
            line = t.text(Text::IdConfigured).arg(line);
        lines.append(line);
    }
    return lines;
}

namespace {

QString idList(const QList<int>& ids, const LangTable& t) {
    if (ids.isEmpty())
        return t.text(Text::NoIds);
    QStringList words;
    for (int id : ids)
        words.append(QString::number(id));
    return words.join(QStringLiteral(", "));
}

QJsonArray jsonIds(const QList<int>& ids) {
    QJsonArray array;
    for (int id : ids)
        array.append(id);
    return array;
}

} // namespace

QStringList comparisonLines(const ScanComparison& c, const LangTable& t) {
    return {t.text(Text::MissingIds).arg(idList(c.missing, t)),
            t.text(Text::UnusedIds).arg(idList(c.unused, t))};
}

QByteArray scanAsJson(const ScanRun& run, const std::optional<ScanComparison>& comparison) {
    QJsonArray ids;
    for (const ScanAnswer& a : run.answers)
        ids.append(QJsonObject{{QStringLiteral("id"), a.id},
                               {QStringLiteral("answers"), a.answers()},
                               {QStringLiteral("detail"), scanDetail(a)}});
    QJsonObject o{{QStringLiteral("ids"), ids}};
    if (comparison) {
        o[QStringLiteral("configured")] = jsonIds(comparison->configured);
        o[QStringLiteral("missing")] = jsonIds(comparison->missing);
        o[QStringLiteral("unused")] = jsonIds(comparison->unused);
    }
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

} // namespace Sources
