#pragma once

#include <QLabel>

#include <functional>

// A label that reports left clicks, for pictures and web addresses that act as links.
class ClickLabel final : public QLabel {
public:
    using QLabel::QLabel;
    std::function<void()> clicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};
