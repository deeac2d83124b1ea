#pragma once

#include <QString>
#include <QUrl>
#include <optional>

// One blocking GET; the body as text, or nullopt when the request fails.
class HttpGetter {
public:
    virtual ~HttpGetter() = default;
    virtual std::optional<QString> get(const QUrl& url) = 0;
};

class NetworkHttpGetter final : public HttpGetter {
public:
    std::optional<QString> get(const QUrl& url) override;
};
