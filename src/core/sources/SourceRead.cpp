#include "core/sources/SourceRead.h"

#include <cerrno>
#include <cstring>
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

QString systemMessage(int error) {
    return QString::fromLocal8Bit(modbus_strerror(error));
}

} // namespace

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
        failure = openFailureOf(c, errno);
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

Answer ask(modbus_t* ctx, const ReadRequest& r) {
    Answer answer;
    modbus_set_slave(ctx, r.slave);
    // Left-over bytes of an earlier broken answer must not be taken for this one.
    modbus_flush(ctx);
    int rc = -1;
    if (r.function == 1 || r.function == 2) {
        std::vector<uint8_t> bits(size_t(r.count));
        rc = r.function == 1 ? modbus_read_bits(ctx, r.address, r.count, bits.data())
                             : modbus_read_input_bits(ctx, r.address, r.count, bits.data());
        if (rc == r.count)
            answer.bits = QList<quint8>(bits.begin(), bits.end());
    } else if (r.function == 3 || r.function == 4) {
        std::vector<uint16_t> words(size_t(r.count));
        rc = r.function == 3 ? modbus_read_registers(ctx, r.address, r.count, words.data())
                             : modbus_read_input_registers(ctx, r.address, r.count, words.data());
        if (rc == r.count)
            answer.registers = QList<quint16>(words.begin(), words.end());
    }
    if (rc == r.count)
        return answer;
    const int error = rc < 0 ? errno : EMBBADDATA;
    if (error == ETIMEDOUT) {
        answer.outcome = SourceResult::Outcome::Timeout;
    } else if (error == EMBBADCRC) {
        answer.outcome = SourceResult::Outcome::CrcError;
    } else if (error > MODBUS_ENOBASE && error < EMBXGTAR + 1) {
        answer.outcome = SourceResult::Outcome::Exception;
        answer.exception = error - MODBUS_ENOBASE;
    } else {
        answer.outcome = SourceResult::Outcome::Failed;
    }
    answer.detail = systemMessage(error);
    return answer;
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
    int total = int(queue.size());
    for (int next = 0; next < queue.size(); ++next) {
        if (stopped(cancel)) {
            run.cancelled = true;
            break;
        }
        const ReadRequest request = queue[next];
        const Answer answer = ask(ctx.get(), request);
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
