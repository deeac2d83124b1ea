#include "gui/help/HelpDesk.h"

#include "core/shell/HelpPages.h"
#include "core/state/SharedState.h"
#include "gui/help/HelpTexts.h"
#include "gui/help/HelpWindow.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace {

HelpDesk* current = nullptr;

// The window the guide knows that holds `widget`: its own window, else the window that owns
// that one (a message box or a small dialog of a window).
QString windowName(QWidget* widget) {
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        QWidget* top = w->window();
        if (HelpPages::hasPage(top->objectName()))
            return top->objectName();
        w = top;
    }
    return QString();
}

bool insideHelp(QWidget* widget) {
    return widget && widget->window() &&
           widget->window()->objectName() == QLatin1String("HelpWindow");
}

} // namespace

HelpDesk::HelpDesk(const SharedState& state, QObject* parent) : QObject(parent), state_(state) {
    current = this;
    qApp->installEventFilter(this);
}

HelpDesk::~HelpDesk() {
    qApp->removeEventFilter(this);
    if (current == this)
        current = nullptr;
    HelpWindow* window = window_;
    window_.clear();
    delete window;
}

HelpWindow* HelpDesk::window() const {
    return window_;
}

HelpDesk* HelpDesk::instance() {
    return current;
}

void HelpDesk::openFor(QWidget* widget) {
    open(HelpPages::pageOf(windowName(widget)));
}

void HelpDesk::open(const QString& page) {
    if (!window_)
        window_ = new HelpWindow;
    const LanguageTable& texts = state_.texts;
    window_->applyLanguage(texts);
    const QStringList roots = HelpPages::roots(state_.layout());
    const QString file = HelpPages::find(roots, state_.language, page);
    if (file.isEmpty()) {
        window_->showMissing(
            texts.text(HelpTexts::NotInstalled).arg(page, roots.join(QStringLiteral(", "))));
    } else {
        const QString contents =
            HelpPages::find(roots, state_.language, QLatin1String(HelpPages::IndexPage));
        window_->showPage(file, page.section(QLatin1Char('#'), 1), contents);
    }
    carryBy(QApplication::activeModalWidget());
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void HelpDesk::carryBy(QWidget* host) {
    if (!window_ || host_ == host || host == window_)
        return;
    const bool visible = window_->isVisible();
    const QRect geometry = window_->geometry();
    window_->setParent(host, Qt::Window);
    host_ = host;
    if (visible) {
        // Shown again where it was, without taking the keyboard from the window in use.
        window_->setGeometry(geometry);
        window_->setAttribute(Qt::WA_ShowWithoutActivating, true);
        window_->show();
        window_->setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

bool HelpDesk::eventFilter(QObject* watched, QEvent* event) {
    if (!watched->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || insideHelp(widget))
            return false;
        openFor(widget);
        return true;
    }
    case QEvent::Show:
        // A modal window blocks every other: the guide, when open, moves to it.
        if (window_ && window_->isVisible() && widget->isWindow() && widget->isModal())
            carryBy(widget);
        return false;
    case QEvent::Hide:
        // Before its carrier goes (a dialog may be destroyed once closed), the guide moves to
        // the modal window beneath, or stands alone.
        if (window_ && widget == host_) {
            QWidget* next = nullptr;
            for (QWidget* w = widget->parentWidget(); w; w = w->parentWidget()) {
                if (w->isWindow() && w->isModal() && w->isVisible()) {
                    next = w;
                    break;
                }
            }
            carryBy(next);
        }
        return false;
    default:
        return false;
    }
}
