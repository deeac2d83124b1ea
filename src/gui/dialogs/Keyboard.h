#pragma once

#include <QString>

#include <initializer_list>

class QAbstractButton;
class QWidget;

// What a keyboard user needs beyond Qt's defaults.
namespace Keyboard {

// Enter on a focused button presses it, as Space does. For windows whose buttons are no
// default button, so that Enter in a field neither saves nor leaves.
void pressOnEnter(std::initializer_list<QAbstractButton*> buttons);

// Gives every button of `window` with a text a shortcut letter (Alt+letter): the first letter
// of a word where it is free, else any free letter; no letter twice in the window. A letter a
// text already marks with "&" is kept. Run again after the texts change.
void assignShortcutLetters(QWidget* window);

// The letter a button text marks with "&", or a null character.
QChar shortcutLetter(const QString& text);

} // namespace Keyboard
