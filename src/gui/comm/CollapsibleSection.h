#pragma once

#include <QWidget>

class QToolButton;
class QVBoxLayout;

// A section with a header the user clicks to fold or unfold it. Unfolded it keeps its design
// height, folded only the header's, so sections stacked in a layout close up beneath it.
class CollapsibleSection : public QWidget {
    Q_OBJECT
public:
    CollapsibleSection(const char* name, int designHeight, QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const;
    QToolButton* header() const { return header_; }
    // The controls go here; its layout is the caller's.
    QWidget* body() const { return body_; }

    bool isExpanded() const;
    void setExpanded(bool expanded);
    int designHeight() const { return designHeight_; }

private:
    QToolButton* header_;
    QWidget* body_;
    int designHeight_;
};
