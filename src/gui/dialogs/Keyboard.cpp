#include "gui/dialogs/Keyboard.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QHash>
#include <QKeyEvent>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSet>
#include <QShortcut>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <functional>

namespace Keyboard {

namespace {

const char* const ModeTextsProperty = "keyboardModeTexts";
const char* const LetterProperty = "keyboardLetter";
const char* const OrderedWindowProperty = "keyboardOrderedWindow";
const char* const OrderPendingProperty = "keyboardOrderPending";

bool isEnter(const QKeyEvent* key) {
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Check boxes and radio buttons leave Enter to the window, as everywhere else.
bool pressesOnEnter(const QObject* object) {
    return qobject_cast<const QPushButton*>(object) || qobject_cast<const QToolButton*>(object);
}

bool isAltLetter(const QKeyEvent* key) {
    const Qt::KeyboardModifiers mods = key->modifiers();
    if (!(mods & Qt::AltModifier) || (mods & (Qt::ControlModifier | Qt::MetaModifier)))
        return false;
    if ((key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) ||
        (key->key() >= Qt::Key_0 && key->key() <= Qt::Key_9))
        return true;
    const QString text = key->text();
    return text.size() == 1 && text[0].isLetterOrNumber();
}

class EnterPresses final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress || !isEnter(static_cast<QKeyEvent*>(event)))
            return false;
        auto* button = static_cast<QAbstractButton*>(watched);
        if (button->isEnabled())
            button->click();
        return true;
    }
};

// The filter behind installApplicationKeys(); it also keeps the Tab order of the windows that
// asked for it, once whatever was shown in them has its place.
class ApplicationKeys final : public QObject {
public:
    using QObject::QObject;

    // Once per window and turn of the event loop. The mark lives on the window, so a new
    // window at a freed one's address starts unmarked.
    void orderLater(QWidget* window) {
        if (window->property(OrderPendingProperty).toBool())
            return;
        window->setProperty(OrderPendingProperty, true);
        QPointer<QWidget> guarded(window);
        QMetaObject::invokeMethod(
            this,
            [guarded] {
                if (!guarded)
                    return;
                guarded->setProperty(OrderPendingProperty, false);
                orderTabs(guarded);
            },
            Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (isEnter(key) && pressesOnEnter(watched)) {
                auto* button = static_cast<QAbstractButton*>(watched);
                if (button->isEnabled())
                    button->click();
                return true;
            }
            // A shortcut would have taken it before this point; a menu takes letters itself.
            if (isAltLetter(key) && !qobject_cast<QMenu*>(watched))
                return true;
            return false;
        }
        case QEvent::Show:
            if (watched->isWidgetType()) {
                QWidget* window = static_cast<QWidget*>(watched)->window();
                if (window->property(OrderedWindowProperty).toBool())
                    orderLater(window);
            }
            return false;
        default:
            return false;
        }
    }
};

ApplicationKeys* applicationKeys = nullptr;

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

QString withoutMark(QString text) {
    if (const int at = markAt(text); at >= 0)
        text.remove(at, 1);
    return text;
}

// Where the mark goes in `text`: word starts first, then any letter or digit that `allowed`
// lets through.
int freePlace(const QString& text, const std::function<bool(QChar)>& allowed) {
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (!c.isLetterOrNumber() || !allowed(c.toCaseFolded()))
                continue;
            const bool wordStart = i == 0 || !text[i - 1].isLetterOrNumber();
            if (pass == 1 || wordStart)
                return i;
        }
    }
    return -1;
}

bool holds(const QString& text, QChar folded) {
    for (const QChar c : text)
        if (c.toCaseFolded() == folded)
            return true;
    return false;
}

// True when every mode text of `button` holds the letter.
bool startsAWord(const QString& text, QChar folded) {
    for (int i = 0; i < text.size(); ++i)
        if (text[i].toCaseFolded() == folded && (i == 0 || !text[i - 1].isLetterOrNumber()))
            return true;
    return false;
}

// True when the button has modes and each mode's text has a word starting with the letter.
bool everyModeStartsAWord(const QAbstractButton* button, QChar folded) {
    const QStringList modes = button->property(ModeTextsProperty).toStringList();
    return !modes.isEmpty() &&
           std::all_of(modes.begin(), modes.end(), [folded](const QString& mode) {
               return startsAWord(withoutMark(mode), folded);
           });
}

bool everyModeHolds(const QAbstractButton* button, QChar folded) {
    const QStringList modes = button->property(ModeTextsProperty).toStringList();
    return std::all_of(modes.begin(), modes.end(),
                       [folded](const QString& mode) { return holds(withoutMark(mode), folded); });
}

// A control Tab stops at now; or, for the chain, one it may stop at later: a disabled one, or
// a radio button that is not the checked one of its group.
bool isStop(QWidget* w, QWidget* window, bool now) {
    if (w->window() != window || w->focusProxy() || !w->isVisibleTo(window))
        return false;
    if (!now)
        return w->focusPolicy() != Qt::NoFocus;
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && w->isEnabled();
}

// Siblings in reading order: bands from the top (a sibling belongs to a band when it starts
// above the middle of the band's first one), left to right inside a band.
QList<QWidget*> readingOrder(QList<QWidget*> siblings) {
    std::stable_sort(siblings.begin(), siblings.end(), [](QWidget* a, QWidget* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    QList<QWidget*> ordered;
    for (qsizetype start = 0; start < siblings.size();) {
        const QWidget* first = siblings[start];
        const int middle = first->y() + first->height() / 2;
        qsizetype end = start + 1;
        while (end < siblings.size() && siblings[end]->y() < middle)
            ++end;
        QList<QWidget*> band = siblings.mid(start, end - start);
        std::stable_sort(band.begin(), band.end(),
                         [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
        ordered << band;
        start = end;
    }
    return ordered;
}

void appendInOrder(QWidget* container, const QList<QWidget*>& stops, QList<QWidget*>& out) {
    // Each stop under the child of `container` that holds it.
    QList<QWidget*> children;
    QHash<QWidget*, QList<QWidget*>> under;
    for (QWidget* stop : stops) {
        QWidget* child = stop;
        while (child->parentWidget() != container)
            child = child->parentWidget();
        if (!under.contains(child))
            children << child;
        under[child] << stop;
    }
    for (QWidget* child : readingOrder(children)) {
        QList<QWidget*> inside = under.value(child);
        if (inside.removeAll(child) > 0)
            out << child;
        if (!inside.isEmpty())
            appendInOrder(child, inside, out);
    }
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

void setModeTexts(QAbstractButton* button, const QStringList& texts) {
    if (button->property(ModeTextsProperty).toStringList() == texts)
        return;
    // New words (another language): the letter is chosen again.
    button->setProperty(ModeTextsProperty, texts);
    button->setProperty(LetterProperty, QVariant());
}

void assignShortcutLetters(QWidget* window) {
    installApplicationKeys();
    window->setProperty(OrderedWindowProperty, true);
    const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
    QSet<QChar> used;
    QList<QAbstractButton*> unmarked;
    for (QAbstractButton* button : buttons) {
        // Buttons of a window of their own (a child dialog) are that window's business.
        if (button->window() != window || button->text().isEmpty())
            continue;
        const QChar letter = shortcutLetter(button->text()).toCaseFolded();
        if (!letter.isNull() && !used.contains(letter) && everyModeHolds(button, letter)) {
            used.insert(letter);
            button->setProperty(LetterProperty, QString(letter));
        } else {
            unmarked << button;
        }
    }
    const auto mark = [&used](QAbstractButton* button, const QString& text, int at) {
        const QChar letter = text[at].toCaseFolded();
        used.insert(letter);
        button->setProperty(LetterProperty, QString(letter));
        button->setText(QString(text).insert(at, QLatin1Char('&')));
    };
    // A letter the button had before its text changed, then the buttons bound to a letter of
    // every mode, then the rest.
    QList<QAbstractButton*> left;
    for (QAbstractButton* button : std::as_const(unmarked)) {
        const QString text = withoutMark(button->text());
        // Only a button with modes keeps a letter its new text holds; any other takes the
        // best one for its new words.
        const QString remembered = button->property(ModeTextsProperty).isValid()
                                       ? button->property(LetterProperty).toString()
                                       : QString();
        const int at = remembered.isEmpty() || used.contains(remembered[0])
                           ? -1
                           : freePlace(text, [&](QChar c) { return c == remembered[0]; });
        if (at >= 0)
            mark(button, text, at);
        else
            left << button;
    }
    std::stable_partition(left.begin(), left.end(), [](const QAbstractButton* b) {
        return !b->property(ModeTextsProperty).toStringList().isEmpty();
    });
    for (QAbstractButton* button : std::as_const(left)) {
        const QString text = withoutMark(button->text());
        // For a button with modes, a letter that starts a word in every mode comes first.
        int at = freePlace(
            text, [&](QChar c) { return !used.contains(c) && everyModeStartsAWord(button, c); });
        if (at < 0)
            at = freePlace(text,
                           [&](QChar c) { return !used.contains(c) && everyModeHolds(button, c); });
        if (at >= 0)
            mark(button, text, at);
        else
            button->setText(text); // no letter left: better none than one taken twice
    }
}

void installApplicationKeys() {
    if (applicationKeys || !qApp)
        return;
    applicationKeys = new ApplicationKeys(qApp);
    qApp->installEventFilter(applicationKeys);
    QObject::connect(applicationKeys, &QObject::destroyed, [] { applicationKeys = nullptr; });
}

static QList<QWidget*> inOrder(QWidget* window, bool now) {
    QList<QWidget*> stops;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!isStop(w, window, now))
            continue;
        QWidget* control = controlOf(w, window);
        if (!stops.contains(control))
            stops << control;
    }
    QList<QWidget*> ordered;
    appendInOrder(window, stops, ordered);
    return ordered;
}

QWidget* controlOf(QWidget* focus, QWidget* window) {
    const auto deepestProxy = [](QWidget* w) {
        while (w->focusProxy())
            w = w->focusProxy();
        return w;
    };
    QWidget* control = focus;
    for (QWidget* p = focus->parentWidget(); p && p != window; p = p->parentWidget()) {
        // A table's cell editor; a combo box's field; a tab widget's bar, by its proxy.
        if (qobject_cast<QAbstractItemView*>(p) || qobject_cast<QComboBox*>(p) ||
            qobject_cast<QAbstractSpinBox*>(p) ||
            (p->focusProxy() && deepestProxy(p) == deepestProxy(control)))
            control = p;
    }
    return control;
}

QList<QWidget*> visualOrder(QWidget* window) {
    return inOrder(window, true);
}

void orderTabs(QWidget* window) {
    const QList<QWidget*> order = inOrder(window, false);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

void tabKeys(QTabWidget* tabs, QWidget* window) {
    const auto step = [tabs](int by, bool wrap) {
        const int count = tabs->count();
        for (int page = tabs->currentIndex() + by, tried = 0; tried < count; page += by, ++tried) {
            if (page < 0 || page >= count) {
                if (!wrap)
                    return;
                page = (page + count) % count;
            }
            if (tabs->isTabEnabled(page)) {
                tabs->setCurrentIndex(page);
                return;
            }
        }
    };
    const std::pair<QKeySequence, int> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
        {QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}};
    for (const auto& [key, by] : keys) {
        auto* shortcut = new QShortcut(key, window);
        QObject::connect(shortcut, &QShortcut::activated, tabs, [step, by] { step(by, true); });
    }

    // Qt's tab bar moves with left and right only, whichever side it stands on.
    class SideArrows final : public QObject {
    public:
        SideArrows(QTabWidget* tabs, std::function<void(int, bool)> step)
            : QObject(tabs), tabs_(tabs), step_(std::move(step)) {}

    protected:
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() != QEvent::KeyPress)
                return false;
            const auto* key = static_cast<QKeyEvent*>(event);
            const auto position = tabs_->tabPosition();
            if ((position != QTabWidget::West && position != QTabWidget::East) ||
                key->modifiers() != Qt::NoModifier)
                return false;
            if (key->key() != Qt::Key_Up && key->key() != Qt::Key_Down)
                return false;
            step_(key->key() == Qt::Key_Down ? 1 : -1, false);
            return true;
        }

    private:
        QTabWidget* tabs_;
        std::function<void(int, bool)> step_;
    };
    tabs->tabBar()->installEventFilter(new SideArrows(tabs, step));
}

} // namespace Keyboard
