#pragma once

#include <QLocale>
#include <QString>
#include <QTranslator>

// Qt's own texts (message-box buttons, file dialogs, context menus) in the chosen language,
// from the translations that come with Qt ("qtbase_it.qm" and the like).
class QtTranslation {
public:
    QtTranslation();
    ~QtTranslation();
    QtTranslation(const QtTranslation&) = delete;
    QtTranslation& operator=(const QtTranslation&) = delete;

    // Follows a language file's name ("Italiano", "Italian", "Deutsch"...): Qt's texts for that
    // language where Qt ships them, else Qt's English. True when a translation is in use.
    bool apply(const QString& languageName);

    // The locale whose translation serves `languageName`: the language whose own name or
    // English name it is, without regard to case; QLocale::C when there is none.
    static QLocale::Language languageOf(const QString& languageName);

private:
    QTranslator translator_;
    bool installed_ = false;
};
