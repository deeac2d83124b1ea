#pragma once

#include <QFont>
#include <QHash>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <memory>

// Paints and measures the one-line labels of the network tree from text laid out once.
// The style lays each label out three times per paint (size, eliding, drawing) and again
// for every measure of the column; with a full network that was most of the editor's
// opening. What it draws is the style's own: the row's panel and focus come from the style,
// the glyphs from the same layout the style makes. A label the style would cut, wrap or
// decorate goes to the style as before.
class TreeLabels final : public QStyledItemDelegate {
public:
    explicit TreeLabels(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Forgets every label laid out, for a new network (the texts of the old one are not
    // shown again).
    void clear();

private:
    // Laid out once when the column is fitted, and painted from the same layout.
    struct Label {
        std::shared_ptr<const QTextLayout> layout;
        qreal width = 0;
        qreal height = 0;
    };
    const Label* labelFor(const QStyleOptionViewItem& option) const;

    mutable QHash<QString, Label> labels_;
    mutable QFont font_;
};
