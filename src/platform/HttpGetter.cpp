#include "platform/HttpGetter.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

std::optional<QString> NetworkHttpGetter::get(const QUrl& url) {
    QNetworkAccessManager manager;
    QNetworkReply* reply = manager.get(QNetworkRequest(url));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    std::optional<QString> body;
    if (reply->error() == QNetworkReply::NoError)
        body = QString::fromUtf8(reply->readAll());
    reply->deleteLater();
    return body;
}
