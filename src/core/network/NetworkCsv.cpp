#include "core/network/NetworkCsv.h"

#include "common/NumberRule.h"
#include "common/XmlChars.h"
#include "core/lang/LanguageTable.h"
#include "core/network/CodingTables.h"
#include "core/network/ModbusNumbering.h"
#include "core/network/NetworkPanels.h"
#include "core/network/NetworkRules.h"
#include "core/network/NetworkTexts.h"

#include <QByteArrayView>
#include <QHash>
#include <algorithm>
#include <csv.h>
#include <functional>
#include <memory>
#include <utility>

namespace NetworkCsv {

namespace {

enum Column {
    Col_NodePri,
    Col_NodeSec,
    Col_NodeDesc,
    Col_Enable,
    Col_Desc,
    Col_Type,
    Col_Scale,
    Col_FunField,
    Col_Dim,
    Col_Length,
    Col_Unit,
    Col_StoNumber,
    Col_Tariff,
    Col_Vife,
    Col_ModId,
    Col_ModToD,
    Col_ModReg,
    Col_ModPoints,
    Col_ModSwap,
    Col_Count
};
static_assert(Col_Count == NetworkTexts::CsvColumnCount);

// The column export writes beside the register and import passes over.
constexpr int Col_RegisterNumber = -2;

// Texts of the language table for the failures the editor has no message for.
constexpr int Msg_NotUtf8 = 710;
constexpr int Msg_NoHeader = 711;
constexpr int Msg_UnknownColumn = 712;
constexpr int Msg_MissingColumn = 713;
constexpr int Msg_RepeatedColumn = 714;
constexpr int Msg_FieldCount = 715;
constexpr int Msg_NoSuchEntry = 716;
constexpr int Msg_Enable = 717;
constexpr int Msg_NodeDiffers = 718;
constexpr int Msg_Malformed = 719;
constexpr int Msg_Where = 720;
constexpr int Msg_Line = 721;

const QByteArray Utf8Bom("\xEF\xBB\xBF");

// Spreadsheets run a cell that starts with one of these as a formula, quoted or not.
bool startsFormula(QStringView text) {
    static const QString Starters = QStringLiteral("=+-@\t\r");
    while (text.startsWith(QLatin1Char('\'')))
        text = text.mid(1);
    return !text.isEmpty() && Starters.contains(text.front());
}

// Such a cell is written behind an apostrophe, which spreadsheets take as "text follows" and
// do not show. A cell that already starts with apostrophes before such a character gets one
// more, so reading removes exactly one and every text comes back as it was.
QString protectCell(const QString& text) {
    return startsFormula(text) ? QLatin1Char('\'') + text : text;
}

QString unprotectCell(QString text) {
    if (text.startsWith(QLatin1Char('\'')) && startsFormula(text))
        text.remove(0, 1);
    return text;
}

QByteArray csvField(const QString& text) {
    const QByteArray utf8 = protectCell(text).toUtf8();
    // Every field is quoted, so blanks at the ends of captions survive.
    QByteArray out(int(utf8.size()) * 2 + 2, Qt::Uninitialized);
    const size_t written =
        csv_write(out.data(), size_t(out.size()), utf8.constData(), size_t(utf8.size()));
    out.truncate(qsizetype(written));
    return out;
}

void appendRow(QByteArray& out, const QStringList& fields, char separator) {
    for (int i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += separator;
        out += csvField(fields[i]);
    }
    out += "\r\n";
}

// --- reading ---------------------------------------------------------------------------

struct Row {
    int line = 0;       // physical line where the row starts
    QStringList fields; // as many as the header has; further ones are only counted
    int fieldCount = 0;
};

// Blanks are part of a field: captions may end in one.
int noSpace(unsigned char) {
    return 0;
}

char detectSeparator(QByteArrayView firstLine) {
    const qsizetype semicolons = firstLine.count(';');
    const qsizetype commas = firstLine.count(',');
    const qsizetype tabs = firstLine.count('\t');
    if (semicolons > commas && semicolons >= tabs)
        return ';';
    if (tabs > commas)
        return '\t';
    return ',';
}

// A list column's captions: the fixed M-Bus lists have one set, the Modbus lists one per
// language, the program's own language first.
using Captions = QList<QStringList>;

class Importer {
public:
    Importer(const LanguageTable& texts, const QList<LanguageTable>& languages)
        : texts_(texts), types_{CodingTables::typesOfData()},
          functions_{CodingTables::functionFields()}, dimensions_{CodingTables::dimensions()},
          units_{CodingTables::units()}, vifes_{CodingTables::vifeEntries()} {
        addLanguage(texts);
        for (const LanguageTable& language : languages)
            addLanguage(language);
        // English is always understood, as the built-in texts.
        addLanguage(LanguageTable());
    }

    ImportResult run(const QByteArray& bytes);

private:
    static void onField(void* data, size_t size, void* target);
    static void onRowEnd(int, void* target);
    // Every row is checked as soon as it is complete; the first failure stops the reading.
    void rowComplete();

    bool readHeader(const Row& row);
    bool readRow(const Row& row);
    bool readNode(const Row& row, int& nodeIndex);
    bool readVariable(const Row& row, Node& node);
    bool listField(const Row& row, Column column, const Captions& lists, qint32& position);
    void addLanguage(const LanguageTable& language);

    const QString& field(const Row& row, Column column) const {
        return row.fields[positions_[column]];
    }
    bool fail(const Row& row, Column column, const QString& what) {
        // The column as the file names it.
        error_ = texts_.text(Msg_Where)
                     .arg(row.line)
                     .arg(positions_[column] + 1)
                     .arg(headerNames_.value(positions_[column]), what);
        return false;
    }
    bool failLine(int line, const QString& what) {
        error_ = texts_.text(Msg_Line).arg(line).arg(what);
        return false;
    }

    const LanguageTable& texts_;
    const Captions types_;
    const Captions functions_;
    const Captions dimensions_;
    const Captions units_;
    const Captions vifes_;
    Captions modbusTypes_;
    Captions swaps_;
    QHash<QString, int> columnByName_; // the first language naming a column wins
    QStringList headerNames_;
    int positions_[Col_Count] = {};
    int fieldCount_ = 0;
    bool headerRead_ = false;
    bool stopped_ = false;
    Row row_;
    int rowStart_ = 0;
    int rowsEnded_ = 0;
    Network nodes_;
    QHash<qint32, int> nodeByPrimary_;
    QHash<int, int> firstLineOfNode_;
    QString error_;
};

// A line ends at LF, CR or CR LF, as spreadsheet programs of every platform write them.
qsizetype lineEnd(const char* data, qsizetype start, qsizetype size) {
    for (qsizetype i = start; i < size; ++i) {
        if (data[i] == '\n')
            return i + 1;
        if (data[i] == '\r')
            return i + 1 < size && data[i + 1] == '\n' ? i + 2 : i + 1;
    }
    return size;
}

bool onlyLineEnd(const char* data, qsizetype size) {
    return std::all_of(data, data + size, [](char c) { return c == '\n' || c == '\r'; });
}

void Importer::onField(void* data, size_t size, void* target) {
    auto* importer = static_cast<Importer*>(target);
    if (importer->stopped_)
        return;
    Row& row = importer->row_;
    // Past the header's count a field is only counted: a row of many fields costs nothing.
    if (!importer->headerRead_ || row.fieldCount < importer->fieldCount_)
        row.fields << unprotectCell(
            XmlChars::fromUtf8(static_cast<const char*>(data), qsizetype(size)));
    ++row.fieldCount;
}

void Importer::onRowEnd(int, void* target) {
    auto* importer = static_cast<Importer*>(target);
    if (!importer->stopped_)
        importer->rowComplete();
    importer->row_ = Row{};
    ++importer->rowsEnded_;
}

void Importer::rowComplete() {
    row_.line = rowStart_;
    if (!headerRead_) {
        headerRead_ = true;
        stopped_ = !readHeader(row_);
    } else {
        stopped_ = !readRow(row_);
    }
}

ImportResult Importer::run(const QByteArray& input) {
    const qsizetype bom = input.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
    const char* data = input.constData() + bom;
    const qsizetype size = input.size() - bom;
    // Checked without a decoded copy; every field is decoded exactly, a NUL included.
    if (!QByteArrayView(data, size).isValidUtf8())
        return {{}, texts_.text(Msg_NotUtf8)};

    const qsizetype firstEnd = lineEnd(data, 0, size);
    const char separator = detectSeparator(QByteArrayView(data, firstEnd));

    csv_parser parser;
    if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0)
        return {{}, QString::fromLatin1(csv_strerror(CSV_ENOMEM))};
    const std::unique_ptr<csv_parser, void (*)(csv_parser*)> guard(&parser, csv_free);
    csv_set_delim(&parser, static_cast<unsigned char>(separator));
    csv_set_space_func(&parser, noSpace);

    // Fed line by line, so every row knows the line it starts on, also when a quoted
    // description holds line breaks. The parser skips lines that are empty.
    int line = 1;
    bool rowOpen = false;
    for (qsizetype start = 0; start < size && !stopped_; ++line) {
        const qsizetype end = lineEnd(data, start, size);
        const size_t length = size_t(end - start);
        if (!rowOpen && !onlyLineEnd(data + start, qsizetype(length))) {
            rowStart_ = line;
            rowOpen = true;
        }
        int rowsBefore = rowsEnded_;
        if (csv_parse(&parser, data + start, length, onField, onRowEnd, this) != length)
            return {{}, texts_.text(Msg_Line).arg(line).arg(texts_.text(Msg_Malformed))};
        if (rowsEnded_ != rowsBefore)
            rowOpen = false;
        start = end;
    }
    if (!stopped_ && csv_fini(&parser, onField, onRowEnd, this) != 0)
        return {{}, texts_.text(Msg_Line).arg(rowStart_).arg(texts_.text(Msg_Malformed))};
    if (!error_.isEmpty())
        return {{}, error_};
    if (!headerRead_)
        return {{}, texts_.text(Msg_NoHeader)};
    return {nodes_, {}};
}

void Importer::addLanguage(const LanguageTable& language) {
    QStringList names = columnNames(language);
    names << language.text(NetworkTexts::CsvRegisterNumberColumn);
    for (int column = 0; column < names.size(); ++column)
        if (!columnByName_.contains(names[column]))
            columnByName_.insert(names[column], column < Col_Count ? column : Col_RegisterNumber);
    const QStringList types = modbusTypeTexts(language);
    if (!modbusTypes_.contains(types))
        modbusTypes_.append(types);
    const QStringList swaps = modbusSwapTexts(language);
    if (!swaps_.contains(swaps))
        swaps_.append(swaps);
}

bool Importer::readHeader(const Row& row) {
    std::fill(std::begin(positions_), std::end(positions_), -1);
    fieldCount_ = row.fieldCount;
    headerNames_ = row.fields;
    bool numberSeen = false;
    for (int i = 0; i < row.fields.size(); ++i) {
        const int column = columnByName_.value(row.fields[i], -1);
        if (column == -1)
            return failLine(row.line, texts_.text(Msg_UnknownColumn).arg(row.fields[i]));
        if (column == Col_RegisterNumber) {
            // Written for the reader of the file; the register column is the one that counts.
            if (std::exchange(numberSeen, true))
                return failLine(row.line, texts_.text(Msg_RepeatedColumn).arg(row.fields[i]));
            continue;
        }
        if (positions_[column] >= 0)
            return failLine(row.line, texts_.text(Msg_RepeatedColumn).arg(row.fields[i]));
        positions_[column] = i;
    }
    for (int column = 0; column < Col_Count; ++column)
        if (positions_[column] < 0)
            return failLine(row.line,
                            texts_.text(Msg_MissingColumn).arg(columnNames(texts_)[column]));
    return true;
}

bool Importer::readRow(const Row& row) {
    if (row.fieldCount != fieldCount_)
        return failLine(row.line, texts_.text(Msg_FieldCount).arg(row.fieldCount).arg(fieldCount_));
    int nodeIndex = -1;
    if (!readNode(row, nodeIndex))
        return false;
    bool variableEmpty = true;
    for (int column = Col_Enable; column < Col_Count; ++column)
        variableEmpty = variableEmpty && field(row, Column(column)).isEmpty();
    return variableEmpty || readVariable(row, nodes_[nodeIndex]);
}

bool Importer::readNode(const Row& row, int& nodeIndex) {
    const auto primary = NumberRule::toInt32(field(row, Col_NodePri));
    const auto secondary = NumberRule::toInt32(field(row, Col_NodeSec));
    const auto known = primary ? nodeByPrimary_.constFind(*primary) : nodeByPrimary_.cend();
    if (known != nodeByPrimary_.cend()) {
        const Node& node = nodes_[*known];
        const QString& description = field(row, Col_NodeDesc);
        const int firstLine = firstLineOfNode_.value(*known);
        if (!secondary || *secondary != node.secondary)
            return fail(row, Col_NodeSec, texts_.text(Msg_NodeDiffers).arg(firstLine));
        if (description != node.description)
            return fail(row, Col_NodeDesc, texts_.text(Msg_NodeDiffers).arg(firstLine));
        nodeIndex = *known;
        return true;
    }
    // The editor's order: the limit before the fields.
    if (!NetworkRules::canAddNode(nodes_.size()))
        return fail(row, Col_NodePri, texts_.text(NetworkMessages::MaxNodes));
    const QList<int> failures = NetworkRules::nodeAddressFailures(
        NumberRule::toInt64(field(row, Col_NodePri)), NumberRule::toInt64(field(row, Col_NodeSec)),
        field(row, Col_NodeDesc));
    if (!failures.isEmpty()) {
        static const QHash<int, Column> columnOf = {
            {NetworkMessages::PrimaryAddress, Col_NodePri},
            {NetworkMessages::SecondaryAddress, Col_NodeSec},
            {NetworkMessages::NodeDescriptionChars, Col_NodeDesc},
        };
        return fail(row, columnOf.value(failures.first()), texts_.text(failures.first()));
    }
    Node node;
    node.primary = *primary;
    node.secondary = *secondary;
    node.description = field(row, Col_NodeDesc);
    nodeIndex = int(nodes_.size());
    nodes_.append(node);
    nodeByPrimary_.insert(node.primary, nodeIndex);
    firstLineOfNode_.insert(nodeIndex, row.line);
    return true;
}

bool Importer::listField(const Row& row, Column column, const Captions& lists, qint32& position) {
    const QString& text = field(row, column);
    for (const QStringList& list : lists) {
        const qsizetype found = list.indexOf(text);
        if (found >= 0) {
            position = qint32(found);
            return true;
        }
    }
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    if (isNumber && number >= 0 && number < lists.first().size() &&
        text == QString::number(number)) {
        position = number;
        return true;
    }
    return fail(row, column, texts_.text(Msg_NoSuchEntry).arg(text));
}

bool Importer::readVariable(const Row& row, Node& node) {
    if (!NetworkRules::canAddVariable(node.variables.size()))
        return fail(row, Col_Desc, texts_.text(NetworkMessages::MaxVariables));

    // The row fills a variable panel as the user would, so the editor's own checks and its
    // way of storing the values apply.
    VariablePanel panel;
    const QString& enable = field(row, Col_Enable);
    if (enable != QStringLiteral("1") && enable != QStringLiteral("0"))
        return fail(row, Col_Enable, texts_.text(Msg_Enable));
    panel.enable = enable == QStringLiteral("1");
    panel.description = field(row, Col_Desc);
    if (!listField(row, Col_Type, types_, panel.type) ||
        !listField(row, Col_FunField, functions_, panel.functionField) ||
        !listField(row, Col_Dim, dimensions_, panel.dimension) ||
        !listField(row, Col_Unit, units_, panel.unit) ||
        !listField(row, Col_Vife, vifes_, panel.vife) ||
        !listField(row, Col_ModToD, modbusTypes_, panel.modToD) ||
        !listField(row, Col_ModSwap, swaps_, panel.modSwap))
        return false;
    panel.scale.selected = -1;
    const auto scales = CodingTables::scaleListFor(panel.type, panel.vife);
    if (!scales) {
        if (!field(row, Col_Scale).isEmpty())
            return fail(row, Col_Scale, texts_.text(Msg_NoSuchEntry).arg(field(row, Col_Scale)));
    } else if (!listField(row, Col_Scale, {*scales}, panel.scale.selected)) {
        return false;
    }
    panel.slaveId = field(row, Col_ModId);
    panel.modbusRegister = field(row, Col_ModReg);
    panel.points = field(row, Col_ModPoints);
    panel.length = field(row, Col_Length);
    panel.storageNumber = field(row, Col_StoNumber);
    panel.tariff = field(row, Col_Tariff);

    const QList<int> failures = NetworkRules::variableFailures(panelNumbers(panel));
    if (!failures.isEmpty()) {
        static const QHash<int, Column> columnOf = {
            {NetworkMessages::SlaveId, Col_ModId},
            {NetworkMessages::Register, Col_ModReg},
            {NetworkMessages::Points, Col_ModPoints},
            {NetworkMessages::Length, Col_Length},
            {NetworkMessages::StorageNumber, Col_StoNumber},
            {NetworkMessages::Tariff, Col_Tariff},
            {NetworkMessages::VariableDescriptionChars, Col_Desc},
        };
        return fail(row, columnOf.value(failures.first(), Col_Desc), texts_.text(failures.first()));
    }
    node.variables.append(variableFromPanel(panel));
    return true;
}

} // namespace

QStringList columnNames(const LanguageTable& texts) {
    QStringList names;
    for (int column = 0; column < Col_Count; ++column)
        names << texts.text(NetworkTexts::CsvColumnFirst + column);
    return names;
}

char separatorFor(const LanguageTable& texts) {
    return texts.text(NetworkTexts::DecimalSeparator).trimmed() == QStringLiteral(",") ? ';' : ',';
}

QByteArray exportNetwork(const Network& nodes, const LanguageTable& texts) {
    using CodingTables::captionAt;
    const QStringList mbTypes = modbusTypeTexts(texts);
    const QStringList swaps = modbusSwapTexts(texts);
    const char separator = separatorFor(texts);
    // The number as manuals write it follows the register, for the reader only.
    const int numberAt = Col_ModReg + 1;
    QStringList header = columnNames(texts);
    header.insert(numberAt, texts.text(NetworkTexts::CsvRegisterNumberColumn));
    QByteArray out = Utf8Bom;
    appendRow(out, header, separator);
    for (const Node& node : nodes) {
        const QStringList nodeFields = {QString::number(node.primary),
                                        QString::number(node.secondary), node.description};
        if (node.variables.isEmpty()) {
            QStringList fields = nodeFields;
            while (fields.size() < header.size())
                fields << QString();
            appendRow(out, fields, separator);
            continue;
        }
        for (const Variable& v : node.variables) {
            QStringList fields =
                nodeFields + QStringList{
                                 v.enabled ? QStringLiteral("1") : QStringLiteral("0"),
                                 v.description,
                                 captionAt(CodingTables::typesOfData(), v.dataType),
                                 CodingTables::scaleCaption(v.dataType, v.vife, v.scale),
                                 captionAt(CodingTables::functionFields(), v.function),
                                 captionAt(CodingTables::dimensions(), v.dimension),
                                 QString::number(v.length),
                                 captionAt(CodingTables::units(), v.unit),
                                 QString::number(v.storageNumber),
                                 QString::number(v.tariff),
                                 captionAt(CodingTables::vifeEntries(), v.vife),
                                 QString::number(v.modbusSlave),
                                 captionAt(mbTypes, v.modbusType),
                                 QString::number(v.modbusRegister),
                                 QString::number(v.modbusCount),
                                 captionAt(swaps, v.modbusSwap),
                             };
            fields.insert(numberAt, ModbusNumbering::manualNumber(v.modbusType, v.modbusRegister));
            appendRow(out, fields, separator);
        }
    }
    return out;
}

ImportResult importNetwork(const QByteArray& bytes, const LanguageTable& texts,
                           const QList<LanguageTable>& languages) {
    return Importer(texts, languages).run(bytes);
}

} // namespace NetworkCsv
