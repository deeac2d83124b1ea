#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>

class QAbstractButton;
class QTabWidget;
class QWidget;

// What a keyboard user needs beyond Qt's defaults.
namespace Keyboard {

// Enter on a focused button presses it, as Space does. For windows whose buttons are no
// default button, so that Enter in a field neither saves nor leaves.
void pressOnEnter(std::initializer_list<QAbstractButton*> buttons);

// Gives every button of `window` with a text a shortcut letter (Alt+letter): the first letter
// of a word where it is free, else any free letter; no letter twice in the window. A letter a
// text already marks with "&" is kept, and a button with modes (setModeTexts) keeps its letter
// when its text changes. Run again after the texts change. The window also
// gets the keys of installApplicationKeys() and a Tab order that follows the screen.
void assignShortcutLetters(QWidget* window);

// The texts a button shows in its modes (add and modify, say): its letter is one that every
// one of them holds, so that it never moves with the mode. Set before assignShortcutLetters.
void setModeTexts(QAbstractButton* button, const QStringList& texts);

// The letter a button text marks with "&", or a null character.
QChar shortcutLetter(const QString& text);

// One filter for the whole application (installed once, by the first window): Enter on a
// focused push or tool button presses it, and an Alt+letter that is no shortcut does nothing,
// instead of typing the letter into a field.
void installApplicationKeys();

// The controls of `window` that Tab stops at (visible, enabled, taking Tab focus), in the
// order a reader meets them: a window's parts top to bottom, the parts side by side in one
// band left to right, each part's own controls together.
QList<QWidget*> visualOrder(QWidget* window);

// The control a focused widget belongs to: a combo box for its field, a table for its cell
// editor, a tab widget for its bar.
QWidget* controlOf(QWidget* focus, QWidget* window);

// Chains the Tab order of `window` in visualOrder(). The windows of assignShortcutLetters
// follow it by themselves each time something in them is shown.
void orderTabs(QWidget* window);

// The pages of `tabs` change with Ctrl+Tab and Ctrl+PageDown (back with Ctrl+Shift+Tab and
// Ctrl+PageUp) wherever the focus is in `window`, and a tab bar standing on its side takes
// the up and down arrows as a lying one takes left and right.
void tabKeys(QTabWidget* tabs, QWidget* window);

} // namespace Keyboard
