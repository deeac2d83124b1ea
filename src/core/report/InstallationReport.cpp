#include "core/report/InstallationReport.h"

#include "core/comm/ParGenXml.h"
#include "core/comm/ParityNames.h"
#include "core/history/UpdateHistory.h"
#include "core/image/BankFiles.h"
#include "core/lang/LanguageTable.h"
#include "core/network/CodingTables.h"
#include "core/network/ModbusNumbering.h"
#include "core/network/NetworkTexts.h"
#include "core/network/NetworkWarnings.h"
#include "core/network/NetworkXml.h"
#include "core/report/HistorySections.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace InstallationReport {

namespace {

// Texts of the report (the labels of the settings window and the editor are reused).
enum Text {
    T_Title = 730,
    T_Configuration = 731,
    T_Date = 732,
    T_SoftwareVersion = 733,
    T_Communication = 734,
    T_Network = 735,
    T_Node = 736,
    T_Record = 737,
    T_ModbusSource = 738,
    T_Disabled = 739,
    T_ImagesStale = 740,
    T_ImagesMissing = 741,
    T_NoParGen = 742,
    T_NoNodes = 743,
    T_NoVariables = 744,
    T_Used = 745,
    T_NotUsed = 746,
    T_Warnings = 747,
    T_Ms = 748,
    T_Baud = 749,
    T_PageOfPages = 461,
    T_Nodes = 487,
    T_OnDevice = 488,
    T_Variables = 489,
    T_Enabled = 490,
    T_PrimaryAddresses = 491,
    T_ModbusSlaves = 492,
    T_Images = 493,
    T_UpToDate = 494,
    T_Stale = 495,
    T_NotCompiled = 496,
    T_LastUpdate = 497,
    T_NoneYet = 498,
};

// Shown where a code carries nothing, so the reader sees no value rather than a code.
const QString Nothing = QStringLiteral("\u2014");

template <std::size_t N> QString listText(const std::array<const char*, N>& list, int position) {
    return position >= 0 && position < int(N) ? QString::fromUtf8(list[std::size_t(position)])
                                              : Nothing;
}

QString parity(const LanguageTable& t, int position) {
    const QString name = ParityNames::at(t, position);
    return name.isEmpty() ? Nothing : name;
}

QString address(const QString& a, const QString& b, const QString& c, const QString& d) {
    return QStringList{a, b, c, d}.join(QLatin1Char('.'));
}

Section communication(const Input& input, const LanguageTable& t) {
    Section s;
    s.title = t.text(T_Communication);
    if (!input.parGen) {
        s.notes << t.text(T_NoParGen);
        return s;
    }
    const GeneralParameters& p = *input.parGen;
    const QString device = p.deviceModel == 0   ? t.text(408)
                           : p.deviceModel == 1 ? t.text(409)
                                                : Nothing;
    s.facts.append({t.text(406), device});
    s.facts.append(
        {t.text(411), QStringLiteral("%1 %2, %3 %4")
                          .arg(listText(ParGenLists::mbusBauds, p.mbusBaud), t.text(T_Baud),
                               t.text(414).trimmed(), parity(t, p.mbusParity))});
    s.facts.append(
        {t.text(416),
         QStringLiteral("%1, %2 %3, %4 %5, %6 %7")
             .arg(QString::fromUtf8(p.modbusRs232 == 1 ? ParGenLists::modbusSerials[0]
                                                       : ParGenLists::modbusSerials[1]),
                  listText(ParGenLists::modbusBauds, p.modbusBaud), t.text(T_Baud),
                  t.text(421).trimmed(), parity(t, p.modbusParity), t.text(427).trimmed(),
                  listText(ParGenLists::modbusProtocols, p.modbusProtocol))});
    s.facts.append({t.text(423), p.modbusTimeout});
    s.facts.append({t.text(425), p.modbusCyclicDelay});
    if (p.deviceModel == 1) {
        s.facts.append(
            {t.text(430), address(p.ethernetIp1, p.ethernetIp2, p.ethernetIp3, p.ethernetIp4)});
        s.facts.append({t.text(435), address(p.ethernetMask1, p.ethernetMask2, p.ethernetMask3,
                                             p.ethernetMask4)});
        s.facts.append({t.text(440), p.ethernetGatewayEnabled
                                         ? address(p.ethernetGateway1, p.ethernetGateway2,
                                                   p.ethernetGateway3, p.ethernetGateway4)
                                         : t.text(T_NotUsed)});
    }
    return s;
}

QString scaleText(const Variable& v) {
    const QString caption = CodingTables::scaleCaption(v.dataType, v.vife, v.scale);
    return caption.isEmpty() ? Nothing : caption;
}

// Unit 0 and VIFE 0 ("Not Selected") add nothing to a record.
QString codeText(const QStringList& list, qint32 position) {
    return position == 0 ? Nothing : CodingTables::captionAt(list, position);
}

// The table's column of the scale, whose formula must read as one.
constexpr int ScaleColumn = 3;
// The record columns' shares of the width in HTML, in percent: one layout for every node.
constexpr int RecordWidths[] = {5, 11, 10, 11, 9, 6, 5, 5, 4, 10, 24};
static_assert(std::size(RecordWidths) == 11);

// "1–4, 7, 12–13": sorted numbers as runs.
QString ranges(QList<int> numbers) {
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    QStringList runs;
    for (qsizetype i = 0; i < numbers.size();) {
        qsizetype j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1)
            ++j;
        runs << (j == i ? QString::number(numbers[i])
                        : QStringLiteral("%1\u2013%2").arg(numbers[i]).arg(numbers[j]));
        i = j + 1;
    }
    return runs.isEmpty() ? Nothing : runs.join(QStringLiteral(", "));
}

// The first page says what the document holds and in what state, before any detail.
QList<std::pair<QString, QString>> summary(const Input& input, const LanguageTable& t) {
    int onDevice = 0;
    int variables = 0;
    int enabled = 0;
    QList<int> primaries;
    QList<int> slaves;
    for (const Node& node : input.nodes) {
        primaries << node.primary;
        bool any = false;
        for (const Variable& v : node.variables) {
            ++variables;
            if (!v.enabled)
                continue;
            ++enabled;
            any = true;
            slaves << v.modbusSlave;
        }
        onDevice += any ? 1 : 0;
    }
    QList<std::pair<QString, QString>> facts;
    facts.append({t.text(T_Nodes), t.text(T_OnDevice).arg(input.nodes.size()).arg(onDevice)});
    facts.append({t.text(T_Variables), t.text(T_Enabled).arg(variables).arg(enabled)});
    facts.append({t.text(T_PrimaryAddresses), ranges(primaries)});
    facts.append({t.text(T_ModbusSlaves), ranges(slaves)});
    facts.append({t.text(T_Images), input.imagesMissing ? t.text(T_NotCompiled)
                                    : input.imagesStale ? t.text(T_Stale)
                                                        : t.text(T_UpToDate)});
    if (!input.historyOf.isEmpty()) {
        const QList<UpdateHistory::Record> records = UpdateHistory::list(input.historyOf);
        facts.append({t.text(T_LastUpdate),
                      records.isEmpty() ? t.text(T_NoneYet)
                                        : QStringLiteral("%1, %2").arg(
                                              UpdateHistory::dateText(records.first()),
                                              UpdateHistory::outcomeText(records.first(), t))});
    }
    return facts;
}

Section node(const Node& node, const LanguageTable& t) {
    Section s;
    s.title = t.text(T_Node).arg(node.primary);
    s.level = 3;
    s.facts.append({t.text(608).trimmed(), QString::number(node.primary)});
    s.facts.append({t.text(609).trimmed(), QString::number(node.secondary)});
    s.facts.append({t.text(607).trimmed(), node.description});
    if (node.variables.isEmpty()) {
        s.notes << t.text(T_NoVariables);
        return s;
    }
    s.table.header = {t.text(T_Record), t.text(624), t.text(625),           t.text(630),
                      t.text(626),      t.text(627), t.text(631),           t.text(632),
                      t.text(629),      t.text(633), t.text(T_ModbusSource)};
    for (QString& h : s.table.header)
        h = h.trimmed();
    int record = 0;
    for (const Variable& v : node.variables) {
        const QString dimension =
            v.dimension == CodingTables::VariableLengthDimension
                ? QStringLiteral("%1 (%2)")
                      .arg(CodingTables::captionAt(CodingTables::dimensions(), v.dimension))
                      .arg(v.length)
                : CodingTables::captionAt(CodingTables::dimensions(), v.dimension);
        // The stored protocol address, and beside it the number the meter's manual gives.
        const QString number = ModbusNumbering::describe(t, v.modbusType, v.modbusRegister);
        const QString address =
            number.isEmpty()
                ? QStringLiteral("%1 %2").arg(t.text(619).trimmed()).arg(v.modbusRegister)
                : t.text(NetworkTexts::AddressAndNumber).arg(v.modbusRegister).arg(number);
        const QString source =
            QStringLiteral("%1 %2, %3, %4, %5 %6, %7 %8")
                .arg(t.text(613).trimmed())
                .arg(v.modbusSlave)
                .arg(modbusTypeText(t, v.modbusType), address, t.text(620).trimmed())
                .arg(v.modbusCount)
                .arg(t.text(621).trimmed(), modbusSwapText(t, v.modbusSwap));
        s.table.rows.append(
            {v.enabled ? QString::number(++record) : t.text(T_Disabled), v.description,
             CodingTables::captionAt(CodingTables::typesOfData(), v.dataType), scaleText(v),
             CodingTables::captionAt(CodingTables::functionFields(), v.function), dimension,
             QString::number(v.storageNumber), QString::number(v.tariff),
             codeText(CodingTables::units(), v.unit), codeText(CodingTables::vifeEntries(), v.vife),
             source});
    }
    s.table.wholeColumns = {ScaleColumn};
    return s;
}

// Texts reach the Markdown as text: every character that could start emphasis, code, a link,
// an autolink, raw HTML or an entity is escaped ("&amp;", "*b*" and "[l](javascript:x)" stay
// as typed), and so is the table's separator. Line breaks would end the cell or the line.
QString markdownCell(const QString& text) {
    static const QString special = QStringLiteral("\\`*_[]<>&|~#");
    QString out;
    out.reserve(text.size() + text.size() / 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            out += QLatin1Char(' ');
            continue;
        }
        if (special.contains(c))
            out += QLatin1Char('\\');
        out += c;
    }
    return out;
}

QString markdownRow(const QStringList& cells) {
    QStringList escaped;
    for (const QString& cell : cells)
        escaped << markdownCell(cell);
    return QStringLiteral("| ") + escaped.join(QStringLiteral(" | ")) + QStringLiteral(" |\n");
}

QString html(const QString& text) {
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return escaped;
}

} // namespace

Gathered gather(const QString& configDir, const QDateTime& now, const QString& softwareVersion) {
    Gathered g;
    const QDir dir(configDir);
    g.input.configurationName = QFileInfo(QDir::cleanPath(dir.absolutePath())).fileName();
    g.input.date = now;
    g.input.softwareVersion = softwareVersion;

    const QString parGenPath = dir.filePath(QLatin1String(ParGenXml::FileName));
    const QString mbusPath = dir.filePath(QLatin1String(MBusXml::FileName));
    if (QFileInfo::exists(parGenPath)) {
        const GeneralParametersLoad loaded = loadGeneralParameters(parGenPath);
        if (!loaded.ok()) {
            g.error = loaded.error;
            return g;
        }
        g.input.parGen = loaded.value;
    }
    const NetworkLoad network = loadNetwork(mbusPath);
    if (!network.ok()) {
        g.error = network.error;
        return g;
    }
    g.input.nodes = network.nodes;
    g.input.historyOf = configDir;

    const QFileInfo bank(bankPath(configDir));
    const QFileInfo bank2(bank2Path(configDir));
    g.input.imagesMissing = !bank.exists() || !bank2.exists();
    if (!g.input.imagesMissing) {
        g.input.images = ImageSources::judgeConfiguration(configDir);
        g.input.imagesStale = !g.input.images.matches();
    }
    return g;
}

Document build(const Input& input, const LanguageTable& t) {
    Document d;
    d.title = t.text(T_Title).arg(input.configurationName);
    d.configurationName = input.configurationName;
    d.date = input.date.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    d.pageOfPages = t.text(T_PageOfPages);
    d.facts.append({t.text(T_Configuration), d.configurationName});
    d.facts.append({t.text(T_Date), d.date});
    d.facts.append({t.text(T_SoftwareVersion), input.softwareVersion});
    d.facts += summary(input, t);
    if (input.imagesMissing)
        d.notices << t.text(T_ImagesMissing);
    else if (input.imagesStale)
        d.notices << (ImageSources::text(input.images, t).isEmpty()
                          ? t.text(T_ImagesStale)
                          : ImageSources::text(input.images, t));

    d.sections.append(communication(input, t));
    Section network;
    network.title = t.text(T_Network);
    if (input.nodes.isEmpty())
        network.notes << t.text(T_NoNodes);
    d.sections.append(network);
    for (const Node& n : input.nodes)
        d.sections.append(node(n, t));

    const auto warnings = NetworkWarnings::findWarnings(input.nodes, t);
    if (!warnings.isEmpty()) {
        Section w;
        w.title = t.text(T_Warnings);
        for (const auto& warning : warnings)
            w.notes << warning.text;
        d.sections.append(w);
    }
    if (!input.historyOf.isEmpty()) {
        d.sections.append(changesSinceLastUpdate(input.historyOf, t));
        d.sections.append(pastUpdates(input.historyOf, t));
    }
    return d;
}

QString toMarkdown(const Document& d) {
    QString out = QStringLiteral("# ") + markdownCell(d.title) + QStringLiteral("\n\n");
    for (const auto& [label, value] : d.facts)
        out += QStringLiteral("- **%1:** %2\n")
                   .arg(markdownCell(label.trimmed()), markdownCell(value));
    for (const QString& notice : d.notices)
        out += QStringLiteral("\n> **%1**\n").arg(markdownCell(notice));
    for (const Section& s : d.sections) {
        out += QLatin1Char('\n') + QString(s.level, QLatin1Char('#')) + QLatin1Char(' ') +
               markdownCell(s.title) + QStringLiteral("\n");
        if (!s.lead.isEmpty())
            out += QLatin1Char('\n') + markdownCell(s.lead) + QLatin1Char('\n');
        if (!s.facts.isEmpty() || !s.table.header.isEmpty() || !s.notes.isEmpty())
            out += QLatin1Char('\n');
        for (const auto& [label, value] : s.facts)
            out += QStringLiteral("- **%1:** %2\n")
                       .arg(markdownCell(label.trimmed()), markdownCell(value));
        if (!s.facts.isEmpty() && (!s.table.header.isEmpty() || !s.notes.isEmpty()))
            out += QLatin1Char('\n');
        if (!s.table.header.isEmpty()) {
            out += markdownRow(s.table.header);
            out += QStringLiteral("|") + QStringLiteral("---|").repeated(s.table.header.size()) +
                   QLatin1Char('\n');
            for (const QStringList& row : s.table.rows)
                out += markdownRow(row);
        }
        for (const QString& note : s.notes)
            out += QStringLiteral("- ") + markdownCell(note) + QLatin1Char('\n');
    }
    return out;
}

QString toHtml(const Document& d) {
    QString out = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                                 "<title>%1</title>\n<style>"
                                 "body{font-family:sans-serif}"
                                 "table{border-collapse:collapse}"
                                 "th,td{border:1px solid #999;padding:2px 6px;text-align:left}"
                                 ".notice{color:#a00;font-weight:bold}"
                                 "table.records{width:100%;table-layout:fixed}"
                                 "td.whole{white-space:nowrap}"
                                 "</style></head>\n<body>\n")
                      .arg(html(d.title));
    out += QStringLiteral("<h1>%1</h1>\n").arg(html(d.title));
    auto facts = [](const QList<std::pair<QString, QString>>& list) {
        if (list.isEmpty())
            return QString();
        QString text = QStringLiteral("<table>\n");
        for (const auto& [label, value] : list)
            text += QStringLiteral("<tr><th>%1</th><td>%2</td></tr>\n")
                        .arg(html(label.trimmed()), html(value));
        return text + QStringLiteral("</table>\n");
    };
    out += facts(d.facts);
    for (const QString& notice : d.notices)
        out += QStringLiteral("<p class=\"notice\">%1</p>\n").arg(html(notice));
    for (const Section& s : d.sections) {
        out += QStringLiteral("<h%1>%2</h%1>\n").arg(s.level).arg(html(s.title));
        if (!s.lead.isEmpty())
            out += QStringLiteral("<p>%1</p>\n").arg(html(s.lead));
        out += facts(s.facts);
        if (!s.table.header.isEmpty()) {
            // Every node's records in one layout, so the tables read as one list.
            if (s.level == 3 && s.table.header.size() == qsizetype(std::size(RecordWidths))) {
                out += QStringLiteral("<p></p><table class=\"records\"><colgroup>");
                for (int width : RecordWidths)
                    out += QStringLiteral("<col style=\"width:%1%\">").arg(width);
                out += QStringLiteral("</colgroup>\n<tr>");
            } else {
                out += QStringLiteral("<p></p><table>\n<tr>");
            }
            for (const QString& h : s.table.header)
                out += QStringLiteral("<th>%1</th>").arg(html(h));
            out += QStringLiteral("</tr>\n");
            for (const QStringList& row : s.table.rows) {
                out += QStringLiteral("<tr>");
                for (qsizetype c = 0; c < row.size(); ++c)
                    out += s.table.wholeColumns.contains(int(c))
                               ? QStringLiteral("<td class=\"whole\">%1</td>").arg(html(row[c]))
                               : QStringLiteral("<td>%1</td>").arg(html(row[c]));
                out += QStringLiteral("</tr>\n");
            }
            out += QStringLiteral("</table>\n");
        }
        if (!s.notes.isEmpty()) {
            out += QStringLiteral("<ul>\n");
            for (const QString& note : s.notes)
                out += QStringLiteral("<li>%1</li>\n").arg(html(note));
            out += QStringLiteral("</ul>\n");
        }
    }
    return out + QStringLiteral("</body></html>\n");
}

} // namespace InstallationReport
