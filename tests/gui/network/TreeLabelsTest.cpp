// The tree's cached labels against the style's own item painting: the same size and the same
// pixels for every label and row state the tree shows, and the style's own path for a label
// it must cut.
#include "gui/network/TreeLabels.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

const char* const Labels[] = {
    "M-Bus Network",
    "Primary Address 12 - Secondary Address 87654321 - Contatore più vicino all'entrata",
    "VAR - Energia attiva – totale (kWh) ÀÉÌÒÙ àèéìòù",
    "VAR - 電力量 / Wärmemenge ffi fl",
    "VAR - ",
    "",
};

struct Row {
    QStyle::State state;
    const char* what;
};

const Row States[] = {
    {QStyle::State_Enabled | QStyle::State_Active, "plain"},
    {QStyle::State_Enabled | QStyle::State_Active | QStyle::State_Selected, "selected"},
    {QStyle::State_Enabled | QStyle::State_Active | QStyle::State_Selected | QStyle::State_HasFocus,
     "selected with focus"},
    {QStyle::State_Enabled | QStyle::State_Selected, "selected, window inactive"},
    {QStyle::State_None, "disabled"},
};

struct View {
    QStandardItemModel model;
    QTreeView tree;
    View() {
        for (const char* label : Labels)
            model.appendRow(new QStandardItem(QString::fromUtf8(label)));
        tree.setModel(&model);
        tree.resize(900, 300);
    }
    QModelIndex at(int row) const { return model.index(row, 0); }
};

// At twice the pixels too, as on a screen scaled to 200 %.
QImage painted(const QAbstractItemDelegate& delegate, const QStyleOptionViewItem& option,
               const QModelIndex& index, int scale = 1) {
    QImage image((option.rect.size() + QSize(4, 4)) * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    QPainter painter(&image);
    delegate.paint(&painter, option, index);
    return image;
}

QStyleOptionViewItem optionFor(const QTreeView& tree, QRect rect, QStyle::State state) {
    QStyleOptionViewItem option;
    option.initFrom(&tree);
    option.widget = &tree;
    option.font = tree.font();
    option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter; // as the view sets it
    option.rect = rect;
    option.state = state;
    option.showDecorationSelected = true;
    // Each group its own colours, so a label in the wrong group shows.
    const QColor text[] = {Qt::black, Qt::darkGray, Qt::darkRed};
    const QColor highlighted[] = {Qt::white, Qt::yellow, Qt::cyan};
    const QPalette::ColorGroup groups[] = {QPalette::Active, QPalette::Inactive,
                                           QPalette::Disabled};
    for (int g = 0; g < 3; ++g) {
        option.palette.setColor(groups[g], QPalette::Text, text[g]);
        option.palette.setColor(groups[g], QPalette::HighlightedText, highlighted[g]);
    }
    return option;
}

TEST(TreeLabels, MeasuresEveryLabelAsTheStyleDoes) {
    View view;
    const QStyledItemDelegate style;
    const TreeLabels cached;
    for (int row = 0; row < int(std::size(Labels)); ++row) {
        const auto option = optionFor(view.tree, {}, QStyle::State_Enabled);
        EXPECT_EQ(cached.sizeHint(option, view.at(row)), style.sizeHint(option, view.at(row)))
            << Labels[row];
        // Asked again, from what it keeps.
        EXPECT_EQ(cached.sizeHint(option, view.at(row)), style.sizeHint(option, view.at(row)));
    }
}

TEST(TreeLabels, PaintsTheStylesPixelsInEveryRowState) {
    View view;
    const QStyledItemDelegate style;
    const TreeLabels cached;
    for (int row = 0; row < int(std::size(Labels)); ++row) {
        const QSize hint = style.sizeHint(optionFor(view.tree, {}, {}), view.at(row));
        // Room to spare, and a row taller than the text, as a tree's rows may be.
        for (const QRect rect : {QRect(QPoint(2, 2), QSize(hint.width() + 40, hint.height())),
                                 QRect(QPoint(1, 2), QSize(hint.width(), hint.height() + 7))}) {
            for (const Row& state : States) {
                const auto option = optionFor(view.tree, rect, state.state);
                for (const int scale : {1, 2}) {
                    EXPECT_EQ(painted(cached, option, view.at(row), scale),
                              painted(style, option, view.at(row), scale))
                        << Labels[row] << ", " << state.what << ", width " << rect.width()
                        << ", scale " << scale;
                }
            }
        }
    }
}

// The options a real tree gives, with a selected row and one cut by the width.
TEST(TreeLabels, ATreeLooksTheSameWithThem) {
    View view;
    view.tree.setHeaderHidden(true);
    view.tree.setUniformRowHeights(true);
    view.tree.resize(420, 200);
    view.tree.setCurrentIndex(view.at(2));
    const QImage before = view.tree.grab().toImage();
    auto* labels = new TreeLabels(&view.tree);
    view.tree.setItemDelegate(labels);
    EXPECT_EQ(view.tree.grab().toImage(), before);
}

TEST(TreeLabels, LeavesALabelThatDoesNotFitToTheStyle) {
    View view;
    const QStyledItemDelegate style;
    const TreeLabels cached;
    const int row = 1;
    const QSize hint = style.sizeHint(optionFor(view.tree, {}, {}), view.at(row));
    for (const int width : {hint.width() - 1, hint.width() / 2}) {
        for (const Qt::TextElideMode mode : {Qt::ElideRight, Qt::ElideMiddle, Qt::ElideNone}) {
            auto option = optionFor(view.tree, QRect(QPoint(0, 0), QSize(width, hint.height())),
                                    QStyle::State_Enabled | QStyle::State_Active);
            option.textElideMode = mode;
            EXPECT_EQ(painted(cached, option, view.at(row)), painted(style, option, view.at(row)))
                << "width " << width << ", mode " << mode;
        }
    }
    // A label of two lines is the style's to lay out.
    view.model.item(0)->setText(QStringLiteral("two\nlines"));
    const auto option = optionFor(view.tree, QRect(0, 0, 200, 40), QStyle::State_Enabled);
    EXPECT_EQ(cached.sizeHint(option, view.at(0)), style.sizeHint(option, view.at(0)));
    EXPECT_EQ(painted(cached, option, view.at(0)), painted(style, option, view.at(0)));
}

TEST(TreeLabels, FollowsAChangeOfFont) {
    View view;
    const QStyledItemDelegate style;
    const TreeLabels cached;
    auto option = optionFor(view.tree, {}, QStyle::State_Enabled);
    const QSize before = cached.sizeHint(option, view.at(1));
    QFont larger = view.tree.font();
    larger.setPixelSize(40);
    view.tree.setFont(larger);
    option = optionFor(view.tree, {}, QStyle::State_Enabled);
    EXPECT_EQ(cached.sizeHint(option, view.at(1)), style.sizeHint(option, view.at(1)));
    EXPECT_GT(cached.sizeHint(option, view.at(1)).width(), before.width());
}

} // namespace
