#pragma once

#include <QString>
#include <QUrl>

// The maker's web site: every address the program opens or asks lives here, in one place.
// The host is a placeholder until the maker confirms the real one.
namespace MakerSite {

inline constexpr const char* Host = "www.nelvari.example";
inline constexpr const char* SoftwareCode = "KT48213";

// Home page, opened by the web-address labels.
inline QUrl homePage() {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QString::fromLatin1(Host));
    url.setPath(QStringLiteral("/HOME/default.asp"));
    url.setQuery(QStringLiteral("frompg=KT48213"));
    return url;
}

// Download page, the target of the "new version" links.
inline QUrl downloadPage() {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QString::fromLatin1(Host));
    url.setPath(QStringLiteral("/Home/download/download.asp"));
    url.setFragment(QStringLiteral("RX48213"));
    return url;
}

// The version request; the reply is "VER. d.ddd".
inline QUrl versionCheck() {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QString::fromLatin1(Host));
    url.setPath(QStringLiteral("/Home/download/version.asp"));
    url.setQuery(QStringLiteral("code=%1").arg(QString::fromLatin1(SoftwareCode)));
    return url;
}

// The text of the web-address labels: the host without "www.", so it fits beside step 4.
inline QString webAddressText() {
    QString host = QString::fromLatin1(Host);
    if (host.startsWith(QStringLiteral("www.")))
        host.remove(0, 4);
    return host;
}

} // namespace MakerSite
