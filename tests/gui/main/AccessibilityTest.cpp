// What a screen reader and a keyboard user meet in every window of the program, in both shipped
// languages: a name for every control, a shortcut letter on every button, no letter twice.
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/main/MainWindow.h"
#include "gui/sources/SourceTestWindow.h"
#include "gui/update/UpdateWindow.h"
#include "mock/FakeServices.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <gtest/gtest.h>

namespace {

QString describe(const QWidget* w) {
    return QStringLiteral("%1 %2 in %3")
        .arg(QString::fromLatin1(w->metaObject()->className()), w->objectName(),
             w->window()->objectName());
}

// A control a user can reach or operate. Parts that Qt builds inside a control (a list's
// viewport, a table's corner button, a tab bar's scroll arrows) are named through it.
bool interactive(const QWidget* w) {
    if (w->focusPolicy() == Qt::NoFocus && !qobject_cast<const QAbstractButton*>(w))
        return false;
    // A selectable label or link that shows no text yet has nothing to read or press.
    if (const auto* label = qobject_cast<const QLabel*>(w); label && label->text().isEmpty())
        return false;
    for (const QWidget* p = w->parentWidget(); p && p != w->window(); p = p->parentWidget()) {
        if (qobject_cast<const QAbstractItemView*>(p) || qobject_cast<const QComboBox*>(p) ||
            qobject_cast<const QTabBar*>(p) || qobject_cast<const QAbstractSpinBox*>(p))
            return false;
    }
    if (qobject_cast<const QAbstractButton*>(w) && w->focusPolicy() == Qt::NoFocus &&
        w->objectName().isEmpty())
        return false; // a part Qt builds, such as a table's corner button
    return true;
}

// The windows of a whole run: the main window, the dialogs it made, the update window in both
// forms and the dialogs those make.
QList<QWidget*> windowsOf(MainWindow& main) {
    QList<QWidget*> windows{&main};
    for (QDialog* d : main.findChildren<QDialog*>())
        windows << d;
    return windows;
}

QStringList unnamedControls(QWidget* window) {
    QStringList unnamed;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->window() != window || !interactive(w))
            continue;
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(w);
        const QString name = accessible ? accessible->text(QAccessible::Name).trimmed() : QString();
        if (name.isEmpty())
            unnamed << describe(w);
    }
    return unnamed;
}

QStringList shortcutProblems(QWidget* window) {
    QStringList problems;
    QMap<QChar, QString> taken;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (b->window() != window || b->text().isEmpty())
            continue;
        const QChar letter = Keyboard::shortcutLetter(b->text()).toCaseFolded();
        if (letter.isNull())
            problems << describe(b) +
                            QStringLiteral(": no shortcut letter in \"%1\"").arg(b->text());
        else if (taken.contains(letter))
            problems << describe(b) + QStringLiteral(": letter %1 also on %2")
                                          .arg(letter)
                                          .arg(taken.value(letter));
        else
            taken.insert(letter, b->text());
    }
    return problems;
}

class EveryWindow : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(EveryWindow, NamesEveryControlAndGivesEveryButtonItsOwnLetter) {
    TestFolder folder;
    const QString language = QString::fromLatin1(GetParam());
    if (language != QStringLiteral("English")) {
        QFile shipped(QStringLiteral(ORDANO_TRANSLATION_SOURCES "/") + language +
                      QStringLiteral(".lng"));
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
        folder.write(QStringLiteral("LANGUAGE/") + language + QStringLiteral(".lng"),
                     shipped.readAll());
    }
    folder.write(QStringLiteral("Ordano.xml"),
                 QStringLiteral("<Conf_Settings><lastlang><language>%1</language></lastlang>"
                                "</Conf_Settings>")
                     .arg(language)
                     .toUtf8());
    FakePlatform fakes;
    ProgramStarter starter{fakes.processes, fakes.clock, QString()};
    SharedState state;
    MainWindow main(state, fakes.platform, starter, folder.path());
    main.show();
    // Every window is made at its first use: make them all.
    main.newProjectWindow();
    main.openWindow();
    main.aboutWindow();
    main.optionsWindow();
    main.communicationWindow();
    main.networkWindow();
    UpdateWindow& boot = main.updateWindow();
    for (int form : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "update window form " << form);
        boot.Form_Type = form;
        boot.prepare();
        for (QWidget* window : windowsOf(main)) {
            SCOPED_TRACE(window->objectName().toStdString());
            EXPECT_EQ(unnamedControls(window), QStringList());
            EXPECT_EQ(shortcutProblems(window), QStringList());
        }
    }
    // The source test is made when the editor asks for it.
    SourceTestWindow sources(state, fakes.platform, {}, &main);
    sources.show();
    EXPECT_EQ(unnamedControls(&sources), QStringList());
    EXPECT_EQ(shortcutProblems(&sources), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Shipped, EveryWindow, testing::Values("English", "Italiano"));
