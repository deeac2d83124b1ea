#include "gui/network/NetworkEditorWindow.h"

#include "core/state/SharedState.h"

#include <QBoxLayout>
#include <QPushButton>

namespace {

constexpr int Txt_TestSources = 960;

} // namespace

void NetworkEditorWindow::buildSourceTest(QBoxLayout* buttons) {
    Btn_TestSources = new QPushButton(Btn_ImportNet->parentWidget());
    Btn_TestSources->setObjectName(QStringLiteral("Btn_TestSources"));
    Btn_TestSources->setAutoDefault(false);
    buttons->insertWidget(buttons->indexOf(Btn_Report) + 1, Btn_TestSources);
    connect(Btn_TestSources, &QPushButton::clicked, this, &NetworkEditorWindow::testSourcesClicked);
}

void NetworkEditorWindow::setSourceTestText() {
    const QString text = state_.texts.text(Txt_TestSources);
    Btn_TestSources->setText(text);
    Btn_TestSources->setAccessibleName(text);
}

void NetworkEditorWindow::testSourcesClicked() {
    emit testSourcesRequested();
}
