#include "gui/dialogs/Keyboard.h"
#include "gui/dialogs/ClickLabel.h"

#include "support/QtPrinters.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
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

// A button with two modes keeps one letter through both, one that each mode's text holds.
TEST(ShortcutLetters, ModesAndNewTextsKeepTheLetter) {
    struct Case {
        QStringList others; // the window's other buttons
        QStringList modes;  // the mode button's texts, shown in turn
    };
    const Case cases[] = {
        // Alone, "AGGIUNGI" would take G and "MODIFICA" M.
        {{"OK", "Annulla"}, {"AGGIUNGI VARIABILE", "MODIFICA VARIABILE"}},
        {{"OK", "Annulla", "MODIFICA NODO"}, {"AGGIUNGI VARIABILE", "MODIFICA VARIABILE"}},
        {{"OK", "Cancel", "Variables"}, {"ADD VARIABLE", "MODIFY VARIABLE"}},
        {{"Add", "Modify"}, {"Add node", "Modify node"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.others + c.modes).join(QLatin1Char('|')).toStdString());
        QWidget window;
        const QList<QPushButton*> others = buttons(&window, c.others);
        auto* modal = new QPushButton(c.modes.first(), &window);
        Keyboard::setModeTexts(modal, c.modes);
        Keyboard::assignShortcutLetters(&window);
        const QChar letter = Keyboard::shortcutLetter(modal->text()).toCaseFolded();
        ASSERT_FALSE(letter.isNull());
        const QStringList before = textsOf(others);
        for (const QString& mode : c.modes + c.modes) {
            modal->setText(mode);
            Keyboard::assignShortcutLetters(&window);
            EXPECT_EQ(Keyboard::shortcutLetter(modal->text()).toCaseFolded(), letter)
                << mode.toStdString();
            EXPECT_EQ(textsOf(others), before);
        }
        for (const QPushButton* b : others)
            EXPECT_NE(Keyboard::shortcutLetter(b->text()).toCaseFolded(), letter);
    }

    // A letter that starts a word in every mode wins over the first free one.
    {
        QWidget window;
        buttons(&window, {"OK", "Annulla"});
        auto* modal = new QPushButton(QStringLiteral("AGGIUNGI NODO"), &window);
        Keyboard::setModeTexts(modal,
                               {QStringLiteral("AGGIUNGI NODO"), QStringLiteral("MODIFICA NODO")});
        Keyboard::assignShortcutLetters(&window);
        EXPECT_EQ(modal->text(), QStringLiteral("AGGIUNGI &NODO"));
        modal->setText(QStringLiteral("MODIFICA NODO"));
        Keyboard::assignShortcutLetters(&window);
        EXPECT_EQ(modal->text(), QStringLiteral("MODIFICA &NODO"));
    }

    // Words of another language: the letter is chosen again.
    QWidget window;
    auto* modal = new QPushButton(QStringLiteral("ADD NODE"), &window);
    Keyboard::setModeTexts(modal, {QStringLiteral("ADD NODE"), QStringLiteral("MODIFY NODE")});
    Keyboard::assignShortcutLetters(&window);
    ASSERT_EQ(modal->text(), QStringLiteral("ADD &NODE"));
    Keyboard::setModeTexts(modal, {QStringLiteral("SEND ITEM"), QStringLiteral("MEND ITEM")});
    modal->setText(QStringLiteral("SEND ITEM"));
    Keyboard::assignShortcutLetters(&window);
    EXPECT_EQ(modal->text(), QStringLiteral("SEND &ITEM"));
}

// The keys of every window that takes shortcut letters: Enter presses a focused push or tool
// button even outside a dialog, never a check box or a field; an Alt+letter that is no
// shortcut types nothing, one that is presses its button.
TEST(ApplicationKeys, EnterOnButtonsAndAltLettersThatAreNoShortcut) {
    QWidget window;
    auto* field = new QLineEdit(&window);
    auto* go = new QPushButton(QStringLiteral("Go"), &window);
    auto* tool = new QToolButton(&window);
    tool->setText(QStringLiteral("Tool"));
    tool->setFocusPolicy(Qt::StrongFocus);
    auto* box = new QCheckBox(QStringLiteral("Box"), &window);
    auto* layout = new QVBoxLayout(&window);
    for (QWidget* w : {static_cast<QWidget*>(field), static_cast<QWidget*>(go),
                       static_cast<QWidget*>(tool), static_cast<QWidget*>(box)})
        layout->addWidget(w);
    Keyboard::assignShortcutLetters(&window);
    QSignalSpy goClicks(go, &QPushButton::clicked);
    QSignalSpy toolClicks(tool, &QToolButton::clicked);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    go->setFocus();
    QTest::keyClick(go, Qt::Key_Return);
    tool->setFocus();
    QTest::keyClick(tool, Qt::Key_Enter, Qt::KeypadModifier);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(goClicks.size(), 1);
    EXPECT_EQ(toolClicks.size(), 1);
    EXPECT_FALSE(box->isChecked()) << "Enter is no Space on a check box";

    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("ab"));
    QTest::keyClick(field, Qt::Key_Q, Qt::AltModifier);
    QTest::keyClick(field, Qt::Key_Q, Qt::AltModifier | Qt::ShiftModifier);
    QTest::keyClick(field, Qt::Key_5, Qt::AltModifier);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(field->text(), QStringLiteral("ab"));
    EXPECT_EQ(goClicks.size(), 1) << "Enter in a field presses no button";
    QTest::keyClick(field, Qt::Key_G, Qt::AltModifier);
    for (int i = 0; i < 200 && goClicks.size() < 2; ++i)
        QTest::qWait(10);
    EXPECT_EQ(goClicks.size(), 2);
    EXPECT_EQ(field->text(), QStringLiteral("ab"));
}

// The reading order of a window: bands from the top, left to right in a band, the controls of
// one part together; whatever order the controls were made in.
TEST(VisualOrder, FollowsTheScreenNotTheOrderOfMaking) {
    // Made bottom up and right to left.
    QWidget window;
    window.setObjectName(QStringLiteral("window"));
    auto* grid = new QGridLayout(&window);
    const auto add = [&](const char* name, int row, int column, QWidget* parent = nullptr) {
        auto* edit = new QLineEdit(parent ? parent : &window);
        edit->setObjectName(QLatin1String(name));
        if (!parent)
            grid->addWidget(edit, row, column);
        return edit;
    };
    auto* ok = new QPushButton(QStringLiteral("OK"), &window);
    ok->setObjectName(QStringLiteral("ok"));
    grid->addWidget(ok, 3, 2);
    add("timeout", 1, 2);
    add("address", 1, 1);
    auto* radio = new QRadioButton(QStringLiteral("TCP"), &window);
    radio->setObjectName(QStringLiteral("tcp"));
    grid->addWidget(radio, 1, 0);
    // A part of its own with two controls one above the other: they come together.
    auto* part = new QWidget(&window);
    part->setObjectName(QStringLiteral("part"));
    auto* inner = new QVBoxLayout(part);
    inner->addWidget(add("inner2", 0, 0, part));
    inner->insertWidget(0, add("inner1", 0, 0, part));
    grid->addWidget(part, 2, 0);
    add("port", 0, 1);
    add("name", 0, 0);
    add("disabled", 2, 1)->setEnabled(false);
    add("hidden", 2, 2)->hide();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    QStringList order;
    for (const QWidget* w : Keyboard::visualOrder(&window))
        order << w->objectName();
    EXPECT_EQ(order,
              (QStringList{"name", "port", "tcp", "address", "timeout", "inner1", "inner2", "ok"}));

    Keyboard::orderTabs(&window);
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.findChild<QLineEdit*>(QStringLiteral("name"))->setFocus();
    QStringList walked{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < order.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        walked << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(walked, order + QStringList{"name"}) << "Tab follows it and comes back";
}

// Pages change with Ctrl+Tab and Ctrl+PageDown wherever the focus is, back with Ctrl+Shift+Tab
// and Ctrl+PageUp, around the end; a tab bar on its side takes the up and down arrows.
TEST(TabKeys, PagesChangeFromAnywhereAndBySideArrows) {
    QWidget window;
    auto* field = new QLineEdit(&window);
    auto* tabs = new QTabWidget(&window);
    tabs->setTabPosition(QTabWidget::West);
    for (const char* name : {"one", "two", "three"})
        tabs->addTab(new QLineEdit, QLatin1String(name));
    auto* layout = new QHBoxLayout(&window);
    layout->addWidget(field);
    layout->addWidget(tabs);
    Keyboard::tabKeys(tabs, &window);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();

    struct Step {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int page;
    };
    const Step steps[] = {
        {Qt::Key_Tab, Qt::ControlModifier, 1},
        {Qt::Key_PageDown, Qt::ControlModifier, 2},
        {Qt::Key_Tab, Qt::ControlModifier, 0},
        {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, 2},
        {Qt::Key_PageUp, Qt::ControlModifier, 1},
    };
    for (const Step& s : steps) {
        QTest::keyClick(field, s.key, s.modifiers);
        EXPECT_EQ(tabs->currentIndex(), s.page)
            << QKeySequence(s.key | s.modifiers).toString().toStdString();
    }
    EXPECT_TRUE(field->hasFocus());

    tabs->tabBar()->setFocus();
    QTest::keyClick(tabs->tabBar(), Qt::Key_Down);
    EXPECT_EQ(tabs->currentIndex(), 2);
    QTest::keyClick(tabs->tabBar(), Qt::Key_Down);
    EXPECT_EQ(tabs->currentIndex(), 2) << "the arrows stop at the end, as Qt's do";
    QTest::keyClick(tabs->tabBar(), Qt::Key_Up);
    QTest::keyClick(tabs->tabBar(), Qt::Key_Up);
    EXPECT_EQ(tabs->currentIndex(), 0);
}
