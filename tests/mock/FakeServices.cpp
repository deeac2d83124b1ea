#include "mock/FakeServices.h"

EchoOutcome FakeEchoService::echo(const QString& host, const QByteArray& data, int sequence,
                                  int timeoutMs) {
    calls.append({host, data, sequence, timeoutMs});
    if (answer)
        return answer(calls.last());
    return {EchoOutcome::Status::Reply, int(data.size()), {}};
}
