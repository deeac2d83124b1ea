#include "gui/dialogs/Keyboard.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QSet>

namespace Keyboard {

namespace {

class EnterPresses final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
            (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto* button = static_cast<QAbstractButton*>(watched);
        if (button->isEnabled())
            button->click();
        return true;
    }
};

int markAt(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] != QLatin1Char('&'))
            return i;
        ++i; // "&&" is a plain ampersand
    }
    return -1;
}

// Where the mark goes in `text`: word starts first, then any letter or digit.
int freePlace(const QString& text, const QSet<QChar>& used) {
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (!c.isLetterOrNumber() || used.contains(c.toCaseFolded()))
                continue;
            const bool wordStart = i == 0 || !text[i - 1].isLetterOrNumber();
            if (pass == 1 || wordStart)
                return i;
        }
    }
    return -1;
}

} // namespace

void pressOnEnter(std::initializer_list<QAbstractButton*> buttons) {
    for (QAbstractButton* button : buttons)
        button->installEventFilter(new EnterPresses(button));
}

QChar shortcutLetter(const QString& text) {
    const int at = markAt(text);
    return at < 0 ? QChar() : text[at + 1];
}

void assignShortcutLetters(QWidget* window) {
    const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
    QSet<QChar> used;
    QList<QAbstractButton*> unmarked;
    for (QAbstractButton* button : buttons) {
        // Buttons of a window of their own (a child dialog) are that window's business.
        if (button->window() != window || button->text().isEmpty())
            continue;
        const QChar letter = shortcutLetter(button->text());
        if (!letter.isNull() && !used.contains(letter.toCaseFolded()))
            used.insert(letter.toCaseFolded());
        else
            unmarked << button;
    }
    for (QAbstractButton* button : unmarked) {
        QString text = button->text();
        if (const int old = markAt(text); old >= 0)
            text.remove(old, 1); // a letter taken twice: find this one another
        const int at = freePlace(text, used);
        if (at < 0)
            continue;
        used.insert(text[at].toCaseFolded());
        text.insert(at, QLatin1Char('&'));
        button->setText(text);
    }
}

} // namespace Keyboard
