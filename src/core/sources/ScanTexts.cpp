#include "core/sources/ScanTexts.h"

#include "core/lang/LanguageTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace Sources {

QString scanBoundText(const Connection& c, int first, int last, const LanguageTable& t) {
    // Tenths of a second, rounded up: the text is a promise.
    const qint64 tenths = (scanBoundMs(c, first, last) + 99) / 100;
    const qint64 lineMs = (scanIdBoundUs(c) - qint64(c.timeoutMs) * 1000 + 999) / 1000;
    return t.text(Text::ScanBoundPerId)
        .arg(std::max(0, last - first + 1))
        .arg(QString::number(double(tenths) / 10.0, 'f', tenths % 10 == 0 ? 0 : 1))
        .arg(c.timeoutMs)
        .arg(lineMs);
}

QStringList scanLines(const ScanRun& run, const QList<int>& configured, const LanguageTable& t) {
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
        case ScanAnswer::Kind::NotAsked:
            continue;
        }
        if (configured.contains(a.id))
            line = t.text(Text::IdConfigured).arg(line);
        lines.append(line);
    }
    const auto unasked =
        std::find_if(run.answers.cbegin(), run.answers.cend(),
                     [](const ScanAnswer& a) { return a.kind == ScanAnswer::Kind::NotAsked; });
    if (unasked != run.answers.cend())
        lines.append(t.text(Text::NotAsked).arg(unasked->id).arg(run.answers.last().id));
    return lines;
}

namespace {

QString idList(const QList<int>& ids, const LanguageTable& t) {
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

QStringList comparisonLines(const ScanComparison& c, const LanguageTable& t) {
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
