#pragma once

#include "core/platform/UrlOpener.h"

class DesktopUrlOpener final : public UrlOpener {
public:
    void open(const QUrl& url) override;
};
