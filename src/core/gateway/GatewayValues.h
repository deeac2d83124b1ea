#pragma once

#include "core/gateway/MbusRecord.h"
#include "core/network/Network.h"
#include "core/sources/ReadPlan.h"
#include "core/sources/SourceConnection.h"
#include "core/sources/SourceRead.h"

#include <QHash>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <memory>

namespace Sources {
class SourceReadJob;
}

// The values the slaves serve: typed for an office without the Modbus devices, or read live
// from the Modbus sources at an interval.
namespace Gateway {

// (network position of the node, position of the variable in its list)
using VariableKey = QPair<int, int>;
using ValueMap = QHash<VariableKey, RecordValue>;

// A typed value: an integer, a number with a decimal point, or text (variable length). Empty
// text, or "error", is a failed value.
RecordValue typedValue(const QString& text);
// How a value reads in the log, the window and the command's output.
QString valueText(const RecordValue& value);

// A values file: one line per variable, its description and its value, separated by a comma,
// a semicolon or a tab (quotes allowed). Every enabled variable with that description takes
// the value. Fails with the line and what is wrong; a description that no variable has is an
// error too, so a typing slip does not go unnoticed.
struct ValuesFile {
    ValueMap values;
    QString error;
    bool ok() const { return error.isEmpty(); }
};
ValuesFile readValuesFile(const QString& path, const Network& network);

// A variable's reading as its record's value: the field the source fills, by the source
// test's rule (Sources::Mbus::fieldData). A source that could not be read is a failed value.
RecordValue valueOfReading(const Sources::SourceVariable& variable,
                           const Sources::SourceResult& result);

// Reads every enabled variable's source again and again, `intervalMs` after each reading ends.
// A source that could not be read is a failed value, never the last good one; until the first
// reading ends every value is failed.
class LiveValues : public QObject {
    Q_OBJECT
public:
    LiveValues(const Network& network, Sources::Connection connection, int intervalMs,
               QObject* parent = nullptr);
    ~LiveValues() override;

    void start();
    void stop();
    RecordValue value(int node, int variable) const;
    const ValueMap& values() const { return values_; }
    int readings() const { return readings_; }

signals:
    void updated();

private:
    void readNow();
    void finished();

    Sources::ReadPlan plan_;
    Sources::Connection connection_;
    int intervalMs_;
    ValueMap values_;
    int readings_ = 0;
    QTimer timer_;
    std::unique_ptr<Sources::SourceReadJob> job_;
};

} // namespace Gateway
