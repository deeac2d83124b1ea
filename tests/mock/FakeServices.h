#pragma once

#include "core/platform/EchoService.h"
#include "core/platform/HttpGetter.h"
#include "core/platform/Platform.h"
#include "core/platform/SerialProbe.h"
#include "core/platform/UrlOpener.h"
#include "mock/FakeClock.h"
#include "mock/FakeProcessLauncher.h"
#include "mock/ScriptedPrompts.h"

#include <QList>
#include <QPointer>
#include <QUrl>
#include <functional>

class FakeUrlOpener final : public UrlOpener {
public:
    QList<QUrl> opened;
    void open(const QUrl& url) override { opened.append(url); }
};

// Records requests and keeps them pending until the test answers them, oldest first.
class FakeHttpGetter final : public HttpGetter {
public:
    QList<HttpRequest> requests;
    void get(const HttpRequest& request, QObject* context, Done done) override;
    int pending() const;
    // Answers the oldest pending request (whose context still lives); false when none.
    bool answer(std::optional<QString> body);

private:
    struct Pending {
        QPointer<QObject> context;
        Done done;
    };
    QList<Pending> pending_;
};

// Answers each echo from `answer` (a reply of the data's size by default) and records it.
class FakeEchoService final : public EchoService {
public:
    struct Call {
        QString host;
        QByteArray data;
        int sequence;
        int timeoutMs;
    };
    QList<Call> calls;
    std::function<EchoOutcome(const Call&)> answer;
    EchoOutcome echo(const QString& host, const QByteArray& data, int sequence,
                     int timeoutMs) override;
};

class FakeSerialProbe final : public SerialProbe {
public:
    QList<int> ports;
    QList<int> portNumbers() override { return ports; }
};

// Every seam faked, bundled as the Platform the windows take.
struct FakePlatform {
    ScriptedPrompts prompts;
    FakeClock clock;
    FakeProcessLauncher processes{clock};
    FakeUrlOpener urls;
    FakeHttpGetter http;
    FakeEchoService echo;
    FakeSerialProbe serial;
    Platform platform{prompts, processes, clock, urls, http, echo, serial};
};
