#include "core/mbus/ReadingText.h"

#include "core/lang/LanguageTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace Mbus {

namespace {

QJsonValue orNull(const std::optional<quint8>& v) {
    return v ? QJsonValue(int(*v)) : QJsonValue(QJsonValue::Null);
}

QJsonValue orNull(const QString& s) {
    return s.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(s);
}

QString functionText(Function f, const LanguageTable& texts) {
    switch (f) {
    case Function::Instantaneous:
        return texts.text(Text::Instantaneous);
    case Function::Maximum:
        return texts.text(Text::Maximum);
    case Function::Minimum:
        return texts.text(Text::Minimum);
    case Function::DuringError:
        return texts.text(Text::DuringError);
    }
    return {};
}

QString statusText(const std::optional<quint8>& v) {
    return v ? QStringLiteral("%1").arg(*v, 2, 16, QLatin1Char('0')).toUpper() : QString();
}

QJsonObject recordAsJson(const Record& r) {
    QJsonValue value(QJsonValue::Null);
    if (r.number)
        value = r.number->toDouble();
    else if (r.text)
        value = *r.text;
    return QJsonObject{{QStringLiteral("function"), functionKey(r.function)},
                       {QStringLiteral("storage"), double(r.storage)},
                       {QStringLiteral("tariff"), double(r.tariff)},
                       {QStringLiteral("subunit"), double(r.subunit)},
                       {QStringLiteral("quantity"), r.meaning.quantity},
                       {QStringLiteral("unit"), r.meaning.unit},
                       {QStringLiteral("value"), value},
                       {QStringLiteral("error"), orNull(r.error)}};
}

} // namespace

QString valueText(const Record& record) {
    if (record.number)
        return record.number->text();
    return record.text.value_or(QString());
}

QByteArray readingAsJson(const Reading& reading) {
    QJsonArray records;
    for (const Record& r : reading.records)
        records.append(recordAsJson(r));
    const std::optional<Identity>& id = reading.identity;
    QJsonObject o{{QStringLiteral("address"), int(reading.address)},
                  {QStringLiteral("id"), id ? QJsonValue(id->id) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("manufacturer"),
                   id ? QJsonValue(id->manufacturer()) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("version"),
                   id ? QJsonValue(int(id->version)) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("medium"),
                   id ? QJsonValue(mediumName(id->medium)) : QJsonValue(QJsonValue::Null)},
                  {QStringLiteral("access"), orNull(reading.access)},
                  {QStringLiteral("status"), orNull(reading.status)},
                  {QStringLiteral("records"), records},
                  {QStringLiteral("manufacturerData"), hexBytes(reading.manufacturerData)}};
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

QStringList readingLines(const Reading& reading, const LanguageTable& texts) {
    QStringList lines;
    if (const std::optional<Identity>& id = reading.identity)
        lines << texts.text(Text::Slave)
                     .arg(reading.address)
                     .arg(id->id, id->manufacturer())
                     .arg(id->version)
                     .arg(mediumName(id->medium))
                     .arg(reading.access.value_or(0))
                     .arg(statusText(reading.status));
    else
        lines << texts.text(Text::SlaveWithoutIdentity)
                     .arg(reading.address)
                     .arg(reading.access ? QString::number(*reading.access) : QStringLiteral("-"),
                          reading.status ? statusText(reading.status) : QStringLiteral("-"));
    int n = 0;
    for (const Record& r : reading.records) {
        QString where = functionText(r.function, texts);
        if (r.storage)
            where += QStringLiteral(", ") + texts.text(Text::Storage).arg(r.storage);
        if (r.tariff)
            where += QStringLiteral(", ") + texts.text(Text::Tariff).arg(r.tariff);
        if (r.subunit)
            where += QStringLiteral(", ") + texts.text(Text::Subunit).arg(r.subunit);
        QString what;
        if (!r.error.isEmpty())
            what = texts.text(Text::NoValue).arg(r.error);
        else
            what = QStringLiteral("%1 %2").arg(valueText(r), r.meaning.unit).trimmed();
        lines << QStringLiteral("  %1. %2: %3 = %4").arg(++n).arg(where, r.meaning.quantity, what);
    }
    if (!reading.manufacturerData.isEmpty())
        lines << texts.text(Text::ManufacturerData).arg(hexBytes(reading.manufacturerData));
    return lines;
}

QByteArray scanAsJson(const ScanResult& scan) {
    QJsonArray slaves;
    for (const FoundSlave& s : scan.slaves) {
        const std::optional<Identity>& id = s.identity;
        slaves.append(QJsonObject{
            {QStringLiteral("address"), int(s.address)},
            {QStringLiteral("id"), id ? QJsonValue(id->id) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("manufacturer"),
             id ? QJsonValue(id->manufacturer()) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("medium"),
             id ? QJsonValue(mediumName(id->medium)) : QJsonValue(QJsonValue::Null)}});
    }
    QJsonArray problems;
    for (const ScanResult::Problem& p : scan.problems)
        problems.append(
            QJsonObject{{QStringLiteral("where"), p.where}, {QStringLiteral("error"), p.error}});
    return QJsonDocument(QJsonObject{{QStringLiteral("slaves"), slaves},
                                     {QStringLiteral("problems"), problems}})
        .toJson(QJsonDocument::Indented);
}

QStringList scanLines(const ScanResult& scan, const LanguageTable& texts) {
    QStringList lines;
    for (const FoundSlave& s : scan.slaves) {
        const std::optional<Identity>& id = s.identity;
        lines << texts.text(Text::Found)
                     .arg(s.address)
                     .arg(id ? id->id : QStringLiteral("-"),
                          id ? id->manufacturer() : QStringLiteral("-"))
                     .arg(id ? QString::number(id->version) : QStringLiteral("-"))
                     .arg(id ? mediumName(id->medium) : QStringLiteral("-"));
    }
    for (const ScanResult::Problem& p : scan.problems)
        lines << texts.text(Text::NotRead).arg(p.where, p.error);
    lines << texts.text(Text::Summary).arg(scan.slaves.size());
    return lines;
}

QString failureText(const ReadResult& result, const QString& asked, bool secondary,
                    const QString& where, const LanguageTable& texts) {
    switch (result.status) {
    case ReadResult::Status::Read:
        return {};
    case ReadResult::Status::NoAnswer:
        return texts.text(secondary ? Text::NoAnswerSecondary : Text::NoAnswerPrimary).arg(asked);
    case ReadResult::Status::Garbled:
        return texts.text(Text::Garbled).arg(result.error);
    case ReadResult::Status::Refused:
        return texts.text(Text::Refused).arg(result.error);
    case ReadResult::Status::LinkLost:
        return texts.text(Text::LinkLost).arg(where, result.error);
    }
    return {};
}

} // namespace Mbus
