#pragma once

#include <QString>
#include <QStringList>

// The language files a user can choose from, shown six to a page with their flags.
namespace LanguageList {

inline constexpr int Slots = 6;

// The names (with ".lng") of the regular files in the language folders ending in ".lng": no
// folders, links, read-only or special files, no name the settings file cannot store. A name in
// several folders is listed once. Sorted without regard to letter case.
QStringList languageNames(const QStringList& languageFolders);
inline QStringList languageNames(const QString& dirLanguage) {
    return languageNames(QStringList{dirLanguage});
}

// Pages needed for `count` languages; 0 when there are none.
int pageCount(int count);

// How many slots page `page` (from 1) fills.
int slotsOn(int count, int page);

// Position in the list of slot `slot` (from 1) of page `page`.
int entryIndex(int page, int slot);

// The page (from 1) that shows the entry at `index`.
int pageOf(int index);

// The language's name: the file name without its extension.
QString languageName(const QString& fileName);

// The flag to show for `name`: its own picture from the first folder holding one, else
// "DefaultFlag.bmp" likewise; empty when neither exists.
QString flagPicture(const QStringList& languageFolders, const QString& name);
inline QString flagPicture(const QString& dirLanguage, const QString& name) {
    return flagPicture(QStringList{dirLanguage}, name);
}

// The page after a click on Next (`forward`) or Previous; it stays within 1..pages.
int turnPage(int page, int pages, bool forward);

} // namespace LanguageList
