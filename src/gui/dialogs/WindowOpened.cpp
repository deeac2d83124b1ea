#include "gui/dialogs/WindowOpened.h"

#include <QEvent>
#include <QObject>
#include <QWidget>

namespace DialogParts {

namespace {

// The show event an opener causes is sent by Qt itself; the one of a restore comes from the
// window system and is marked spontaneous.
class OpenWatch final : public QObject {
public:
    OpenWatch(QWidget* window, std::function<void()> opened)
        : QObject(window), opened_(std::move(opened)) {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == parent() && event->type() == QEvent::Show && !event->spontaneous())
            opened_();
        return false;
    }

private:
    std::function<void()> opened_;
};

} // namespace

void onOpened(QWidget* window, std::function<void()> opened) {
    new OpenWatch(window, std::move(opened));
}

} // namespace DialogParts
