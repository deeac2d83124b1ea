#include "gui/network/TFMeter_Bus.h"

#include "core/state/SharedState.h"

#include <QBoxLayout>
#include <QPushButton>

namespace {

constexpr int Txt_TestSources = 960;

} // namespace

void TFMeter_Bus::buildSourceTest(QBoxLayout* buttons) {
    Btn_TestSources = new QPushButton(Btn_ImportNet->parentWidget());
    Btn_TestSources->setObjectName(QStringLiteral("Btn_TestSources"));
    Btn_TestSources->setAutoDefault(false);
    buttons->insertWidget(buttons->indexOf(Btn_Report) + 1, Btn_TestSources);
    connect(Btn_TestSources, &QPushButton::clicked, this, &TFMeter_Bus::Btn_TestSourcesClick);
}

void TFMeter_Bus::setSourceTestText() {
    const QString text = state_.Lang_Table.text(Txt_TestSources);
    Btn_TestSources->setText(text);
    Btn_TestSources->setAccessibleName(text);
}

void TFMeter_Bus::Btn_TestSourcesClick() {
    emit testSourcesRequested();
}
