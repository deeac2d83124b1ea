#pragma once

#include "mock/FakeClock.h"
#include "mock/FakeProcessLauncher.h"
#include "mock/ScriptedPrompts.h"
#include "platform/EchoService.h"
#include "platform/HttpGetter.h"
#include "platform/Platform.h"
#include "platform/SerialProbe.h"
#include "platform/UrlOpener.h"

#include <QList>
#include <QUrl>
#include <functional>

class FakeUrlOpener final : public UrlOpener {
public:
    QList<QUrl> opened;
    void open(const QUrl& url) override { opened.append(url); }
};

class FakeHttpGetter final : public HttpGetter {
public:
    std::optional<QString> reply;
    QList<QUrl> requests;
    std::optional<QString> get(const QUrl& url) override {
        requests.append(url);
        return reply;
    }
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
