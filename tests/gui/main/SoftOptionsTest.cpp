#include "common/MakerSite.h"
#include "core/shell/LanguageList.h"
#include "core/shell/QtTranslation.h"
#include "core/shell/VersionCheck.h"
#include "core/state/SharedState.h"
#include "core/update/ProgramStarter.h"
#include "gui/main/MainWindow.h"
#include "gui/projects/OpenConfigurationDialog.h"
#include "gui/update/UpdateWindow.h"
#include "mock/FakeServices.h"
#include "mock/LocalHttpServer.h"
#include "net/NetworkHttpGetter.h"
#include "support/ModalHelper.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace {

// One run of the program in a temporary program folder; HTTP is faked unless `http` is given.
struct OptionsRun {
    explicit OptionsRun(const QString& folder, HttpGetter* http = nullptr)
        : platform{fakes.prompts,
                   fakes.processes,
                   fakes.clock,
                   fakes.urls,
                   http ? *http : static_cast<HttpGetter&>(fakes.http),
                   fakes.echo,
                   fakes.serial} {
        window = std::make_unique<MainWindow>(state, platform, starter, folder);
        window->show();
    }
    ~OptionsRun() {
        if (window)
            window->close();
    }
    void click(const char* name) {
        auto* b = window->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // Opens the options dialog and runs `action` in it; the action closes it.
    void withOptions(std::function<void(QDialog*)> action) {
        onNextModal([action](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->objectName(), QStringLiteral("OptionsDialog"));
            action(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        click("Btn_Opz");
        EXPECT_TRUE(modalActionsDone());
        fakes.prompts.verify();
    }
    QLabel* mainLabel(const char* name) const {
        return window->findChild<QLabel*>(QString::fromLatin1(name));
    }

    FakePlatform fakes;
    Platform platform;
    ProgramStarter starter{fakes.processes, fakes.clock, QString()};
    SharedState state;
    std::unique_ptr<MainWindow> window;
};

template <class T> T* child(QWidget* parent, const QString& name) {
    T* w = parent->findChild<T*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
}
QLabel* label(QWidget* d, const char* name) {
    return child<QLabel>(d, QString::fromLatin1(name));
}
QPushButton* button(QWidget* d, const char* name) {
    return child<QPushButton>(d, QString::fromLatin1(name));
}
QCheckBox* box(QWidget* d, const char* name) {
    return child<QCheckBox>(d, QString::fromLatin1(name));
}

QListWidget* languages(QWidget* d) {
    return child<QListWidget>(d, QStringLiteral("LB_Languages"));
}

// Names of the languages in view, in slot order.
QStringList slotsShown(QWidget* d) {
    QStringList names;
    QListWidget* list = languages(d);
    for (int row = 0; row < list->count(); ++row)
        if (!list->isRowHidden(row))
            names << list->item(row)->text();
    return names;
}

// A click on a language's flag or name: one entry of the list.
void clickLanguage(QWidget* d, int row) {
    QListWidget* list = languages(d);
    const QRect place = list->visualItemRect(list->item(row));
    ASSERT_FALSE(place.isEmpty());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, place.center());
}

QSize flagSize(QWidget* d, int row) {
    return languages(d)->item(row)->icon().actualSize(QSize(48, 48));
}

void writeFlag(const TestFolder& folder, const QString& file, QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QDir().mkpath(folder.file(QStringLiteral("LANGUAGE")));
    ASSERT_TRUE(image.save(folder.file(QStringLiteral("LANGUAGE/") + file), "BMP"));
}

void writeSettings(const TestFolder& folder, bool internet, bool update) {
    folder.write(QStringLiteral("Ordano.xml"),
                 QStringLiteral("<Conf_Settings><lastinternet><enable_internet>%1"
                                "</enable_internet><enable_update>%2</enable_update>"
                                "</lastinternet></Conf_Settings>")
                     .arg(int(internet))
                     .arg(int(update))
                     .toUtf8());
}

} // namespace

TEST(LanguageList, OnlyRegularWritableLngFilesSortedWithoutRegardToCase) {
    TestFolder folder;
    // "Fr\x01.lng": Ordano.xml could not store the choice.
    for (const char* name : {"delta.lng", "Alpha.lng", "charlie.lng", "Bravo.lng", ".hidden.lng",
                             "notes.txt", "upper.LNG", "lng", "Fr\x01.lng"})
        folder.write(QStringLiteral("LANGUAGE/") + QString::fromLatin1(name), "STR0 = x\n");
    QDir(folder.path()).mkpath(QStringLiteral("LANGUAGE/Folder.lng"));
    folder.write(QStringLiteral("LANGUAGE/ReadOnly.lng"), "");
    QFile::setPermissions(folder.file(QStringLiteral("LANGUAGE/ReadOnly.lng")),
                          QFile::ReadOwner | QFile::ReadGroup);
    QFile::link(folder.file(QStringLiteral("LANGUAGE/Alpha.lng")),
                folder.file(QStringLiteral("LANGUAGE/Link.lng")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder.file(QStringLiteral("LANGUAGE/Pipe.lng"))), 0644),
              0);
    EXPECT_EQ(LanguageList::languageNames(folder.file(QStringLiteral("LANGUAGE"))),
              (QStringList{QStringLiteral(".hidden.lng"), QStringLiteral("Alpha.lng"),
                           QStringLiteral("Bravo.lng"), QStringLiteral("charlie.lng"),
                           QStringLiteral("delta.lng")}));
    EXPECT_TRUE(LanguageList::languageNames(folder.file(QStringLiteral("missing"))).isEmpty());
}

// The user's folder and the shipped one make one list; a name in both is listed once, and the
// flag comes from the first folder that has the language's own, then DefaultFlag.bmp likewise.
TEST(LanguageList, UsersFolderBeforeTheShippedOne) {
    TestFolder folder;
    const QStringList folders{folder.file(QStringLiteral("user")),
                              folder.file(QStringLiteral("shipped"))};
    for (const char* name : {"user/Italiano.lng", "user/Sardu.lng", "user/Sardu.bmp",
                             "user/DefaultFlag.bmp", "shipped/Italiano.lng", "shipped/Italiano.bmp",
                             "shipped/English.lng", "shipped/English.bmp", "shipped/Sardu.bmp",
                             "shipped/DefaultFlag.bmp", "shipped/Deutsch.lng"})
        folder.write(QString::fromLatin1(name), "x");
    EXPECT_EQ(LanguageList::languageNames(folders),
              (QStringList{QStringLiteral("Deutsch.lng"), QStringLiteral("English.lng"),
                           QStringLiteral("Italiano.lng"), QStringLiteral("Sardu.lng")}));
    struct Row {
        const char* language;
        const char* flag;
    };
    for (const Row& row : {Row{"Sardu", "user/Sardu.bmp"}, Row{"Italiano", "shipped/Italiano.bmp"},
                           Row{"Deutsch", "user/DefaultFlag.bmp"}}) {
        SCOPED_TRACE(row.language);
        EXPECT_EQ(LanguageList::flagPicture(folders, QLatin1String(row.language)),
                  folder.file(QLatin1String(row.flag)));
    }
    QFile::remove(folder.file(QStringLiteral("user/DefaultFlag.bmp")));
    EXPECT_EQ(LanguageList::flagPicture(folders, QStringLiteral("Deutsch")),
              folder.file(QStringLiteral("shipped/DefaultFlag.bmp")));
}

TEST(SoftOptions, PagesOfSixAndSeven) {
    struct Case {
        int files;
        QStringList page1;
        QString label1;
        bool nextOnPage1;
    };
    const QStringList seven{QStringLiteral("a1"), QStringLiteral("B2"), QStringLiteral("c3"),
                            QStringLiteral("D4"), QStringLiteral("e5"), QStringLiteral("F6"),
                            QStringLiteral("g7")};
    for (const Case& c : {Case{6, seven.mid(0, 6), QStringLiteral("Page 1 / 1"), false},
                          Case{7, seven.mid(0, 6), QStringLiteral("Page 1 / 2"), true},
                          Case{0, {}, QStringLiteral("Page 1 / 0"), true}}) {
        TestFolder folder;
        for (int i = c.files - 1; i >= 0; --i)
            folder.write(QStringLiteral("LANGUAGE/%1.lng").arg(seven[i]), "");
        OptionsRun run(folder.path());
        run.withOptions([&c](QDialog* d) {
            SCOPED_TRACE(c.files);
            EXPECT_EQ(d->size(), QSize(509, 373));
            EXPECT_EQ(slotsShown(d), c.page1);
            EXPECT_EQ(label(d, "L_Page_Lang")->text(), c.label1);
            EXPECT_FALSE(button(d, "Btn_Prev")->isVisible());
            EXPECT_EQ(button(d, "Btn_Next")->isVisible(), c.nextOnPage1);
            QTest::mouseClick(button(d, "Btn_Next"), Qt::LeftButton);
            if (c.files != 7) {
                EXPECT_EQ(label(d, "L_Page_Lang")->text(), c.label1) << "Next does nothing";
                return;
            }
            EXPECT_EQ(slotsShown(d), QStringList{QStringLiteral("g7")});
            EXPECT_EQ(label(d, "L_Page_Lang")->text(), QStringLiteral("Page 2 / 2"));
            EXPECT_TRUE(button(d, "Btn_Prev")->isVisible());
            EXPECT_FALSE(button(d, "Btn_Next")->isVisible());
            QTest::mouseClick(button(d, "Btn_Prev"), Qt::LeftButton);
            EXPECT_EQ(label(d, "L_Page_Lang")->text(), QStringLiteral("Page 1 / 2"));
            QTest::mouseClick(button(d, "Btn_Next"), Qt::LeftButton); // stays on page 2 ...
        });
        if (c.files == 7) {
            run.withOptions([](QDialog* d) { // ... until the next showing
                EXPECT_EQ(label(d, "L_Page_Lang")->text(), QStringLiteral("Page 1 / 2"));
            });
        }
    }
}

TEST(SoftOptions, FlagsAtTheirOwnSizeWithTheDefaultAsFallback) {
    TestFolder folder;
    folder.write(QStringLiteral("LANGUAGE/Flagged.lng"), "");
    folder.write(QStringLiteral("LANGUAGE/Plain.lng"), "");
    writeFlag(folder, QStringLiteral("Flagged.bmp"), QSize(30, 20), Qt::red);
    OptionsRun run(folder.path());
    run.withOptions([](QDialog* d) {
        EXPECT_EQ(flagSize(d, 0), QSize(30, 20)) << "not scaled";
        EXPECT_TRUE(languages(d)->item(1)->icon().isNull()) << "neither picture exists";
        EXPECT_EQ(slotsShown(d), (QStringList{QStringLiteral("Flagged"), QStringLiteral("Plain")}))
            << "the name stays";
    });
    writeFlag(folder, QStringLiteral("DefaultFlag.bmp"), QSize(40, 26), Qt::blue);
    run.withOptions([](QDialog* d) {
        EXPECT_EQ(flagSize(d, 1), QSize(40, 26));
        EXPECT_EQ(flagSize(d, 0), QSize(30, 20)) << "its own flag wins";
    });
}

TEST(SoftOptions, LanguageChangeReachesEveryWindowAndCancelKeepsTheStoredLanguage) {
    TestFolder folder;
    folder.write(QStringLiteral("LANGUAGE/Prova.lng"),
                 "STR15 = Nuova\nSTR13 = Opzioni\nSTR100 = Nuovo progetto\n"
                 "STR200 = Apri progetto\nSTR300 = Opzioni software\nSTR302 = Lingua\n"
                 "STR304 = \xc2\xb6Lingua scelta : \xc2\xb6\nSTR316 = \xc2\xb6"
                 "Da \xc2\xb6\n"
                 "STR317 = \xc2\xb6 a \xc2\xb6\nSTR318 = \xc2\xb6 ?\xc2\xb6\n"
                 "STR800 = Aggiorna per seriale\n");
    {
        OptionsRun run(folder.path());
        UpdateWindow& boot = run.window->updateWindow(); // a window built after start-up
        run.window->newProjectWindow();                  // another; the open window is not made yet
        run.fakes.prompts.expectQuestion(
            QStringLiteral("Do you want to change the Language from English to Prova?"), false);
        run.fakes.prompts.expectQuestion(
            QStringLiteral("Do you want to change the Language from English to Prova?"), true);
        run.withOptions([&run, &boot](QDialog* d) {
            clickLanguage(d, 0); // No
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Software Options"));
            clickLanguage(d, 0); // Yes
            EXPECT_EQ(d->windowTitle(), QStringLiteral("Opzioni software"));
            EXPECT_EQ(child<QTabWidget>(d, QStringLiteral("PC_Options"))->tabText(0),
                      QStringLiteral("Lingua"));
            EXPECT_EQ(label(d, "L_Sel_Lang")->text(), QStringLiteral("Lingua scelta : Prova"));
            EXPECT_EQ(button(run.window.get(), "Btn_New")->text(), QStringLiteral("&Nuova"));
            EXPECT_EQ(button(run.window.get(), "Btn_Opz")->toolTip(), QStringLiteral("Opzioni"));
            QStringList titles;
            for (const QDialog* w : run.window->findChildren<QDialog*>())
                titles << w->windowTitle();
            EXPECT_TRUE(titles.contains(QStringLiteral("Nuovo progetto")));
            EXPECT_FALSE(titles.contains(QStringLiteral("Apri progetto")));
            EXPECT_EQ(boot.windowTitle(), QStringLiteral("Aggiorna per seriale"));
            QTest::mouseClick(button(d, "Btn_Cancel"), Qt::LeftButton);
        });
        EXPECT_EQ(run.state.language, QStringLiteral("English")) << "Cancel stores nothing";
        EXPECT_EQ(button(run.window.get(), "Btn_New")->text(), QStringLiteral("&Nuova"))
            << "the texts stay loaded";
        EXPECT_EQ(run.window->openWindow().windowTitle(), QStringLiteral("Apri progetto"))
            << "a window made later starts in the texts loaded";
        EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("Ordano.xml"))));

        run.fakes.prompts.expectQuestion(QStringLiteral("Da English a Prova ?"), true);
        run.withOptions([](QDialog* d) {
            EXPECT_EQ(label(d, "L_Sel_Lang")->text(), QStringLiteral("Lingua scelta : English"));
            clickLanguage(d, 0);
            QTest::mouseClick(button(d, "Btn_OK"), Qt::LeftButton);
        });
        EXPECT_EQ(run.state.language, QStringLiteral("Prova"));
        EXPECT_TRUE(
            folder.read(QStringLiteral("Ordano.xml")).contains("<language>Prova</language>"))
            << "OK writes the settings at once";
    }
    OptionsRun again(folder.path());
    EXPECT_EQ(button(again.window.get(), "Btn_New")->text(), QStringLiteral("&Nuova"));
}

// The language list works without a mouse: arrows and Page Down move through every page, the
// first letters of a name find it, Enter chooses it and leaves the dialog open.
TEST(SoftOptions, LanguageChosenFromTheKeyboard) {
    TestFolder folder;
    for (const char* name :
         {"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf", "Hotel"})
        folder.write(QStringLiteral("LANGUAGE/%1.lng").arg(QString::fromLatin1(name)),
                     "STR302 = Lingua\n");
    OptionsRun run(folder.path());
    run.fakes.prompts.expectQuestion(
        QStringLiteral("Do you want to change the Language from English to Charlie?"), true);
    run.withOptions([](QDialog* d) {
        QListWidget* list = languages(d);
        d->activateWindow();
        list->setFocus();
        EXPECT_EQ(list->currentRow(), 0);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(list, Qt::Key_Down);
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Foxtrot"));
        EXPECT_EQ(label(d, "L_Page_Lang")->text(), QStringLiteral("Page 1 / 2"));
        QTest::keyClick(list, Qt::Key_Down); // on to the next page
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Golf"));
        EXPECT_EQ(label(d, "L_Page_Lang")->text(), QStringLiteral("Page 2 / 2"));
        EXPECT_EQ(slotsShown(d), (QStringList{QStringLiteral("Golf"), QStringLiteral("Hotel")}));
        QTest::keyClick(list, Qt::Key_PageUp);
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Alpha"));
        QTest::keyClick(list, Qt::Key_PageDown);
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Golf"));
        QTest::keyClicks(list, QStringLiteral("ch"));
        EXPECT_EQ(list->currentItem()->text(), QStringLiteral("Charlie"));
        EXPECT_EQ(label(d, "L_Page_Lang")->text(), QStringLiteral("Page 1 / 2"));
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_TRUE(d->isVisible()) << "Enter chose a language, it did not press OK";
        EXPECT_EQ(label(d, "L_Sel_Lang")->text(), QStringLiteral("Selected Language : Charlie"));
        EXPECT_EQ(list->accessibleName(), QStringLiteral("Lingua"));
    });
}

// Restoring the minimised dialog shows it again without opening it: the language just
// confirmed, the ticks and the page stay as the user left them, and OK stores them.
TEST(SoftOptions, RestoreFromMinimisedKeepsTheChoices) {
    TestFolder folder;
    folder.write(QStringLiteral("LANGUAGE/Prova.lng"), "STR302 = Lingua\n");
    OptionsRun run(folder.path());
    run.fakes.prompts.expectQuestion(
        QStringLiteral("Do you want to change the Language from English to Prova?"), true);
    run.withOptions([](QDialog* d) {
        clickLanguage(d, 0);
        auto* tabs = child<QTabWidget>(d, QStringLiteral("PC_Options"));
        tabs->setCurrentIndex(1);
        QCheckBox* internet = box(d, "CB_En_Con");
        const bool ticked = internet->isChecked();
        internet->setChecked(!ticked);
        d->showMinimized();
        d->showNormal();
        EXPECT_EQ(label(d, "L_Sel_Lang")->text(), QStringLiteral("Selected Language : Prova"));
        EXPECT_EQ(tabs->currentIndex(), 1);
        EXPECT_EQ(internet->isChecked(), !ticked);
        QTest::mouseClick(button(d, "Btn_OK"), Qt::LeftButton);
    });
    EXPECT_EQ(run.state.language, QStringLiteral("Prova"));
}

TEST(SoftOptions, ConnectionBoxesTheStoredFlagsAndTheTimer) {
    TestFolder folder;
    OptionsRun run(folder.path());
    run.withOptions([](QDialog* d) {
        EXPECT_EQ(child<QTabWidget>(d, QStringLiteral("PC_Options"))->currentIndex(), 0);
        QCheckBox* internet = box(d, "CB_En_Con");
        QCheckBox* update = box(d, "CB_Update");
        QPushButton* check = button(d, "Btn_Check_Update");
        EXPECT_FALSE(update->isEnabled());
        EXPECT_FALSE(check->isEnabled());
        internet->click();
        EXPECT_TRUE(update->isEnabled());
        EXPECT_FALSE(check->isEnabled()) << "needs the update box ticked";
        update->click();
        EXPECT_TRUE(check->isEnabled());
        internet->click();
        EXPECT_FALSE(update->isEnabled());
        EXPECT_TRUE(update->isChecked()) << "a disabled box keeps its tick";
        EXPECT_FALSE(check->isEnabled());
        box(d, "CB_Soft_Set_Jump_Table")->click();
        box(d, "CB_DoubleClick_Auto_Size")->click();
        QTest::mouseClick(button(d, "Btn_OK"), Qt::LeftButton);
    });
    EXPECT_FALSE(run.state.internetEnabled);
    EXPECT_TRUE(run.state.updateCheckEnabled);
    EXPECT_TRUE(run.state.jumpTableEnabled);
    EXPECT_TRUE(run.state.doubleClickAutoSize);
    EXPECT_FALSE(run.window->updateTimer().isActive());
    EXPECT_TRUE(folder.read(QStringLiteral("Ordano.xml"))
                    .contains("<enable_internet>0</enable_internet><enable_update>1"));

    run.withOptions([](QDialog* d) {
        EXPECT_TRUE(box(d, "CB_Update")->isChecked());
        EXPECT_FALSE(box(d, "CB_Update")->isEnabled());
        box(d, "CB_En_Con")->click();
        QTest::mouseClick(button(d, "Btn_OK"), Qt::LeftButton);
    });
    EXPECT_TRUE(run.window->updateTimer().isActive());
    EXPECT_EQ(run.window->updateTimer().interval(), 60000);

    // Unticked and cancelled: nothing stored, the timer keeps running, the file is unchanged.
    const QByteArray before = folder.read(QStringLiteral("Ordano.xml"));
    run.withOptions([](QDialog* d) {
        box(d, "CB_En_Con")->click();
        QTest::mouseClick(button(d, "Btn_Cancel"), Qt::LeftButton);
    });
    EXPECT_TRUE(run.state.internetEnabled);
    EXPECT_TRUE(run.window->updateTimer().isActive());
    EXPECT_EQ(folder.read(QStringLiteral("Ordano.xml")), before);
    run.withOptions([](QDialog* d) {
        EXPECT_TRUE(box(d, "CB_Update")->isEnabled())
            << "the boxes' enabling follows the stored flags, not the last showing";
        EXPECT_TRUE(button(d, "Btn_Check_Update")->isEnabled());
    });
}

TEST(SoftOptions, CheckButtonShowsTheResultAndItsLink) {
    TestFolder folder;
    writeSettings(folder, true, true);
    OptionsRun run(folder.path());
    struct Case {
        std::optional<QString> reply;
        bool link;
    };
    run.withOptions([&run](QDialog* d) {
        QLabel* result = label(d, "LL_Check_Update");
        QPushButton* check = button(d, "Btn_Check_Update");
        EXPECT_FALSE(result->isVisible());
        child<QTabWidget>(d, QStringLiteral("PC_Options"))->setCurrentIndex(1);
        for (const Case& c :
             {Case{QStringLiteral("VER. 2.006"), true}, Case{QStringLiteral("VER. 2.005"), false},
              Case{std::nullopt, false}}) {
            QTest::mouseClick(check, Qt::LeftButton);
            EXPECT_FALSE(check->isEnabled()) << "not started twice";
            ASSERT_TRUE(run.fakes.http.answer(c.reply));
            EXPECT_TRUE(check->isEnabled());
            EXPECT_TRUE(result->isVisible());
            if (c.link) {
                EXPECT_TRUE(result->text().contains(
                    QStringLiteral("New Version Available. Click Here for more Details")));
                emit result->linkActivated(MakerSite::downloadPage().toString());
                ASSERT_EQ(run.fakes.urls.opened.size(), 1);
                EXPECT_EQ(run.fakes.urls.opened[0], MakerSite::downloadPage());
            } else {
                EXPECT_EQ(result->text(), QStringLiteral("No Update Available"));
            }
        }
        EXPECT_EQ(run.fakes.http.requests.size(), 3);
        EXPECT_EQ(run.fakes.http.requests[0].url, MakerSite::versionCheck());
    });
    run.withOptions([](QDialog* d) {
        EXPECT_FALSE(label(d, "LL_Check_Update")->isVisible()) << "hidden at every showing";
        QTest::mouseClick(button(d, "Btn_Check_Update"), Qt::LeftButton);
    });
    // Answered after the dialog was closed and opened again: the new showing stays clean.
    run.withOptions([&run](QDialog* d) {
        EXPECT_FALSE(button(d, "Btn_Check_Update")->isEnabled()) << "still running";
        ASSERT_TRUE(run.fakes.http.answer(QStringLiteral("VER. 2.006")));
        EXPECT_FALSE(label(d, "LL_Check_Update")->isVisible());
        EXPECT_TRUE(button(d, "Btn_Check_Update")->isEnabled());
    });
}

TEST(SoftOptions, SilentServerTimesOutWhileTheDialogKeepsResponding) {
    TestFolder folder;
    writeSettings(folder, true, true);
    LocalHttpServer server; // never answers
    NetworkHttpGetter http;
    OptionsRun run(folder.path(), &http);
    run.window->versionCheck().url = server.versionUrl();
    run.window->versionCheck().timeoutMs = 300;
    run.withOptions([&server](QDialog* d) {
        child<QTabWidget>(d, QStringLiteral("PC_Options"))->setCurrentIndex(1);
        QLabel* result = label(d, "LL_Check_Update");
        QTest::mouseClick(button(d, "Btn_Check_Update"), Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([&server] { return server.requests.size() == 1; }, 5000));
        // The request is out and unanswered; the dialog still takes input.
        EXPECT_FALSE(result->isVisible());
        child<QTabWidget>(d, QStringLiteral("PC_Options"))->setCurrentIndex(2);
        QCheckBox* jump = box(d, "CB_Soft_Set_Jump_Table");
        QTest::mouseClick(jump, Qt::LeftButton, {}, QPoint(8, jump->height() / 2));
        EXPECT_TRUE(jump->isChecked());
        child<QTabWidget>(d, QStringLiteral("PC_Options"))->setCurrentIndex(1);
        ASSERT_TRUE(QTest::qWaitFor([result] { return result->isVisible(); }, 5000));
        EXPECT_EQ(result->text(), QStringLiteral("No Update Available"));
    });
}

TEST(MainWindowVersionCheck, TimerChecksAfterAMinuteThenEveryTwoHours) {
    TestFolder folder;
    writeSettings(folder, true, true);
    OptionsRun run(folder.path());
    QTimer& timer = run.window->updateTimer();
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 60000);
    QLabel* link = run.mainLabel("LL_Update");
    ASSERT_NE(link, nullptr);

    run.window->checkForNewVersion();
    EXPECT_FALSE(timer.isActive()) << "no second tick while the site answers";
    ASSERT_EQ(run.fakes.http.pending(), 1);
    EXPECT_EQ(run.fakes.http.requests[0].url, MakerSite::versionCheck());
    ASSERT_TRUE(run.fakes.http.answer(QStringLiteral("VER. 2.006")));
    EXPECT_TRUE(link->isVisible());
    EXPECT_TRUE(link->text().contains(
        QStringLiteral("New Version Available. Click Here for more Details")));
    EXPECT_TRUE(timer.isActive());
    EXPECT_EQ(timer.interval(), 7200000);
    emit link->linkActivated(MakerSite::downloadPage().toString());
    EXPECT_EQ(run.fakes.urls.opened, QList<QUrl>{MakerSite::downloadPage()});

    run.window->checkForNewVersion();
    ASSERT_TRUE(run.fakes.http.answer(std::nullopt));
    EXPECT_FALSE(link->isVisible()) << "a failed request hides the link";
    EXPECT_EQ(timer.interval(), 7200000);

    // Internet switched off while a check runs: the answer does not restart the timer.
    run.window->checkForNewVersion();
    run.withOptions([](QDialog* d) {
        box(d, "CB_En_Con")->click();
        QTest::mouseClick(button(d, "Btn_OK"), Qt::LeftButton);
    });
    ASSERT_TRUE(run.fakes.http.answer(QStringLiteral("VER. 2.005")));
    EXPECT_FALSE(timer.isActive());
}

TEST(MainWindowVersionCheck, AboutBoxShowsTheFixedTextsAndOpensTheMakersPage) {
    TestFolder folder;
    OptionsRun run(folder.path());
    onNextModal([&run](QWidget* d) {
        EXPECT_EQ(d->objectName(), QStringLiteral("AboutDialog"));
        EXPECT_EQ(d->windowTitle(), QStringLiteral("About..."));
        // One row below the fixed texts names the workspace in use.
        EXPECT_EQ(d->size(), QSize(425, 174));
        struct Text {
            const char* label;
            QString text;
        };
        for (const Text& t :
             {Text{"Label1", QStringLiteral("Software Ordano ")},
              Text{"Label2", run.state.productDescription},
              Text{"Label6", QStringLiteral("Software Code : ")},
              Text{"Label9", QStringLiteral("KT48213")},
              Text{"Label3", QStringLiteral("Version :")}, Text{"Label10", QStringLiteral("2.005")},
              Text{"Label8", QStringLiteral("Document Code :")},
              Text{"Label12", QStringLiteral("DL48213")}})
            EXPECT_EQ(label(d, t.label)->text(), t.text) << t.label;
        QTest::mouseClick(label(d, "Image2"), Qt::LeftButton);
        QTest::mouseClick(label(d, "Label4"), Qt::LeftButton);
        QTest::mouseClick(button(d, "LbButton1"), Qt::LeftButton);
        EXPECT_FALSE(d->isVisible());
    });
    run.click("Btn_Info");
    EXPECT_TRUE(modalActionsDone());
    EXPECT_EQ(run.fakes.urls.opened, (QList<QUrl>{MakerSite::homePage(), MakerSite::homePage()}));
    EXPECT_EQ(button(run.window.get(), "Btn_Info")->accessibleName(),
              QStringLiteral("Information"));
}

// Qt's own texts (message-box buttons, file dialogs) follow the language file's name.
TEST(QtTranslation, FindsTheLanguageByItsOwnOrItsEnglishName) {
    struct Case {
        const char* name;
        QLocale::Language language;
    };
    for (const Case& c :
         {Case{"Italiano", QLocale::Italian}, Case{"ITALIAN", QLocale::Italian},
          Case{"Deutsch", QLocale::German}, Case{"français", QLocale::French},
          Case{"English", QLocale::English}, Case{"Prova", QLocale::C}, Case{"", QLocale::C}})
        EXPECT_EQ(QtTranslation::languageOf(QString::fromUtf8(c.name)), c.language) << c.name;
}

TEST(QtTranslation, LoadedAtStartAndOnEveryLanguageChange) {
    const auto cancel = [] {
        return QCoreApplication::translate("QPlatformTheme", "Cancel").remove(QLatin1Char('&'));
    };
    TestFolder folder;
    folder.write(QStringLiteral("LANGUAGE/Italiano.lng"), "STR15 = Nuova\n");
    folder.write(QStringLiteral("LANGUAGE/English.lng"), "");
    folder.write(QStringLiteral("Ordano.xml"), "<Conf_Settings><lastlang><language>Italiano"
                                               "</language></lastlang></Conf_Settings>");
    {
        OptionsRun run(folder.path());
        EXPECT_EQ(cancel(), QStringLiteral("Annulla"));
        run.fakes.prompts.expectQuestion(
            QStringLiteral("Do you want to change the Language from Italiano to English?"), true);
        run.fakes.prompts.expectQuestion(
            QStringLiteral("Do you want to change the Language from English to Italiano?"), true);
        run.withOptions([&cancel](QDialog* d) {
            clickLanguage(d, 0);
            EXPECT_EQ(cancel(), QStringLiteral("Cancel"));
            clickLanguage(d, 1);
            EXPECT_EQ(cancel(), QStringLiteral("Annulla"));
        });
    }
    EXPECT_EQ(cancel(), QStringLiteral("Cancel"))
        << "the program's end takes its translation along";
}
