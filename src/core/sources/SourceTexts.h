#pragma once

#include "core/sources/SourceRead.h"
#include "core/sources/SourceValues.h"

#include <QByteArray>
#include <QStringList>

class LanguageTable;

// The texts of a source test: the table the window shows, the clipboard, the CSV file and the
// command's output all come from here, so they always agree.
namespace Sources {

namespace Text {
inline constexpr int Title = 960;
inline constexpr int Serial = 961;
inline constexpr int Tcp = 962;
inline constexpr int SerialPort = 963;
inline constexpr int Address = 964;
inline constexpr int Read = 965;
inline constexpr int Stop = 966;
inline constexpr int Copy = 967;
inline constexpr int ColumnMarked = 968;
inline constexpr int Close = 969;
inline constexpr int ColumnNode = 970;
inline constexpr int ColumnVariable = 971;
inline constexpr int ColumnSource = 972;
inline constexpr int ColumnRaw = 973;
inline constexpr int ColumnResult = 974;
inline constexpr int Timeout = 975;
inline constexpr int Exception = 976;
inline constexpr int CrcError = 977;
inline constexpr int Invalid = 978;
inline constexpr int NotRead = 979;
inline constexpr int NotTestable = 980;
inline constexpr int PortNotOpened = 981;
inline constexpr int PortMissing = 982;
inline constexpr int PortPermission = 983;
inline constexpr int PortBusy = 984;
inline constexpr int PortNotSerial = 985;
inline constexpr int NoConnection = 986;
inline constexpr int Progress = 987;
inline constexpr int Summary = 988;
inline constexpr int BadAddress = 989;
inline constexpr int ConnectionNotCompleted = 914;
// Texts of other windows that mean the same here.
inline constexpr int Baud = 419;
inline constexpr int Parity = 421;
inline constexpr int TimeoutMs = 423;
inline constexpr int ReadOk = 602;
inline constexpr int SaveCsv = 703;
inline constexpr int NotWritten = 724;
} // namespace Text

// Columns: node, variable, source, result, raw, the six readings. The result comes early, so a
// failure is in sight without scrolling.
enum Column {
    ColNode,
    ColVariable,
    ColSource,
    ColResult,
    ColRaw,
    ColUnsigned16,
    ColSigned16,
    ColInt32HighFirst,
    ColInt32LowFirst,
    ColFloat32HighFirst,
    ColFloat32LowFirst,
    ColumnCount
};
Column columnOf(Reading reading);

struct ResultRow {
    QStringList cells; // ColumnCount texts
    int marked = -1;   // the column of the marked reading, -1 when nothing was read
    bool failed = false;
    QString mbus;         // what the M-Bus reading system will show
    QStringList warnings; // what is wrong with it
};

QStringList columnNames(const LanguageTable& texts);

// "1 Heat meter": the primary address before the description, which may be empty or repeat.
QString nodeText(const SourceVariable& variable);
// "ID 1 · Holding Register 0 (2)"
QString sourceText(const SourceVariable& variable, const LanguageTable& texts);
QString outcomeText(const SourceResult& result, const SourceVariable& variable, int timeoutMs,
                    const LanguageTable& texts);
QString openFailureText(const OpenFailure& failure, const Connection& connection,
                        const LanguageTable& texts);
// The message for a configuration whose serial line cannot be tested, naming its protocol.
QString notTestableText(int modbusProtocol, const LanguageTable& texts);

QList<ResultRow> resultRows(const ReadPlan& plan, const ReadRun& run, int timeoutMs,
                            const LanguageTable& texts);

// Tab-separated lines with a header, for the clipboard. A last column names the marked
// reading, so a spreadsheet shows it too.
QString rowsAsText(const QList<ResultRow>& rows, const LanguageTable& texts);
// The same as CSV, UTF-8 with a byte-order mark.
QByteArray rowsAsCsv(const QList<ResultRow>& rows, const LanguageTable& texts);
// One JSON object per variable, for scripts.
QByteArray runAsJson(const ReadPlan& plan, const ReadRun& run, const QList<ResultRow>& rows);

} // namespace Sources
