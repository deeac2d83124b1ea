#pragma once

#include <QString>
#include <QUrl>

// The maker's web site: every address the program opens or asks lives here, in one place.
// The host is set when the program is packaged (ORDANO_MAKER_HOST); the default is a
// placeholder that resolves nowhere.
#ifndef ORDANO_MAKER_HOST
#define ORDANO_MAKER_HOST "www.nelvari.example"
#endif

namespace MakerSite {

inline constexpr const char* Host = ORDANO_MAKER_HOST;
inline constexpr const char* SoftwareCode = "KT48213";

inline QUrl page(const QString& path, const QString& query = {}, const QString& fragment = {}) {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QString::fromLatin1(Host));
    url.setPath(path);
    if (!query.isEmpty())
        url.setQuery(query);
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    return url;
}

// Home page, opened by the web-address labels.
inline QUrl homePage() {
    return page(QStringLiteral("/HOME/default.asp"), QStringLiteral("frompg=KT48213"));
}

// Download page, the target of the "new version" links.
inline QUrl downloadPage() {
    return page(QStringLiteral("/Home/download/download.asp"), {}, QStringLiteral("RX48213"));
}

// The version request; the reply is "VER. d.ddd".
inline QUrl versionCheck() {
    return page(QStringLiteral("/home/download/GetversionSW.asp"),
                QStringLiteral("nomesw=%1").arg(QString::fromLatin1(SoftwareCode)));
}

// The text of the web-address labels: the host without "www.", so it fits beside step 4.
inline QString webAddressText() {
    QString host = QString::fromLatin1(Host);
    if (host.startsWith(QStringLiteral("www.")))
        host.remove(0, 4);
    return host;
}

} // namespace MakerSite
