#include "gui/main/OptionsDialog.h"

#include "common/MakerSite.h"
#include "core/platform/Platform.h"
#include "core/platform/Prompts.h"
#include "core/platform/UrlOpener.h"
#include "core/shell/LanguageList.h"
#include "core/shell/VersionCheck.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/dialogs/WindowOpened.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace {

constexpr int Width = 509;
constexpr int Height = 373;
constexpr int TitleHeight = 69;
constexpr int ButtonHeight = 40;

// Slots of the language list: a 48 by 48 flag and the name beside it.
constexpr int SlotWidth = 230;
constexpr int SlotHeight = 54;

// A flag at its own size, see-through where its alpha channel says so. No colour is keyed
// out: a flag may well use its corner's colour in a stripe. A picture of twice the size beside
// it ("Name@2x.bmp") serves screens that scale by two.
QIcon flag(const QString& path) {
    if (path.isEmpty())
        return {};
    QIcon icon(QPixmap::fromImage(QImage(path)));
    const QString large = path.left(path.size() - 4) + QStringLiteral("@2x.bmp");
    if (QFileInfo(large).isFile()) {
        QPixmap pixmap = QPixmap::fromImage(QImage(large));
        pixmap.setDevicePixelRatio(2);
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The language list: Enter (or a click) on an entry chooses it; Enter never reaches the
// dialog's buttons.
class LanguageListView final : public QListWidget {
public:
    explicit LanguageListView(QWidget* parent) : QListWidget(parent) {
        setViewMode(QListView::ListMode);
        setFlow(QListView::TopToBottom);
        setWrapping(true);
        setUniformItemSizes(true);
        setGridSize(QSize(SlotWidth, SlotHeight));
        setIconSize(QSize(48, 48));
        setSpacing(0);
        setMovement(QListView::Static);
        setResizeMode(QListView::Fixed);
        setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setSelectionMode(QAbstractItemView::SingleSelection);
        setFrameShape(QFrame::NoFrame);
        connect(this, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
            if (chosen)
                chosen(row(item));
        });
    }
    std::function<void(int)> chosen;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const int key = event->key();
        // The arrows go on past the page's ends, Page Up and Down turn pages.
        const int row = currentRow();
        const int step = key == Qt::Key_Down || key == Qt::Key_Right ? 1
                         : key == Qt::Key_Up || key == Qt::Key_Left  ? -1
                         : key == Qt::Key_PageDown                   ? LanguageList::Slots
                         : key == Qt::Key_PageUp                     ? -LanguageList::Slots
                                                                     : 0;
        if (step != 0 && event->modifiers() == Qt::NoModifier) {
            const int next = std::clamp(row + step, 0, count() - 1);
            const bool sidewaysWithinPage =
                (key == Qt::Key_Right || key == Qt::Key_Left) &&
                LanguageList::pageOf(row + 3 * step) == LanguageList::pageOf(row) &&
                row + 3 * step >= 0 && row + 3 * step < count();
            if (row >= 0 && count() > 0) {
                setCurrentRow(sidewaysWithinPage ? row + 3 * step : next);
                event->accept();
                return;
            }
        }
        if ((key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) &&
            (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (currentRow() >= 0 && chosen)
                chosen(currentRow());
            event->accept();
            return;
        }
        QListWidget::keyPressEvent(event);
    }
};

template <class W> W* place(W* widget, const char* name, int x, int y) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->move(x, y);
    return widget;
}

} // namespace

OptionsDialog::OptionsDialog(SharedState& state, Platform& platform, VersionCheck& versionCheck,
                             std::function<void()> changeLanguage, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform), versionCheck_(versionCheck),
      changeLanguage_(std::move(changeLanguage)) {
    setObjectName(QStringLiteral("OptionsDialog"));
    // Only an opening starts from the stored options: a restore keeps the user's choice.
    DialogParts::onOpened(this, [this] { prepare(); });
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    const auto title = DialogParts::makeTitlePanel(this, state_.productCode, TitleHeight);
    title.panel->setGeometry(0, 0, Width, TitleHeight);
    L_SW_Desc = title.description;
    const auto buttons = DialogParts::makeButtonPanel(this, false, ButtonHeight);
    buttons.panel->setGeometry(0, Height - ButtonHeight, Width, ButtonHeight);
    buttons.panel->layout()->setSpacing(8); // Cancel at 134, as the dialogs of the family
    Btn_OK = buttons.ok;
    Btn_Cancel = buttons.cancel;
    connect(Btn_OK, &QPushButton::clicked, this, &OptionsDialog::okClicked);
    connect(Btn_Cancel, &QPushButton::clicked, this, &QDialog::reject);

    PC_Options = new QTabWidget(this);
    PC_Options->setObjectName(QStringLiteral("PC_Options"));
    PC_Options->setGeometry(0, TitleHeight, Width, Height - TitleHeight - ButtonHeight);
    TS_Language = new QWidget;
    TS_Language->setObjectName(QStringLiteral("TS_Language"));
    TS_Con_Options = new QWidget;
    TS_Con_Options->setObjectName(QStringLiteral("TS_Con_Options"));
    TS_Soft_Settings = new QWidget;
    TS_Soft_Settings->setObjectName(QStringLiteral("TS_Soft_Settings"));
    PC_Options->addTab(TS_Language, QString());
    PC_Options->addTab(TS_Con_Options, QString());
    PC_Options->addTab(TS_Soft_Settings, QString());
    buildLanguageTab(TS_Language);
    buildConnectionTab(TS_Con_Options);
    buildSettingsTab(TS_Soft_Settings);

    setFixedSize(Width, Height);
    applyLanguage();
}

void OptionsDialog::buildLanguageTab(QWidget* tab) {
    L_Sel_Lang = place(new QLabel(tab), "L_Sel_Lang", 12, 11);
    auto* list = new LanguageListView(tab);
    list->setObjectName(QStringLiteral("LB_Languages"));
    list->setGeometry(12, 36, 2 * SlotWidth, 3 * SlotHeight);
    list->chosen = [this](int index) { languageClicked(index); };
    connect(list, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && LanguageList::pageOf(row) != shownPage)
            showPage(LanguageList::pageOf(row));
    });
    LB_Languages = list;
    L_Page_Lang = place(new QLabel(tab), "L_Page_Lang", 220, 212);
    Btn_Prev = place(new QPushButton(tab), "Btn_Prev", 12, 204);
    Btn_Prev->resize(110, 28);
    Btn_Next = place(new QPushButton(tab), "Btn_Next", 379, 205);
    Btn_Next->resize(110, 28);
    connect(Btn_Prev, &QPushButton::clicked, this, [this] { nextClicked(Btn_Prev); });
    connect(Btn_Next, &QPushButton::clicked, this, [this] { nextClicked(Btn_Next); });
}

void OptionsDialog::buildConnectionTab(QWidget* tab) {
    CB_En_Con = place(new QCheckBox(tab), "CB_En_Con", 12, 16);
    CB_Update = place(new QCheckBox(tab), "CB_Update", 36, 47);
    Btn_Check_Update = place(new QPushButton(tab), "Btn_Check_Update", 36, 78);
    Btn_Check_Update->resize(204, 28);
    LL_Check_Update = place(new QLabel(tab), "LL_Check_Update", 40, 120);
    LL_Check_Update->setTextFormat(Qt::RichText);
    LL_Check_Update->setOpenExternalLinks(false);
    LL_Check_Update->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                             Qt::LinksAccessibleByKeyboard);
    LL_Check_Update->hide();
    connect(LL_Check_Update, &QLabel::linkActivated, this,
            [this](const QString& link) { platform_.urls.open(QUrl(link)); });
    for (QCheckBox* box : {CB_En_Con, CB_Update})
        connect(box, &QCheckBox::clicked, this, &OptionsDialog::updateCheckBoxes);
    connect(Btn_Check_Update, &QPushButton::clicked, this, &OptionsDialog::checkUpdateClicked);
}

void OptionsDialog::buildSettingsTab(QWidget* tab) {
    CB_Soft_Set_Jump_Table = place(new QCheckBox(tab), "CB_Soft_Set_Jump_Table", 12, 16);
    CB_DoubleClick_Auto_Size = place(new QCheckBox(tab), "CB_DoubleClick_Auto_Size", 12, 39);
    for (QCheckBox* box : {CB_Soft_Set_Jump_Table, CB_DoubleClick_Auto_Size})
        connect(box, &QCheckBox::clicked, this, &OptionsDialog::updateCheckBoxes);
}

void OptionsDialog::applyLanguage() {
    const LanguageTable& t = state_.texts;
    setWindowTitle(t.text(300));
    L_SW_Desc->setText(t.text(301));
    PC_Options->setTabText(0, t.text(302));
    PC_Options->setTabText(1, t.text(303));
    PC_Options->setTabText(2, t.text(319));
    PC_Options->setAccessibleName(t.text(300));
    Btn_Prev->setText(t.text(307));
    Btn_Next->setText(t.text(308));
    CB_En_Con->setText(t.text(309));
    CB_Update->setText(t.text(310));
    Btn_Check_Update->setText(t.text(311));
    Btn_OK->setText(t.text(312));
    Btn_Cancel->setText(t.text(313));
    CB_Soft_Set_Jump_Table->setText(t.text(320));
    CB_DoubleClick_Auto_Size->setText(t.text(321));
    for (QWidget* w : std::initializer_list<QWidget*>{CB_En_Con, CB_Update, CB_Soft_Set_Jump_Table,
                                                      CB_DoubleClick_Auto_Size})
        w->adjustSize();
    // Texts composed from the table follow it too, so the page in view never mixes languages.
    showPage(shownPage);
    showCheckResult();
    LB_Languages->setAccessibleName(t.text(302));
    Keyboard::assignShortcutLetters(this);
}

void OptionsDialog::prepare() {
    ++showing_;
    languageInUse = state_.language;
    languageNames();
    checkResult_ = CheckResult::None;
    showCheckResult();
    PC_Options->setCurrentWidget(TS_Language);
    CB_En_Con->setChecked(state_.internetEnabled);
    CB_Update->setChecked(state_.updateCheckEnabled);
    CB_Soft_Set_Jump_Table->setChecked(state_.jumpTableEnabled);
    CB_DoubleClick_Auto_Size->setChecked(state_.doubleClickAutoSize);
    // After the boxes are set, so their enabling follows the stored flags, not the last
    // showing's ticks.
    updateCheckBoxes();
}

void OptionsDialog::languageNames() {
    SL_Languages = LanguageList::languageNames(state_.languageFolders);
    fillLanguageList();
    // The list opens at the language in use, so arrows and Enter start from it.
    int inUse = -1;
    for (int row = 0; row < SL_Languages.size(); ++row) {
        if (LanguageList::languageName(SL_Languages[row]) == languageInUse)
            inUse = row;
    }
    const QSignalBlocker quiet(LB_Languages);
    LB_Languages->setCurrentRow(inUse);
    showPage(inUse < 0 ? 1 : LanguageList::pageOf(inUse));
}

void OptionsDialog::showSelectedLanguage() {
    L_Sel_Lang->setText(state_.texts.text(304) + languageInUse);
    L_Sel_Lang->adjustSize();
}

void OptionsDialog::showPage(int page) {
    const LanguageTable& t = state_.texts;
    showSelectedLanguage();
    const int count = int(SL_Languages.size());
    const int pages = LanguageList::pageCount(count);
    shownPage = page;
    L_Page_Lang->setText(t.text(305) + QString::number(page) + t.text(306) +
                         QString::number(pages));
    L_Page_Lang->adjustSize();
    Btn_Prev->setVisible(page != 1);
    Btn_Next->setVisible(page != pages);
    // Only the page's entries are in view; the current entry moves onto the page.
    for (int row = 0; row < count; ++row)
        LB_Languages->setRowHidden(row, LanguageList::pageOf(row) != page);
    const int first = LanguageList::entryIndex(page, 1);
    const int row = LB_Languages->currentRow();
    if (count > 0 && (row < 0 || LanguageList::pageOf(row) != page)) {
        const QSignalBlocker quiet(LB_Languages);
        LB_Languages->setCurrentRow(std::min(first, count - 1));
    }
}

void OptionsDialog::fillLanguageList() {
    LB_Languages->clear();
    for (const QString& file : SL_Languages) {
        const QString language = LanguageList::languageName(file);
        auto* item =
            new QListWidgetItem(flag(LanguageList::flagPicture(state_.languageFolders, language)),
                                language, LB_Languages);
        item->setSizeHint(QSize(SlotWidth, SlotHeight));
    }
}

void OptionsDialog::nextClicked(QPushButton* sender) {
    const int pages = LanguageList::pageCount(int(SL_Languages.size()));
    shownPage = LanguageList::turnPage(shownPage, pages, sender == Btn_Next);
    showPage(shownPage);
}

void OptionsDialog::languageClicked(int index) {
    if (index < 0 || index >= SL_Languages.size())
        return;
    const QString name = LanguageList::languageName(SL_Languages[index]);
    const LanguageTable& t = state_.texts;
    if (!platform_.prompts.question(this,
                                    t.text(316) + languageInUse + t.text(317) + name + t.text(318)))
        return;
    languageInUse = name;
    // The table follows the choice at once; the stored language changes only with OK.
    QString language = name;
    loadLanguage(state_.texts, language, state_.languageFolders);
    changeLanguage_();
    showSelectedLanguage();
}

void OptionsDialog::updateCheckBoxes() {
    CB_Update->setEnabled(CB_En_Con->isChecked());
    Btn_Check_Update->setEnabled(CB_Update->isEnabled() && CB_Update->isChecked() && !checking_);
}

void OptionsDialog::checkUpdateClicked() {
    checking_ = true;
    updateCheckBoxes();
    const int showing = showing_;
    versionCheck_.checkVersion(this, [this, showing](bool newer) {
        checking_ = false;
        updateCheckBoxes();
        if (showing != showing_)
            return;
        checkResult_ = newer ? CheckResult::Newer : CheckResult::NoUpdate;
        showCheckResult();
    });
}

void OptionsDialog::showCheckResult() {
    const LanguageTable& t = state_.texts;
    switch (checkResult_) {
    case CheckResult::None:
        LL_Check_Update->hide();
        return;
    case CheckResult::Newer:
        LL_Check_Update->setText(
            QStringLiteral("<a href=\"%1\">%2</a>")
                .arg(MakerSite::downloadPage().toString(QUrl::FullyEncoded).toHtmlEscaped(),
                     t.text(314).toHtmlEscaped()));
        LL_Check_Update->setAccessibleName(t.text(314));
        break;
    case CheckResult::NoUpdate:
        LL_Check_Update->setText(t.text(315).toHtmlEscaped());
        LL_Check_Update->setAccessibleName(t.text(315));
        break;
    }
    LL_Check_Update->adjustSize();
    LL_Check_Update->show();
}

void OptionsDialog::okClicked() {
    chosen.language = languageInUse;
    chosen.internetEnabled = CB_En_Con->isChecked();
    chosen.updateCheckEnabled = CB_Update->isChecked();
    chosen.jumpTableEnabled = CB_Soft_Set_Jump_Table->isChecked();
    chosen.doubleClickAutoSize = CB_DoubleClick_Auto_Size->isChecked();
    accept();
}

void SoftOptionsChoice::applyTo(SharedState& state) const {
    state.language = language;
    state.internetEnabled = internetEnabled;
    state.updateCheckEnabled = updateCheckEnabled;
    state.jumpTableEnabled = jumpTableEnabled;
    state.doubleClickAutoSize = doubleClickAutoSize;
}
