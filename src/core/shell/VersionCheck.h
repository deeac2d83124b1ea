#pragma once

#include "common/Product.h"
#include "core/platform/HttpGetter.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <functional>

// A version text to an integer: the text after the first blank, its first, third, fourth and
// fifth characters read as a decimal number ("VER. 2.010" gives 2010); -1 when it cannot.
int versionNumber(const QString& versionText);

// Whether the site's reply announces a version newer than SW_Version. An empty reply and
// "VER. 0.000" (the site knows no version) do not.
bool isNewerVersion(const QString& reply);

// The request for the version: the headers the site expects, no cookies.
HttpRequest versionRequest(const QUrl& url, int timeoutMs);

// Asks the maker's site for the latest version without blocking the windows. One request at a
// time: a caller who asks while one runs gets that request's answer.
class VersionCheck : public QObject {
    Q_OBJECT
public:
    explicit VersionCheck(HttpGetter& http, QObject* parent = nullptr);

    // Where the request goes and how long it may take; tests point it elsewhere.
    QUrl url;
    int timeoutMs = 10000;

    bool running() const { return running_; }

    // `done` receives true when a newer version exists; a failed request gives false. It is
    // dropped when `context` is destroyed before the answer.
    void checkVersion(QObject* context, std::function<void(bool)> done);

private:
    struct Waiter {
        QPointer<QObject> context;
        std::function<void(bool)> done;
    };
    HttpGetter& http_;
    bool running_ = false;
    QList<Waiter> waiters_;
};
