#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/help/HelpDesk.h"
#include "gui/help/HelpWindow.h"
#include "gui/main/MainWindow.h"
#include "mock/FakeServices.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A program folder with a small guide in both languages and a configuration to open.
void writeGuide(const TestFolder& folder) {
    for (const char* language : {"English", "Italiano"}) {
        const QString base = QStringLiteral("guide/%1/").arg(QLatin1String(language));
        folder.write(base + "index.md", QByteArray("# Contents ") + language +
                                            "\n\n- [Communication](communication.md)\n"
                                            "- [Network](network.md)\n\n"
                                            "![main](pictures/main.png)\n"
                                            "![wide](pictures/wide.png)\n");
        folder.write(base + "communication.md",
                     QByteArray("# Communication ") + language + "\n\n[Back](index.md)\n");
    }
    // Only English explains the network: Italian falls back to it.
    folder.write(QStringLiteral("guide/English/network.md"), "# Network English\n");
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    folder.write(QStringLiteral("guide/English/pictures/main.png"), png);
    // Wider than any window: shown at the page's width.
    QImage wide(3000, 40, QImage::Format_RGB32);
    wide.fill(Qt::red);
    png.clear();
    QBuffer wideBuffer(&png);
    wideBuffer.open(QIODevice::WriteOnly);
    wide.save(&wideBuffer, "PNG");
    folder.write(QStringLiteral("guide/English/pictures/wide.png"), png);
    folder.write(QStringLiteral("PROJECTS/P/bin/.keep"), "");
}

void settings(const TestFolder& folder, const char* language) {
    // The language as shipped beside the test programs.
    QFile shipped(QCoreApplication::applicationDirPath() +
                  QStringLiteral("/LANGUAGE/Italiano.lng"));
    if (shipped.open(QIODevice::ReadOnly))
        folder.write(QStringLiteral("LANGUAGE/Italiano.lng"), shipped.readAll());
    folder.write(QStringLiteral("Ordano.xml"),
                 QByteArray("<Conf_Settings><lastproj><projectname>P</projectname></lastproj>"
                            "<lastlang><language>") +
                     language + "</language></lastlang></Conf_Settings>");
}

struct ProgramRun {
    explicit ProgramRun(const QString& folder) {
        window = std::make_unique<MainWindow>(state, fakes.platform, starter, folder);
        window->show();
    }
    ~ProgramRun() { window->close(); }
    void click(const char* name) {
        QTest::mouseClick(window->findChild<QPushButton*>(QString::fromLatin1(name)),
                          Qt::LeftButton);
    }

    FakePlatform fakes;
    ProgramStarter starter{fakes.processes, fakes.clock, QString()};
    SharedState state;
    std::unique_ptr<MainWindow> window;
};

HelpWindow* help() {
    HelpDesk* desk = HelpDesk::instance();
    return desk ? desk->window() : nullptr;
}

// The page shown, as "<language>/<file>".
QString shownPage() {
    HelpWindow* window = help();
    if (!window || !window->isVisible())
        return QStringLiteral("(no help window)");
    const QFileInfo file(window->currentFile());
    return file.dir().dirName() + QLatin1Char('/') + file.fileName();
}

void pressF1(QWidget* window) {
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClick(target, Qt::Key_F1);
}

// A click as the window system delivers it: dropped when a modal window blocks the window.
void clickThroughWindowSystem(QPushButton* button) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(button->window()));
    const QPoint at = button->mapTo(button->window(), button->rect().center());
    QTest::mouseClick(button->window()->windowHandle(), Qt::LeftButton, {}, at);
}

QPushButton* helpButton(const char* name) {
    return help()->findChild<QPushButton*>(QString::fromLatin1(name));
}

TEST(Help, F1AndTheHelpButtonOpenTheMainWindowsPageAndLinksLeadOnWithBackAndForward) {
    TestFolder folder;
    writeGuide(folder);
    settings(folder, "English");
    ProgramRun run(folder.path());
    pressF1(run.window.get());
    ASSERT_NE(help(), nullptr);
    EXPECT_EQ(shownPage(), QStringLiteral("English/index.md"));
    EXPECT_TRUE(help()->browser()->toPlainText().startsWith(QStringLiteral("Contents English")));
    EXPECT_EQ(help()->windowTitle(), QStringLiteral("Installer's guide"));
    // Pictures are found beside the page.
    EXPECT_FALSE(
        help()
            ->browser()
            ->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pictures/main.png")))
            .isNull());

    ASSERT_TRUE(QTest::qWaitForWindowExposed(help()));
    EXPECT_EQ(help()->browser()->horizontalScrollBar()->maximum(), 0)
        << "a wide picture is cut off";

    // The first link, followed from the keyboard.
    QTextBrowser* browser = help()->browser();
    browser->setFocus();
    QTest::keyClick(browser, Qt::Key_Tab);
    QTest::keyClick(browser, Qt::Key_Return);
    EXPECT_EQ(shownPage(), QStringLiteral("English/communication.md"));
    EXPECT_TRUE(helpButton("Btn_Back")->isEnabled());
    EXPECT_FALSE(helpButton("Btn_Forward")->isEnabled());
    helpButton("Btn_Back")->click();
    EXPECT_EQ(shownPage(), QStringLiteral("English/index.md"));
    helpButton("Btn_Forward")->click();
    EXPECT_EQ(shownPage(), QStringLiteral("English/communication.md"));
    helpButton("Btn_Home")->click();
    EXPECT_EQ(shownPage(), QStringLiteral("English/index.md"));
    for (const char* name : {"Btn_Back", "Btn_Forward", "Btn_Home"})
        EXPECT_FALSE(helpButton(name)->accessibleName().isEmpty()) << name;

    // The main window's button opens the same one window again.
    HelpWindow* first = help();
    first->hide();
    run.click("Btn_Help");
    EXPECT_EQ(help(), first);
    EXPECT_EQ(shownPage(), QStringLiteral("English/index.md"));
    EXPECT_EQ(run.window->findChild<QPushButton*>(QStringLiteral("Btn_Help"))->accessibleName(),
              QStringLiteral("Installer's guide (F1)"));
}

// F1 from a dialog shown with exec(): the help window opens at the dialog's page and answers
// clicks while the dialog is still modal.
TEST(Help, F1InAModalDialogOpensItsPageInAUsableWindow) {
    TestFolder folder;
    writeGuide(folder);
    settings(folder, "English");
    ProgramRun run(folder.path());
    QStringList seen;
    onNextModal([&seen](QWidget* dialog) {
        pressF1(dialog);
        seen << shownPage();
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        clickThroughWindowSystem(helpButton("Btn_Home"));
        seen << shownPage();
        static_cast<QDialog*>(dialog)->reject();
    });
    run.click("Btn_Prm_Gen");
    ASSERT_TRUE(modalActionsDone());
    EXPECT_EQ(seen, QStringList({QStringLiteral("English/communication.md"),
                                 QStringLiteral("English/index.md")}));
    // The dialog gone, the guide stays open and usable on its own.
    ASSERT_NE(help(), nullptr);
    EXPECT_TRUE(help()->isVisible());
    EXPECT_EQ(help()->parentWidget(), nullptr);
    run.window->activateWindow();
    pressF1(run.window.get());
    EXPECT_EQ(shownPage(), QStringLiteral("English/index.md"));
}

// The guide already open when a dialog becomes modal stays usable beside it.
TEST(Help, AnOpenGuideStaysUsableWhenADialogBecomesModal) {
    TestFolder folder;
    writeGuide(folder);
    settings(folder, "English");
    ProgramRun run(folder.path());
    pressF1(run.window.get());
    help()->browser()->setSource(
        help()->browser()->source().resolved(QUrl(QStringLiteral("communication.md"))));
    ASSERT_EQ(shownPage(), QStringLiteral("English/communication.md"));
    QString seen;
    onNextModal([&seen](QWidget* dialog) {
        EXPECT_TRUE(help()->isVisible());
        EXPECT_EQ(QApplication::activeModalWidget(), dialog);
        clickThroughWindowSystem(helpButton("Btn_Back"));
        seen = shownPage();
        static_cast<QDialog*>(dialog)->reject();
    });
    run.click("Btn_MBus");
    ASSERT_TRUE(modalActionsDone());
    EXPECT_EQ(seen, QStringLiteral("English/index.md"));
    EXPECT_TRUE(help()->isVisible());
}

TEST(Help, ItalianOpensItalianPagesAndEnglishWhereThereIsNone) {
    TestFolder folder;
    writeGuide(folder);
    settings(folder, "Italiano");
    ProgramRun run(folder.path());
    QStringList seen;
    onNextModal([&seen](QWidget* dialog) {
        pressF1(dialog);
        seen << shownPage();
        static_cast<QDialog*>(dialog)->reject();
    });
    ASSERT_EQ(run.state.language, QStringLiteral("Italiano"));
    run.click("Btn_Prm_Gen");
    onNextModal([&seen](QWidget* dialog) {
        pressF1(dialog);
        seen << shownPage();
        static_cast<QDialog*>(dialog)->reject();
    });
    run.click("Btn_MBus");
    ASSERT_TRUE(modalActionsDone());
    pressF1(run.window.get());
    seen << shownPage();
    EXPECT_EQ(help()->windowTitle(), QStringLiteral("Guida per l'installatore"));
    EXPECT_EQ(seen, QStringList({QStringLiteral("Italiano/communication.md"),
                                 QStringLiteral("English/network.md"),
                                 QStringLiteral("Italiano/index.md")}));
}

TEST(Help, AMissingGuideIsSaidInTheWindow) {
    TestFolder folder;
    settings(folder, "English");
    ProgramRun run(folder.path());
    pressF1(run.window.get());
    ASSERT_NE(help(), nullptr);
    EXPECT_TRUE(help()->isVisible());
    EXPECT_TRUE(help()->currentFile().isEmpty());
    EXPECT_TRUE(help()->browser()->toPlainText().contains(QStringLiteral("index.md")))
        << qPrintable(help()->browser()->toPlainText());
    EXPECT_FALSE(helpButton("Btn_Home")->isEnabled());
}

} // namespace
