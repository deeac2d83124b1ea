#include "gui/comm/CollapsibleSection.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace {
constexpr int HeaderHeight = 22;
}

CollapsibleSection::CollapsibleSection(const char* name, int designHeight, QWidget* parent)
    : QWidget(parent), header_(new QToolButton(this)), body_(new QWidget(this)),
      designHeight_(designHeight) {
    setObjectName(QLatin1String(name));
    header_->setObjectName(QLatin1String(name) + QStringLiteral("_Header"));
    header_->setCheckable(true);
    header_->setChecked(true);
    header_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    header_->setArrowType(Qt::DownArrow);
    header_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    header_->setFixedHeight(HeaderHeight);
    QFont bold = header_->font();
    bold.setBold(true);
    header_->setFont(bold);
    body_->setObjectName(QLatin1String(name) + QStringLiteral("_Body"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header_);
    layout->addWidget(body_, 1);
    setFixedHeight(designHeight_);
    connect(header_, &QToolButton::toggled, this, &CollapsibleSection::setExpanded);
}

void CollapsibleSection::setTitle(const QString& title) {
    header_->setText(title);
}

QString CollapsibleSection::title() const {
    // The words as shown: without the mark of the header's shortcut letter.
    QString text = header_->text();
    text.replace(QStringLiteral("&&"), QStringLiteral("\u0001"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\u0001"), QStringLiteral("&"));
    return text;
}

bool CollapsibleSection::isExpanded() const {
    return header_->isChecked();
}

void CollapsibleSection::setExpanded(bool expanded) {
    header_->setChecked(expanded); // re-enters once through toggled when it changes
    header_->setArrowType(expanded ? Qt::DownArrow : Qt::RightArrow);
    body_->setVisible(expanded);
    setFixedHeight(expanded ? designHeight_ : HeaderHeight);
}
