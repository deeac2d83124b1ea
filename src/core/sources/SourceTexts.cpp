#include "core/sources/SourceTexts.h"

#include "core/comm/GeneralParameters.h"
#include "core/lang/LanguageTable.h"
#include "core/network/ModbusNumbering.h"
#include "core/network/NetworkTexts.h"
#include "core/sources/MbusTexts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <csv.h>

namespace Sources {

Column columnOf(Reading reading) {
    return Column(ColRaw + int(reading));
}

QStringList columnNames(const LanguageTable& t) {
    QStringList names = {t.text(Text::ColumnNode), t.text(Text::ColumnVariable),
                         t.text(Text::ColumnSource), t.text(Text::ColumnResult),
                         t.text(Text::ColumnRaw)};
    for (int r = int(Reading::Unsigned16); r < ReadingCount; ++r)
        names.append(readingName(Reading(r)));
    return names;
}

QString nodeText(const SourceVariable& v) {
    const QString address = QString::number(v.nodePrimary);
    return v.nodeDescription.isEmpty() ? address : address + QLatin1Char(' ') + v.nodeDescription;
}

QString sourceText(const SourceVariable& v, const LanguageTable& t) {
    // The Modbus type texts of the editor's list (615 to 618).
    const QString type =
        v.type >= 0 && v.type <= 3 ? t.text(615 + v.type) : QStringLiteral("? %1").arg(v.type);
    // The stored protocol address and the number a meter manual gives for it, side by side.
    const QString number = ModbusNumbering::describe(t, v.type, v.address);
    const QString address = number.isEmpty()
                                ? QString::number(v.address)
                                : t.text(NetworkTexts::AddressAndNumber).arg(v.address).arg(number);
    return QStringLiteral("ID %1 \u00b7 %2 \u00b7 %3 \u00b7 %4 %5")
        .arg(v.slave)
        .arg(type, address, t.text(620).trimmed())
        .arg(v.count);
}

QString outcomeText(const SourceResult& r, const SourceVariable& v, int timeoutMs,
                    const LanguageTable& t) {
    using Outcome = SourceResult::Outcome;
    switch (r.outcome) {
    case Outcome::Read:
        return t.text(Text::ReadOk);
    case Outcome::NotRead:
        return t.text(Text::NotRead);
    case Outcome::Invalid:
        return t.text(Text::Invalid);
    case Outcome::Timeout:
        return t.text(Text::Timeout).arg(timeoutMs);
    case Outcome::Exception:
        return t.text(Text::Exception).arg(r.exception).arg(r.detail);
    case Outcome::CrcError:
        return t.text(Text::CrcError);
    case Outcome::Failed:
        return r.detail;
    }
    Q_UNUSED(v);
    return QString();
}

QString openFailureText(const OpenFailure& f, const Connection& c, const LanguageTable& t) {
    using Kind = OpenFailure::Kind;
    if (f.kind == Kind::Connect)
        return t.text(Text::NoConnection).arg(c.target(), f.detail);
    if (f.kind == Kind::NoAnswer)
        return t.text(Text::ConnectionNotCompleted).arg(c.target()).arg(c.timeoutMs);
    QString why;
    switch (f.kind) {
    case Kind::Missing:
        why = t.text(Text::PortMissing);
        break;
    case Kind::Permission:
        why = t.text(Text::PortPermission);
        break;
    case Kind::Busy:
        why = t.text(Text::PortBusy);
        break;
    case Kind::NotSerial:
        why = t.text(Text::PortNotSerial);
        break;
    default:
        why = f.detail;
    }
    return t.text(Text::PortNotOpened).arg(c.target(), why);
}

QString notTestableText(int protocol, const LanguageTable& t) {
    const QString name = protocol >= 0 && protocol < int(ParGenLists::modbusProtocols.size())
                             ? QString::fromLatin1(ParGenLists::modbusProtocols[size_t(protocol)])
                             : QString::number(protocol);
    return t.text(Text::NotTestable).arg(name);
}

QList<ResultRow> resultRows(const ReadPlan& plan, const ReadRun& run, int timeoutMs,
                            const LanguageTable& t) {
    QList<ResultRow> rows;
    for (int i = 0; i < plan.variables.size(); ++i) {
        const SourceVariable& v = plan.variables[i];
        const SourceResult& r = run.results.value(i);
        ResultRow row;
        row.cells.resize(ColumnCount);
        row.cells[ColNode] = nodeText(v);
        row.cells[ColVariable] = v.variableDescription;
        row.cells[ColSource] = sourceText(v, t);
        row.cells[ColResult] = outcomeText(r, v, timeoutMs, t);
        row.failed = r.outcome != SourceResult::Outcome::Read;
        if (!row.failed) {
            if (v.isBits()) {
                row.cells[ColRaw] = bitsText(r.bits);
            } else {
                for (int k = 0; k < ReadingCount; ++k)
                    row.cells[columnOf(Reading(k))] = readingText(Reading(k), r.registers);
            }
            const Column marked = columnOf(markedReading(v));
            if (!row.cells[marked].isEmpty())
                row.marked = marked;
            if (const std::optional<Mbus::Value> value = Mbus::valueOf(v, r)) {
                row.mbus = value->text;
                row.warnings = mbusWarnings(*value, v, t);
            }
        }
        rows.append(row);
    }
    return rows;
}

namespace {

QString markedName(const ResultRow& row) {
    return row.marked < 0 ? QString() : readingName(Reading(row.marked - ColRaw));
}

QByteArray csvField(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    QByteArray out(utf8.size() * 2 + 2, Qt::Uninitialized);
    const size_t written =
        csv_write(out.data(), size_t(out.size()), utf8.constData(), size_t(utf8.size()));
    out.truncate(qsizetype(written));
    return out;
}

QList<QStringList> table(const QList<ResultRow>& rows, const LanguageTable& t) {
    QList<QStringList> lines;
    lines.append(columnNames(t) << t.text(Text::ColumnMarked) << t.text(Text::MbusValue)
                                << t.text(Text::Warnings));
    for (const ResultRow& row : rows)
        lines.append(QStringList(row.cells)
                     << markedName(row) << row.mbus << row.warnings.join(QStringLiteral("; ")));
    return lines;
}

} // namespace

QString rowsAsText(const QList<ResultRow>& rows, const LanguageTable& t) {
    QString out;
    for (QStringList line : table(rows, t)) {
        // A tab or line break inside a description would break the columns.
        for (QString& cell : line)
            cell.replace(QLatin1Char('\t'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
        out += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return out;
}

QByteArray rowsAsCsv(const QList<ResultRow>& rows, const LanguageTable& t) {
    QByteArray out("\xEF\xBB\xBF");
    for (const QStringList& line : table(rows, t)) {
        for (int i = 0; i < line.size(); ++i) {
            if (i > 0)
                out += ',';
            out += csvField(line[i]);
        }
        out += "\r\n";
    }
    return out;
}

QByteArray runAsJson(const ReadPlan& plan, const ReadRun& run, const QList<ResultRow>& rows) {
    QJsonArray array;
    for (int i = 0; i < plan.variables.size(); ++i) {
        const SourceVariable& v = plan.variables[i];
        const SourceResult& r = run.results.value(i);
        const ResultRow& row = rows[i];
        QJsonObject o;
        o[QStringLiteral("node")] = v.nodePrimary;
        o[QStringLiteral("nodeDescription")] = v.nodeDescription;
        o[QStringLiteral("variable")] = v.variable + 1;
        o[QStringLiteral("variableDescription")] = v.variableDescription;
        o[QStringLiteral("slave")] = v.slave;
        o[QStringLiteral("function")] = v.function;
        o[QStringLiteral("address")] = v.address;
        // What manuals and poll tools call it: from 1, and with the table's digit.
        o[QStringLiteral("register")] = ModbusNumbering::registerNumber(v.address);
        o[QStringLiteral("manualNumber")] = ModbusNumbering::manualNumber(v.type, v.address);
        o[QStringLiteral("count")] = v.count;
        static const char* const outcomes[] = {"not-read",  "invalid",   "read",  "timeout",
                                               "exception", "crc-error", "failed"};
        o[QStringLiteral("outcome")] = QLatin1String(outcomes[int(r.outcome)]);
        o[QStringLiteral("result")] = row.cells[ColResult];
        if (r.outcome == SourceResult::Outcome::Exception)
            o[QStringLiteral("exception")] = r.exception;
        if (r.outcome == SourceResult::Outcome::Read) {
            QJsonArray raw;
            if (v.isBits())
                for (quint8 b : r.bits)
                    raw.append(int(b));
            else
                for (quint16 w : r.registers)
                    raw.append(int(w));
            o[v.isBits() ? QStringLiteral("bits") : QStringLiteral("registers")] = raw;
            QJsonObject readings;
            for (int k = int(Reading::Unsigned16); k < ReadingCount; ++k) {
                const QString value = row.cells[columnOf(Reading(k))];
                if (!value.isEmpty())
                    readings[readingName(Reading(k))] = value;
            }
            if (!readings.isEmpty())
                o[QStringLiteral("readings")] = readings;
            o[QStringLiteral("marked")] = markedName(row);
        }
        o[QStringLiteral("mbus")] = mbusJson(Mbus::valueOf(v, r));
        array.append(o);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

} // namespace Sources
