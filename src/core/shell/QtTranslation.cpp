#include "core/shell/QtTranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

QtTranslation::QtTranslation() = default;

QtTranslation::~QtTranslation() {
    if (installed_)
        QCoreApplication::removeTranslator(&translator_);
}

QLocale::Language QtTranslation::languageOf(const QString& languageName) {
    const QString wanted = languageName.trimmed();
    if (wanted.isEmpty())
        return QLocale::C;
    for (int code = QLocale::AnyLanguage + 1; code <= QLocale::LastLanguage; ++code) {
        const auto language = QLocale::Language(code);
        if (QLocale::languageToString(language).compare(wanted, Qt::CaseInsensitive) == 0)
            return language;
        const QLocale locale(language);
        if (locale.language() == language &&
            locale.nativeLanguageName().compare(wanted, Qt::CaseInsensitive) == 0)
            return language;
    }
    return QLocale::C;
}

bool QtTranslation::apply(const QString& languageName) {
    if (installed_) {
        QCoreApplication::removeTranslator(&translator_);
        installed_ = false;
    }
    const QLocale::Language language = languageOf(languageName);
    if (language == QLocale::C || language == QLocale::English)
        return false;
    if (!translator_.load(QLocale(language), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    installed_ = QCoreApplication::installTranslator(&translator_);
    return installed_;
}
