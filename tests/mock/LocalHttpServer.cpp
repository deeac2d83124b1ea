#include "mock/LocalHttpServer.h"

#include <QTcpSocket>
#include <memory>

LocalHttpServer::LocalHttpServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            ++connections;
            socket->setParent(this);
            auto received = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, received] {
                *received += socket->readAll();
                if (!received->contains("\r\n\r\n"))
                    return;
                requests.append(*received);
                received->clear();
                if (!reply)
                    return; // silent: the request is never answered
                socket->write(*reply);
                socket->disconnectFromHost();
            });
        }
    });
}

QUrl LocalHttpServer::versionUrl() const {
    QUrl url(QStringLiteral("http://127.0.0.1/home/download/GetversionSW.asp?nomesw=KT48213"));
    url.setPort(server_.serverPort());
    return url;
}

QByteArray LocalHttpServer::ok(const QByteArray& body) {
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body;
}
