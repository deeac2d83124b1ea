#pragma once

#include <QObject>
#include <QPointer>

class HelpWindow;
class QWidget;
struct SharedState;

// F1 in any window opens the guide at that window's page, in the current language. One
// application-wide key handler and one help window for the process, made by the main window.
// The help window is a window of its own that stays usable while a dialog is modal: it is
// carried by whichever modal window is open, since Qt blocks every other one.
class HelpDesk : public QObject {
    Q_OBJECT
public:
    explicit HelpDesk(const SharedState& state, QObject* parent = nullptr);
    ~HelpDesk() override;

    // The handler of the process; null when none is made.
    static HelpDesk* instance();

    // Opens the page of the window holding `widget` (the nearest window the guide knows).
    void openFor(QWidget* widget);
    // Opens `page` (a file name of a language folder).
    void open(const QString& page);

    // The help window; null until the first opening.
    HelpWindow* window() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void carryBy(QWidget* host);

    const SharedState& state_;
    QPointer<HelpWindow> window_;
    QPointer<QWidget> host_;
};
