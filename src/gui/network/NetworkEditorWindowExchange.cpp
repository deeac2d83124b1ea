#include "gui/network/NetworkEditorWindow.h"

#include "common/AtomicFile.h"
#include "common/Product.h"
#include "core/image/BankFiles.h"
#include "core/lang/LanguageSet.h"
#include "core/lang/Plural.h"
#include "core/network/NetworkCsv.h"
#include "core/platform/Clock.h"
#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/platform/UrlOpener.h"
#include "core/report/Exports.h"
#include "core/report/InstallationReport.h"
#include "core/state/SharedState.h"
#include "render/ReportPdf.h"

#include <QBoxLayout>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTreeView>
#include <QUrl>

// The spreadsheet exchange, the installation report and the warnings list. The rules are
// NetworkCsv's, InstallationReport's and NetworkWarnings'; here they meet the file dialogs,
// the message boxes and the window.

namespace {

constexpr int Txt_ExportCsv = 703;
constexpr int Txt_ImportCsv = 704;
constexpr int Txt_Report = 705;
constexpr int Txt_ExportCsvHint = 706;
constexpr int Txt_ImportCsvHint = 707;
constexpr int Txt_ReportHint = 708;
constexpr int Txt_Warnings = 709;
constexpr int Msg_NotImported = 722;
constexpr int Msg_ReplaceNetwork = 723;
constexpr int Msg_NotWritten = 724;
constexpr int Txt_Imported = 677;
constexpr int Msg_WrittenOpen = 678;

const QString CsvFilter = QStringLiteral("CSV (*.csv)");
const QString ReportFilter = QStringLiteral("HTML (*.html);;PDF (*.pdf)");

// The save-file dialog, starting with the configuration's name and `extension` in its folder.
QString askSavePath(Prompts& prompts, QWidget* parent, const SharedState& state, int caption,
                    const char* extension, const QString& filter) {
    const QString suggested =
        QDir(state.projectDir).filePath(state.projectName + QLatin1String(extension));
    return prompts.saveFile(parent, state.texts.text(caption), suggested, filter);
}

// The written file's path, and on Yes the file opened in the program the desktop gives it.
void confirmWritten(Platform& platform, QWidget* parent, const LanguageTable& t,
                    const QString& path) {
    if (platform.prompts.question(parent,
                                  t.text(Msg_WrittenOpen).arg(QDir::toNativeSeparators(path))))
        platform.urls.open(QUrl::fromLocalFile(path));
}

void reportNotWritten(Prompts& prompts, QWidget* parent, const LanguageTable& t,
                      const QString& path, const QString& failed) {
    Q_UNUSED(path); // the writer's text names the file
    prompts.error(parent, t.text(Msg_NotWritten).arg(failed));
}

QPushButton* exchangeButton(QWidget* panel, const char* name) {
    auto* button = new QPushButton(panel);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

} // namespace

void NetworkEditorWindow::buildExchange(QBoxLayout* buttons, QBoxLayout* treeColumn) {
    QWidget* panel = Btn_ImportNet->parentWidget();
    Btn_ExportCsv = exchangeButton(panel, "Btn_ExportCsv");
    Btn_ImportCsv = exchangeButton(panel, "Btn_ImportCsv");
    Btn_Report = exchangeButton(panel, "Btn_Report");
    int at = buttons->indexOf(Btn_ImportNet) + 1;
    for (QPushButton* button : {Btn_ExportCsv, Btn_ImportCsv, Btn_Report})
        buttons->insertWidget(at++, button);
    connect(Btn_ExportCsv, &QPushButton::clicked, this, &NetworkEditorWindow::exportCsvClicked);
    connect(Btn_ImportCsv, &QPushButton::clicked, this, &NetworkEditorWindow::importCsvClicked);
    connect(Btn_Report, &QPushButton::clicked, this, &NetworkEditorWindow::reportClicked);

    // A list beside the work, never a box: warnings must not stand between the user and OK.
    L_Warnings = new QLabel(this);
    L_Warnings->setObjectName(QStringLiteral("L_Warnings"));
    LB_Warnings = new QListWidget(this);
    LB_Warnings->setObjectName(QStringLiteral("LB_Warnings"));
    LB_Warnings->setWordWrap(true);
    LB_Warnings->setMaximumHeight(90);
    // Double-click or Enter on a warning selects what it is about.
    connect(LB_Warnings, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const NetworkTree::Position at{item->data(Qt::UserRole).toInt(),
                                       item->data(Qt::UserRole + 1).toInt()};
        const QModelIndex index = model_.tree().indexOf(at);
        if (!index.isValid())
            return;
        TW->scrollTo(index);
        TW->setCurrentIndex(index);
        TW->setFocus();
    });
    L_Warnings->setBuddy(LB_Warnings);
    treeColumn->addWidget(L_Warnings);
    treeColumn->addWidget(LB_Warnings);
    L_Warnings->hide();
    LB_Warnings->hide();
    // Every change of the network passes through the tree model.
    QAbstractItemModel* tree = &model_.tree();
    connect(tree, &QAbstractItemModel::modelReset, this, &NetworkEditorWindow::refreshWarnings);
    connect(tree, &QAbstractItemModel::rowsInserted, this, &NetworkEditorWindow::refreshWarnings);
    connect(tree, &QAbstractItemModel::rowsRemoved, this, &NetworkEditorWindow::refreshWarnings);
    connect(tree, &QAbstractItemModel::dataChanged, this, &NetworkEditorWindow::refreshWarnings);
}

void NetworkEditorWindow::setExchangeTexts() {
    const LanguageTable& t = state_.texts;
    const std::pair<QPushButton*, int> buttons[] = {
        {Btn_ExportCsv, Txt_ExportCsv}, {Btn_ImportCsv, Txt_ImportCsv}, {Btn_Report, Txt_Report}};
    for (const auto& [button, text] : buttons) {
        button->setText(t.text(text));
        button->setToolTip(t.text(text + 3));
        button->setAccessibleName(t.text(text));
    }
    static_assert(Txt_ExportCsv + 3 == Txt_ExportCsvHint && Txt_Report + 3 == Txt_ReportHint &&
                  Txt_ImportCsv + 3 == Txt_ImportCsvHint);
    L_Warnings->setText(t.text(Txt_Warnings));
    LB_Warnings->setAccessibleName(t.text(Txt_Warnings));
    refreshWarnings();
}

void NetworkEditorWindow::refreshWarnings() {
    if (!LB_Warnings)
        return;
    const auto warnings = model_.warnings();
    LB_Warnings->clear();
    for (const auto& warning : warnings) {
        auto* item = new QListWidgetItem(warning.text, LB_Warnings);
        item->setData(Qt::UserRole, warning.node);
        item->setData(Qt::UserRole + 1, warning.variable);
    }
    L_Warnings->setVisible(!warnings.isEmpty());
    LB_Warnings->setVisible(!warnings.isEmpty());
}

void NetworkEditorWindow::exportCsvClicked() {
    const QString path =
        askSavePath(platform_.prompts, this, state_, Txt_ExportCsv, ".csv", CsvFilter);
    if (path.isEmpty())
        return;
    // In the program's language, with that language's separator.
    const QString failed =
        Exports::writeCsv(model_.network(), state_.texts, state_.projectDir, path);
    if (!failed.isEmpty())
        reportNotWritten(platform_.prompts, this, state_.texts, path, failed);
    else
        confirmWritten(platform_, this, state_.texts, path);
}

void NetworkEditorWindow::importCsvClicked() {
    const LanguageTable& t = state_.texts;
    const QString path =
        platform_.prompts.openFile(this, t.text(Txt_ImportCsv), state_.projectDir, CsvFilter);
    if (path.isEmpty())
        return;
    // A colleague's file may be in any language the program has.
    const Exports::CsvFile file = Exports::readCsv(
        path, t, LanguageSet::tables(LanguageSet::loadAll(state_.languageFolders)));
    if (!file.unreadable.isEmpty()) {
        platform_.prompts.error(this, t.text(Msg_NotImported)
                                          .arg(QDir::toNativeSeparators(path) +
                                               QStringLiteral(": ") + file.unreadable));
        return;
    }
    // Only a file that would be taken is worth the question.
    if (!file.imported.ok()) {
        platform_.prompts.error(this, t.text(Msg_NotImported).arg(file.imported.error));
        return;
    }
    if (!model_.network().isEmpty() &&
        !platform_.prompts.question(this, t.text(Msg_ReplaceNetwork)))
        return;
    readPanels();
    syncing_ = true;
    model_.replaceByImport(file.imported.nodes);
    syncing_ = false;
    showModel();
    showImported(path);
}

void NetworkEditorWindow::showImported(const QString& path) {
    TW->expand(model_.tree().rootIndex());
    const LanguageTable& t = state_.texts;
    L_Status->setText(t.text(Txt_Imported)
                          .arg(Plural::count(t, Plural::Nodes, model_.network().size()),
                               Plural::count(t, Plural::Variables, model_.variableCount()),
                               QDir::toNativeSeparators(path)));
    L_Status->show();
}

void NetworkEditorWindow::reportClicked() {
    const LanguageTable& t = state_.texts;
    const QString path =
        askSavePath(platform_.prompts, this, state_, Txt_Report, ".html", ReportFilter);
    if (path.isEmpty())
        return;
    auto gathered = InstallationReport::gather(state_.projectDir, platform_.clock.now(),
                                               QString::fromLatin1(SW_Version));
    // The report describes the network on screen; unsaved edits are not in the images yet.
    gathered.input.nodes = model_.network();
    gathered.input.imagesStale = gathered.input.imagesStale || model_.isChanged();
    const QString failed = Exports::writeReport(gathered.input, t, Exports::reportFormatOf(path),
                                                state_.projectDir, path, writeReportPdf);
    if (!failed.isEmpty())
        reportNotWritten(platform_.prompts, this, t, path, failed);
    else
        confirmWritten(platform_, this, t, path);
}
