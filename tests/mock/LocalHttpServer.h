#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QUrl>
#include <optional>

// An HTTP server on 127.0.0.1 (a free port) that records each request as received and answers
// every one with `reply`, or never answers while `reply` is empty.
class LocalHttpServer : public QObject {
public:
    LocalHttpServer();
    std::optional<QByteArray> reply;
    QList<QByteArray> requests;
    int connections = 0;
    // The version request's address on this server.
    QUrl versionUrl() const;
    // A 200 reply with `body`, closed after the body as HTTP/1.0 does.
    static QByteArray ok(const QByteArray& body);

private:
    QTcpServer server_;
};
