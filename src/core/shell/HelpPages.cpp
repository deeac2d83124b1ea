#include "core/shell/HelpPages.h"

#include <QDir>
#include <QFileInfo>

namespace HelpPages {

namespace {

const QString Start = QStringLiteral("index.md");
const QString Install = QStringLiteral("install.md");
const QString WorkspacePage = QStringLiteral("workspace.md");
const QString NewConfiguration = QStringLiteral("new-configuration.md");
const QString Communication = QStringLiteral("communication.md");
const QString Network = QStringLiteral("network.md");
const QString Sources = QStringLiteral("sources.md");
const QString Update = QStringLiteral("update.md");

bool isPlainPage(const QString& page) {
    if (page.isEmpty() || QDir::isAbsolutePath(page))
        return false;
    const QStringList parts = page.split(QLatin1Char('/'));
    return !parts.contains(QStringLiteral("..")) && !parts.contains(QString());
}

} // namespace

const QList<Entry>& windows() {
    static const QList<Entry> table = {
        {QStringLiteral("MainWindow"), Start},
        {QStringLiteral("AboutDialog"), WorkspacePage},
        {QStringLiteral("OptionsDialog"), Install},
        {QStringLiteral("NewConfigurationDialog"), NewConfiguration},
        {QStringLiteral("OpenConfigurationDialog"), NewConfiguration},
        {QStringLiteral("CommunicationWindow"), Communication},
        {QStringLiteral("NetworkEditorWindow"), Network},
        {QStringLiteral("PasteDialog"), Network},
        {QStringLiteral("TemplateListDialog"), Network},
        {QStringLiteral("SourceTestWindow"), Sources},
        {QStringLiteral("FindSlavesWindow"), Sources},
        {QStringLiteral("GatewayWindow"), Sources},
        {QStringLiteral("UpdateWindow"), Update},
        {QStringLiteral("UpdateProgressDialog"), Update},
    };
    return table;
}

bool hasPage(const QString& window) {
    for (const Entry& e : windows())
        if (e.window == window)
            return true;
    return false;
}

QString pageOf(const QString& window) {
    for (const Entry& e : windows())
        if (e.window == window)
            return e.page;
    return Start;
}

QStringList roots(const Workspace::Layout& layout) {
    QStringList result;
    for (const QString& base : {layout.programFolder, layout.dataFolder}) {
        if (base.isEmpty())
            continue;
        const QString root = QDir(base).filePath(QLatin1String(Folder));
        if (!result.contains(root))
            result << root;
    }
    return result;
}

QString find(const QStringList& roots, const QString& language, const QString& page) {
    const QString file = page.section(QLatin1Char('#'), 0, 0);
    if (!isPlainPage(file))
        return QString();
    QStringList languages;
    // A language name is one folder name; anything else falls back to English.
    if (isPlainPage(language) && !language.contains(QLatin1Char('/')))
        languages << language;
    if (!languages.contains(QLatin1String(FallbackLanguage)))
        languages << QLatin1String(FallbackLanguage);
    for (const QString& lang : languages)
        for (const QString& root : roots) {
            const QFileInfo info(QDir(root).filePath(lang + QLatin1Char('/') + file));
            if (info.isFile())
                return info.absoluteFilePath();
        }
    return QString();
}

} // namespace HelpPages
