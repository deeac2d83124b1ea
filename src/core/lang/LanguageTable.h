#pragma once

#include <QString>
#include <QStringList>

// The indexed table of every user-visible text. Indexes are fixed, 100 per window, so a
// language file can replace texts without touching the program.
class LanguageTable {
public:
    static constexpr int TextCount = 1000;

    LanguageTable();

    // Empties the table and appends the 1000 English defaults (fillers are one blank).
    void resetToEnglish();

    // Overlays the entries of a language file; lines that break the grammar are skipped one
    // by one. False when the file cannot be read or is refused (the table is then unchanged):
    // only a regular file up to BoundedFile::LanguageFile is read; `why` then says what.
    bool loadFile(const QString& path, QString* why = nullptr);

    // Overlays entries from text already decoded (one entry per line).
    void loadText(const QString& text);

    // The text at `index`; the empty text outside 0..999.
    QString text(int index) const;
    void setText(int index, const QString& value);
    int size() const { return int(texts_.size()); }

private:
    QStringList texts_;
};

// The English default of one index (" " for a filler).
QString defaultLangText(int index);

// Builds the defaults and overlays <language>.lng from the first of `languageFolders` that holds
// one (the user's own folder comes first, so its file wins over a shipped one); when there is
// none, `language` becomes "English" and English.lng is overlaid if present. A language file
// that exists but is refused or unreadable leaves the defaults; the result then says why
// (empty otherwise).
QString loadLanguage(LanguageTable& table, QString& language, const QStringList& languageFolders);
inline QString loadLanguage(LanguageTable& table, QString& language, const QString& dirLanguage) {
    return loadLanguage(table, language, QStringList{dirLanguage});
}

// The first of `folders` holding `fileName`; empty when none does.
QString findLanguageFile(const QStringList& folders, const QString& fileName);
