#pragma once

#include "core/platform/HttpGetter.h"

// Plain HTTP/1.0 over a Qt socket.
class NetworkHttpGetter final : public HttpGetter {
public:
    void get(const HttpRequest& request, QObject* context, Done done) override;
};
