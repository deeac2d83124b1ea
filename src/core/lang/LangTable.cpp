#include "core/lang/LangTable.h"

#include "common/BoundedFile.h"
#include "core/lang/LangFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

LangTable::LangTable() {
    Create_Default_Lang();
}

void LangTable::Create_Default_Lang() {
    texts_.clear();
    texts_.reserve(Lang_Count);
    for (int i = 0; i < Lang_Count; ++i)
        texts_.append(defaultLangText(i));
}

bool LangTable::Load_Lang_File(const QString& path, QString* why) {
    const BoundedFile::Result file = BoundedFile::read(path, BoundedFile::LanguageFile);
    if (!file.ok()) {
        if (why)
            *why = file.error;
        return false;
    }
    Load_Lang_Text(LangFile::decode(file.bytes));
    return true;
}

void LangTable::Load_Lang_Text(const QString& text) {
    LangFile::forEachLine(text, [this](QStringView line) {
        if (const auto entry = LangFile::parseLine(line, Lang_Count))
            setText(entry->index, entry->text);
    });
}

QString LangTable::text(int index) const {
    if (index < 0 || index >= texts_.size())
        return {};
    return texts_[index];
}

void LangTable::setText(int index, const QString& value) {
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

QString Load_Language(LangTable& table, QString& language, const QStringList& languageFolders) {
    table.Create_Default_Lang();
    QString why;
    const QString file = findLanguageFile(languageFolders, language + QStringLiteral(".lng"));
    if (!file.isEmpty()) {
        table.Load_Lang_File(file, &why);
        return why;
    }
    language = QStringLiteral("English");
    const QString english = findLanguageFile(languageFolders, QStringLiteral("English.lng"));
    if (!english.isEmpty())
        table.Load_Lang_File(english, &why);
    return why;
}
