#include "support/LibmbusTools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace Libmbus {

QString toolsFolder() {
    const QString given = qEnvironmentVariable("ORDANO_LIBMBUS_TOOLS");
    return given.isEmpty() ? QStringLiteral(ORDANO_LIBMBUS_DIR "/bin") : given;
}

QString toolPath(const QString& tool) {
    return QDir(toolsFolder()).filePath(tool);
}

QString missingReason(const QString& tool) {
    if (QFileInfo(toolPath(tool)).isExecutable())
        return {};
    QFile status(QStringLiteral(ORDANO_LIBMBUS_DIR "/status"));
    QString why = status.open(QIODevice::ReadOnly) ? QString::fromUtf8(status.readAll()).trimmed()
                                                   : QString();
    if (why.startsWith(QStringLiteral("ok")))
        why.clear(); // the build made them; they were looked for elsewhere
    return QStringLiteral("%1 is not in %2%3")
        .arg(tool, toolsFolder(), why.isEmpty() ? QString() : QStringLiteral(": ") + why);
}

bool skipAllowed() {
    return qEnvironmentVariable("ORDANO_SKIP_LIBMBUS_TESTS") == QStringLiteral("1");
}

Run run(const QString& tool, const QStringList& args, int timeoutMs) {
    Run r;
    QProcess p;
    p.start(toolPath(tool), args);
    if (!p.waitForStarted(5000))
        return r;
    r.finished = p.waitForFinished(timeoutMs);
    if (!r.finished) {
        p.kill();
        p.waitForFinished(5000);
    }
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

Data parseXml(const QByteArray& xml) {
    Data d;
    QXmlStreamReader x(xml);
    Record* record = nullptr;
    while (!x.atEnd()) {
        const QXmlStreamReader::TokenType t = x.readNext();
        if (t == QXmlStreamReader::StartElement) {
            const QString name = x.name().toString();
            if (name == QStringLiteral("DataRecord")) {
                d.records.append(Record());
                record = &d.records.last();
                continue;
            }
            if (name == QStringLiteral("SlaveInformation")) {
                record = nullptr;
                continue;
            }
            if (name == QStringLiteral("MBusData") || name == QStringLiteral("MBusDataFrame"))
                continue;
            const QString text = x.readElementText();
            if (record) {
                if (name == QStringLiteral("Function"))
                    record->function = text;
                else if (name == QStringLiteral("StorageNumber"))
                    record->storage = text;
                else if (name == QStringLiteral("Tariff"))
                    record->tariff = text;
                else if (name == QStringLiteral("Device"))
                    record->device = text;
                else if (name == QStringLiteral("Unit"))
                    record->unit = text;
                else if (name == QStringLiteral("Value"))
                    record->value = text;
            } else if (name == QStringLiteral("Id")) {
                d.id = text;
            } else if (name == QStringLiteral("Manufacturer")) {
                d.manufacturer = text;
            } else if (name == QStringLiteral("Version")) {
                d.version = text;
            } else if (name == QStringLiteral("Medium")) {
                d.medium = text;
            } else if (name == QStringLiteral("AccessNumber")) {
                d.access = text;
            } else if (name == QStringLiteral("Status")) {
                d.status = text;
            }
        }
    }
    if (x.hasError())
        d.error = x.errorString();
    return d;
}

namespace {

std::optional<int> prefixExponent(const QString& text) {
    const QString p = text.trimmed();
    static const QList<QPair<QString, int>> Prefixes = {{QString(), 0},
                                                        {QStringLiteral("m"), -3},
                                                        {QStringLiteral("my"), -6},
                                                        {QStringLiteral("10"), 1},
                                                        {QStringLiteral("100"), 2},
                                                        {QStringLiteral("k"), 3},
                                                        {QStringLiteral("10 k"), 4},
                                                        {QStringLiteral("100 k"), 5},
                                                        {QStringLiteral("M"), 6},
                                                        {QStringLiteral("G"), 9},
                                                        {QStringLiteral("0.1"), -1},
                                                        {QStringLiteral("0.001"), -3}};
    for (const auto& [prefix, exponent] : Prefixes)
        if (p == prefix)
            return exponent;
    bool ok = false;
    const int e = p.startsWith(QStringLiteral("1e")) ? p.mid(2).toInt(&ok) : 0;
    return ok ? std::optional<int>(e) : std::nullopt;
}

struct Suffix {
    const char* text;
    const char* unit;
    int exponent;
};
// Longest first, so that "MWh" is not read as "Wh" after the prefix "M" nor "kg/h" as "h".
constexpr Suffix Suffixes[] = {
    {"american gallon/min", "US gal/min", 0},
    {"american gallon/h", "US gal/h", 0},
    {"american gallon", "US gal", 0},
    {"feet^3", "ft³", 0},
    {"degree F", "°F", 0},
    {"degree C", "°C", 0},
    {"deg C", "°C", 0},
    {"m^3/min", "m³/min", 0},
    {"m^3/h", "m³/h", 0},
    {"m^3/s", "m³/s", 0},
    {"m^3", "m³", 0},
    {"m3", "m³", 0},
    {"kg/h", "kg/h", 0},
    {"kg", "kg", 0},
    {"GJ/h", "J/h", 9},
    {"J/h", "J/h", 0},
    {"MWh", "Wh", 6},
    {"Wh", "Wh", 0},
    {"GJ", "J", 9},
    {"J", "J", 0},
    {"MW", "W", 6},
    {"W", "W", 0},
    {"bar", "bar", 0},
    {"t", "kg", 3},
};

std::optional<Unit> durationOf(const QString& word) {
    static const QList<QPair<QString, QString>> Durations = {
        {QStringLiteral("seconds"), QStringLiteral("s")},
        {QStringLiteral("second(s)"), QStringLiteral("s")},
        {QStringLiteral("minutes"), QStringLiteral("min")},
        {QStringLiteral("minute(s)"), QStringLiteral("min")},
        {QStringLiteral("hours"), QStringLiteral("h")},
        {QStringLiteral("hour(s)"), QStringLiteral("h")},
        {QStringLiteral("days"), QStringLiteral("d")},
        {QStringLiteral("day(s)"), QStringLiteral("d")},
        {QStringLiteral("month(s)"), QStringLiteral("month")},
        {QStringLiteral("months(s)"), QStringLiteral("month")},
        {QStringLiteral("year(s)"), QStringLiteral("year")}};
    for (const auto& [text, unit] : Durations)
        if (word == text)
            return Unit{unit, 0};
    return std::nullopt;
}

} // namespace

std::optional<Unit> parseUnit(const QString& text) {
    static const QStringList Plain = {QStringLiteral("Fabrication number"),
                                      QStringLiteral("Bus Address"),
                                      QStringLiteral("Units for H.C.A."),
                                      QStringLiteral("Access Number (transmission count)"),
                                      QStringLiteral("Medium (as in fixed header)"),
                                      QStringLiteral("Manufacturer (as in fixed header)"),
                                      QStringLiteral("Parameter set identification"),
                                      QStringLiteral("Model / Version"),
                                      QStringLiteral("Hardware version"),
                                      QStringLiteral("Firmware version"),
                                      QStringLiteral("Software version"),
                                      QStringLiteral("Customer location"),
                                      QStringLiteral("Customer"),
                                      QStringLiteral("Error flags"),
                                      QStringLiteral("Error mask"),
                                      QStringLiteral("Digital output (binary)"),
                                      QStringLiteral("Digital input (binary)"),
                                      QStringLiteral("Retry"),
                                      QStringLiteral("First storage # for cyclic storage"),
                                      QStringLiteral("Last storage # for cyclic storage"),
                                      QStringLiteral("Size of storage block"),
                                      QStringLiteral("dimensionless / no VIF"),
                                      QStringLiteral("Reset counter"),
                                      QStringLiteral("Cumulation counter"),
                                      QStringLiteral("Control signal"),
                                      QStringLiteral("Day of week"),
                                      QStringLiteral("Week number"),
                                      QStringLiteral("Time point of day change"),
                                      QStringLiteral("State of parameter activation"),
                                      QStringLiteral("Special supplier information"),
                                      QStringLiteral("Time Point (date)"),
                                      QStringLiteral("Time Point (time & date)"),
                                      QStringLiteral("Start (date/time) of tariff"),
                                      QStringLiteral("Date and time of battery change")};
    if (Plain.contains(text))
        return Unit{};
    if (text == QStringLiteral("Baudrate"))
        return Unit{QStringLiteral("Bd"), 0};
    if (text == QStringLiteral("response delay time"))
        return Unit{QStringLiteral("bit times"), 0};
    static const QRegularExpression Money(
        QStringLiteral("^(?:Credit|Debit) of (.*) of the nominal local legal currency units$"));
    if (const QRegularExpressionMatch m = Money.match(text); m.hasMatch()) {
        const std::optional<int> e = prefixExponent(m.captured(1));
        return e ? std::optional<Unit>(Unit{QString(), *e}) : std::nullopt;
    }
    static const QRegularExpression Electric(QStringLiteral("^(.*) (V|A)$"));
    if (const QRegularExpressionMatch m = Electric.match(text); m.hasMatch()) {
        const std::optional<int> e = prefixExponent(m.captured(1));
        return e ? std::optional<Unit>(Unit{m.captured(2), *e}) : std::nullopt;
    }
    static const QRegularExpression Parenthesised(QStringLiteral("^(.*) \\((.*)\\)$"));
    const QRegularExpressionMatch m = Parenthesised.match(text);
    if (!m.hasMatch()) {
        // "Storage interval day(s)", "Operating time battery year(s)" and the like.
        const int blank = int(text.lastIndexOf(QLatin1Char(' ')));
        return blank > 0 ? durationOf(text.mid(blank + 1)) : std::nullopt;
    }
    const QString inside = m.captured(2);
    if (const std::optional<Unit> d = durationOf(inside))
        return d;
    for (const Suffix& s : Suffixes) {
        const QString suffix = QString::fromUtf8(s.text);
        if (!inside.endsWith(suffix))
            continue;
        const std::optional<int> e = prefixExponent(inside.left(inside.size() - suffix.size()));
        if (!e)
            return std::nullopt;
        QString unit = QString::fromUtf8(s.unit);
        // The library writes a temperature difference in "deg C"; its unit is the kelvin.
        if (m.captured(1) == QStringLiteral("Temperature Difference") &&
            unit == QStringLiteral("°C"))
            unit = QStringLiteral("K");
        return Unit{unit, *e + s.exponent};
    }
    return std::nullopt;
}

} // namespace Libmbus
