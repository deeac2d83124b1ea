#include "core/gateway/GatewayValues.h"

#include "common/BoundedFile.h"
#include "core/sources/SourceReadJob.h"

namespace Gateway {

namespace {

// A values file holds a line per variable: 640 at most.
constexpr BoundedFile::Limit ValuesFileLimit{4 * 1024 * 1024, "a values file"};

// Splits one line at the separator outside quotes; doubled quotes stand for one.
QStringList fields(const QString& line, QChar separator) {
    QStringList out{QString()};
    bool quoted = false;
    for (int i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < line.size() && line[i + 1] == QLatin1Char('"')) {
                out.last().append(c);
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (c == separator && !quoted) {
            out.append(QString());
        } else {
            out.last().append(c);
        }
    }
    return out;
}

} // namespace

RecordValue typedValue(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.compare(QStringLiteral("error"), Qt::CaseInsensitive) == 0)
        return RecordValue::failed();
    bool ok = false;
    const qint64 integer = t.toLongLong(&ok);
    if (ok)
        return RecordValue::ofInteger(integer);
    const double real = t.toDouble(&ok);
    if (ok)
        return RecordValue::ofReal(real);
    return RecordValue::ofText(t.toLatin1());
}

QString valueText(const RecordValue& v) {
    switch (v.kind) {
    case RecordValue::Kind::Integer:
        return QString::number(v.integer);
    case RecordValue::Kind::Real:
        return QString::number(v.real, 'g', 9);
    case RecordValue::Kind::Text:
        return QString::fromLatin1(v.text);
    case RecordValue::Kind::Field:
        if (v.field.integer)
            return QString::number(*v.field.integer);
        if (v.field.real)
            return QString::number(*v.field.real, 'g', 9);
        if (!v.field.digits.isEmpty())
            return v.field.digits;
        return QString::fromLatin1(v.field.bytes);
    case RecordValue::Kind::Failed:
        break;
    }
    return QString();
}

ValuesFile readValuesFile(const QString& path, const Network& network) {
    ValuesFile file;
    const BoundedFile::Result read = BoundedFile::read(path, ValuesFileLimit);
    if (!read.ok()) {
        file.error = read.error;
        return file;
    }
    QString text = QString::fromUtf8(read.bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.trimmed().isEmpty())
            continue;
        QChar separator = QLatin1Char(',');
        for (const QChar s : {QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(',')})
            if (fields(line, s).size() == 2)
                separator = s;
        const QStringList f = fields(line, separator);
        if (f.size() != 2) {
            file.error = QStringLiteral("line %1: description and value expected").arg(i + 1);
            return file;
        }
        bool found = false;
        for (int n = 0; n < network.size(); ++n)
            for (int v = 0; v < network[n].variables.size(); ++v)
                if (network[n].variables[v].enabled &&
                    network[n].variables[v].description == f[0]) {
                    file.values.insert({n, v}, typedValue(f[1]));
                    found = true;
                }
        if (!found) {
            file.error = QStringLiteral("line %1: no enabled variable is described '%2'")
                             .arg(i + 1)
                             .arg(f[0]);
            return file;
        }
    }
    return file;
}

RecordValue valueOfReading(const Sources::SourceVariable& v, const Sources::SourceResult& r) {
    const std::optional<Sources::Mbus::Source> source = Sources::Mbus::sourceOf(v, r);
    return source ? RecordValue::ofField(Sources::Mbus::fieldData(*source)) : RecordValue::failed();
}

LiveValues::LiveValues(const Network& network, Sources::Connection connection, int intervalMs,
                       QObject* parent)
    : QObject(parent), plan_(Sources::makeReadPlan(network)), connection_(std::move(connection)),
      intervalMs_(intervalMs) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, &LiveValues::readNow);
}

LiveValues::~LiveValues() = default;

void LiveValues::start() {
    if (!job_)
        readNow();
}

void LiveValues::stop() {
    timer_.stop();
    job_.reset(); // waits at most one time-out
}

RecordValue LiveValues::value(int node, int variable) const {
    return values_.value({node, variable}, RecordValue::failed());
}

void LiveValues::readNow() {
    job_ = std::make_unique<Sources::SourceReadJob>(plan_, connection_, this);
    connect(job_.get(), &Sources::SourceReadJob::finished, this, &LiveValues::finished);
    job_->start();
}

void LiveValues::finished() {
    const Sources::ReadRun run = job_->run();
    for (int i = 0; i < plan_.variables.size(); ++i) {
        const Sources::SourceVariable& v = plan_.variables[i];
        values_.insert({v.node, v.variable}, i < run.results.size()
                                                 ? valueOfReading(v, run.results[i])
                                                 : RecordValue::failed());
    }
    ++readings_;
    // The job is done; it goes after this signal has been handled.
    job_.release()->deleteLater();
    emit updated();
    timer_.start(intervalMs_);
}

} // namespace Gateway
