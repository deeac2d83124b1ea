#include "core/lang/LanguageTable.h"

#include "common/BoundedFile.h"
#include "core/lang/LangFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LanguageTable::LanguageTable() {
    resetToEnglish();
}

void LanguageTable::resetToEnglish() {
    texts_.clear();
    texts_.reserve(TextCount);
    for (int i = 0; i < TextCount; ++i)
        texts_.append(defaultLangText(i));
}

bool LanguageTable::loadFile(const QString& path, QString* why) {
    const BoundedFile::Result file = BoundedFile::read(path, BoundedFile::LanguageFile);
    if (!file.ok()) {
        if (why)
            *why = file.error;
        return false;
    }
    loadText(LangFile::decode(file.bytes));
    return true;
}

void LanguageTable::loadText(const QString& text) {
    LangFile::forEachLine(text, [this](QStringView line) {
        if (const auto entry = LangFile::parseLine(line, TextCount))
            setText(entry->index, entry->text);
    });
}

QString LanguageTable::text(int index) const {
    if (index < 0 || index >= texts_.size())
        return {};
    return texts_[index];
}

void LanguageTable::setText(int index, const QString& value) {
    if (index >= 0 && index < texts_.size())
        texts_[index] = value;
}

QString findLanguageFile(const QStringList& folders, const QString& fileName) {
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(fileName);
        if (QFile::exists(path))
            return path;
    }
    return {};
}

QString loadLanguage(LanguageTable& table, QString& language, const QStringList& languageFolders) {
    table.resetToEnglish();
    QString why;
    const QString file = findLanguageFile(languageFolders, language + QStringLiteral(".lng"));
    if (!file.isEmpty()) {
        table.loadFile(file, &why);
        return why;
    }
    language = QStringLiteral("English");
    const QString english = findLanguageFile(languageFolders, QStringLiteral("English.lng"));
    if (!english.isEmpty())
        table.loadFile(english, &why);
    return why;
}
