#include "gui/dialogs/DialogParts.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace DialogParts {

namespace {

// A palette, not a style sheet: style sheets cost start-up time in every window.
void greyText(QLabel* label) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(128, 128, 128));
    label->setPalette(palette);
}

} // namespace

void styleCodeLabel(QLabel* label) {
    QFont font = label->font();
    font.setPointSize(20);
    font.setBold(true);
    label->setFont(font);
    greyText(label);
}

void styleDescriptionLabel(QLabel* label) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    greyText(label);
}

TitlePanel makeTitlePanel(QWidget* parent, const QString& code, int height) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("P_Title"));
    panel->setFixedHeight(height);
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    panel->setPalette(palette);
    auto* codeLabel = new QLabel(code, panel);
    codeLabel->setObjectName(QStringLiteral("L_SW_Code"));
    styleCodeLabel(codeLabel);
    auto* description = new QLabel(panel);
    description->setObjectName(QStringLiteral("L_SW_Desc"));
    styleDescriptionLabel(description);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(16, 6, 16, 6);
    layout->setSpacing(2);
    layout->addWidget(codeLabel);
    layout->addWidget(description);
    return {panel, codeLabel, description};
}

void setLabel(QLabel* label, QWidget* field, const QString& text) {
    label->setText(text);
    field->setAccessibleName(text);
}

void setBuddyLabel(QLabel* label, QWidget* field, const QString& text) {
    setLabel(label, field, text);
    label->setBuddy(field);
}

void setButton(QAbstractButton* button, const QString& text) {
    button->setText(text);
    button->setAccessibleName(text);
}

QLabel* makeReadOnlyBanner(QWidget* parent) {
    auto* banner = new QLabel(parent);
    banner->setObjectName(QStringLiteral("L_Read_Only"));
    banner->setWordWrap(true);
    banner->setMargin(8);
    banner->setAutoFillBackground(true);
    QPalette palette = banner->palette();
    palette.setColor(QPalette::Window, QColor(255, 236, 179));
    palette.setColor(QPalette::WindowText, Qt::black);
    banner->setPalette(palette);
    banner->hide();
    return banner;
}

void showReadOnly(QLabel* banner, const QString& notice, std::initializer_list<QWidget*> writers) {
    banner->setText(notice);
    banner->setAccessibleName(notice);
    banner->setVisible(!notice.isEmpty());
    for (QWidget* writer : writers)
        writer->setEnabled(notice.isEmpty());
}

ButtonPanel makeButtonPanel(QWidget* parent, bool alignRight, int height) {
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("P_Button"));
    panel->setFixedHeight(height);
    auto* ok = new QPushButton(panel);
    ok->setObjectName(QStringLiteral("Btn_OK"));
    ok->setMinimumWidth(110);
    auto* cancel = new QPushButton(panel);
    cancel->setObjectName(QStringLiteral("Btn_Cancel"));
    cancel->setMinimumWidth(110);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(16, 6, 16, 6);
    if (alignRight)
        layout->addStretch();
    layout->addWidget(ok);
    layout->addWidget(cancel);
    if (!alignRight)
        layout->addStretch();
    return {panel, ok, cancel};
}

void stack(QWidget* dialog, const TitlePanel& title, QLayout* body, const ButtonPanel& buttons,
           bool stretchBody) {
    body->setContentsMargins(16, 8, 16, 8);
    auto* layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(title.panel);
    layout->addLayout(body, stretchBody ? 1 : 0);
    if (!stretchBody)
        layout->addStretch();
    layout->addWidget(buttons.panel);
}

void centreOnScreen(QWidget* window) {
    QWidget* parent = window->parentWidget();
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace DialogParts
