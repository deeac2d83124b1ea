#pragma once

#include "core/lang/LanguageTable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The languages a file may have been written in: files travel between colleagues who use
// different languages, so readers accept the words of every language they can find.
namespace LanguageSet {

struct Language {
    QString name; // "English", "Italiano", ...
    LanguageTable table;
};

// English (the built-in texts with English.lng over them, when there is one) first, then every
// other <name>.lng of the folders, the first folder holding a name winning, sorted by name.
// A file that cannot be read is left out.
QList<Language> loadAll(const QStringList& languageFolders);

// The language `name` (English when `name` is empty); nullopt when no folder holds it or its
// file is refused, with the reason in `why`.
std::optional<LanguageTable> loadNamed(const QString& name, const QStringList& languageFolders,
                                       QString* why = nullptr);

// The tables of `languages`, for readers that only need the words.
QList<LanguageTable> tables(const QList<Language>& languages);

} // namespace LanguageSet
