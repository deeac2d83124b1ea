#include "core/sources/SlaveScan.h"

#include <QRegularExpression>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <memory>
#include <modbus.h>

namespace Sources {

namespace {

struct ContextFree {
    void operator()(modbus_t* ctx) const {
        modbus_close(ctx);
        modbus_free(ctx);
    }
};
using Context = std::unique_ptr<modbus_t, ContextFree>;

OpenFailure failureOf(const Connection& c, int error) {
    if (c.kind == Connection::Kind::Serial)
        return serialOpenFailure(error);
    return OpenFailure{OpenFailure::Kind::Connect, QString::fromLocal8Bit(modbus_strerror(error))};
}

Context open(const Connection& c, OpenFailure& failure) {
    modbus_t* raw = c.kind == Connection::Kind::Serial
                        ? modbus_new_rtu(c.port.toLocal8Bit().constData(), c.baud, c.parity,
                                         c.dataBits, c.stopBits)
                        : modbus_new_tcp_pi(c.host.toUtf8().constData(),
                                            QByteArray::number(c.tcpPort).constData());
    if (!raw) {
        failure = failureOf(c, errno);
        return nullptr;
    }
    Context ctx(raw);
    const uint32_t ms = uint32_t(c.timeoutMs);
    modbus_set_response_timeout(ctx.get(), ms / 1000, (ms % 1000) * 1000);
    // A slave that drips its answer must not hold one id for longer than the time-out.
    modbus_set_byte_timeout(ctx.get(), ms / 1000, (ms % 1000) * 1000);
    if (modbus_connect(ctx.get()) != 0) {
        failure = failureOf(c, errno);
        return nullptr;
    }
    return ctx;
}

// One read of holding register 0, sent raw so that the answer's unit id can be checked: a
// TCP bridge may answer for another slave than the one asked.
ScanAnswer ask(modbus_t* ctx, int id) {
    ScanAnswer answer;
    answer.id = id;
    modbus_set_slave(ctx, id);
    modbus_flush(ctx);
    const uint8_t request[] = {uint8_t(id), 0x03, 0x00, 0x00, 0x00, 0x01};
    if (modbus_send_raw_request(ctx, request, int(sizeof request)) < 0) {
        answer.kind = ScanAnswer::Kind::Failed;
        answer.detail = QString::fromLocal8Bit(modbus_strerror(errno));
        return answer;
    }
    uint8_t reply[MODBUS_MAX_ADU_LENGTH];
    const int length = modbus_receive_confirmation(ctx, reply);
    if (length < 0) {
        answer.kind = errno == ETIMEDOUT ? ScanAnswer::Kind::Timeout : ScanAnswer::Kind::Failed;
        answer.detail = QString::fromLocal8Bit(modbus_strerror(errno));
        return answer;
    }
    const int header = modbus_get_header_length(ctx);
    if (length < header + 2 || reply[header - 1] != id) {
        answer.kind = ScanAnswer::Kind::Failed;
        answer.detail = length >= header
                            ? QStringLiteral("answer from id %1").arg(reply[header - 1])
                            : QStringLiteral("short answer");
        return answer;
    }
    const int function = reply[header];
    if (function == 0x83) {
        answer.kind = ScanAnswer::Kind::Exception;
        answer.exception = reply[header + 1];
        answer.detail = QString::fromLocal8Bit(modbus_strerror(MODBUS_ENOBASE + answer.exception));
    } else if (function == 0x03 && length >= header + 4 && reply[header + 1] == 2) {
        answer.kind = ScanAnswer::Kind::Data;
        answer.value = quint16((reply[header + 2] << 8) | reply[header + 3]);
    } else {
        answer.kind = ScanAnswer::Kind::Failed;
        answer.detail = QStringLiteral("unexpected function %1").arg(function);
    }
    return answer;
}

} // namespace

namespace {

// A read of one register: 8 bytes out, at most 7 back (an exception is 5), each frame after a
// silence of 3.5 characters.
constexpr int RequestBytes = 8, LongestAnswerBytes = 7;
constexpr double SilenceCharacters = 3.5;
// Measured on loopback at well under 0.5 ms per id, sanitizers included.
constexpr qint64 HandlingUs = 1000;
// Opening a serial port or a socket, before a TCP connect's own wait.
constexpr qint64 OpenUs = 100'000;

} // namespace

qint64 scanIdBoundUs(const Connection& c) {
    qint64 line = 0;
    if (c.kind == Connection::Kind::Serial && c.baud > 0) {
        const int bitsPerCharacter = 1 + c.dataBits + (c.parity == 'N' ? 0 : 1) + c.stopBits;
        const double characters = RequestBytes + LongestAnswerBytes + 2 * SilenceCharacters;
        line = qint64(std::ceil(characters * bitsPerCharacter * 1e6 / c.baud));
    }
    return qint64(c.timeoutMs) * 1000 + line + HandlingUs;
}

qint64 scanBoundMs(const Connection& c, int first, int last) {
    if (last < first)
        return 0;
    const qint64 open = OpenUs + (c.kind == Connection::Kind::Tcp ? qint64(c.timeoutMs) * 1000 : 0);
    const qint64 us = open + qint64(last - first + 1) * scanIdBoundUs(c);
    return (us + 999) / 1000;
}

ScanRun scanSlaves(const Connection& connection, int first, int last, const Progress& progress,
                   const std::atomic_bool* cancel) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(scanBoundMs(connection, first, last));
    const std::chrono::microseconds perId(scanIdBoundUs(connection));
    ScanRun run;
    Context ctx = open(connection, run.openFailure);
    if (!ctx)
        return run;
    const int total = std::max(0, last - first + 1);
    for (int id = first; id <= last; ++id) {
        if (cancel && cancel->load()) {
            run.cancelled = true;
            break;
        }
        // The bound was shown as a promise: ids that no longer fit are said to be unasked.
        if (Clock::now() + perId > deadline) {
            for (int rest = id; rest <= last; ++rest) {
                ScanAnswer skipped;
                skipped.id = rest;
                skipped.kind = ScanAnswer::Kind::NotAsked;
                run.answers.append(skipped);
            }
            break;
        }
        run.answers.append(ask(ctx.get(), id));
        if (progress)
            progress(id - first + 1, total);
    }
    return run;
}

QList<int> configuredIds(const ReadPlan& plan) {
    QList<int> ids;
    for (const SourceVariable& v : plan.variables)
        if (v.problem == Problem::None && !ids.contains(v.slave))
            ids.append(v.slave);
    std::sort(ids.begin(), ids.end());
    return ids;
}

ScanComparison compareScan(const ScanRun& run, const QList<int>& configured) {
    ScanComparison c;
    c.configured = configured;
    QList<int> present;
    for (const ScanAnswer& a : run.answers)
        if (a.answers())
            present.append(a.id);
    for (int id : configured)
        if (!present.contains(id))
            c.missing.append(id);
    for (int id : present)
        if (!configured.contains(id))
            c.unused.append(id);
    return c;
}

QString scanDetail(const ScanAnswer& a) {
    switch (a.kind) {
    case ScanAnswer::Kind::Data:
        return QStringLiteral("data 0x") +
               QStringLiteral("%1").arg(a.value, 4, 16, QLatin1Char('0')).toUpper();
    case ScanAnswer::Kind::Exception:
        return QStringLiteral("exception %1").arg(a.exception);
    case ScanAnswer::Kind::Timeout:
        return QStringLiteral("time-out");
    case ScanAnswer::Kind::Failed:
        return QStringLiteral("failed: ") + a.detail;
    case ScanAnswer::Kind::NotAsked:
        return QStringLiteral("not asked");
    }
    return QString();
}

std::optional<std::pair<int, int>> parseIdRange(const QString& text) {
    static const QRegularExpression range(QStringLiteral(R"(^(\d{1,3})-(\d{1,3})$)"));
    const QRegularExpressionMatch m = range.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const int first = m.captured(1).toInt(), last = m.captured(2).toInt();
    if (first < ScanFirstId || last > ScanLastId || first > last)
        return std::nullopt;
    return std::pair{first, last};
}

} // namespace Sources
