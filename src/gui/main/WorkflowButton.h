#pragma once

#include <QPushButton>

// The main window's buttons: a light face that turns orange while pressed, picture at the
// left. Painted here rather than through a style sheet, which costs start-up time.
class WorkflowButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};
