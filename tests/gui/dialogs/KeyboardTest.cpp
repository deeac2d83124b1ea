#include "gui/dialogs/Keyboard.h"
#include "gui/dialogs/ClickLabel.h"

#include "support/QtPrinters.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

QList<QPushButton*> buttons(QWidget* window, const QStringList& texts) {
    QList<QPushButton*> made;
    for (const QString& text : texts)
        made << new QPushButton(text, window);
    return made;
}

QStringList textsOf(const QList<QPushButton*>& list) {
    QStringList texts;
    for (const QPushButton* b : list)
        texts << b->text();
    return texts;
}

} // namespace

// Word starts first, no letter twice, marks already given kept, digits when letters run out,
// in any language's letters.
TEST(ShortcutLetters, OnePerButtonNoneTwiceInAWindow) {
    struct Case {
        QStringList texts;
        QStringList marked;
    };
    const Case cases[] = {
        {{"OK", "Cancel"}, {"&OK", "&Cancel"}},
        {{"Open", "Options", "Other"}, {"&Open", "O&ptions", "O&ther"}},
        {{"ADD NODE", "ADD VARIABLE", "DELETE"}, {"&ADD NODE", "ADD &VARIABLE", "&DELETE"}},
        {{"Annulla", "Aggiorna firmware", "&Esegui"},
         {"&Annulla", "Aggiorna &firmware", "&Esegui"}},
        {{"Save && close", "Skip"}, {"&Save && close", "S&kip"}},
        {{"&Keep", "&Keep too"}, {"&Keep", "Keep &too"}},
        {{"Ä", "Äa"}, {"&Ä", "Ä&a"}},
        {{"ab", "ab", "ab", "a1"}, {"&ab", "a&b", "ab", "a&1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.texts.join(QLatin1Char('|')).toStdString());
        QWidget window;
        const QList<QPushButton*> made = buttons(&window, c.texts);
        Keyboard::assignShortcutLetters(&window);
        EXPECT_EQ(textsOf(made), c.marked);
        Keyboard::assignShortcutLetters(&window);
        EXPECT_EQ(textsOf(made), c.marked) << "a second run changes nothing";
    }
}

// A button with a mark and a child window with its own buttons: each window counts alone.
TEST(ShortcutLetters, ChildWindowsKeepTheirOwnLetters) {
    QWidget window;
    auto* ok = new QPushButton(QStringLiteral("OK"), &window);
    auto* dialog = new QDialog(&window);
    auto* inner = new QPushButton(QStringLiteral("OK"), dialog);
    auto* box = new QCheckBox(QStringLiteral("Overwrite"), &window);
    Keyboard::assignShortcutLetters(&window);
    Keyboard::assignShortcutLetters(dialog);
    EXPECT_EQ(ok->text(), QStringLiteral("&OK"));
    EXPECT_EQ(box->text(), QStringLiteral("O&verwrite"));
    EXPECT_EQ(inner->text(), QStringLiteral("&OK"));
    EXPECT_EQ(Keyboard::shortcutLetter(box->text()), QLatin1Char('v'));
}

// Enter on a focused button presses it; Enter in a field beside it presses nothing.
TEST(PressOnEnter, FocusedButtonPressesFieldDoesNot) {
    QDialog dialog;
    auto* field = new QLineEdit(&dialog);
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    for (QWidget* w :
         {static_cast<QWidget*>(field), static_cast<QWidget*>(ok), static_cast<QWidget*>(cancel)})
        layout->addWidget(w);
    ok->setAutoDefault(false);
    cancel->setAutoDefault(false);
    Keyboard::pressOnEnter({ok, cancel});
    QSignalSpy okClicks(ok, &QPushButton::clicked);
    QSignalSpy cancelClicks(cancel, &QPushButton::clicked);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter})
        QTest::keyClick(field, key);
    EXPECT_EQ(okClicks.size() + cancelClicks.size(), 0);
    QTest::keyClick(ok, Qt::Key_Return);
    QTest::keyClick(cancel, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(okClicks.size(), 1);
    EXPECT_EQ(cancelClicks.size(), 1);
    ok->setEnabled(false);
    QTest::keyClick(ok, Qt::Key_Return);
    EXPECT_EQ(okClicks.size(), 1) << "a disabled button stays unpressed";
}

// A link label answers the keyboard and offers screen readers a named link with a press action.
TEST(ClickLabel, KeyboardAndScreenReaderCanFollowTheLink) {
    QWidget window;
    auto* link = new ClickLabel(QStringLiteral("www.example.com"), &window);
    int followed = 0;
    link->clicked = [&followed] { ++followed; };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(link->focusPolicy() & Qt::TabFocus);

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space})
        QTest::keyClick(link, key);
    QTest::keyClick(link, Qt::Key_A);
    EXPECT_EQ(followed, 3);
    QTest::mouseClick(link, Qt::LeftButton);
    EXPECT_EQ(followed, 4);

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(link);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->role(), QAccessible::Link);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("www.example.com"));
    QAccessibleActionInterface* actions = accessible->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::pressAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(followed, 5);

    auto* picture = new ClickLabel(&window);
    picture->setAccessibleName(QStringLiteral("Maker's home page"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(picture)->text(QAccessible::Name),
              QStringLiteral("Maker's home page"));
}
