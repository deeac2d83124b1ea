#include "core/shell/VersionCheck.h"

#include "common/Blanks.h"
#include "common/MakerSite.h"
#include "core/lang/LangFile.h"

int versionNumber(const QString& versionText) {
    const qsizetype blank = versionText.indexOf(u' ');
    const QString version = trimBlanks(blank < 0 ? versionText : versionText.mid(blank + 1));
    if (version.size() < 5)
        return -1;
    // The second character is the decimal point and is skipped.
    const QString digits = QString(version[0]) + version[2] + version[3] + version[4];
    for (const QChar c : digits)
        if (c < u'0' || c > u'9')
            return -1;
    return digits.toInt();
}

bool isNewerVersion(const QString& reply) {
    const QString r = LangFile::trimmed(reply).toString().toUpper();
    if (r.isEmpty() || r == QLatin1String("VER. 0.000"))
        return false;
    const int mine = versionNumber(QString::fromLatin1(SW_Version));
    const int theirs = versionNumber(trimBlanks(reply));
    return mine != -1 && theirs != -1 && theirs > mine;
}

HttpRequest versionRequest(const QUrl& url, int timeoutMs) {
    HttpRequest request;
    request.url = url;
    request.headers = {
        {"Accept", "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"},
        {"User-Agent", "Mozilla/3.0 (compatible; Indy Library)"},
    };
    request.timeoutMs = timeoutMs;
    return request;
}

VersionCheck::VersionCheck(HttpGetter& http, QObject* parent)
    : QObject(parent), url(MakerSite::versionCheck()), http_(http) {}

void VersionCheck::checkVersion(QObject* context, std::function<void(bool)> done) {
    waiters_.append({QPointer<QObject>(context), std::move(done)});
    if (running_)
        return;
    running_ = true;
    http_.get(versionRequest(url, timeoutMs), this, [this](std::optional<QString> body) {
        running_ = false;
        const bool newer = body && isNewerVersion(*body);
        const QList<Waiter> waiters = std::exchange(waiters_, {});
        for (const Waiter& w : waiters)
            if (w.context)
                w.done(newer);
    });
}
