// Draws every window of the program as a user first meets it, into PNG files, so that a person
// can look at them: scripts/screens.sh runs it in both languages at two scales. Not a test.
//   ordano_screens OUTPUT_DIR LANGUAGE          every window, and the guide opened by F1
//   ordano_screens --guide OUTPUT_DIR LANGUAGE  the guide's pictures, as <name>.png
//   ordano_screens --list                       the names of the guide's pictures
#include "core/network/Network.h"
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/comm/CommunicationWindow.h"
#include "gui/gateway/GatewayWindow.h"
#include "gui/help/HelpDesk.h"
#include "gui/help/HelpWindow.h"
#include "gui/main/MainWindow.h"
#include "gui/network/NetworkEditorWindow.h"
#include "gui/network/PasteDialog.h"
#include "gui/sources/FindSlavesWindow.h"
#include "gui/sources/SourceTestWindow.h"
#include "gui/update/UpdateWindow.h"
#include "mock/FakeServices.h"
#include "mock/MbusTestMaster.h"
#include "support/TestFolder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <cstdio>
#include <cstring>

namespace {

QString outputDir;
QString language;
// The pictures the guide shows, by the names the shots below take.
const QStringList GuidePictures = {
    QStringLiteral("main"),
    QStringLiteral("OptionsDialog-1"),
    QStringLiteral("NewConfigurationDialog"),
    QStringLiteral("OpenConfigurationDialog"),
    QStringLiteral("CommunicationWindow"),
    QStringLiteral("editor-node"),
    QStringLiteral("editor-variable"),
    QStringLiteral("templates"),
    QStringLiteral("source-test"),
    QStringLiteral("try-as-gateway"),
    QStringLiteral("update-ethernet"),
};
bool guideOnly = false;
QStringList made;

void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

void shoot(QWidget* window, const QString& name) {
    if (guideOnly && !GuidePictures.contains(name))
        return;
    settle();
    const QString file = QDir(outputDir).filePath(
        guideOnly ? name + QStringLiteral(".png") : language + QLatin1Char('-') + name + ".png");
    made << name;
    if (!window->grab().save(file))
        std::fprintf(stderr, "screens: cannot write %s\n", qPrintable(file));
    else
        std::printf("%s\n", qPrintable(file));
}

void copyFile(const QString& from, const QString& to) {
    QDir().mkpath(QFileInfo(to).path());
    QFile::remove(to);
    QFile::copy(from, to);
}

// The configuration every window shows: a small network with a few nodes.
void makeWorkspace(const QString& root) {
    const QString config = root + QStringLiteral("/PROJECTS/Plant North/");
    copyFile(fixturePath(QStringLiteral("image/worked_example/ParGen.xml")),
             config + QStringLiteral("ParGen.xml"));
    copyFile(fixturePath(QStringLiteral("image/worked_example/M_Bus.xml")),
             config + QStringLiteral("M_Bus.xml"));
    QDir().mkpath(root + QStringLiteral("/PROJECTS/Plant South"));
    // The shipped languages and flags, as an installation has them.
    const QDir shipped(QCoreApplication::applicationDirPath() + QStringLiteral("/LANGUAGE"));
    for (const QString& file : shipped.entryList(QDir::Files))
        copyFile(shipped.filePath(file), root + QStringLiteral("/LANGUAGE/") + file);
    // The shipped templates, as a new workspace gets them.
    const QDir templates(QCoreApplication::applicationDirPath() + QStringLiteral("/TEMPLATES"));
    for (const QString& file : templates.entryList(QDir::Files))
        copyFile(templates.filePath(file), root + QStringLiteral("/TEMPLATES/") + file);
    // The guide, beside the program as in a portable folder.
    const QString guide = QCoreApplication::applicationDirPath() + QStringLiteral("/guide");
    QDirIterator pages(guide, QDir::Files, QDirIterator::Subdirectories);
    while (pages.hasNext()) {
        const QString page = pages.next();
        copyFile(page, root + QStringLiteral("/guide/") + QDir(guide).relativeFilePath(page));
    }
    QFile settings(root + QStringLiteral("/Ordano.xml"));
    settings.open(QIODevice::WriteOnly);
    settings.write(QStringLiteral("<Conf_Settings><lastproj><projectname>Plant North"
                                  "</projectname></lastproj><lastlang><language>%1</language>"
                                  "</lastlang></Conf_Settings>")
                       .arg(language)
                       .toUtf8());
}

// F1 in `window`, then the help window it opened, at the page of that window.
void shootHelp(QWidget* window, const QString& name) {
    if (guideOnly)
        return;
    settle();
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, Qt::Key_F1);
    HelpDesk* desk = HelpDesk::instance();
    if (!desk || !desk->window()) {
        std::fprintf(stderr, "screens: F1 opened no help window in %s\n", qPrintable(name));
        return;
    }
    shoot(desk->window(), QStringLiteral("help-") + name);
    desk->window()->hide();
}

void click(QTreeView* tree, const QModelIndex& index) {
    tree->scrollTo(index);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(index).center());
}

void shootEditor(NetworkEditorWindow* editor) {
    editor->show();
    settle();
    auto* tree = editor->findChild<QTreeView*>(QStringLiteral("TW"));
    tree->expandAll();
    const QModelIndex node = tree->model()->index(0, 0, tree->model()->index(0, 0));
    click(tree, node);
    shoot(editor, QStringLiteral("editor-node"));
    shootHelp(editor, QStringLiteral("NetworkEditorWindow"));
    click(tree, tree->model()->index(0, 0, node));
    shoot(editor, QStringLiteral("editor-variable"));

    // The paste dialog, over the editor, for the node just selected.
    click(tree, node);
    editor->findChild<QAction*>(QStringLiteral("CopyNode1"))->trigger();
    QTimer::singleShot(200, [] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            shoot(dialog, QStringLiteral("paste-node"));
            qobject_cast<QDialog*>(dialog)->reject();
        }
    });
    editor->findChild<QAction*>(QStringLiteral("PasteNode1"))->trigger();

    // The template list with the heat meter chosen, then the editor with the node it made.
    QTimer::singleShot(200, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        auto* list = dialog->findChild<QListWidget*>(QStringLiteral("LB_Templates"));
        const auto heat = list->findItems(QStringLiteral("heat"), Qt::MatchContains);
        if (!heat.isEmpty())
            list->setCurrentItem(heat.first());
        dialog->findChild<QLineEdit*>(QStringLiteral("E_Sec"))->setText(QStringLiteral("20250117"));
        shoot(dialog, QStringLiteral("templates"));
        dialog->findChild<QPushButton*>(QStringLiteral("Btn_OK"))->click();
    });
    editor->findChild<QPushButton*>(QStringLiteral("Btn_Templates"))->click();
    shoot(editor, QStringLiteral("editor-from-template"));
    editor->hide();
}

} // namespace

int main(int argc, char** argv) {
    // The list needs no display.
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const QString& name : GuidePictures)
            std::printf("%s\n", qPrintable(name));
        return 0;
    }
    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    if (!args.isEmpty() && args.first() == QLatin1String("--guide")) {
        guideOnly = true;
        args.removeFirst();
    }
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: ordano_screens [--guide] OUTPUT_DIR LANGUAGE\n"
                             "       ordano_screens --list\n");
        return 2;
    }
    outputDir = args.at(0);
    language = args.at(1);
    QDir().mkpath(outputDir);
    QTemporaryDir root;
    makeWorkspace(root.path());

    FakePlatform fakes;
    ProgramStarter starter{fakes.processes, fakes.clock, QString()};
    SharedState state;
    MainWindow main(state, fakes.platform, starter, root.path());
    main.show();
    shoot(&main, QStringLiteral("main"));
    shootHelp(&main, QStringLiteral("main"));
    // The windows are made at their first use.
    main.newProjectWindow();
    main.openWindow();
    main.aboutWindow();
    main.optionsWindow();
    main.communicationWindow();
    main.networkWindow();

    for (QDialog* dialog : main.findChildren<QDialog*>()) {
        if (dialog->parentWidget() != &main)
            continue; // made by another window, shown with it
        const QString name = dialog->objectName();
        if (auto* editor = qobject_cast<NetworkEditorWindow*>(dialog)) {
            shootEditor(editor);
            continue;
        }
        if (qobject_cast<UpdateWindow*>(dialog))
            continue;
        dialog->show();
        if (auto* tabs = dialog->findChild<QTabWidget*>()) {
            for (int tab = 0; tab < tabs->count(); ++tab) {
                tabs->setCurrentIndex(tab);
                shoot(dialog, name + QStringLiteral("-%1").arg(tab + 1));
            }
        } else {
            shoot(dialog, name);
            if (name == QLatin1String("CommunicationWindow"))
                shootHelp(dialog, name);
        }
        dialog->hide();
    }

    UpdateWindow& boot = main.updateWindow();
    for (int form : {0, 1}) {
        boot.Form_Type = form;
        boot.prepare();
        boot.show();
        shoot(&boot, QStringLiteral("update-%1").arg(form == 0 ? "serial" : "ethernet"));
        boot.hide();
    }

    Network network = loadNetwork(state.networkFile).nodes;
    SourceTestWindow sources(state, fakes.platform, network, &main);
    sources.show();
    shoot(&sources, QStringLiteral("source-test"));
    sources.hide();

    // The scan of a serial line before it starts, with the time it will take at most.
    Sources::Connection line;
    line.port = QStringLiteral("/dev/ttyUSB0");
    line.baud = 19200;
    line.parity = 'E';
    line.stopBits = 1;
    line.timeoutMs = 100;
    FindSlavesWindow scan(state, line, {1, 2, 5}, &main);
    scan.show();
    shoot(&scan, QStringLiteral("scan"));
    scan.hide();

    // Serving the configuration with a typed value, after a master's first requests.
    GatewayWindow gateway(state, fakes.platform, network, &main);
    gateway.show();
    auto* values = gateway.findChild<QTableView*>(QStringLiteral("TV_Values"));
    values->model()->setData(values->model()->index(0, GatewayWindow::ColValue), "12345");
    // Ports of its own when they are free, so that the picture comes out the same each time.
    const auto freePort = [](quint16 wanted) {
        QTcpServer probe;
        return probe.listen(QHostAddress::LocalHost, wanted) ? wanted : quint16(0);
    };
    gateway.findChild<QLineEdit*>(QStringLiteral("E_MbusAddress"))
        ->setText(QStringLiteral("127.0.0.1:%1").arg(freePort(47011)));
    gateway.startClicked();
    if (auto master = MbusTestMaster::connectTcp(gateway.listeningPort(), 20000, 47012)) {
        const QByteArray requests[] = {MbusTestMaster::sndNke(1), MbusTestMaster::reqUd2(1, true),
                                       MbusTestMaster::reqUd2(1, false)};
        for (const QByteArray& request : requests) {
            master->send(request);
            settle();
            master->readAnswer(1000);
        }
        settle();
    }
    shoot(&gateway, QStringLiteral("try-as-gateway"));
    gateway.stopClicked();
    gateway.hide();

    // A second window on the same configuration: it may look, but not write.
    SharedState secondState;
    MainWindow second(secondState, fakes.platform, starter, root.path());
    second.show();
    shoot(&second, QStringLiteral("main-read-only"));
    second.communicationWindow().show();
    shoot(&second.communicationWindow(), QStringLiteral("communication-read-only"));
    second.communicationWindow().hide();
    second.networkWindow().show();
    shoot(&second.networkWindow(), QStringLiteral("editor-read-only"));
    second.networkWindow().hide();
    if (guideOnly) {
        // The guide must not name a picture that was not drawn.
        for (const QString& name : GuidePictures)
            if (!made.contains(name)) {
                std::fprintf(stderr, "screens: the guide's picture %s was not drawn\n",
                             qPrintable(name));
                return 1;
            }
    }
    return 0;
}
