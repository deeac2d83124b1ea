#include "mock/FakeServices.h"

EchoOutcome FakeEchoService::echo(const QString& host, const QByteArray& data, int sequence,
                                  int timeoutMs) {
    calls.append({host, data, sequence, timeoutMs});
    if (answer)
        return answer(calls.last());
    return {EchoOutcome::Status::Reply, int(data.size()), {}};
}

void FakeHttpGetter::get(const HttpRequest& request, QObject* context, Done done) {
    requests.append(request);
    pending_.append({QPointer<QObject>(context), std::move(done)});
}

int FakeHttpGetter::pending() const {
    int n = 0;
    for (const Pending& p : pending_)
        n += p.context ? 1 : 0;
    return n;
}

bool FakeHttpGetter::answer(std::optional<QString> body) {
    while (!pending_.isEmpty()) {
        Pending p = pending_.takeFirst();
        if (!p.context)
            continue; // dropped with its context, as the real getter does
        p.done(std::move(body));
        return true;
    }
    return false;
}
