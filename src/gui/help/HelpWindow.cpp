#include "gui/help/HelpWindow.h"

#include "core/lang/LanguageTable.h"
#include "gui/help/HelpTexts.h"

#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QPushButton>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QPushButton* button(const char* name, QWidget* parent) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    Btn_Back = button("Btn_Back", this);
    Btn_Forward = button("Btn_Forward", this);
    Btn_Home = button("Btn_Home", this);
    TB_Guide = new QTextBrowser(this);
    TB_Guide->setObjectName(QStringLiteral("TB_Guide"));
    // Links lead to other pages of the guide only; nothing is handed to a web browser.
    TB_Guide->setOpenExternalLinks(false);
    TB_Guide->setOpenLinks(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Btn_Back);
    buttons->addWidget(Btn_Forward);
    buttons->addWidget(Btn_Home);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(TB_Guide, 1);

    connect(Btn_Back, &QPushButton::clicked, TB_Guide, &QTextBrowser::backward);
    connect(Btn_Forward, &QPushButton::clicked, TB_Guide, &QTextBrowser::forward);
    connect(Btn_Home, &QPushButton::clicked, this, [this] { homeClicked(); });
    connect(TB_Guide, &QTextBrowser::historyChanged, this, [this] { updateButtons(); });
    // A picture or page is looked for beside the page shown.
    connect(TB_Guide, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) {
        if (url.isLocalFile())
            TB_Guide->setSearchPaths({QFileInfo(url.toLocalFile()).absolutePath()});
        fitPictures();
    });
    TB_Guide->viewport()->installEventFilter(this);
    // Wide enough for the network editor's picture at its own size on a 1280-pixel screen.
    resize(940, 680);
    updateButtons();
}

void HelpWindow::applyLanguage(const LanguageTable& texts) {
    setWindowTitle(texts.text(HelpTexts::Title));
    Btn_Back->setText(texts.text(HelpTexts::Back));
    Btn_Forward->setText(texts.text(HelpTexts::Forward));
    Btn_Home->setText(texts.text(HelpTexts::Contents));
    for (QPushButton* b : {Btn_Back, Btn_Forward, Btn_Home})
        b->setAccessibleName(b->text());
    TB_Guide->setAccessibleName(texts.text(HelpTexts::Page));
}

void HelpWindow::showPage(const QString& file, const QString& fragment, const QString& contents) {
    contents_ = contents;
    QUrl url = QUrl::fromLocalFile(file);
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    TB_Guide->setSearchPaths({QFileInfo(file).absolutePath()});
    TB_Guide->setSource(url, QTextDocument::MarkdownResource);
    fitPictures();
    updateButtons();
}

void HelpWindow::showMissing(const QString& text) {
    TB_Guide->clearHistory();
    TB_Guide->setSource(QUrl());
    TB_Guide->setPlainText(text);
    updateButtons();
}

QString HelpWindow::currentFile() const {
    const QUrl source = TB_Guide->source();
    return source.isLocalFile() ? source.toLocalFile() : QString();
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TB_Guide->viewport() && event->type() == QEvent::Resize)
        fitPictures();
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::fitPictures() {
    QTextDocument* document = TB_Guide->document();
    const qreal room = TB_Guide->viewport()->width() - 2 * document->documentMargin() - 4;
    if (room <= 0)
        return;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || !fragment.charFormat().isImageFormat())
                continue;
            QTextImageFormat format = fragment.charFormat().toImageFormat();
            const QVariant resource =
                TB_Guide->loadResource(QTextDocument::ImageResource, QUrl(format.name()));
            const QImage image = resource.value<QImage>().isNull()
                                     ? QImage::fromData(resource.toByteArray())
                                     : resource.value<QImage>();
            if (image.isNull())
                continue;
            const qreal natural = image.width() / image.devicePixelRatio();
            const qreal width = qMin(natural, room);
            if (qFuzzyCompare(format.width(), width))
                continue;
            format.setWidth(width);
            format.setHeight(width * image.height() / image.width());
            QTextCursor cursor(document);
            cursor.setPosition(fragment.position());
            cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
            cursor.setCharFormat(format);
        }
    }
}

void HelpWindow::homeClicked() {
    if (!contents_.isEmpty())
        TB_Guide->setSource(QUrl::fromLocalFile(contents_), QTextDocument::MarkdownResource);
}

void HelpWindow::updateButtons() {
    Btn_Back->setEnabled(TB_Guide->isBackwardAvailable());
    Btn_Forward->setEnabled(TB_Guide->isForwardAvailable());
    Btn_Home->setEnabled(!contents_.isEmpty());
}
