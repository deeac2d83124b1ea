#include "gui/main/AboutDialog.h"

#include "common/MakerSite.h"
#include "core/platform/Platform.h"
#include "core/platform/UrlOpener.h"
#include "core/shell/VersionCheck.h"
#include "core/state/SharedState.h"
#include "gui/dialogs/ClickLabel.h"
#include "gui/dialogs/Keyboard.h"
#include "gui/dialogs/WindowOpened.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>

namespace {

// The identification rows, then one for the workspace in use.
constexpr int Height = 174;

// The maker's logo: an orange ring around a blue "N" with a signal wave, 81 by 81, drawn at
// the screen's own density so that it stays sharp on a scaled screen.
QPixmap logo(qreal ratio) {
    QPixmap pixmap(QSize(81, 81) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(255, 128, 0), 5));
    p.setBrush(QColor(248, 247, 237));
    p.drawEllipse(QRectF(4, 4, 73, 73));
    QPainterPath n;
    n.moveTo(24, 58);
    n.lineTo(24, 22);
    n.lineTo(56, 58);
    n.lineTo(56, 22);
    p.setPen(QPen(QColor(30, 90, 170), 7, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(n);
    QPainterPath wave;
    wave.moveTo(18, 68);
    wave.cubicTo(30, 60, 50, 76, 63, 66);
    p.setPen(QPen(QColor(255, 128, 0), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(wave);
    return pixmap;
}

} // namespace

AboutDialog::AboutDialog(SharedState& state, Platform& platform, QWidget* parent)
    : QDialog(parent), state_(state), platform_(platform) {
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("About..."));
    DialogParts::onOpened(this, [this] { prepare(); });

    auto* image = new ClickLabel(this);
    image->setObjectName(QStringLiteral("Image2"));
    image->setGeometry(32, 24, 81, 81);
    image->setPixmap(logo(std::max(1.0, devicePixelRatioF())));
    image->setAccessibleName(QString::fromLatin1(MakerSite::Host));
    image->clicked = [this] { linkClicked(); };
    Image2 = image;

    QFont bold = font();
    bold.setBold(true);
    label("Label1", 128, 24, QStringLiteral("Software Ordano "))->setFont(bold);
    Label2 = label("Label2", 128, 39);
    label("Label6", 128, 62, QStringLiteral("Software Code : "));
    Label9 = label("Label9", 240, 62);
    label("Label3", 128, 77, QStringLiteral("Version :"));
    Label10 = label("Label10", 240, 77);
    label("Label8", 128, 93, QStringLiteral("Document Code :"));
    Label12 = label("Label12", 240, 93);
    // Which folder holds the configurations: beside the program, the user's data folder or
    // the one named at start.
    label("L_Workspace_Caption", 32, 148, QStringLiteral("Workspace :"));
    L_Workspace = label("L_Workspace", 128, 148);
    L_Workspace->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* web = new ClickLabel(MakerSite::webAddressText(), this);
    web->setObjectName(QStringLiteral("Label4"));
    QPalette link = web->palette();
    link.setColor(QPalette::WindowText, QColor(30, 90, 170));
    web->setPalette(link);
    web->adjustSize();
    // Right-aligned to the box's edge when the address is longer than the room left.
    web->move(std::min(316, 425 - 8 - web->width()), 131);
    web->clicked = [this] { linkClicked(); };
    Label4 = web;

    LbButton1 = new QPushButton(QStringLiteral("OK"), this);
    LbButton1->setObjectName(QStringLiteral("LbButton1"));
    LbButton1->setGeometry(32, 115, 81, 22);
    connect(LbButton1, &QPushButton::clicked, this, &QDialog::accept);
    Keyboard::assignShortcutLetters(this);
    setFixedSize(425, Height);
}

QLabel* AboutDialog::label(const char* name, int x, int y, const QString& text) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->move(x, y);
    return l;
}

void AboutDialog::prepare() {
    Label2->setText(state_.productDescription);
    Label9->setText(state_.productCode);
    Label10->setText(QString::fromLatin1(SW_Version));
    Label12->setText(QStringLiteral("DL48213"));
    const QString workspace = QDir::toNativeSeparators(state_.workspaceDir);
    L_Workspace->setText(
        L_Workspace->fontMetrics().elidedText(workspace, Qt::ElideMiddle, 425 - 128 - 8));
    L_Workspace->setToolTip(workspace);
    L_Workspace->setAccessibleName(workspace);
    for (QLabel* l : {Label2, Label9, Label10, Label12, L_Workspace})
        l->adjustSize();
    setFixedSize(425, Height);
}

void AboutDialog::linkClicked() {
    platform_.urls.open(MakerSite::homePage());
}
