#include "lang/LangTable.h"

#include "lang/LangFile.h"

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

bool LangTable::Load_Lang_File(const QString& path) {
    if (QFileInfo(path).isDir())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    Load_Lang_Text(LangFile::decode(bytes));
    return true;
}

void LangTable::Load_Lang_Text(const QString& text) {
    for (const QString& line : LangFile::splitLines(text)) {
        if (const auto entry = LangFile::parseLine(line, Lang_Count))
            setText(entry->index, entry->text);
    }
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

void Load_Language(LangTable& table, QString& language, const QString& dirLanguage) {
    table.Create_Default_Lang();
    const QString file = QDir(dirLanguage).filePath(language + QStringLiteral(".lng"));
    if (QFile::exists(file)) {
        table.Load_Lang_File(file);
        return;
    }
    language = QStringLiteral("English");
    const QString english = QDir(dirLanguage).filePath(QStringLiteral("English.lng"));
    if (QFile::exists(english))
        table.Load_Lang_File(english);
}
