#include "core/sources/SourceRead.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <modbus.h>
#include <poll.h>
#include <unistd.h>

namespace Sources {

namespace {

struct ContextFree {
    void operator()(modbus_t* ctx) const {
        modbus_close(ctx);
        modbus_free(ctx);
    }
};
using Context = std::unique_ptr<modbus_t, ContextFree>;

QString systemMessage(int error) {
    return QString::fromLocal8Bit(modbus_strerror(error));
}

} // namespace

QString exceptionName(int code) {
    // The names the protocol gives; a code it leaves open is still named.
    switch (code) {
    case 1:
        return QStringLiteral("Illegal function");
    case 2:
        return QStringLiteral("Illegal data address");
    case 3:
        return QStringLiteral("Illegal data value");
    case 4:
        return QStringLiteral("Slave device or server failure");
    case 5:
        return QStringLiteral("Acknowledge");
    case 6:
        return QStringLiteral("Slave device or server is busy");
    case 7:
        return QStringLiteral("Negative acknowledge");
    case 8:
        return QStringLiteral("Memory parity error");
    case 10:
        return QStringLiteral("Gateway path unavailable");
    case 11:
        return QStringLiteral("Target device failed to respond");
    default:
        return QStringLiteral("Exception %1").arg(code);
    }
}

OpenFailure serialOpenFailure(int error) {
    OpenFailure failure;
    failure.detail = systemMessage(error);
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        failure.kind = OpenFailure::Kind::Missing;
        break;
    case EACCES:
    case EPERM:
        failure.kind = OpenFailure::Kind::Permission;
        break;
    case EBUSY:
        failure.kind = OpenFailure::Kind::Busy;
        break;
    case ENOTTY:
        failure.kind = OpenFailure::Kind::NotSerial;
        break;
    default:
        failure.kind = OpenFailure::Kind::Other;
    }
    return failure;
}

namespace {

OpenFailure openFailureOf(const Connection& connection, int error) {
    if (connection.kind == Connection::Kind::Serial)
        return serialOpenFailure(error);
    return OpenFailure{OpenFailure::Kind::Connect, systemMessage(error)};
}

Context openContext(const Connection& c, OpenFailure& failure) {
    modbus_t* raw = nullptr;
    if (c.kind == Connection::Kind::Serial) {
        raw = modbus_new_rtu(c.port.toLocal8Bit().constData(), c.baud, c.parity, c.dataBits,
                             c.stopBits);
    } else {
        raw = modbus_new_tcp_pi(c.host.toUtf8().constData(),
                                QByteArray::number(c.tcpPort).constData());
    }
    if (!raw) {
        failure = openFailureOf(c, errno);
        return nullptr;
    }
    // modbus_close on a context that never opened is harmless for both back ends.
    Context ctx(raw);
    const int ms = c.timeoutMs;
    modbus_set_response_timeout(ctx.get(), uint32_t(ms / 1000), uint32_t(ms % 1000) * 1000);
    if (modbus_connect(ctx.get()) != 0) {
        const int error = errno;
        failure = openFailureOf(c, error);
        // The library gives up on a connection still in progress at its time-out.
        if (c.kind == Connection::Kind::Tcp && (error == EINPROGRESS || error == ETIMEDOUT))
            failure = OpenFailure{OpenFailure::Kind::NoAnswer,
                                  QStringLiteral("no connection within %1 ms").arg(ms)};
        // A serial port that did open (only its settings failed) must be closed again.
        return nullptr;
    }
    return ctx;
}

struct Answer {
    SourceResult::Outcome outcome = SourceResult::Outcome::Read;
    int exception = 0;
    QString detail;
    QList<quint16> registers;
    QList<quint8> bits;
};

using Clock = std::chrono::steady_clock;

// Reads exactly `size` bytes before `deadline`: the time-out bounds the whole answer, not each
// byte, so a slave that drips its answer cannot hold a request longer. 0, or an errno.
int readBefore(int fd, uint8_t* into, int size, Clock::time_point deadline) {
    int got = 0;
    while (got < size) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return ETIMEDOUT;
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, int(std::min<long long>(left, 60000)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            return errno;
        if (ready == 0)
            continue; // the loop sees the deadline
        const ssize_t n = ::read(fd, into + got, size_t(size - got));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return ECONNRESET;
        got += int(n);
    }
    return 0;
}

int writeAll(int fd, const QByteArray& bytes) {
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + sent, size_t(bytes.size() - sent));
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n < 0)
            return errno;
        sent += n;
    }
    return 0;
}

quint16 crc16(const uint8_t* bytes, int size) {
    quint16 crc = 0xFFFF;
    for (int i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

Answer failed(SourceResult::Outcome outcome, const QString& detail) {
    Answer answer;
    answer.outcome = outcome;
    answer.detail = detail;
    return answer;
}

Answer fromError(int error) {
    if (error == ETIMEDOUT)
        return failed(SourceResult::Outcome::Timeout, systemMessage(error));
    return failed(SourceResult::Outcome::Failed, systemMessage(error));
}

// The function's data once the frame is taken apart: an exception, or the values.
Answer fromPdu(const ReadRequest& r, const uint8_t* pdu, int size) {
    if (size >= 2 && pdu[0] == (r.function | 0x80)) {
        Answer answer;
        answer.outcome = SourceResult::Outcome::Exception;
        answer.exception = pdu[1];
        answer.detail = exceptionName(pdu[1]);
        return answer;
    }
    const int expected = (r.function == 1 || r.function == 2) ? (r.count + 7) / 8 : 2 * r.count;
    if (size != 2 + expected || pdu[0] != r.function || pdu[1] != expected)
        return failed(SourceResult::Outcome::Failed, systemMessage(EMBBADDATA));
    Answer answer;
    if (r.function == 1 || r.function == 2) {
        for (int i = 0; i < r.count; ++i)
            answer.bits.append(quint8((pdu[2 + i / 8] >> (i % 8)) & 1));
    } else {
        for (int i = 0; i < r.count; ++i)
            answer.registers.append(quint16(pdu[2 + 2 * i] << 8 | pdu[3 + 2 * i]));
    }
    return answer;
}

QString otherUnit(int answered, int asked) {
    return QStringLiteral("the answer came from unit %1, not from unit %2")
        .arg(answered)
        .arg(asked);
}

// One request, framed and taken apart here rather than by the library: its TCP reading takes
// an answer of any unit, and it bounds each byte rather than the answer.
Answer ask(modbus_t* ctx, const Connection& c, const ReadRequest& r, quint16 transaction) {
    // Left-over bytes of an earlier broken answer must not be taken for this one.
    modbus_flush(ctx);
    const int fd = modbus_get_socket(ctx);
    QByteArray pdu;
    pdu.append(char(r.function));
    pdu.append(char(r.address >> 8)).append(char(r.address & 0xFF));
    pdu.append(char(r.count >> 8)).append(char(r.count & 0xFF));
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(c.timeoutMs);
    std::array<uint8_t, 260> frame{};

    if (c.kind == Connection::Kind::Tcp) {
        QByteArray request;
        request.append(char(transaction >> 8)).append(char(transaction & 0xFF));
        request.append('\0').append('\0'); // protocol 0: Modbus
        request.append('\0').append(char(1 + pdu.size()));
        request.append(char(r.slave)).append(pdu);
        if (const int error = writeAll(fd, request); error != 0)
            return fromError(error);
        for (;;) {
            if (const int error = readBefore(fd, frame.data(), 7, deadline); error != 0)
                return fromError(error);
            const int length = frame[4] << 8 | frame[5];
            if (length < 2 || length > 254)
                return failed(SourceResult::Outcome::Failed, systemMessage(EMBBADDATA));
            if (const int error = readBefore(fd, frame.data() + 7, length - 1, deadline);
                error != 0)
                return fromError(error);
            // A late answer to an earlier request that timed out: this one's may follow.
            if ((frame[0] << 8 | frame[1]) != transaction)
                continue;
            if (frame[2] != 0 || frame[3] != 0)
                return failed(SourceResult::Outcome::Failed, systemMessage(EMBBADDATA));
            if (frame[6] != r.slave)
                return failed(SourceResult::Outcome::Failed, otherUnit(frame[6], r.slave));
            return fromPdu(r, frame.data() + 7, length - 1);
        }
    }

    QByteArray request;
    request.append(char(r.slave)).append(pdu);
    const quint16 crc =
        crc16(reinterpret_cast<const uint8_t*>(request.constData()), int(request.size()));
    request.append(char(crc & 0xFF)).append(char(crc >> 8));
    if (const int error = writeAll(fd, request); error != 0)
        return fromError(error);
    if (const int error = readBefore(fd, frame.data(), 2, deadline); error != 0)
        return fromError(error);
    int size = 2;
    const bool exception = frame[1] == (r.function | 0x80);
    if (const int error = readBefore(fd, frame.data() + size, 1, deadline); error != 0)
        return fromError(error);
    size += 1;
    const int rest = exception ? 2 : frame[2] + 2;
    if (const int error = readBefore(fd, frame.data() + size, rest, deadline); error != 0)
        return fromError(error);
    size += rest;
    if (crc16(frame.data(), size - 2) != quint16(frame[size - 2] | frame[size - 1] << 8))
        return failed(SourceResult::Outcome::CrcError, systemMessage(EMBBADCRC));
    if (frame[0] != r.slave)
        return failed(SourceResult::Outcome::Failed, otherUnit(frame[0], r.slave));
    return fromPdu(r, frame.data() + 1, size - 3);
}

// The part of the answer that belongs to one variable.
void give(const ReadPlan& plan, const ReadRequest& r, const Answer& answer, int index,
          SourceResult& result) {
    const SourceVariable& v = plan.variables[index];
    result.outcome = answer.outcome;
    result.exception = answer.exception;
    result.detail = answer.detail;
    if (answer.outcome != SourceResult::Outcome::Read)
        return;
    const int offset = v.address - r.address;
    if (v.isBits())
        result.bits = answer.bits.mid(offset, v.count);
    else
        result.registers = answer.registers.mid(offset, v.count);
}

bool stopped(const std::atomic_bool* cancel) {
    return cancel && cancel->load();
}

} // namespace

ReadRun readSources(const ReadPlan& plan, const Connection& connection,
                    const QList<ReadRequest>& requests, const Progress& progress,
                    const std::atomic_bool* cancel) {
    ReadRun run;
    run.results.resize(plan.variables.size());
    for (int i = 0; i < plan.variables.size(); ++i)
        if (plan.variables[i].problem != Problem::None)
            run.results[i].outcome = SourceResult::Outcome::Invalid;
    if (requests.isEmpty())
        return run;
    Context ctx = openContext(connection, run.openFailure);
    if (!ctx)
        return run;

    QList<ReadRequest> queue = requests;
    int transaction = 0;
    int total = int(queue.size());
    for (int next = 0; next < queue.size(); ++next) {
        if (stopped(cancel)) {
            run.cancelled = true;
            break;
        }
        const ReadRequest request = queue[next];
        const Answer answer = ask(ctx.get(), connection, request, quint16(++transaction));
        ++run.requestsSent;
        if (answer.outcome == SourceResult::Outcome::Exception && request.variables.size() > 1) {
            // Each variable gets its own answer; the new requests follow at once.
            for (int k = 0; k < request.variables.size(); ++k)
                queue.insert(next + 1 + k, requestFor(plan, request.variables[k]));
            total += int(request.variables.size());
        } else {
            for (int index : request.variables)
                give(plan, request, answer, index, run.results[index]);
        }
        if (progress)
            progress(next + 1, total);
    }
    return run;
}

ReadRun readSources(const ReadPlan& plan, const Connection& connection, const Progress& progress,
                    const std::atomic_bool* cancel) {
    return readSources(plan, connection, plan.requests, progress, cancel);
}

} // namespace Sources
