#include "gui/network/TreeLabels.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace {

// Labels of one line, left to right, with nothing beside them: what the tree shows.
bool isPlain(const QStyleOptionViewItem& option) {
    return option.features == QStyleOptionViewItem::HasDisplay &&
           option.direction == Qt::LeftToRight &&
           option.displayAlignment == (Qt::AlignLeft | Qt::AlignVCenter) &&
           !option.text.contains(QLatin1Char('\n')) &&
           !option.text.contains(QChar::LineSeparator) && !option.text.isRightToLeft();
}

const QStyle* styleOf(const QStyleOptionViewItem& option) {
    return option.widget ? option.widget->style() : QApplication::style();
}

// The space the style leaves on each side of a label.
int textMargin(const QStyleOptionViewItem& option) {
    return styleOf(option)->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option.widget) + 1;
}

// A bound on the labels kept, so a long session of edits does not grow without end.
constexpr qsizetype MaxLabels = 4096;

} // namespace

TreeLabels::TreeLabels(QObject* parent) : QStyledItemDelegate(parent) {}

void TreeLabels::clear() {
    labels_.clear();
}

const TreeLabels::Label* TreeLabels::labelFor(const QStyleOptionViewItem& option) const {
    if (option.font != font_) {
        labels_.clear();
        font_ = option.font;
    }
    if (const auto found = labels_.constFind(option.text); found != labels_.cend())
        return &found.value();
    if (labels_.size() >= MaxLabels)
        labels_.clear();
    Label label;
    auto layout = std::make_shared<QTextLayout>(option.text, option.font);
    QTextOption textOption;
    textOption.setWrapMode(QTextOption::ManualWrap);
    textOption.setTextDirection(Qt::LeftToRight);
    layout->setTextOption(textOption);
    layout->setCacheEnabled(true); // painting reuses the shaping done for the measure
    layout->beginLayout();
    QTextLine line = layout->createLine();
    if (line.isValid()) {
        line.setLineWidth(1e6); // one line, never wrapped
        line.setPosition(QPointF(0, 0));
        label.width = line.naturalTextWidth();
        label.height = line.height();
    }
    layout->endLayout();
    label.layout = std::move(layout);
    return &labels_.insert(option.text, std::move(label)).value();
}

QSize TreeLabels::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    if (!isPlain(opt))
        return QStyledItemDelegate::sizeHint(option, index);
    const Label* label = labelFor(opt);
    return QSize(int(std::ceil(label->width)) + 2 * textMargin(opt), int(std::ceil(label->height)));
}

void TreeLabels::paint(QPainter* painter, const QStyleOptionViewItem& option,
                       const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const int margin = textMargin(opt);
    const QRect textRect = opt.rect.adjusted(margin, 0, -margin, 0);
    // The focus frame goes over the words, so the row with the focus is the style's too.
    const bool own = isPlain(opt) && !(opt.state & QStyle::State_HasFocus);
    const Label* label = own ? labelFor(opt) : nullptr;
    if (!label || label->width > textRect.width()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    const QStyle* style = styleOf(opt);
    opt.text.clear(); // the style draws the row, the cached layout the words
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);

    QPalette::ColorGroup group =
        opt.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
        group = QPalette::Inactive;
    const auto role =
        opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
    const int height = int(label->height);
    const QPointF origin(textRect.x(), textRect.y() + (textRect.height() - height) / 2);
    painter->save();
    painter->setClipRect(opt.rect, Qt::IntersectClip); // accents stay in their row
    painter->setPen(opt.palette.color(group, role));
    label->layout->draw(painter, origin);
    painter->restore();
}
