#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>
#include <utility>

class QObject;

// One HTTP/1.0 GET without cookies: the given headers are sent as they are.
struct HttpRequest {
    QUrl url;
    QList<std::pair<QByteArray, QByteArray>> headers;
    // After this long without a complete reply the request counts as failed.
    int timeoutMs = 10000;
};

// Runs requests without blocking the windows. `done` is called once, later, from the event
// loop: the body as text, or nullopt for any failure (no connection, an error status, the
// time-out). When `context` is destroyed first, the request is dropped and `done` never runs.
class HttpGetter {
public:
    using Done = std::function<void(std::optional<QString>)>;
    virtual ~HttpGetter() = default;
    virtual void get(const HttpRequest& request, QObject* context, Done done) = 0;
};
