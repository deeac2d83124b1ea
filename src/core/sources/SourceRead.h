#pragma once

#include "core/sources/ReadPlan.h"
#include "core/sources/SourceConnection.h"

#include <QList>
#include <QString>
#include <atomic>
#include <functional>

namespace Sources {

// What became of one variable's source.
struct SourceResult {
    enum class Outcome {
        NotRead, // stopped before its request, or the connection could not be made
        Invalid, // the source is outside what Modbus allows (see SourceVariable::problem)
        Read,
        Timeout,   // no answer within the time-out
        Exception, // the slave answered with an exception
        CrcError,
        Failed, // any other failure; `detail` holds the library's message
    };
    Outcome outcome = Outcome::NotRead;
    int exception = 0; // the exception code
    QString detail;
    QList<quint16> registers;
    QList<quint8> bits;
};

// Why the connection could not be made.
struct OpenFailure {
    // NoAnswer: a TCP connection that never completed within the time-out.
    enum class Kind { None, Missing, Permission, Busy, NotSerial, Connect, NoAnswer, Other };
    Kind kind = Kind::None;
    QString detail; // the system's message
    bool failed() const { return kind != Kind::None; }
};

// The protocol's name of an exception code; every code has one ("Exception 0" included).
QString exceptionName(int code);

// What a serial port that would not open says about itself, from the system's error number.
OpenFailure serialOpenFailure(int error);

struct ReadRun {
    QList<SourceResult> results; // one per plan variable, same order
    OpenFailure openFailure;
    int requestsSent = 0;
    bool cancelled = false;
};

// Called after each request with the requests done and the requests planned (a group that
// is read again one variable at a time adds to both).
using Progress = std::function<void(int done, int total)>;

// Reads every source of the plan, read-only: only function codes 1 to 4 are ever sent. A
// request that times out fails all of its variables at once, so a silent slave costs one
// time-out per request. A grouped request answered with an exception (a gap or a part the
// slave does not map) is read again one variable at a time, so each variable gets its own
// answer. `cancel` is looked at between requests. Blocks; run it off the user-interface thread.
ReadRun readSources(const ReadPlan& plan, const Connection& connection,
                    const QList<ReadRequest>& requests, const Progress& progress = {},
                    const std::atomic_bool* cancel = nullptr);

// The same with the plan's own grouped requests.
ReadRun readSources(const ReadPlan& plan, const Connection& connection,
                    const Progress& progress = {}, const std::atomic_bool* cancel = nullptr);

} // namespace Sources
