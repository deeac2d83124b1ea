// The installer's guide against the program: every picture it names is one the screens tool
// draws (and is in the guide), every link leads to a page, and every window has its page in
// every language.
#include "core/shell/HelpPages.h"
#include "support/QtPrinters.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// What is wrong in the guide at `root` (one folder per language) for a tool that draws
// `pictures`, one line each.
QStringList problems(const QString& root, const QStringList& pictures) {
    QStringList found;
    const QDir guide(root);
    const QStringList languages = guide.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (!languages.contains(QLatin1String(HelpPages::FallbackLanguage)))
        found << QStringLiteral("no English guide");
    const QStringList englishPages =
        QDir(guide.filePath(QLatin1String(HelpPages::FallbackLanguage)))
            .entryList({QStringLiteral("*.md")}, QDir::Files);
    const QRegularExpression link(QStringLiteral(R"((!?)\[[^\]]*\]\(([^)\s]+)\))"));
    for (const QString& language : languages) {
        const QDir folder(guide.filePath(language));
        const QStringList pages = folder.entryList({QStringLiteral("*.md")}, QDir::Files);
        for (const QString& page : englishPages)
            if (!pages.contains(page))
                found << language + QStringLiteral(": no page ") + page;
        QStringList windowPages{QLatin1String(HelpPages::IndexPage)};
        for (const HelpPages::Entry& entry : HelpPages::windows())
            windowPages << entry.page;
        for (const QString& page : windowPages)
            if (!pages.contains(page) && !found.contains(language + ": no page " + page))
                found << language + QStringLiteral(": no page ") + page;
        QStringList named;
        for (const QString& page : pages) {
            const QString where = language + QLatin1Char('/') + page;
            for (const auto& m : link.globalMatch(readText(folder.filePath(page)))) {
                const QString target = m.captured(2);
                if (m.captured(1) == QLatin1String("!")) {
                    const QString name = target.section(QLatin1Char('/'), 1).chopped(4);
                    if (!target.startsWith(QLatin1String("pictures/")) ||
                        !target.endsWith(QLatin1String(".png")) || name.contains(QLatin1Char('/')))
                        found << where + QStringLiteral(": picture outside pictures/: ") + target;
                    else if (!pictures.contains(name))
                        found << where + QStringLiteral(": the screens tool does not draw ") + name;
                    else if (!QFileInfo(folder.filePath(target)).isFile())
                        found << where + QStringLiteral(": picture not drawn into the guide: ") +
                                     target;
                    named << name;
                    continue;
                }
                if (target.contains(QLatin1String("://"))) {
                    found << where + QStringLiteral(": link out of the guide: ") + target;
                    continue;
                }
                const QString file = target.section(QLatin1Char('#'), 0, 0);
                if (!file.isEmpty() && !QFileInfo(folder.filePath(file)).isFile())
                    found << where + QStringLiteral(": link to a missing page: ") + target;
            }
        }
        // A picture no page shows is a leftover of a page that changed.
        for (const QString& file : QDir(folder.filePath(QStringLiteral("pictures")))
                                       .entryList({QStringLiteral("*.png")}, QDir::Files))
            if (!named.contains(file.chopped(4)))
                found << language + QStringLiteral(": picture no page shows: ") + file;
    }
    return found;
}

// The names of the pictures the screens tool draws for the guide.
QStringList toolPictures() {
    QProcess tool;
    tool.start(QStringLiteral(ORDANO_SCREENS_TOOL), {QStringLiteral("--list")});
    if (!tool.waitForFinished(30000) || tool.exitCode() != 0)
        return {};
    return QString::fromUtf8(tool.readAllStandardOutput())
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

TEST(Guide, TheShippedGuideNamesOnlyDrawnPicturesAndExistingPages) {
    const QStringList pictures = toolPictures();
    ASSERT_GE(pictures.size(), 5) << "ordano_screens --list gave no names";
    EXPECT_EQ(problems(QStringLiteral(ORDANO_GUIDE_SOURCES), pictures), QStringList());
    // Every picture the tool draws for the guide is shown somewhere.
    const QString english = QStringLiteral(ORDANO_GUIDE_SOURCES "/English/pictures/");
    for (const QString& name : pictures)
        EXPECT_TRUE(QFileInfo(english + name + ".png").isFile()) << qPrintable(name);
}

TEST(Guide, EachFaultIsNamed) {
    const QStringList found =
        problems(fixturePath(QStringLiteral("guide")),
                 {QStringLiteral("main"), QStringLiteral("templates"), QStringLiteral("old")});
    const QStringList expected = {
        QStringLiteral("English/index.md: the screens tool does not draw wiring"),
        QStringLiteral(
            "English/index.md: picture not drawn into the guide: pictures/templates.png"),
        QStringLiteral("English/index.md: picture outside pictures/: ../pictures/main.png"),
        QStringLiteral("English/index.md: link to a missing page: cabling.md"),
        QStringLiteral("English/index.md: link out of the guide: https://example.invalid/manual"),
        QStringLiteral("English: picture no page shows: old.png"),
        QStringLiteral("Italiano: no page network.md"),
    };
    for (const QString& problem : expected)
        EXPECT_TRUE(found.contains(problem)) << qPrintable(problem);
    // Every window's page is missing from both languages of the small guide.
    EXPECT_TRUE(found.contains(QStringLiteral("English: no page communication.md")));
    EXPECT_TRUE(found.contains(QStringLiteral("Italiano: no page communication.md")));
    EXPECT_FALSE(found.contains(QStringLiteral("English: no page index.md")));
    EXPECT_FALSE(found.join('\n').contains(QStringLiteral("network.md#nodes")));
}

} // namespace
