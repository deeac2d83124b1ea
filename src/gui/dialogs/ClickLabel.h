#pragma once

#include <QLabel>

#include <functional>

// A label that acts as a link, for pictures and web addresses: a left click, or Enter or
// Space while it has the focus, runs `clicked`. Screen readers see a link with a press
// action, named by its accessible name or its text.
class ClickLabel final : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget* parent = nullptr);
    explicit ClickLabel(const QString& text, QWidget* parent = nullptr);
    std::function<void()> clicked;

    void activate();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
