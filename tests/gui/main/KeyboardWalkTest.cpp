// Every window of a run from the keyboard alone, in both shipped languages: Tab from the first
// control meets every enabled control once, in the order of the screen, and comes back; every
// button answers Enter, Space and its shortcut letter; an Alt+letter that is no shortcut types
// nothing. The table it prints is the walk's record.
#include "gui/main/MainWindow.h"

#include "core/lang/LanguageTable.h"
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/network/NetworkEditorWindow.h"
#include "gui/sources/SourceTestWindow.h"
#include "gui/update/UpdateWindow.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

QString describe(const QWidget* w) {
    if (!w)
        return QStringLiteral("(lost)");
    QString name = w->objectName();
    if (name.isEmpty())
        name = QString::fromLatin1(w->metaObject()->className());
    return name;
}

QStringList names(const QList<QWidget*>& widgets) {
    QStringList list;
    for (const QWidget* w : widgets)
        list << describe(w);
    return list;
}

QWidget* controlOf(QWidget* w, QWidget* window) {
    return w ? Keyboard::controlOf(w, window) : nullptr;
}

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Tab from the first control until the focus is back on it: the controls met, in order. A
// table that moves between its cells on Tab counts once.
QList<QWidget*> tabWalk(QWidget* window, QWidget* first) {
    first->setFocus(Qt::TabFocusReason);
    QList<QWidget*> met{controlOf(QApplication::focusWidget(), window)};
    for (int presses = 0; presses < 3000 && QApplication::focusWidget(); ++presses) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = controlOf(QApplication::focusWidget(), window);
        if (now == met.last())
            continue;
        if (now == met.first())
            return met;
        met << now;
        if (met.size() > 200)
            break;
    }
    met << nullptr; // never came back
    return met;
}

struct Walk {
    QString window;
    int controls = 0;
    int buttons = 0;
    int letters = 0;
    QStringList problems;
};

// Tab over every page of the window's tab widgets.
void walkTabs(QWidget* window, Walk& walk) {
    QList<QTabWidget*> tabWidgets;
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>())
        if (tabs->window() == window && tabs->isVisibleTo(window))
            tabWidgets << tabs;
    QSet<QWidget*> reached;
    const int pages = tabWidgets.isEmpty() ? 1 : tabWidgets.first()->count();
    for (int page = 0; page < pages; ++page) {
        if (!tabWidgets.isEmpty())
            tabWidgets.first()->setCurrentIndex(page);
        settle();
        const QList<QWidget*> expected = Keyboard::visualOrder(window);
        if (expected.isEmpty())
            continue;
        const QList<QWidget*> met = tabWalk(window, expected.first());
        if (met != expected)
            walk.problems << QStringLiteral("page %1: Tab meets %2, the screen shows %3")
                                 .arg(page)
                                 .arg(names(met).join(QLatin1Char(' ')),
                                      names(expected).join(QLatin1Char(' ')));
        for (QWidget* w : met)
            if (w)
                reached.insert(w);
    }
    walk.controls = int(reached.size());
}

// The key of a shortcut letter.
Qt::Key keyOf(QChar letter) {
    return Qt::Key(letter.toUpper().unicode());
}

bool waitForClick(QSignalSpy& spy, int count) {
    for (int i = 0; i < 200 && spy.size() < count; ++i)
        QTest::qWait(10);
    return spy.size() >= count;
}

// Enter, Space and the shortcut letter on every push and tool button. What each button does is
// its window's own tests' business: here its click is all that counts, so the window's
// handlers are taken off first.
void pressButtons(QWidget* window, Walk& walk) {
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
        if (b->window() != window || !b->isVisibleTo(window) || !b->isEnabled() ||
            !(qobject_cast<QPushButton*>(b) || qobject_cast<QToolButton*>(b)) ||
            !(b->focusPolicy() & Qt::TabFocus))
            continue;
        buttons << b;
    }
    for (QAbstractButton* b : std::as_const(buttons)) {
        QObject::disconnect(b, &QAbstractButton::clicked, nullptr, nullptr);
        QSignalSpy clicks(b, &QAbstractButton::clicked);
        b->setFocus(Qt::TabFocusReason);
        QTest::keyClick(b, Qt::Key_Return);
        if (clicks.size() != 1)
            walk.problems << describe(b) +
                                 QStringLiteral(": Enter pressed it %1 times").arg(clicks.size());
        QTest::keyClick(b, Qt::Key_Space);
        if (!waitForClick(clicks, 2))
            walk.problems << describe(b) + QStringLiteral(": Space did not press it");
        ++walk.buttons;
        const QChar letter = Keyboard::shortcutLetter(b->text());
        if (letter.isNull()) {
            if (!b->text().isEmpty())
                walk.problems << describe(b) +
                                     QStringLiteral(": no letter in \"%1\"").arg(b->text());
            continue; // a picture button: Enter and Space
        }
        // From another control, as a user would use it.
        window->setFocus();
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window, keyOf(letter), Qt::AltModifier);
        if (!waitForClick(clicks, 3))
            walk.problems << describe(b) + QStringLiteral(": Alt+%1 did not press it").arg(letter);
        else
            ++walk.letters;
        if (clicks.size() > 3)
            walk.problems << describe(b) + QStringLiteral(": pressed %1 times").arg(clicks.size());
    }
}

// Letters of the buttons, labels and tabs of one window.
QSet<QChar> lettersOf(QWidget* window, Walk& walk) {
    QSet<QChar> taken;
    const auto take = [&](const QString& text, const QString& who) {
        const QChar letter = Keyboard::shortcutLetter(text).toCaseFolded();
        if (letter.isNull())
            return;
        if (taken.contains(letter))
            walk.problems << who + QStringLiteral(": letter %1 serves two controls").arg(letter);
        taken.insert(letter);
    };
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->window() == window)
            take(b->text(), describe(b));
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->window() == window && l->buddy())
            take(l->text(), describe(l));
    for (QTabBar* bar : window->findChildren<QTabBar*>())
        if (bar->window() == window)
            for (int i = 0; i < bar->count(); ++i)
                take(bar->tabText(i), describe(bar));
    return taken;
}

// An Alt+letter that no control takes types nothing into a field.
void altLetterTypesNothing(QWidget* window, const QSet<QChar>& taken, Walk& walk) {
    QLineEdit* field = nullptr;
    for (QLineEdit* edit : window->findChildren<QLineEdit*>())
        if (edit->window() == window && edit->isVisibleTo(window) && edit->isEnabled() &&
            !edit->isReadOnly()) {
            field = edit;
            break;
        }
    if (!field)
        return;
    QChar free;
    for (char c = 'a'; c <= 'z' && free.isNull(); ++c)
        if (!taken.contains(QLatin1Char(c)))
            free = QLatin1Char(c);
    if (free.isNull())
        return;
    field->setFocus(Qt::TabFocusReason);
    const QString before = field->text();
    QTest::keyClick(field, keyOf(free), Qt::AltModifier);
    if (field->text() != before)
        walk.problems << describe(field) + QStringLiteral(": Alt+%1 typed into it").arg(free);
}

Walk walkWindow(QWidget* window, const QString& name) {
    Walk walk;
    walk.window = name;
    window->show();
    window->activateWindow();
    // Offscreen, a window hidden before keeps the activation a window manager would move.
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window)) {
        walk.problems << QStringLiteral("window never became active");
        return walk;
    }
    settle();
    walkTabs(window, walk);
    const QSet<QChar> taken = lettersOf(window, walk);
    altLetterTypesNothing(window, taken, walk);
    pressButtons(window, walk);
    window->hide();
    return walk;
}

void writeLanguage(TestFolder& folder, const QString& language) {
    if (language != QStringLiteral("English")) {
        QFile shipped(QStringLiteral(ORDANO_TRANSLATION_SOURCES "/") + language +
                      QStringLiteral(".lng"));
        ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
        folder.write(QStringLiteral("LANGUAGE/") + language + QStringLiteral(".lng"),
                     shipped.readAll());
    }
}

// A workspace with an open configuration, so every window shows what it edits.
void makeWorkspace(TestFolder& folder, const QString& language) {
    writeLanguage(folder, language);
    for (const char* file : {"ParGen.xml", "M_Bus.xml"}) {
        QFile fixture(fixturePath(QStringLiteral("image/worked_example/") + QLatin1String(file)));
        ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
        folder.write(QStringLiteral("PROJECTS/Plant/") + QLatin1String(file), fixture.readAll());
    }
    folder.write(QStringLiteral("Ordano.xml"),
                 QStringLiteral("<Conf_Settings><lastproj><projectname>Plant</projectname>"
                                "</lastproj><lastlang><language>%1</language></lastlang>"
                                "</Conf_Settings>")
                     .arg(language)
                     .toUtf8());
}

class KeyboardWalk : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(KeyboardWalk, EveryWindowFromTheKeyboard) {
    const QString language = QString::fromLatin1(GetParam());
    TestFolder folder;
    makeWorkspace(folder, language);
    FakePlatform fakes;
    ProgramStarter starter{fakes.processes, fakes.clock, QString()};
    SharedState state;
    const NoModalGuard noModal;
    MainWindow main(state, fakes.platform, starter, folder.path());
    ASSERT_EQ(state.language, language);

    QList<Walk> walks;
    // Each window is made at its first use: make them all, as a session that opens each would.
    main.newProjectWindow();
    main.openWindow();
    main.aboutWindow();
    main.optionsWindow();
    main.communicationWindow();
    main.networkWindow();
    QList<QDialog*> dialogs;
    for (QDialog* d : main.findChildren<QDialog*>())
        if (d->parentWidget() == &main && !qobject_cast<UpdateWindow*>(d))
            dialogs << d;
    for (QDialog* d : std::as_const(dialogs)) {
        walks << walkWindow(d, d->objectName());
        // Windows made by this one at its first showing (the paste dialog).
        for (QDialog* inner : d->findChildren<QDialog*>())
            if (inner->parentWidget() == d)
                walks << walkWindow(inner, inner->objectName());
    }
    UpdateWindow& boot = main.updateWindow();
    for (int form : {0, 1}) {
        boot.Form_Type = form;
        boot.prepare();
        walks << walkWindow(&boot, form == 0 ? QStringLiteral("UpdateWindow (serial)")
                                             : QStringLiteral("UpdateWindow (Ethernet)"));
    }
    SourceTestWindow sources(state, fakes.platform, {}, &main);
    walks << walkWindow(&sources, sources.objectName());
    // Last: its Close button would end the others.
    walks << walkWindow(&main, main.objectName());

    std::printf("| %s | window | controls reached by Tab | buttons pressed (Enter, Space) | "
                "by letter | problems |\n",
                qPrintable(language));
    for (const Walk& w : std::as_const(walks)) {
        std::printf("| %s | %s | %d | %d | %d | %d |\n", qPrintable(language), qPrintable(w.window),
                    w.controls, w.buttons, w.letters, int(w.problems.size()));
        EXPECT_EQ(w.problems, QStringList()) << w.window.toStdString();
        EXPECT_GT(w.controls, 0) << w.window.toStdString();
    }
    EXPECT_GE(walks.size(), 11);
}

INSTANTIATE_TEST_SUITE_P(Shipped, KeyboardWalk, testing::Values("English", "Italiano"));

// The buttons of the main window with their own work behind them: Enter and the shortcut
// letter open what a click opens, and the prompt seam answers the refusal without a
// configuration.
TEST(MainWindowKeys, EnterAndLettersDoWhatAClickDoes) {
    TestFolder folder;
    FakePlatform fakes;
    ProgramStarter starter{fakes.processes, fakes.clock, QString()};
    SharedState state;
    MainWindow main(state, fakes.platform, starter, folder.path());
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    const QString notValid = QStringLiteral("Error! Project not Valid");

    auto* settings = main.findChild<QPushButton*>(QStringLiteral("Btn_Prm_Gen"));
    settings->setFocus(Qt::TabFocusReason);
    fakes.prompts.expectError(notValid);
    QTest::keyClick(settings, Qt::Key_Return);
    fakes.prompts.verify();

    auto* network = main.findChild<QPushButton*>(QStringLiteral("Btn_MBus"));
    const QChar letter = Keyboard::shortcutLetter(network->text());
    ASSERT_FALSE(letter.isNull());
    fakes.prompts.expectError(notValid);
    QTest::keyClick(settings, Qt::Key(letter.toUpper().unicode()), Qt::AltModifier);
    for (int i = 0; i < 200 && fakes.prompts.shown().size() < 2; ++i)
        QTest::qWait(10);
    fakes.prompts.verify();

    // A picture button: Enter opens the about box.
    auto* info = main.findChild<QPushButton*>(QStringLiteral("Btn_Info"));
    info->setFocus(Qt::TabFocusReason);
    onNextModal([](QWidget* about) { static_cast<QDialog*>(about)->reject(); });
    QTest::keyClick(info, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(modalActionsDone());
}

// Undo, Redo, OK and Cancel read differently and take different letters in every shipped
// language, so a screen reader and the Alt key tell them apart.
TEST(ShippedLanguages, UndoRedoOkCancelAreDistinct) {
    QStringList languages{QStringLiteral("English")};
    for (const QString& file : QDir(QStringLiteral(ORDANO_TRANSLATION_SOURCES))
                                   .entryList({QStringLiteral("*.lng")}, QDir::Files))
        languages << file.chopped(4);
    ASSERT_GE(languages.size(), 2);
    // The windows' own pairs of OK and Cancel, and the editor's four.
    const QList<QList<int>> groups{{673, 674, 602, 603}, {103, 104}, {203, 204},
                                   {312, 313},           {402, 403}, {907, 908}};
    for (QString language : std::as_const(languages)) {
        SCOPED_TRACE(language.toStdString());
        LanguageTable table;
        table.resetToEnglish();
        const QString asked = language;
        ASSERT_EQ(loadLanguage(table, language, QStringLiteral(ORDANO_TRANSLATION_SOURCES)),
                  QString());
        ASSERT_EQ(language, asked);
        for (const QList<int>& group : groups) {
            QWidget window;
            QList<QPushButton*> buttons;
            QSet<QString> texts;
            for (int index : group) {
                texts.insert(table.text(index).trimmed().toCaseFolded());
                buttons << new QPushButton(table.text(index), &window);
            }
            EXPECT_EQ(texts.size(), group.size()) << "texts of " << group.first();
            Keyboard::assignShortcutLetters(&window);
            QSet<QChar> letters;
            for (QPushButton* b : std::as_const(buttons))
                letters.insert(Keyboard::shortcutLetter(b->text()).toCaseFolded());
            letters.remove(QChar());
            EXPECT_EQ(letters.size(), group.size()) << "letters of " << group.first();
        }
    }
}
