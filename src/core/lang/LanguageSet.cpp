#include "core/lang/LanguageSet.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace LanguageSet {

namespace {

const QString English = QStringLiteral("English");
const QString Extension = QStringLiteral(".lng");

} // namespace

QList<Language> loadAll(const QStringList& languageFolders) {
    QStringList names;
    for (const QString& folder : languageFolders) {
        const QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("*.lng")}, QDir::Files | QDir::Readable);
        for (const QFileInfo& file : files) {
            const QString name = file.completeBaseName();
            if (!file.isSymLink() && name != English && !names.contains(name))
                names.append(name);
        }
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    names.prepend(English);
    QList<Language> languages;
    for (const QString& name : std::as_const(names))
        if (auto table = loadNamed(name, languageFolders))
            languages.append({name, *table});
    return languages;
}

std::optional<LanguageTable> loadNamed(const QString& name, const QStringList& languageFolders,
                                       QString* why) {
    LanguageTable table;
    const QString wanted = name.isEmpty() ? English : name;
    const QString file = findLanguageFile(languageFolders, wanted + Extension);
    if (file.isEmpty()) {
        // English needs no file: the built-in texts are English.
        if (wanted == English)
            return table;
        if (why)
            *why = QStringLiteral("no language file %1%2").arg(wanted, Extension);
        return std::nullopt;
    }
    if (!table.loadFile(file, why))
        return std::nullopt;
    return table;
}

QList<LanguageTable> tables(const QList<Language>& languages) {
    QList<LanguageTable> result;
    for (const Language& language : languages)
        result.append(language.table);
    return result;
}

} // namespace LanguageSet
