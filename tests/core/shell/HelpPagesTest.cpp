#include "core/shell/HelpPages.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>

namespace {

// The window classes of the program: every class derived from a Qt dialog or main window, and
// every class named for a window or dialog (the guide's own window aside), read from the
// window sources.
QSet<QString> windowClassesInSources() {
    QSet<QString> names;
    const QRegularExpression declaration(
        QStringLiteral(R"(^class\s+(\w+)\s*(?:final\s*)?:\s*public\s+(\w+))"),
        QRegularExpression::MultilineOption);
    QDirIterator files(QStringLiteral(ORDANO_SOURCE_DIR "/src/gui"), {QStringLiteral("*.h")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (const auto& match : declaration.globalMatch(text)) {
            const QString name = match.captured(1);
            const QString base = match.captured(2);
            const bool named =
                name.endsWith(QLatin1String("Window")) || name.endsWith(QLatin1String("Dialog"));
            if ((named && name != QLatin1String("HelpWindow")) ||
                (base.startsWith(QLatin1Char('Q')) &&
                 (base.endsWith(QLatin1String("Dialog")) || base == QLatin1String("QMainWindow"))))
                names.insert(name);
        }
    }
    return names;
}

TEST(HelpPages, EveryWindowClassHasAPageAndEveryPageAWindow) {
    const QSet<QString> classes = windowClassesInSources();
    ASSERT_GE(classes.size(), 14) << "the window sources were not found";
    for (const QString& name : classes)
        EXPECT_TRUE(HelpPages::hasPage(name)) << qPrintable(name) << " has no guide page";
    for (const HelpPages::Entry& entry : HelpPages::windows()) {
        EXPECT_TRUE(classes.contains(entry.window)) << qPrintable(entry.window);
        EXPECT_TRUE(entry.page.endsWith(QLatin1String(".md"))) << qPrintable(entry.page);
    }
}

TEST(HelpPages, AnUnknownWindowGetsTheContents) {
    EXPECT_EQ(HelpPages::pageOf(QStringLiteral("CommunicationWindow")),
              QStringLiteral("communication.md"));
    EXPECT_EQ(HelpPages::pageOf(QStringLiteral("TemplateName")), QStringLiteral("index.md"));
    EXPECT_EQ(HelpPages::pageOf(QString()), QStringLiteral("index.md"));
    EXPECT_FALSE(HelpPages::hasPage(QStringLiteral("HelpWindow")));
}

TEST(HelpPages, RootsBesideTheProgramFirstThenTheInstalledData) {
    EXPECT_EQ(HelpPages::roots({QStringLiteral("/opt/o/bin"), QStringLiteral("/opt/o/share/ordano"),
                                QStringLiteral("/home/u/ws")}),
              QStringList({QStringLiteral("/opt/o/bin/guide"),
                           QStringLiteral("/opt/o/share/ordano/guide")}));
    // A portable program has no installed data folder; the workspace never holds the guide.
    EXPECT_EQ(
        HelpPages::roots({QStringLiteral("/media/usb"), QString(), QStringLiteral("/media/usb")}),
        QStringList({QStringLiteral("/media/usb/guide")}));
}

TEST(HelpPages, FindsTheLanguagesPageElseTheEnglishOne) {
    TestFolder folder;
    for (const char* file : {"program/guide/English/a.md", "data/guide/Italiano/a.md",
                             "data/guide/English/b.md", "program/guide/Italiano/c.md",
                             "data/guide/Italiano/c.md", "data/guide/English/pictures/p.md"})
        folder.write(QString::fromLatin1(file), "# page\n");
    const QStringList roots = {folder.file(QStringLiteral("program/guide")),
                               folder.file(QStringLiteral("data/guide"))};
    struct Case {
        const char* language;
        const char* page;
        const char* expected; // relative to the folder; empty: none
    };
    const Case cases[] = {
        // The language's own page, wherever it is, before an English one beside the program.
        {"Italiano", "a.md", "data/guide/Italiano/a.md"},
        // Beside the program before the installed data folder.
        {"Italiano", "c.md", "program/guide/Italiano/c.md"},
        {"Italiano", "b.md", "data/guide/English/b.md"},
        {"Deutsch", "a.md", "program/guide/English/a.md"},
        {"English", "c.md", ""},
        {"English", "missing.md", ""},
        {"Italiano", "a.md#steps", "data/guide/Italiano/a.md"},
        {"English", "pictures/p.md", "data/guide/English/pictures/p.md"},
        // Nothing leads out of a language folder.
        {"Italiano", "../English/a.md", ""},
        {"Italiano", "/etc/passwd", ""},
        {"../data/guide/Italiano", "a.md", "program/guide/English/a.md"},
        {"", "a.md", "program/guide/English/a.md"},
        {"English", "", ""},
    };
    for (const Case& c : cases) {
        const QString found =
            HelpPages::find(roots, QString::fromLatin1(c.language), QString::fromLatin1(c.page));
        const QString expected =
            *c.expected ? QFileInfo(folder.file(QString::fromLatin1(c.expected))).absoluteFilePath()
                        : QString();
        EXPECT_EQ(found, expected) << c.language << " " << c.page;
    }
    EXPECT_EQ(HelpPages::find({}, QStringLiteral("English"), QStringLiteral("a.md")), QString());
}

} // namespace
