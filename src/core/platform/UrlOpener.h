#pragma once

#include <QUrl>

// Opens a web address in the user's browser. A page that cannot be opened is not reported.
class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl& url) = 0;
};
