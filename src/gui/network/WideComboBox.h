#pragma once

#include <QComboBox>

// A drop-down list of long entries: its list opens wider than the closed box, as wide as its
// longest entry, and right-aligned with the box, so it opens towards the left over the tree
// and stays inside the window.
class WideComboBox : public QComboBox {
    Q_OBJECT
public:
    // The list shows this many entries at once.
    static constexpr int VisibleEntries = 8;

    explicit WideComboBox(QWidget* parent = nullptr);

    // The drop-down width for the current entries and font; nullopt keeps the box's width.
    std::optional<int> dropDownWidth() const;

    void showPopup() override;
};
