#include "gui/network/WideComboBox.h"

#include "core/editor/NetworkEditor.h"

#include <QAbstractItemView>
#include <QProxyStyle>

namespace {

// Some styles open a combo box as a menu as tall as the screen; this list shows eight
// entries below the box.
class ListPopupStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returned) const override {
        if (hint == SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

} // namespace

WideComboBox::WideComboBox(QWidget* parent) : QComboBox(parent) {
    auto* listStyle = new ListPopupStyle;
    listStyle->setParent(this);
    setStyle(listStyle);
    setMaxVisibleItems(VisibleEntries);
}

std::optional<int> WideComboBox::dropDownWidth() const {
    QList<int> widths;
    widths.reserve(count());
    const QFontMetrics metrics = fontMetrics();
    for (int i = 0; i < count(); ++i)
        widths.append(metrics.horizontalAdvance(itemText(i)));
    return ::dropDownWidth(widths, width(), style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                           VisibleEntries);
}

void WideComboBox::showPopup() {
    QComboBox::showPopup();
    // Measured when it opens, since the box's width is known only once it is laid out.
    QWidget* popup = view()->window();
    if (popup == window())
        return;
    QRect geometry = popup->geometry();
    if (const auto wide = dropDownWidth())
        geometry.setWidth(*wide);
    const int right = mapToGlobal(QPoint(width(), 0)).x();
    if (geometry.right() + 1 != right)
        geometry.moveLeft(right - geometry.width());
    popup->setGeometry(geometry);
}
