#pragma once

#include "common/Workspace.h"

#include <QList>
#include <QString>
#include <QStringList>

// The installer's guide: which page explains which window, and where the pages are. The guide
// is one folder per language (named like the language files) of Markdown pages with the same
// file names in every language, so that links between pages work in each.
namespace HelpPages {

inline constexpr const char* Folder = "guide";
inline constexpr const char* FallbackLanguage = "English";
inline constexpr const char* IndexPage = "index.md";

struct Entry {
    QString window; // the window's object name (its class name)
    QString page;   // a file of the language folder
};

// Every window of the program and its page.
const QList<Entry>& windows();

// Whether `window` names a window of the table.
bool hasPage(const QString& window);

// The page of `window`; the index page for a window the table does not know.
QString pageOf(const QString& window);

// The guide folders, the first holding a page winning: beside the program (a portable or
// build folder), then the installed data folder.
QStringList roots(const Workspace::Layout& layout);

// The file that shows `page` in `language`: the page of that language in the first root that
// has it, else the English page; empty when no root has either. `page` may carry a fragment
// or be a path below the language folder, never one leading out of it.
QString find(const QStringList& roots, const QString& language, const QString& page);

} // namespace HelpPages
