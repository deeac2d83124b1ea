#pragma once

#include <QString>

#include <initializer_list>

class QAbstractButton;
class QLabel;
class QLayout;
class QPushButton;
class QWidget;

// The parts every dialog shares: a title panel (P_Title) with the software code in large grey
// letters and a description in bold grey letters, and a bottom panel (P_Button) with OK and
// Cancel.
namespace DialogParts {

// The object name by which tests and desktop tools find a control.
template <typename W> W* named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}
// A field's caption, which is also the field's accessible name.
void setLabel(QLabel* label, QWidget* field, const QString& text);
// The same, with the label's mnemonic leading to the field.
void setBuddyLabel(QLabel* label, QWidget* field, const QString& text);
// A button's caption, which is also its accessible name.
void setButton(QAbstractButton* button, const QString& text);

struct TitlePanel {
    QWidget* panel;
    QLabel* code;        // L_SW_Code
    QLabel* description; // L_SW_Desc
};
TitlePanel makeTitlePanel(QWidget* parent, const QString& code, int height = 69);

struct ButtonPanel {
    QWidget* panel;
    QPushButton* ok;     // Btn_OK
    QPushButton* cancel; // Btn_Cancel
};
// `alignRight` keeps the two buttons at the right edge (for resizable dialogs).
ButtonPanel makeButtonPanel(QWidget* parent, bool alignRight = false, int height = 40);

// Stacks title panel, body and button panel over the whole dialog; `stretchBody` lets the
// body take the room a resizable dialog gains.
void stack(QWidget* dialog, const TitlePanel& title, QLayout* body, const ButtonPanel& buttons,
           bool stretchBody);

// A warning strip (L_Read_Only) under the title, hidden until showReadOnly gives it a text.
QLabel* makeReadOnlyBanner(QWidget* parent);
// Shows `notice` (or hides the strip for an empty one) and enables `writers` only without it.
void showReadOnly(QLabel* banner, const QString& notice, std::initializer_list<QWidget*> writers);

// Large grey text for L_SW_Code, bold grey for L_SW_Desc.
void styleCodeLabel(QLabel* label);
void styleDescriptionLabel(QLabel* label);

// Centres a window on its parent's screen, or on the primary screen without a parent; leaves
// it where it is when there is no screen at all.
void centreOnScreen(QWidget* window);

} // namespace DialogParts
