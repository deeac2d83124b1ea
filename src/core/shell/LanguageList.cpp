#include "core/shell/LanguageList.h"

#include "common/XmlChars.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace LanguageList {

QStringList languageNames(const QStringList& languageFolders) {
    QStringList names;
    for (const QString& folder : languageFolders) {
        const QFileInfoList entries = QDir(folder).entryInfoList(
            {QStringLiteral("*.lng")},
            QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive, QDir::NoSort);
        for (const QFileInfo& info : entries) {
            if (info.isSymLink() || !info.isFile() || !(info.permissions() & QFile::WriteOwner))
                continue;
            // The choice goes into Ordano.xml, which could not be read again with such a name.
            if (!XmlChars::storable(info.fileName()))
                continue;
            if (!names.contains(info.fileName()))
                names.append(info.fileName());
        }
    }
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return names;
}

int pageCount(int count) {
    return (count + Slots - 1) / Slots;
}

int slotsOn(int count, int page) {
    return std::clamp(count - (page - 1) * Slots, 0, Slots);
}

int entryIndex(int page, int slot) {
    return (page - 1) * Slots + slot - 1;
}

int pageOf(int index) {
    return index / Slots + 1;
}

QString languageName(const QString& fileName) {
    return fileName.chopped(std::min<qsizetype>(4, fileName.size()));
}

QString flagPicture(const QStringList& languageFolders, const QString& name) {
    for (const QString& file : {name + QStringLiteral(".bmp"), QStringLiteral("DefaultFlag.bmp")}) {
        for (const QString& folder : languageFolders) {
            const QFileInfo info(QDir(folder).filePath(file));
            if (info.isFile())
                return info.filePath();
        }
    }
    return {};
}

int turnPage(int page, int pages, bool forward) {
    if (forward)
        return pages >= page + 1 ? page + 1 : page;
    return page - 1 > 0 ? page - 1 : page;
}

} // namespace LanguageList
